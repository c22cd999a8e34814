// SampleSums: the counts and sums of a run of RSSI samples (whole dBm, one byte each)
// that the survey analysis needs of every single-channel row: how many were measured
// (not -120 dBm), how many of those lie within the fit's signal range, and the sum and
// the sum of squares of the latter. A short run (a row holds a dozen or so) adds up
// each sample's share of the sums packed in one word; a long one goes sixteen samples
// at a time where the processor has SSE2 (every x86-64 one). The results are the same.
#pragma once
#include <cstdint>
#include <cstring>

#include "reader/row_view.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillon {

struct SampleSums {
  int64_t Measured = 0, InRange = 0, Sum = 0, SumOfSquares = 0;  // the sums: of those in range
};

// One at a time; lowest..highest is the range (bounds included) of a kept sample.
inline SampleSums SumSamplesOneByOne(const int8_t* samples, int32_t count, int lowest, int highest) {
  SampleSums sums;
  for (int32_t j = 0; j < count; ++j) {
    const int rssi = samples[j];
    if (rssi == kNoMeasurementDbm) continue;
    ++sums.Measured;
    if (rssi < lowest || rssi > highest) continue;
    ++sums.InRange;
    sums.Sum += rssi;
    sums.SumOfSquares += rssi * rssi;
  }
  return sums;
}

inline SampleSums SumSamples(const int8_t* samples, int32_t count, int lowest, int highest) {
#if defined(__SSE2__)
  if (lowest < -128) lowest = -128;
  if (highest > 127) highest = 127;
  if (lowest > highest) return SumSamplesOneByOne(samples, count, lowest, highest);  // nothing in range
  const __m128i none = _mm_set1_epi8(static_cast<char>(kNoMeasurementDbm));
  const __m128i below = _mm_set1_epi8(static_cast<char>(lowest)), above = _mm_set1_epi8(static_cast<char>(highest));
  const __m128i zero = _mm_setzero_si128(), ones = _mm_set1_epi8(1), flip = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i lanes = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  // Per 64-bit lane the counts and the sum of rssi + 128 (psadbw); per 32-bit lane the
  // squares, folded into 64 bits every 1024 steps (a step adds at most 4 x 65025).
  __m128i measured = zero, in = zero, shiftedSum = zero, squares = zero;
  int64_t squareSum = 0;
  int steps = 0;
  alignas(16) int8_t rest[16];
  alignas(16) int64_t wide[2];
  alignas(16) int32_t narrow[4];
  for (int32_t left = count; left > 0;) {
    __m128i v, present = _mm_set1_epi8(-1);
    if (left >= 16) {
      v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples));
      samples += 16, left -= 16;
    } else {  // the last few: the lanes beyond them count nowhere
      std::memcpy(rest, samples, static_cast<size_t>(left));
      v = _mm_load_si128(reinterpret_cast<const __m128i*>(rest));
      present = _mm_cmplt_epi8(lanes, _mm_set1_epi8(static_cast<char>(left)));
      left = 0;
    }
    const __m128i isMeasured = _mm_andnot_si128(_mm_cmpeq_epi8(v, none), present);
    const __m128i isIn = _mm_andnot_si128(_mm_or_si128(_mm_cmplt_epi8(v, below), _mm_cmpgt_epi8(v, above)), isMeasured);
    measured = _mm_add_epi64(measured, _mm_sad_epu8(_mm_and_si128(isMeasured, ones), zero));
    in = _mm_add_epi64(in, _mm_sad_epu8(_mm_and_si128(isIn, ones), zero));
    const __m128i shifted = _mm_and_si128(_mm_xor_si128(v, flip), isIn);  // rssi + 128, as unsigned bytes
    shiftedSum = _mm_add_epi64(shiftedSum, _mm_sad_epu8(shifted, zero));
    const __m128i low16 = _mm_unpacklo_epi8(shifted, zero), high16 = _mm_unpackhi_epi8(shifted, zero);
    squares = _mm_add_epi32(squares, _mm_add_epi32(_mm_madd_epi16(low16, low16), _mm_madd_epi16(high16, high16)));
    if (++steps == 1024 || left == 0) {
      _mm_store_si128(reinterpret_cast<__m128i*>(narrow), squares);
      squareSum += static_cast<int64_t>(narrow[0]) + narrow[1] + narrow[2] + narrow[3];
      squares = zero, steps = 0;
    }
  }
  SampleSums sums;
  _mm_store_si128(reinterpret_cast<__m128i*>(wide), measured);
  sums.Measured = wide[0] + wide[1];
  _mm_store_si128(reinterpret_cast<__m128i*>(wide), in);
  sums.InRange = wide[0] + wide[1];
  _mm_store_si128(reinterpret_cast<__m128i*>(wide), shiftedSum);
  const int64_t shiftedTotal = wide[0] + wide[1];
  // Back from rssi + 128: sum = S - 128 n, sum of squares = Q - 256 S + 16384 n.
  sums.Sum = shiftedTotal - 128 * sums.InRange;
  sums.SumOfSquares = squareSum - 256 * shiftedTotal + 16384 * sums.InRange;
  return sums;
#else
  return SumSamplesOneByOne(samples, count, lowest, highest);
#endif
}

// The packed shares of each sample value for one signal range: bits 0-9 count the
// measured samples, 10-19 those in range, 20-37 sum rssi + 128 and 38-63 its square
// (in range only), room for kShortRun samples.
class SampleTally {
 public:
    SampleTally(int lowest, int highest) : Lowest(lowest), Highest(highest) {
    for (int v = -128; v < 128; ++v) {
      const uint64_t measured = v != kNoMeasurementDbm, in = measured && v >= lowest && v <= highest;
      const uint64_t shifted = static_cast<uint64_t>(v + 128);
      Shares[static_cast<uint8_t>(v)] = measured | in << 10 | (in * shifted) << 20 | (in * shifted * shifted) << 38;
    }
  }
  SampleSums Sum(const int8_t* samples, int32_t count) const {
    if (count > 32) return SumSamples(samples, count, Lowest, Highest);
    uint64_t even = 0, odd = 0;
    int32_t j = 0;
    for (; j + 2 <= count; j += 2) {
      even += Shares[static_cast<uint8_t>(samples[j])];
      odd += Shares[static_cast<uint8_t>(samples[j + 1])];
    }
    if (j < count) even += Shares[static_cast<uint8_t>(samples[j])];
    const uint64_t packed = even + odd;
    SampleSums sums;
    sums.Measured = static_cast<int64_t>(packed & 1023);
    sums.InRange = static_cast<int64_t>(packed >> 10 & 1023);
    const int64_t shifted = static_cast<int64_t>(packed >> 20 & 0x3FFFF);
    sums.Sum = shifted - 128 * sums.InRange;
    sums.SumOfSquares = static_cast<int64_t>(packed >> 38) - 256 * shifted + 16384 * sums.InRange;
    return sums;
  }

 private:
  int Lowest, Highest;
  uint64_t Shares[256];
};

}  // namespace quillon
