#include "analysis/path_loss_fit.h"

#include <algorithm>
#include <cmath>

namespace quillon {


void PathLossFit::AddMoments(int64_t n, double meanX, double meanDb, double sxx, double sll, double sxl,
                             double minD, double maxD) {
  PathLossFit group;
  group.N = n;
  group.MeanX = meanX, group.MeanL = meanDb;
  group.Sxx = sxx, group.Sll = sll, group.Sxl = sxl;
  group.MinD = minD, group.MaxD = maxD;
  Merge(group);
}

void PathLossFit::Merge(const PathLossFit& o) {
  if (o.N == 0) return;
  if (N == 0) {
    *this = o;
    return;
  }
  const double n = static_cast<double>(N), m = static_cast<double>(o.N), total = n + m;
  const double dx = o.MeanX - MeanX, dl = o.MeanL - MeanL;
  Sxx += o.Sxx + dx * dx * n * m / total;
  Sll += o.Sll + dl * dl * n * m / total;
  Sxl += o.Sxl + dx * dl * n * m / total;
  MeanX += dx * m / total;
  MeanL += dl * m / total;
  MinD = std::min(MinD, o.MinD);
  MaxD = std::max(MaxD, o.MaxD);
  N += o.N;
}

void PathLossFit::Add(double metres, double pathLossDb) {
  const double x = std::log10(metres / 1000.0);
  ++N;
  const double dx = x - MeanX, dl = pathLossDb - MeanL;
  MeanX += dx / static_cast<double>(N);
  MeanL += dl / static_cast<double>(N);
  Sxx += dx * (x - MeanX);
  Sll += dl * (pathLossDb - MeanL);
  Sxl += dx * (pathLossDb - MeanL);
  MinD = N == 1 ? metres : std::min(MinD, metres);
  MaxD = N == 1 ? metres : std::max(MaxD, metres);
}

FitResult PathLossFit::Result(const std::optional<PathLossModel>& model) const {
  FitResult r;
  r.Points = N;
  r.MinDistance = MinD, r.MaxDistance = MaxD;
  const double n = static_cast<double>(N);
  if (model) {
    if (N < 1) return r;
    r.Model = *model;
  } else {
    // A slope needs two distances; a distance span of zero has none.
    if (N < 2 || !(Sxx > 1e-12 * n)) return r;
    r.Model.K2 = Sxl / Sxx;
    r.Model.K1 = MeanL - r.Model.K2 * MeanX;
  }
  r.Fitted = true;
  const double k1 = r.Model.K1, k2 = r.Model.K2;
  r.Exponent = k2 / 10.0;
  // e = L - k1 - k2 x: its mean from the means, its spread from the centred sums.
  r.MeanError = MeanL - k1 - k2 * MeanX;
  const double spread = std::max(0.0, (Sll - 2.0 * k2 * Sxl + k2 * k2 * Sxx) / n);
  r.StdDev = std::sqrt(spread);
  r.Rms = std::sqrt(spread + r.MeanError * r.MeanError);
  r.HasR2 = Sll > 1e-12 * n;
  if (r.HasR2) r.R2 = 1.0 - n * (spread + r.MeanError * r.MeanError) / Sll;
  return r;
}

}  // namespace quillon
