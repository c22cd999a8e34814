#include "reduction/sweep_tracker.h"

namespace quillon {

void SweepTracker::Reset() { *this = SweepTracker(); }

bool SweepTracker::Add(int32_t channel, int32_t rssi) {
  if (!SweepOpen) {
    SweepOpen = true;
    BestRssi = rssi;
    BestChannel = channel;
    return false;
  }
  if (SweepDone) {
    // The entry that closed the previous sweep opens this one.
    SweepDone = false;
    BestRssi = NextRssi;
    BestChannel = NextChannel;
  } else if (channel <= BestChannel) {
    SweepDone = true;
    NextRssi = rssi;
    NextChannel = channel;
  }
  if (!SweepDone && rssi >= BestRssi) {  // ties go to the later entry
    BestRssi = rssi;
    BestChannel = channel;
  }
  return SweepDone;
}

}  // namespace quillon
