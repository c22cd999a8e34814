#include "analysis/calibration_layer.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "reader/native_file.h"
#include "reader/number_text.h"

namespace quillon {

namespace {
enum Column { kSite, kFrequency, kReceiver, kRssi, kDistance, kPathLoss, kPredicted, kError, kTime, kColumns };

}  // namespace

std::vector<Attribute> CalibrationAttributes(int siteWidth) {
  using S = Attribute::Source;
  using T = AttributeType;
  std::vector<Attribute> list = {
      {"site", T::String, std::max(1, siteWidth), 0, S::Value},
      {"freq_mhz", T::Real, 20, 5, S::Frequency},
      {"receiver", T::Integer, 0, 0, S::Receiver},
      {"rssi_dbm", T::Real, 20, 2, S::RssiMean},
      {"distance_m", T::Real, 20, 1, S::Value},
      {"path_loss_db", T::Real, 20, 2, S::Value},
      {"predicted_db", T::Real, 20, 2, S::Value},
      {"error_db", T::Real, 20, 2, S::Value},
      {"time", T::DateTime, 0, 0, S::Time},
  };
  list[kPathLoss].DbaseName = "path_loss";
  list[kPredicted].DbaseName = "predicted";
  list[kDistance].DbaseName = "distance";
  return list;
}

bool WriteCalibrationLayer(LayerWriter& writer, const std::string& target, const std::string& layer,
                           SurveyAnalysis& analysis, std::string& error) {
  size_t width = 1;
  for (const Site& s : analysis.Sites()) width = std::max(width, s.Name.size());
  if (!writer.Open(target, layer, CalibrationAttributes(static_cast<int>(std::min<size_t>(width, 254))),
                   LayerGeometry::Point, error) ||
      !writer.BeginLog(error))
    return false;
  LayerFeature feature;
  feature.HasPoint = true;
  feature.Values.assign(kColumns, AttributeValue());
  bool written = true;
  const bool read = analysis.ForEachPoint([&](const CalibrationPoint& p, const FitResult& fit) {
    if (!written) return;
    std::vector<AttributeValue>& v = feature.Values;
    for (AttributeValue& value : v) value = AttributeValue();
    const auto real = [&](int i, double value, int digits) { v[i].Null = false, v[i].Real = AsShown(value, digits); };
    const std::string& name = analysis.Sites()[p.Site].Name;
    v[kSite].Null = false, v[kSite].Text = name;
    if (p.Frequency >= 0) real(kFrequency, static_cast<double>(p.Frequency) / 1e5, 5);
    if (p.Receiver > 0) v[kReceiver].Null = false, v[kReceiver].Integer = p.Receiver;
    real(kRssi, p.RssiDbm, 2);
    real(kDistance, p.Metres, 1);
    real(kPathLoss, p.PathLossDb, 2);
    if (fit.Fitted) {
      const double predicted = fit.Model.K1 + fit.Model.K2 * std::log10(p.Metres / 1000.0);
      real(kPredicted, predicted, 2);
      real(kError, p.PathLossDb - predicted, 2);
    }
    if (p.Time != INT64_MIN) v[kTime].Null = false, v[kTime].Time = DateTimeOf(p.Time);
    feature.Longitude = p.Longitude, feature.Latitude = p.Latitude;
    written = writer.Write(feature, error);
  });
  if (!read && written) {
    error = "the survey's points could not be read back from their temporary file";
    written = false;
  }
  std::string ignored;
  if (!written) return writer.EndLog(false, ignored), writer.Close(false, ignored), false;
  return writer.EndLog(true, error) && writer.Close(true, error);
}

std::string CalibrationLayerPathOf(const std::string& output) {
  const std::filesystem::path path = native::PathOf(output);
  const std::string name = native::Utf8Of(path.stem()) + "-calibration" + native::Utf8Of(path.extension());
  return path.has_parent_path() ? native::Utf8Of(path.parent_path() / native::PathOf(name)) : name;
}

}  // namespace quillon
