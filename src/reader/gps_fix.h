// GpsFix: the last GPS record of a log, raw and decoded.
// Decode() takes the 152 bytes that follow the record's kind byte (big-endian fields);
// latitude and longitude arrive in milliseconds of arc and are split into degrees,
// minutes and seconds. The texts are the ones printed into output columns.
#pragma once
#include <cstdint>
#include <string>

#include "reader/log_format.h"

namespace quillon {

// One angle of a fix in its decoded forms.
struct Angle {
  int16_t WholeDegrees = 0;
  double DecimalDegrees = 0.0;
  int16_t WholeMinutes = 0;
  double DecimalMinutes = 0.0;
  int16_t WholeSeconds = 0;
  char Hemisphere = 'S';
};

// "%02d:%02d:%02d" into out; returns the length.
int ClockText(char* out, int size, int hour, int minute, int second);

// Splits milliseconds of arc into degrees, minutes and seconds.
// positive/negative are the hemisphere letters ('N'/'S' or 'E'/'W').
Angle DecodeAngle(int32_t milliArcSeconds, char positive, char negative);

class GpsFix {
 public:
  static constexpr int kBodySize = static_cast<int>(log_format::GpsRecord::kBodySize);
  // Fix statuses that give a position (GpsFixQuality).
  static constexpr int k2DFix = 6;
  static constexpr int k3DFix = 7;

  GpsFix();
  void Decode(const uint8_t* body);

  // Fix status 0..7: bits 7 to 5 of the receiver status byte.
  int GpsFixQuality() const { return ReceiverStatus >> 5; }
  int SecondsOfDay() const { return Hour * 3600 + Minute * 60 + Second; }

  // "%02d/%02d/%04d", "%02d:%02d:%02d" and the fix status name; each returns its length.
  int DateText(char* out, int size) const;
  int TimeText(char* out, int size) const;
  const char* StatusText() const;

  static const char* const kStatusNames[8];

  uint8_t Raw[kBodySize];
  int16_t Month, Day, Year, Hour, Minute, Second;
  Angle Latitude, Longitude;
  double Height;  // centimetres
  int16_t Speed;  // centimetres per second
  uint8_t ReceiverStatus;
};

}  // namespace quillon
