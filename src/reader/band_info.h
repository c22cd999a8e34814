// BandInfo: one receiver's band descriptor (12 bytes, little-endian) and the
// conversions between band steps, channel numbers and megahertz.
// Channel arithmetic is 64-bit; a step size of 0 or a non-finite value gives 0 steps.
// Load() takes a descriptor laid out as log_format::BandDescriptor.
#pragma once
#include <cstdint>

namespace quillon {

class BandInfo {
 public:
  void Load(const uint8_t* descriptor);

  double StepsToMHz(int64_t steps) const { return static_cast<double>(steps) * Step * 0.001; }  // kHz to MHz
  int64_t StepsToChannel(int64_t steps) const;
  int64_t ChannelToSteps(int64_t channel) const;
  double ChannelToMHz(int64_t channel) const { return StepsToMHz(ChannelToSteps(channel)); }
  uint32_t MHzToSteps(double mhz) const;
  double LowestMHz() const { return StepsToMHz(Lowest); }
  double HighestMHz() const { return StepsToMHz(Highest); }
  bool Wrapped() const { return (Flags & 1) != 0; }

  uint32_t Lowest = 0;
  uint32_t Highest = 0;
  uint16_t StepField = 0;  // 1/256 kHz
  uint8_t Flags = 0;
  uint8_t Spare = 0;
  double Step = 0.0;  // kHz
};

}  // namespace quillon
