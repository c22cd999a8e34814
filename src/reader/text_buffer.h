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
  // Appends another buffer's text (a short one with one copy of fixed size).
  void append(const TextBuffer& other) {
    Reserve(other.Size + kShortText);
    CommitTo(other.CopyTo(Data.get() + Size));
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
  // Ends the text at p, a position at or after the end inside the room last asked for.
  void CommitTo(const char* p) { Size = static_cast<size_t>(p - Data.get()); }

  // Writing many small pieces through a pointer the compiler can keep in a
  // register: Writing(n) gives room for n characters or more at the end, each piece
  // is written at At (MoreRoom when fewer than it needs are Left), and CommitTo(At)
  // ends the text there. The buffer must not be touched otherwise in between.
  struct Span {
    char* At;
    char* End;
    size_t Left() const { return static_cast<size_t>(End - At); }
  };
  Span Writing(size_t n) {
    char* at = Tail(n);
    return {at, Data.get() + Capacity};
  }
  [[gnu::noinline]] Span MoreRoom(const char* at, size_t n) {
    CommitTo(at);
    return Writing(n);
  }
  // Copies the text to p, which has room for size() + kShortText characters.
  char* CopyTo(char* p) const {
    if (Size <= kShortText) std::memcpy(p, Data.get(), kShortText);
    else std::memcpy(p, Data.get(), Size);
    return p + Size;
  }
  static constexpr size_t kShortText = 64;

 private:
  static constexpr size_t kInitialCapacity = 256;
  static_assert(kInitialCapacity >= kShortText, "short texts are copied kShortText characters at a time");

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
