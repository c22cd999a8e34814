#include "reader/file_type.h"

#include <cstring>

#include "reader/input_file.h"

namespace quillon {

namespace {
constexpr char kMagic[] = "KTRZEPHYN";
constexpr size_t kMagicLength = 9;
constexpr size_t kHeadSize = 32;

bool MagicFrom(const uint8_t* head, size_t first) {
  for (size_t at = first; at + kMagicLength <= kHeadSize; ++at)
    if (std::memcmp(head + at, kMagic, kMagicLength) == 0) return true;
  return false;
}
}  // namespace

int16_t DetectLayout(const uint8_t* bytes, size_t size) {
  uint8_t head[kHeadSize] = {};
  std::memcpy(head, bytes, size < kHeadSize ? size : kHeadSize);
  if (MagicFrom(head, 13)) return kFormatFlashCard;
  if (MagicFrom(head, 9)) return kFormatStandard;
  return kFormatNone;
}

int16_t DetectFileType(const std::string& path) {
  InputFile file;
  if (!file.Open(path)) return kFormatNone;
  uint8_t head[kHeadSize] = {};
  const size_t got = file.Read(head, kHeadSize);
  return DetectLayout(head, got);
}

}  // namespace quillon
