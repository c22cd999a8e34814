#include "convert/file_pairs.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "reader/messages.h"
#include "reader/native_file.h"
#include "reader/path_check.h"

namespace quillon {

namespace {

// The characters of a UTF-8 text, A to Z folded to a to z; bytes that are no valid
// sequence stand for themselves.
std::u32string FoldedCharacters(const std::string& text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    size_t length = byte < 0x80 ? 1 : (byte >> 5) == 6 ? 2 : (byte >> 4) == 14 ? 3 : (byte >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) length = 1;
    char32_t c = length == 1 ? byte : byte & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    out.push_back(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    i += length;
  }
  return out;
}

// Backtracks only to the last '*', so a pattern never takes exponential time.
bool Matches(const std::u32string& name, const std::u32string& pattern) {
  size_t n = 0, p = 0;
  size_t starP = std::u32string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == U'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::u32string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

}  // namespace

bool MatchesPattern(const std::string& name, const std::string& pattern) {
  return Matches(FoldedCharacters(name), FoldedCharacters(pattern));
}

std::string OutputNameFor(const std::string& input, const std::string& extension) {
  return DropLastCharacters(input, 4) + extension;
}

bool ListFolderPairs(const std::string& inFolder, const std::string& outFolder, const std::string& pattern,
                     const std::string& extension, std::vector<FilePair>& pairs, std::string& message) {
  namespace fs = std::filesystem;
  pairs.clear();
  std::error_code ec;
  fs::directory_iterator entries(native::PathOf(inFolder), ec);
  if (ec) {
    message = std::string(messages::kInputFolderCannotBeRead) + "\n" + SystemReason(inFolder, ec);
    return false;
  }
  std::vector<std::string> names;
  for (; entries != fs::directory_iterator(); entries.increment(ec)) {
    const std::string name = native::Utf8Of(entries->path().filename());
    std::error_code kind;
    if (entries->is_regular_file(kind) && MatchesPattern(name, pattern)) names.push_back(name);
  }
  if (ec) {
    message = std::string(messages::kInputFolderCannotBeRead) + "\n" + SystemReason(inFolder, ec);
    return false;
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names)
    pairs.push_back({native::Utf8Of(native::PathOf(inFolder) / native::PathOf(name)),
                     native::Utf8Of(native::PathOf(outFolder) / native::PathOf(OutputNameFor(name, extension)))});
  message.clear();
  return true;
}

}  // namespace quillon
