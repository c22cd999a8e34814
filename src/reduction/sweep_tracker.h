// SweepTracker: best-server state of table scans. A receiver sweeps a channel
// table; a channel number not above the best channel so far means a new sweep has
// begun, which closes the previous one. Each file starts with no sweep open: its
// first entry opens the first sweep, so no row is ever made of an empty sweep.
#pragma once
#include <cstdint>

namespace quillon {

class SweepTracker {
 public:
  // Back to "no sweep open" (each file starts so).
  void Reset();
  // Folds one entry of the selected receiver into the sweep state; returns
  // SweepDone afterwards (true when this entry closed the sweep).
  bool Add(int32_t channel, int32_t rssi);

  bool SweepOpen = false;
  bool SweepDone = false;
  int32_t BestRssi = -120;
  int32_t BestChannel = 1000000;
  int32_t NextRssi = -120;
  int32_t NextChannel = 0;
};

}  // namespace quillon
