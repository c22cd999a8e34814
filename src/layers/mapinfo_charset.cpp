#include "layers/mapinfo_charset.h"

#include <iconv.h>

#include <cerrno>

namespace quillon {

namespace {

// Windows code pages with a MapInfo charset of their own, Western first.
constexpr const char* kCodePages[] = {"CP1252", "CP1250", "CP1251", "CP1253", "CP1254", "CP1257",
                                      "CP1255", "CP1256", "CP932",  "CP936",  "CP949",  "CP950"};

bool Holds(iconv_t converter, const std::string& text) {
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char buffer[256];
  while (inLeft > 0) {
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1) && errno != E2BIG) return false;
  }
  return true;
}

}  // namespace

MapInfoCharset MapInfoCharsetFor(const std::vector<std::string>& texts) {
  MapInfoCharset charset{kCodePages[0], {}};
  for (const char* codePage : kCodePages) {
    iconv_t converter = iconv_open(codePage, "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) continue;
    std::vector<std::string> unheld;
    for (const std::string& text : texts)
      if (!Holds(converter, text)) unheld.push_back(text);
    iconv_close(converter);
    if (unheld.empty()) return {codePage, {}};
    if (codePage == charset.Encoding) charset.Unheld = unheld;
  }
  return charset;
}

}  // namespace quillon
