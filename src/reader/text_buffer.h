// TextBuffer: the caller-supplied text that the reader's renderers fill. A growable
// character buffer whose appends are inline: a row is rendered from many small
// pieces, and this is the conversion's innermost loop. The text is kept
// zero-terminated.
#pragma once
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace quillon {

class TextBuffer {
 public:
  TextBuffer() : Data(1024) { Data[0] = '\0'; }

  void clear() {
    Size = 0;
    Data[0] = '\0';
  }
  bool empty() const { return Size == 0; }
  size_t size() const { return Size; }
  const char* data() const { return Data.data(); }
  const char* c_str() const { return Data.data(); }
  std::string str() const { return std::string(Data.data(), Size); }

  void push_back(char c) {
    Reserve(1);
    Data[Size++] = c;
    Data[Size] = '\0';
  }
  void append(const char* s, size_t n) {
    Reserve(n);
    std::memcpy(Data.data() + Size, s, n);
    Size += n;
    Data[Size] = '\0';
  }
  void append(const char* s) { append(s, std::strlen(s)); }
  void append(const std::string& s) { append(s.data(), s.size()); }
  TextBuffer& operator+=(char c) {
    push_back(c);
    return *this;
  }
  TextBuffer& operator+=(const char* s) {
    append(s);
    return *this;
  }
  TextBuffer& operator+=(const std::string& s) {
    append(s);
    return *this;
  }
  TextBuffer& operator=(const char* s) {
    clear();
    append(s);
    return *this;
  }

  // Room for n more characters and the terminating zero.
  void Reserve(size_t n) {
    if (Size + n + 1 > Data.size()) Data.resize(std::max(Data.size() * 2, Size + n + 1));
  }
  // Appends up to n characters written directly by the caller: Tail() then Commit().
  char* Tail(size_t n) {
    Reserve(n);
    return Data.data() + Size;
  }
  void Commit(size_t n) {
    Size += n;
    Data[Size] = '\0';
  }

 private:
  std::vector<char> Data;
  size_t Size = 0;
};

}  // namespace quillon
