// CalibrationPoints: the measurements that entered a survey's fits, kept for the
// calibration layer (each point with its distance and path loss, its predicted path
// loss and error added once the fits are known, at the end). They are spilled to a
// temporary file in blocks as the pass goes on, so that memory does not grow with
// the drive; where no temporary file can be made they stay in memory.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace quillon {

struct CalibrationPoint {
  uint32_t Site = 0;
  int32_t Receiver = 0;
  int64_t Frequency = -1;  // 1/100000 MHz
  double Longitude = 0.0, Latitude = 0.0;
  double Metres = 0.0, PathLossDb = 0.0, RssiDbm = 0.0;
  int64_t Time = INT64_MIN;  // seconds since 1970; none: INT64_MIN
};
static_assert(sizeof(CalibrationPoint) == 64, "points are spilled as they lie in memory");

class CalibrationPoints {
 public:
  CalibrationPoints() = default;
  CalibrationPoints(const CalibrationPoints&) = delete;
  CalibrationPoints& operator=(const CalibrationPoints&) = delete;
  ~CalibrationPoints();

  void Add(const CalibrationPoint& point);
  int64_t Count() const { return Total; }
  // Every point in the order added; false when the spilled ones could not be read back.
  bool ForEach(const std::function<void(const CalibrationPoint&)>& visit);
  void Clear();

 private:
  static constexpr size_t kBlock = 16384;
  std::vector<CalibrationPoint> Pending;
  std::FILE* Spill = nullptr;
  bool SpillFailed = false;
  int64_t Spilled = 0, Total = 0;
};

}  // namespace quillon
