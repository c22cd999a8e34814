#include "reader/file_type.h"

#include <cstring>

#include "reader/input_file.h"
#include "reader/log_format.h"

namespace quillon {

namespace {
using log_format::kMagic;
using log_format::kMagicLength;
constexpr size_t kHeadSize = log_format::kDetectionBytes;
constexpr size_t kFlashCardMagicAt = log_format::FlashCardHeader::kSize + log_format::kLengthWordSize + 1;
constexpr size_t kStandardMagicAt = log_format::StandardHeader::kSize + log_format::kLengthWordSize + 1;

bool MagicFrom(const uint8_t* head, size_t first) {
  for (size_t at = first; at + kMagicLength <= kHeadSize; ++at)
    if (std::memcmp(head + at, kMagic, kMagicLength) == 0) return true;
  return false;
}
}  // namespace

int16_t DetectLayout(const uint8_t* bytes, size_t size) {
  uint8_t head[kHeadSize] = {};
  std::memcpy(head, bytes, size < kHeadSize ? size : kHeadSize);
  if (MagicFrom(head, kFlashCardMagicAt)) return kFormatFlashCard;
  if (MagicFrom(head, kStandardMagicAt)) return kFormatStandard;
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
