// TextBuffer: the caller-supplied text that the reader's renderers fill, and the
// output file's pending text. A growable character buffer whose appends are
// inline: a row is rendered from many small pieces straight into the output, and
// this is the conversion's innermost loop. The text is not zero-terminated.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace quillon {

class TextBuffer {
 public:
  TextBuffer() : Data(new char[kInitialCapacity]), Capacity(kInitialCapacity) {}
  TextBuffer(const TextBuffer& other) : TextBuffer() { append(other.data(), other.size()); }
  TextBuffer& operator=(const TextBuffer& other) {
    if (this != &other) {
      clear();
      append(other.data(), other.size());
    }
    return *this;
  }
  TextBuffer(TextBuffer&& other) noexcept : TextBuffer() { swap(other); }
  TextBuffer& operator=(TextBuffer&& other) noexcept {
    swap(other);
    return *this;
  }

  void clear() { Size = 0; }
  bool empty() const { return Size == 0; }
  size_t size() const { return Size; }
  const char* data() const { return Data.get(); }
  std::string str() const { return std::string(Data.get(), Size); }
  void swap(TextBuffer& other) noexcept {
    Data.swap(other.Data);
    std::swap(Size, other.Size);
    std::swap(Capacity, other.Capacity);
  }

  void push_back(char c) {
    Reserve(1);
    Data[Size++] = c;
  }
  void append(const char* s, size_t n) {
    Reserve(n);
    std::memcpy(Data.get() + Size, s, n);
    Size += n;
  }
  // Appends the first n (at most N) characters of a source that holds N readable
  // characters: a copy of fixed size, cheaper than a copy of n.
  template <size_t N>
  void AppendFrom(const char (&s)[N], size_t n) {
    Reserve(N);
    std::memcpy(Data.get() + Size, s, N);
    Size += n;
  }
  // Appends another buffer's text; a short one with one copy of fixed size (every
  // buffer has room for kInitialCapacity characters, so the copy stays inside it).
  void append(const TextBuffer& other) {
    if (other.Size <= 32) {
      Reserve(32);
      std::memcpy(Data.get() + Size, other.Data.get(), 32);
      Size += other.Size;
      return;
    }
    append(other.data(), other.size());
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

  // Room for n more characters.
  void Reserve(size_t n) {
    if (Size + n > Capacity) Grow(n);
  }
  // Appends up to n characters written directly by the caller: Tail() then Commit().
  char* Tail(size_t n) {
    Reserve(n);
    return Data.get() + Size;
  }
  void Commit(size_t n) { Size += n; }

 private:
  static constexpr size_t kInitialCapacity = 256;
  static_assert(kInitialCapacity >= 32, "short texts are copied 32 characters at a time");

  [[gnu::noinline]] void Grow(size_t n) {
    const size_t capacity = std::max(Capacity * 2, Size + n);
    std::unique_ptr<char[]> grown(new char[capacity]);
    std::memcpy(grown.get(), Data.get(), Size);
    Data = std::move(grown);
    Capacity = capacity;
  }

  std::unique_ptr<char[]> Data;
  size_t Size = 0;
  size_t Capacity = 0;
};

}  // namespace quillon
