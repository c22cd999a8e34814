// The RSSI colour ramp of the route map, the KML placemarks and the coverage bins:
// -120 dBm blue through green and yellow to -30 dBm red (hue 240 to 0 degrees at
// saturation 0.9 and value 0.95), clamped at both ends.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace quillon {

struct Rgb {
  uint8_t Red = 0, Green = 0, Blue = 0;
};

constexpr double kRampLowDbm = -120.0;
constexpr double kRampHighDbm = -30.0;

// The ramp stretched over low .. high dBm (the route map's and the report's
// measured range).
inline Rgb RssiColourOn(double rssi, double low, double high) {
  const double t = high > low ? std::clamp((rssi - low) / (high - low), 0.0, 1.0) : 0.5;
  const double hue = (1.0 - t) * 240.0 / 60.0;  // sextant 0..4
  const double value = 0.95, saturation = 0.9;
  const double chroma = value * saturation;
  const double x = chroma * (1.0 - std::fabs(std::fmod(hue, 2.0) - 1.0));
  const double m = value - chroma;
  double r = 0, g = 0, b = 0;
  switch (static_cast<int>(hue)) {
    case 0: r = chroma, g = x; break;
    case 1: r = x, g = chroma; break;
    case 2: g = chroma, b = x; break;
    case 3: g = x, b = chroma; break;
    default: r = x, b = chroma; break;  // hue 4: blue
  }
  auto byte = [m](double c) { return static_cast<uint8_t>(std::lround((c + m) * 255.0)); };
  return {byte(r), byte(g), byte(b)};
}

inline Rgb RssiColour(double rssi) { return RssiColourOn(rssi, kRampLowDbm, kRampHighDbm); }

}  // namespace quillon
