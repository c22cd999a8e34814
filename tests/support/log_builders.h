// Small building blocks for test logs: a band, fixes at a time and position.
#pragma once
#include <cmath>

#include "klf-synth/log_writer.h"

namespace quillon::testing {

// Receiver 1: steps of 25 kHz from 800 MHz (32000 steps); receiver 2 the same.
inline klf::BandDescriptor TestBand() { return {32000, 36000, 6400, 0}; }

inline void AddBand(klf::LogWriter& log) { log.Band(3, TestBand(), TestBand()); }

inline void AddFix(klf::LogWriter& log, int secondsOfDay, double latitude = 0.0, double longitude = 0.0,
                   uint8_t status = 0xE0) {
  klf::GpsFields f;
  f.Hour = secondsOfDay / 3600;
  f.Minute = secondsOfDay / 60 % 60;
  f.Second = secondsOfDay % 60;
  f.LatitudeMas = static_cast<int32_t>(std::lround(latitude * 3600000));
  f.LongitudeMas = static_cast<int32_t>(std::lround(longitude * 3600000));
  f.Status = status;
  log.Gps(f);
}

}  // namespace quillon::testing
