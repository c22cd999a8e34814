// Fast appending of numbers to output text. std::to_chars gives exactly the digits
// of printf's "%d", "%02d" and "%.Nf" (it is specified as printf in the C locale),
// without printf's format parsing.
#pragma once
#include <charconv>
#include <cstdio>
#include <string>

namespace quillon {

inline void AppendInt(std::string& text, long long value) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  text.append(buf, r.ptr);
}

// "%02d".
inline void AppendTwoDigits(std::string& text, long long value) {
  if (value >= 0 && value < 10) text.push_back('0');
  AppendInt(text, value);
}

// "%.<precision>f".
inline void AppendFixed(std::string& text, double value, int precision) {
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
  if (r.ec == std::errc()) {
    text.append(buf, r.ptr);
  } else {
    const int n = std::snprintf(buf, sizeof buf, "%.*f", precision, value);
    text.append(buf, static_cast<size_t>(n > 0 ? std::min<int>(n, sizeof buf - 1) : 0));
  }
}

}  // namespace quillon
