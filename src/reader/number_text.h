// Fast writing of numbers into output text. std::to_chars gives exactly the digits
// of printf's "%d", "%02d" and "%.Nf" (it is specified as printf in the C locale),
// without printf's format parsing; the small integers of RSSI values and clock
// fields come from a table, and fixed-point values of ordinary size are rounded
// (exactly, halves to even as printf does) and written here with the precision
// known at compile time.
//
// Each Write* function writes at p and returns the end of what it wrote; the caller
// has made room for the most it can write (the kMax* constants), and characters
// past the returned end may have been overwritten. The Append* functions do the
// same at the end of a TextBuffer.
#pragma once
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "reader/text_buffer.h"

namespace quillon {

// Room a Write* function may use: an integer, a fixed-point value of any double and
// precision up to 9 ("-" and 309 digits for the largest, or "-nan"), and a group of
// three two-digit numbers with their separators.
constexpr size_t kMaxIntText = 24;
constexpr size_t kMaxFixedText = 400;
constexpr size_t kMaxTripleText = 3 * kMaxIntText;

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

// "%d".
inline char* WriteInt(char* p, long long value) {
  if (value >= -128 && value <= 255) {
    std::memcpy(p, kSmallInts.Text[value + 128], 4);
    return p + kSmallInts.Length[value + 128];
  }
  return std::to_chars(p, p + kMaxIntText, value).ptr;
}

// "%02d".
inline char* WriteTwoDigits(char* p, long long value) {
  if (value >= 0 && value < 100) {
    std::memcpy(p, kDigitPairs + 2 * value, 2);
    return p + 2;
  }
  return WriteInt(p, value);
}

// "%02d<separator>%02d<separator>%02d": clock times and two-digit dates.
inline char* WriteTwoDigitTriple(char* p, int a, int b, int c, char separator) {
  if (static_cast<unsigned>(a) < 100 && static_cast<unsigned>(b) < 100 && static_cast<unsigned>(c) < 100) {
    std::memcpy(p, kDigitPairs + 2 * a, 2);
    p[2] = separator;
    std::memcpy(p + 3, kDigitPairs + 2 * b, 2);
    p[5] = separator;
    std::memcpy(p + 6, kDigitPairs + 2 * c, 2);
    return p + 8;
  }
  p = WriteTwoDigits(p, a);
  *p++ = separator;
  p = WriteTwoDigits(p, b);
  *p++ = separator;
  return WriteTwoDigits(p, c);
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
// decided exactly. Null (nothing written) for larger values and non-numbers.
template <int P>
inline char* WriteFixedFast(char* p, double value) {
  const double magnitude = value < 0 ? -value : value;
  const double x = magnitude * kScale[P];
  if (!(x < 8589934592.0)) return nullptr;
  const long long whole = static_cast<long long>(x);
  const double fraction = x - static_cast<double>(whole);
  bool up = fraction > 0.5;
  if (fraction >= 0.5 - 1e-6 && fraction <= 0.5 + 1e-6) up = RoundsUpNearHalf(magnitude, kScale[P], whole);
  const unsigned long long n = static_cast<unsigned long long>(whole) + (up ? 1 : 0);
  if (std::signbit(value)) *p++ = '-';
  if (n < 1000ull * kUnit[P]) {  // up to three integer digits: the common case, in 32-bit arithmetic
    const uint32_t small = static_cast<uint32_t>(n);
    const uint32_t integer = small / static_cast<uint32_t>(kUnit[P]);
    uint32_t decimals = small - integer * static_cast<uint32_t>(kUnit[P]);
    const size_t digits = integer < 10 ? 1 : integer < 100 ? 2 : 3;
    // Digits are stored four at a time from the three-digit table.
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
    return p + P;
  }
  unsigned long long integer = n / static_cast<unsigned long long>(kUnit[P]);
  uint32_t decimals = static_cast<uint32_t>(n - integer * static_cast<unsigned long long>(kUnit[P]));
  const size_t digits = CountDigits(integer);
  char* const end = p + digits + (P > 0 ? 1 + P : 0);
  char* q = end;
  for (int d = 0; d + 2 <= P; d += 2) {
    std::memcpy(q -= 2, kDigitPairs + 2 * (decimals % 100), 2);
    decimals /= 100;
  }
  if (P % 2 == 1) *--q = static_cast<char>('0' + decimals % 10);
  if (P > 0) *--q = '.';
  for (; integer >= 10; integer /= 100) std::memcpy(q -= 2, kDigitPairs + 2 * (integer % 100), 2);
  if (q > p) *--q = static_cast<char>('0' + integer);
  return end;
}

[[gnu::noinline]] inline char* WriteFixedExact(char* p, double value, int precision) {
  const auto r = std::to_chars(p, p + kMaxFixedText, value, std::chars_format::fixed, precision);
  if (r.ec == std::errc()) return r.ptr;
  const int n = std::snprintf(p, kMaxFixedText, "%.*f", precision, value);
  return p + (n > 0 ? std::min(n, static_cast<int>(kMaxFixedText) - 1) : 0);
}

}  // namespace number_text_detail

// "%.<P>f" with the precision known here.
template <int P>
inline char* WriteFixed(char* p, double value) {
  static_assert(P >= 0 && P <= 9, "precisions up to 9");
  char* end = number_text_detail::WriteFixedFast<P>(p, value);
  return end ? end : number_text_detail::WriteFixedExact(p, value, P);
}

// "%.<precision>f", precision 0 to 9.
inline char* WriteFixed(char* p, double value, int precision) {
  switch (precision) {
    case 0: return WriteFixed<0>(p, value);
    case 1: return WriteFixed<1>(p, value);
    case 2: return WriteFixed<2>(p, value);
    case 3: return WriteFixed<3>(p, value);
    case 4: return WriteFixed<4>(p, value);
    case 5: return WriteFixed<5>(p, value);
    case 6: return WriteFixed<6>(p, value);
    default: return number_text_detail::WriteFixedExact(p, value, precision);
  }
}

// A number as its text with that precision shows it, read back: formats that keep
// fewer significant digits, or a grid of their own, then read back the same text.
// Where the text's digits make a whole number below 2^53, that number and the power
// of ten are both exact doubles, so their one correctly rounded quotient is the
// double nearest the text: what strtod returns, without its general algorithm.
inline double AsShown(double value, int precision) {
  static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                            1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  char text[kMaxFixedText + 1];
  char* end = WriteFixed(text, value, precision);
  if (precision >= 0 && precision <= 22) {
    const char* c = text;
    const bool negative = *c == '-';
    c += negative;
    uint64_t whole = 0;
    int digits = 0;
    bool plain = c < end;
    for (; c < end && plain; ++c) {
      if (*c == '.') continue;
      plain = *c >= '0' && *c <= '9' && ++digits <= 18;
      whole = whole * 10 + static_cast<uint64_t>(*c - '0');
    }
    if (plain && whole < (uint64_t{1} << 53)) {
      const double shown = static_cast<double>(whole) / kPowersOfTen[precision];
      return negative ? -shown : shown;
    }
  }
  *end = '\0';
  return std::strtod(text, nullptr);
}

inline void AppendInt(TextBuffer& text, long long value) { text.CommitTo(WriteInt(text.Tail(kMaxIntText), value)); }
inline void AppendTwoDigits(TextBuffer& text, long long value) {
  text.CommitTo(WriteTwoDigits(text.Tail(kMaxIntText), value));
}
inline void AppendTwoDigitTriple(TextBuffer& text, int a, int b, int c, char separator) {
  text.CommitTo(WriteTwoDigitTriple(text.Tail(kMaxTripleText), a, b, c, separator));
}
inline void AppendFixed(TextBuffer& text, double value, int precision) {
  text.CommitTo(WriteFixed(text.Tail(kMaxFixedText), value, precision));
}

// A position in degrees as the position fields show it (six decimals), as
// WriteFixedFast<6> rounds it: to the nearest millionth (by adding and taking away
// 1.5 * 2^52), and within a hair of a half decided exactly; through its text where
// that takes its slow path.
inline double ShownDegrees(double value) {
  const double scaled = value * 1e6;
  if (std::fabs(scaled) < 8589934592.0) {
    constexpr double kRounder = 6755399441055744.0;
    const double nearest = (scaled + kRounder) - kRounder;
    if (std::fabs(std::fabs(scaled - nearest) - 0.5) > 1e-6) return nearest / 1e6;
    const double magnitude = std::fabs(value);
    const long long whole = static_cast<long long>(magnitude * 1e6);
    const double shown = static_cast<double>(whole + (number_text_detail::RoundsUpNearHalf(magnitude, 1e6, whole) ? 1 : 0)) / 1e6;
    return std::signbit(value) ? -shown : shown;
  }
  return AsShown(value, 6);
}

// The digits of a value as written with that many decimals, as one whole number
// (a frequency keyed as the output prints it).
inline int64_t PrintedKey(double value, int decimals) {
  char text[kMaxFixedText + 1];
  char* end = WriteFixed(text, value, decimals);
  int64_t key = 0;
  for (char* c = text; c < end; ++c)
    if (*c >= '0' && *c <= '9') key = key * 10 + (*c - '0');
  return text[0] == '-' ? -key : key;
}

}  // namespace quillon
