// Calibration layer: the points of a survey's fits as a map layer, so that the
// residuals can be mapped: per point its site, frequency, receiver, RSSI, distance,
// measured and predicted path loss and the error (measured - predicted; null where
// its site and frequency could not be fitted), at the measurement's position (with
// bins, the bin's centre), dated where the row had a GPS time.
#pragma once
#include <string>
#include <vector>

#include "analysis/survey_analysis.h"
#include "layers/layer_writer.h"

namespace quillon {

std::vector<Attribute> CalibrationAttributes(int siteWidth);
// Writes the layer through `writer` into `target` (opened, written and closed).
bool WriteCalibrationLayer(LayerWriter& writer, const std::string& target, const std::string& layer,
                           SurveyAnalysis& analysis, std::string& error);
// "drive-calibration.gpkg" beside "drive.gpkg": the dataset of the layer.
std::string CalibrationLayerPathOf(const std::string& output);
// The layer's name: "calibration".
constexpr char kCalibrationLayer[] = "calibration";

}  // namespace quillon
