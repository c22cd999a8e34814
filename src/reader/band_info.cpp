#include "reader/band_info.h"

#include <cmath>

#include "reader/byte_order.h"
#include "reader/log_format.h"

namespace quillon {

// The step field counts 1/256 kHz (0.00390625 kHz).
void BandInfo::Load(const uint8_t* d) {
  using D = log_format::BandDescriptor;
  Lowest = LoadLE32(d + D::kLowest);
  Highest = LoadLE32(d + D::kHighest);
  StepField = LoadLE16(d + D::kStep);
  Flags = d[D::kFlags];
  Spare = d[D::kSpare];
  Step = StepField * 0.00390625;
}

int64_t BandInfo::StepsToChannel(int64_t steps) const {
  int64_t c = steps - static_cast<int64_t>(Lowest) + 1;
  if (Wrapped()) c = c <= 34 ? c + 990 : c - 34;
  return c < 0 ? 0 : c;
}

int64_t BandInfo::ChannelToSteps(int64_t channel) const {
  int64_t k = channel;
  if (Wrapped()) k = channel >= 991 ? channel - 990 : channel + 34;
  return k + static_cast<int64_t>(Lowest) - 1;
}

uint32_t BandInfo::MHzToSteps(double mhz) const {
  const double khz = std::trunc(mhz * 1000 + 0.5);
  const double steps = std::trunc(khz / Step);
  // A zero step, a NaN or a value outside the 32-bit step range has no step number.
  if (!std::isfinite(steps) || steps < 0 || steps > 4294967295.0) return 0;
  return static_cast<uint32_t>(steps);
}

}  // namespace quillon
