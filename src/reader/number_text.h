// Fast appending of numbers to output text. std::to_chars gives exactly the digits
// of printf's "%d", "%02d" and "%.Nf" (it is specified as printf in the C locale),
// without printf's format parsing; the small integers of RSSI values and clock
// fields come from a table.
#pragma once
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

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

template <typename Out>
[[gnu::noinline]] void AppendLargeInt(Out& text, long long value) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  text.append(buf, static_cast<size_t>(r.ptr - buf));
}

template <typename Out>
inline void AppendInt(Out& text, long long value) {
  if (value >= -128 && value <= 255) text.append(kSmallInts.Text[value + 128], kSmallInts.Length[value + 128]);
  else AppendLargeInt(text, value);
}

// "%02d".
template <typename Out>
inline void AppendTwoDigits(Out& text, long long value) {
  if (value >= 0 && value < 100) {
    const char digits[2] = {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
    text.append(digits, 2);
    return;
  }
  AppendInt(text, value);
}

// "%.<precision>f". Values whose scaled fraction lies clearly off a rounding tie are
// rounded here: the product value x 10^precision is off by at most half a unit in
// its last place, far less than the 1e-6 margin, so the digits are those printf
// gives. Ties, huge values and non-numbers take std::to_chars.
template <typename Out>
inline void AppendFixed(Out& text, double value, int precision) {
  static constexpr double kScale[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  static constexpr long long kUnit[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
  if (precision >= 0 && precision <= 9) {
    const double magnitude = value < 0 ? -value : value;
    const double x = magnitude * kScale[precision];
    if (x < 1e15) {
      const double whole = static_cast<double>(static_cast<long long>(x));
      const double fraction = x - whole;
      if (fraction < 0.5 - 1e-6 || fraction > 0.5 + 1e-6) {
        const long long n = static_cast<long long>(whole) + (fraction > 0.5 ? 1 : 0);
        char buf[40];
        char* end = buf + sizeof buf;
        char* p = end;
        long long integer = n / kUnit[precision];
        long long decimals = n % kUnit[precision];
        int d = 0;
        for (; d + 2 <= precision; d += 2) {
          const char* pair = kDigitPairs + 2 * (decimals % 100);
          *--p = pair[1];
          *--p = pair[0];
          decimals /= 100;
        }
        if (d < precision) *--p = static_cast<char>('0' + decimals % 10);
        if (precision > 0) *--p = '.';
        while (integer >= 10) {
          const char* pair = kDigitPairs + 2 * (integer % 100);
          *--p = pair[1];
          *--p = pair[0];
          integer /= 100;
        }
        if (p == end || *p == '.' || integer > 0) *--p = static_cast<char>('0' + integer);
        if (std::signbit(value)) *--p = '-';
        text.append(p, static_cast<size_t>(end - p));
        return;
      }
    }
  }
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
  if (r.ec == std::errc()) {
    text.append(buf, static_cast<size_t>(r.ptr - buf));
  } else {
    const int n = std::snprintf(buf, sizeof buf, "%.*f", precision, value);
    text.append(buf, static_cast<size_t>(n > 0 ? std::min<int>(n, sizeof buf - 1) : 0));
  }
}

}  // namespace quillon
