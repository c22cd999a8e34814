// OutputFile: a delimited text output written through one large buffer.
// Text() writes field text with every line feed stored as CR LF; Raw() writes bytes
// as they are. A write error is remembered, and Close() reports whether every byte
// reached the file.
#pragma once
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace quillon {

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates or truncates the file.
  bool Open(const std::string& path);
  bool IsOpen() const { return Fd >= 0; }
  void Raw(const char* data, size_t n) {
    if (Used + n <= Buffer.size()) {
      std::memcpy(Buffer.data() + Used, data, n);
      Used += n;
      return;
    }
    RawSlow(data, n);
  }
  void Text(const char* data, size_t n);
  void Text(const std::string& s) { Text(s.data(), s.size()); }
  void Char(char c) {
    if (Used == Buffer.size()) Flush();
    Buffer[Used++] = c;
  }
  void LineEnd() { Raw("\r\n", 2); }
  bool Failed() const { return Error; }
  // Flushes and closes; false when any write failed.
  bool Close();

 private:
  void Flush();
  void RawSlow(const char* data, size_t n);

  int Fd = -1;
  bool Error = false;
  std::vector<char> Buffer;
  size_t Used = 0;
};

}  // namespace quillon
