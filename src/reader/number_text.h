// Fast appending of numbers to output text. std::to_chars gives exactly the digits
// of printf's "%d", "%02d" and "%.Nf" (it is specified as printf in the C locale),
// without printf's format parsing; the small integers of RSSI values and clock
// fields come from a table, and fixed-point values of ordinary size are rounded
// (exactly, halves to even as printf does) and written here with the precision
// known at compile time.
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

// "000" to "999" in four characters each (the fourth unused, so that every entry
// can be copied with one four-character move); one entry more at the end lets a
// copy that starts inside the last entry stay in the table.
struct ThreeDigitTexts {
  constexpr ThreeDigitTexts() : Text() {
    for (int v = 0; v < 1000; ++v) {
      Text[v][0] = static_cast<char>('0' + v / 100);
      Text[v][1] = static_cast<char>('0' + v / 10 % 10);
      Text[v][2] = static_cast<char>('0' + v % 10);
      Text[v][3] = '0';
    }
  }
  char Text[1001][4];
};
inline constexpr ThreeDigitTexts kThreeDigits;

inline constexpr double kScale[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
inline constexpr long long kUnit[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

inline size_t CountDigits(unsigned long long v) {
  size_t digits = 1;
  for (; v >= 10; v /= 10) ++digits;
  return digits;
}

// Whether magnitude x scale, taken exactly, rounds up from whole when it lies
// within a hair of whole + 1/2: the rounding error of the product is found exactly
// with a fused multiply-add, and an exact half goes to the even neighbour, as
// printf rounds.
inline bool RoundsUpNearHalf(double magnitude, double scale, long long whole) {
  const double twice = 2 * scale;
  const double product = magnitude * twice;
  const double error = std::fma(magnitude, twice, -product);
  const double above = (product - static_cast<double>(2 * whole + 1)) + error;
  if (above != 0) return above > 0;
  return (whole & 1) != 0;
}

// "%.<P>f" of a value whose scaled magnitude is below 2^33: there the product
// value x 10^P is off by less than 1e-6 from the exact one, so a scaled fraction
// further than that from a half rounds as printf rounds it, and one within it is
// decided exactly. False (nothing written) for larger values and non-numbers.
template <int P>
inline bool AppendFixedFast(TextBuffer& text, double value) {
  const double magnitude = value < 0 ? -value : value;
  const double x = magnitude * kScale[P];
  if (!(x < 8589934592.0)) return false;
  const long long whole = static_cast<long long>(x);
  const double fraction = x - static_cast<double>(whole);
  bool up = fraction > 0.5;
  if (fraction >= 0.5 - 1e-6 && fraction <= 0.5 + 1e-6) up = RoundsUpNearHalf(magnitude, kScale[P], whole);
  const unsigned long long n = static_cast<unsigned long long>(whole) + (up ? 1 : 0);
  const bool minus = std::signbit(value);
  if (n < 1000ull * kUnit[P]) {  // up to three integer digits: the common case, in 32-bit arithmetic
    const uint32_t small = static_cast<uint32_t>(n);
    const uint32_t integer = small / static_cast<uint32_t>(kUnit[P]);
    uint32_t decimals = small - integer * static_cast<uint32_t>(kUnit[P]);
    const size_t digits = integer < 10 ? 1 : integer < 100 ? 2 : 3;
    const size_t length = (minus ? 1 : 0) + digits + (P > 0 ? 1 + P : 0);
    // Digits are stored four at a time from the three-digit table, so room for a
    // few more than the text is asked for; what lies past the text is overwritten
    // by the next append.
    char* p = text.Tail(length + 4);
    if (minus) *p++ = '-';
    std::memcpy(p, kThreeDigits.Text[integer] + (3 - digits), 4);
    p += digits;
    if constexpr (P == 6) {
      *p++ = '.';
      std::memcpy(p, kThreeDigits.Text[decimals / 1000], 4);
      std::memcpy(p + 3, kThreeDigits.Text[decimals % 1000], 4);
    } else if constexpr (P > 0) {
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
    case 0: done = AppendFixedFast<0>(text, value); break;
    case 1: done = AppendFixedFast<1>(text, value); break;
    case 2: done = AppendFixedFast<2>(text, value); break;
    case 3: done = AppendFixedFast<3>(text, value); break;
    case 4: done = AppendFixedFast<4>(text, value); break;
    case 5: done = AppendFixedFast<5>(text, value); break;
    case 6: done = AppendFixedFast<6>(text, value); break;
    default: break;
  }
  if (!done) AppendFixedExact(text, value, precision);
}

}  // namespace quillon
