// Layout detection of a log file from its first 32 bytes.
// The magic "KTRZEPHYN" follows the kind byte of the first record: at offset 13 or
// later the file has the flash-card layout, else at offset 9 or later the standard
// layout. The bytes are searched as raw bytes, so zero bytes in the header fields
// never hide the magic.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon {

// Input formats: the item indexes of the main window's input-format list.
constexpr int16_t kFormatNone = 0;
constexpr int16_t kFormatStandard = 8;   // "KTR Zephyn"
constexpr int16_t kFormatFlashCard = 9;  // "KTR Zephyn (PC CARD)"

// Type of the bytes at the start of a file (fewer than 32 are padded with zeros).
int16_t DetectLayout(const uint8_t* head, size_t size);
// 0, 8 or 9; 0 also when the file cannot be read.
int16_t DetectFileType(const std::string& path);
// The product a format's logs come from, as the input-format list names it.
inline const char* ProductName(int16_t format) {
  return format == kFormatStandard ? "KTR Zephyn" : format == kFormatFlashCard ? "KTR Zephyn (PC CARD)" : "";
}

}  // namespace quillon
