// Fast appending of numbers to output text. std::to_chars gives exactly the digits
// of printf's "%d", "%02d" and "%.Nf" (it is specified as printf in the C locale),
// without printf's format parsing; the small integers of RSSI values and clock
// fields come from a table, and fixed-point values clear of a rounding tie are
// rounded and written here with the precision known at compile time.
#pragma once
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "reader/text_buffer.h"

namespace quillon {

// Texts of -128..255.
struct SmallIntTexts {
  SmallIntTexts() {
    for (int v = -128; v <= 255; ++v) {
      const auto r = std::to_chars(Text[v + 128], Text[v + 128] + 4, v);
      Length[v + 128] = static_cast<unsigned char>(r.ptr - Text[v + 128]);
    }
  }
  char Text[384][4];
  unsigned char Length[384];
};
inline const SmallIntTexts kSmallInts;

inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

[[gnu::noinline]] inline void AppendLargeInt(TextBuffer& text, long long value) {
  char* out = text.Tail(24);
  const auto r = std::to_chars(out, out + 24, value);
  text.Commit(static_cast<size_t>(r.ptr - out));
}

inline void AppendInt(TextBuffer& text, long long value) {
  if (value >= -128 && value <= 255) text.AppendFrom(kSmallInts.Text[value + 128], kSmallInts.Length[value + 128]);
  else AppendLargeInt(text, value);
}

// "%02d".
inline void AppendTwoDigits(TextBuffer& text, long long value) {
  if (value >= 0 && value < 100) {
    char* out = text.Tail(2);
    out[0] = kDigitPairs[2 * value];
    out[1] = kDigitPairs[2 * value + 1];
    text.Commit(2);
    return;
  }
  AppendInt(text, value);
}

namespace number_text_detail {

inline constexpr double kScale[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
inline constexpr long long kUnit[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

inline size_t CountDigits(unsigned long long v) {
  size_t digits = 1;
  for (; v >= 10; v /= 10) ++digits;
  return digits;
}

// "%.<P>f" of a value whose scaled fraction lies clearly off a rounding tie: the
// product value x 10^P is off by at most half a unit in its last place, far less
// than the 1e-6 margin, so the digits are those printf gives. False (nothing
// written) for ties, huge values and non-numbers.
template <int P>
inline bool AppendFixedClearOfTie(TextBuffer& text, double value) {
  const double magnitude = value < 0 ? -value : value;
  const double x = magnitude * kScale[P];
  if (!(x < 1e15)) return false;
  const long long whole = static_cast<long long>(x);
  const double fraction = x - static_cast<double>(whole);
  if (fraction >= 0.5 - 1e-6 && fraction <= 0.5 + 1e-6) return false;
  const unsigned long long n = static_cast<unsigned long long>(whole) + (fraction > 0.5 ? 1 : 0);
  const bool minus = std::signbit(value);
  if (n < 1000ull * kUnit[P]) {  // up to three integer digits: the common case, in 32-bit arithmetic
    const uint32_t small = static_cast<uint32_t>(n);
    const uint32_t integer = small / static_cast<uint32_t>(kUnit[P]);
    uint32_t decimals = small - integer * static_cast<uint32_t>(kUnit[P]);
    const size_t digits = integer < 10 ? 1 : integer < 100 ? 2 : 3;
    const size_t length = (minus ? 1 : 0) + digits + (P > 0 ? 1 + P : 0);
    char* p = text.Tail(length);
    if (minus) *p++ = '-';
    if (digits == 3) {
      *p++ = static_cast<char>('0' + integer / 100);
      std::memcpy(p, kDigitPairs + 2 * (integer % 100), 2);
      p += 2;
    } else if (digits == 2) {
      std::memcpy(p, kDigitPairs + 2 * integer, 2);
      p += 2;
    } else {
      *p++ = static_cast<char>('0' + integer);
    }
    if (P > 0) {
      *p++ = '.';
      char* end = p + P;
      for (int d = 0; d + 2 <= P; d += 2) {
        std::memcpy(end -= 2, kDigitPairs + 2 * (decimals % 100), 2);
        decimals /= 100;
      }
      if (P % 2 == 1) *--end = static_cast<char>('0' + decimals);
    }
    text.Commit(length);
    return true;
  }
  unsigned long long integer = n / static_cast<unsigned long long>(kUnit[P]);
  uint32_t decimals = static_cast<uint32_t>(n - integer * static_cast<unsigned long long>(kUnit[P]));
  const size_t digits = CountDigits(integer);
  const size_t length = (minus ? 1 : 0) + digits + (P > 0 ? 1 + P : 0);
  char* out = text.Tail(length);
  char* p = out + length;
  for (int d = 0; d + 2 <= P; d += 2) {
    std::memcpy(p -= 2, kDigitPairs + 2 * (decimals % 100), 2);
    decimals /= 100;
  }
  if (P % 2 == 1) *--p = static_cast<char>('0' + decimals % 10);
  if (P > 0) *--p = '.';
  for (; integer >= 10; integer /= 100) std::memcpy(p -= 2, kDigitPairs + 2 * (integer % 100), 2);
  if (p > out + (minus ? 1 : 0)) *--p = static_cast<char>('0' + integer);
  if (minus) *--p = '-';
  text.Commit(length);
  return true;
}

[[gnu::noinline]] inline void AppendFixedExact(TextBuffer& text, double value, int precision) {
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
  if (r.ec == std::errc()) {
    text.append(buf, static_cast<size_t>(r.ptr - buf));
  } else {
    const int n = std::snprintf(buf, sizeof buf, "%.*f", precision, value);
    text.append(buf, static_cast<size_t>(n > 0 ? std::min<int>(n, sizeof buf - 1) : 0));
  }
}

}  // namespace number_text_detail

// "%.<precision>f".
inline void AppendFixed(TextBuffer& text, double value, int precision) {
  using namespace number_text_detail;
  bool done = false;
  switch (precision) {
    case 0: done = AppendFixedClearOfTie<0>(text, value); break;
    case 1: done = AppendFixedClearOfTie<1>(text, value); break;
    case 2: done = AppendFixedClearOfTie<2>(text, value); break;
    case 3: done = AppendFixedClearOfTie<3>(text, value); break;
    case 4: done = AppendFixedClearOfTie<4>(text, value); break;
    case 5: done = AppendFixedClearOfTie<5>(text, value); break;
    case 6: done = AppendFixedClearOfTie<6>(text, value); break;
    default: break;
  }
  if (!done) AppendFixedExact(text, value, precision);
}

}  // namespace quillon
