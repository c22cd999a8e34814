// PathLossFit: the least-squares fit of path loss against distance that tunes a
// planning tool's propagation model, path loss = k1 + k2 * log10(d / 1 km), and the
// error statistics of that fit or of a given model. Points are taken one at a time
// into running centred sums (Welford's updates, which do not cancel as raw sums of
// squares of millions of points do), so memory does not grow with the drive.
#pragma once
#include <cstdint>
#include <optional>

namespace quillon {

struct PathLossModel {
  double K1 = 0.0;  // dB at 1 km
  double K2 = 0.0;  // dB per decade of distance
};

struct FitResult {
  int64_t Points = 0;
  bool Fitted = false;  // false: too few points, or all at one distance (no statistics)
  PathLossModel Model;  // fitted, or the one evaluated
  double Exponent = 0.0;  // k2 / 10
  double MeanError = 0.0, StdDev = 0.0, Rms = 0.0;  // error = measured - predicted, dB
  double R2 = 0.0;
  bool HasR2 = false;  // false when the path losses do not vary
  double MinDistance = 0.0, MaxDistance = 0.0;  // metres
};

class PathLossFit {
 public:
  // A point at `metres` (more than 0) with this path loss in dB.
  void Add(double metres, double pathLossDb);
  // n points given by their means and centred sums, at minD to maxD metres.
  void AddMoments(int64_t n, double meanX, double meanDb, double sxx, double sll, double sxl, double minD,
                  double maxD);
  // Takes in the points of another fit (Chan's combination of centred sums).
  void Merge(const PathLossFit& other);
  int64_t Count() const { return N; }
  // The least-squares fit, or with `model` that model evaluated on the points.
  FitResult Result(const std::optional<PathLossModel>& model = std::nullopt) const;

 private:
  int64_t N = 0;
  double MeanX = 0.0, MeanL = 0.0;  // x = log10(d / 1 km), L = path loss
  double Sxx = 0.0, Sll = 0.0, Sxl = 0.0;
  double MinD = 0.0, MaxD = 0.0;
};

}  // namespace quillon
