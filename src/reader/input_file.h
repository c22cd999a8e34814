// InputFile: sequential binary reading of a log file through a large buffer.
// Open() accepts regular files only; sizes and positions are 64-bit.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace quillon {

class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return Fd >= 0; }
  int64_t Size() const { return FileSize; }
  // Copies up to n bytes; returns the number copied (short at the end or on error).
  size_t Read(uint8_t* dst, size_t n) {
    if (End - Begin >= n) {
      std::memcpy(dst, Buffer.data() + Begin, n);
      Begin += n;
      return n;
    }
    return ReadSlow(dst, n);
  }

 private:
  bool Refill();
  size_t ReadSlow(uint8_t* dst, size_t n);

  int Fd = -1;
  int64_t FileSize = 0;
  std::vector<uint8_t> Buffer;
  size_t Begin = 0;
  size_t End = 0;
};

// Size of a regular file in bytes, or -1 when it cannot be examined.
int64_t FileSizeOf(const std::string& path);

}  // namespace quillon
