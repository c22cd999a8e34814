#include "analysis/calibration_points.h"

#include <algorithm>

namespace quillon {

CalibrationPoints::~CalibrationPoints() { Clear(); }

void CalibrationPoints::Add(const CalibrationPoint& point) {
  Pending.push_back(point);
  ++Total;
  if (Pending.size() < kBlock || SpillFailed) return;
  if (!Spill) Spill = std::tmpfile();
  if (Spill && std::fwrite(Pending.data(), sizeof(CalibrationPoint), Pending.size(), Spill) == Pending.size()) {
    Spilled += static_cast<int64_t>(Pending.size());
    Pending.clear();
  } else {
    SpillFailed = true;  // kept in memory from here on
  }
}

bool CalibrationPoints::ForEach(const std::function<void(const CalibrationPoint&)>& visit) {
  if (Spill && Spilled > 0) {
    if (std::fflush(Spill) != 0 || std::fseek(Spill, 0, SEEK_SET) != 0) return false;
    std::vector<CalibrationPoint> block(kBlock);
    int64_t left = Spilled;
    while (left > 0) {
      const size_t want = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(kBlock)));
      if (std::fread(block.data(), sizeof(CalibrationPoint), want, Spill) != want) return false;
      for (size_t i = 0; i < want; ++i) visit(block[i]);
      left -= static_cast<int64_t>(want);
    }
    std::fseek(Spill, 0, SEEK_END);
  }
  for (const CalibrationPoint& p : Pending) visit(p);
  return true;
}

void CalibrationPoints::Clear() {
  if (Spill) std::fclose(Spill);  // a temporary file: gone once closed
  Spill = nullptr;
  SpillFailed = false;
  Pending.clear();
  Spilled = Total = 0;
}

}  // namespace quillon
