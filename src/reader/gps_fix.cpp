#include "reader/gps_fix.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "reader/byte_order.h"
#include "reader/number_text.h"

namespace quillon {

const char* const GpsFix::kStatusNames[8] = {"Reserved",      "Reserved",       "Bad Geometry",
                                              "Acquiring Satellites", "Position Hold", "Propogate Mode",
                                              "2D Fix",        "3D Fix"};

// Positions arrive in milliseconds of arc: 3,600,000 to a degree, 60,000 to a minute.
Angle DecodeAngle(int32_t v, char positive, char negative) {
  Angle a;
  const int32_t q = v / 3600000;
  const int32_t r = v % 3600000;  // carries the sign of v
  a.WholeDegrees = static_cast<int16_t>(std::abs(q));
  a.DecimalDegrees = q + r / 3600000.0;
  const int32_t ar = std::abs(r);
  const int32_t q2 = ar / 60000;
  const int32_t r2 = ar % 60000;
  a.WholeMinutes = static_cast<int16_t>(q2);
  a.DecimalMinutes = q2 + r2 / 60000.0;
  a.WholeSeconds = static_cast<int16_t>(r2 / 1000);
  a.Hemisphere = a.DecimalDegrees > 0 ? positive : negative;
  return a;
}

GpsFix::GpsFix()
    : Month(1), Day(1), Year(2000), Hour(12), Minute(0), Second(0), Height(0), Speed(0), ReceiverStatus(0) {
  std::memset(Raw, 0, sizeof Raw);
  Latitude.Hemisphere = 'S';
  Longitude.Hemisphere = 'W';
}

void GpsFix::Decode(const uint8_t* body) {
  std::memcpy(Raw, body, kBodySize);
  // Record offsets count from the kind byte, which the body does not hold: offset n
  // is body[n - 1]. The fields are read from the record, not from the copy just made.
  using R = log_format::GpsRecord;
  auto at = [body](size_t offset) { return body + offset - 1; };
  Month = *at(R::kMonth);
  Day = *at(R::kDay);
  Year = static_cast<int16_t>(LoadBE16(at(R::kYear)));
  Hour = *at(R::kHour);
  Minute = *at(R::kMinute);
  Second = *at(R::kSecond);
  Latitude = DecodeAngle(static_cast<int32_t>(LoadBE32(at(R::kLatitude))), 'N', 'S');
  Longitude = DecodeAngle(static_cast<int32_t>(LoadBE32(at(R::kLongitude))), 'E', 'W');
  Height = static_cast<int32_t>(LoadBE32(at(R::kHeight)));
  Speed = static_cast<int16_t>(LoadBE16(at(R::kSpeed)));
  ReceiverStatus = *at(R::kReceiverStatus);
}

int GpsFix::DateText(char* out, int size) const {
  return std::snprintf(out, size, "%02d/%02d/%04d", Month, Day, Year);
}

int ClockText(char* out, int size, int hour, int minute, int second) {
  // The hot path of every time record: two-digit fields need no printf.
  if (size >= 9 && static_cast<unsigned>(hour) < 100 && static_cast<unsigned>(minute) < 100 &&
      static_cast<unsigned>(second) < 100) {
    std::memcpy(out, kDigitPairs + 2 * hour, 2);
    out[2] = ':';
    std::memcpy(out + 3, kDigitPairs + 2 * minute, 2);
    out[5] = ':';
    std::memcpy(out + 6, kDigitPairs + 2 * second, 2);
    out[8] = '\0';
    return 8;
  }
  return std::snprintf(out, static_cast<size_t>(size), "%02d:%02d:%02d", hour, minute, second);
}

int GpsFix::TimeText(char* out, int size) const { return ClockText(out, size, Hour, Minute, Second); }

const char* GpsFix::StatusText() const { return kStatusNames[GpsFixQuality()]; }

}  // namespace quillon
