// The survey report's figures as inline SVG (text, no external reference): the
// route coloured by RSSI with its legend, scale bar and north arrow (the bins
// beneath, the sites marked), an RSSI histogram with its cumulative distribution,
// RSSI along time, a log's GPS outages on a time line, and the survey analysis's
// path loss against distance and its errors. Each figure scales to the page's width.
#pragma once
#include <string>
#include <vector>

#include "report/survey_report.h"

namespace quillon {

// The span of the colour ramp: the measured levels' 2nd to 98th percentile.
struct ColourSpan {
  double Low = -120.0, High = -30.0;
};
ColourSpan MeasuredSpan(const LevelCounts& levels);

std::string EscapeXml(const std::string& text);
// A number as the page writes it, with fixed decimals: the writer of the delimited
// output's numbers, far quicker than printf for the thousands a figure holds.
std::string FixedText(double value, int decimals);

std::string RouteSvg(const std::vector<ReportLog>& logs, int receiver, const std::vector<ReportBin>& bins,
                     const std::vector<ReportSurvey::SitePlace>& sites, ColourSpan span);
std::string HistogramSvg(const LevelCounts& levels);
std::string TimeSvg(const std::vector<ReportLog>& logs);
std::string OutageSvg(const ReportLog& log);
std::string PathLossSvg(const ReportSurvey& survey);
std::string ErrorSvg(const ReportSurvey& survey);

}  // namespace quillon
