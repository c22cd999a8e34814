// The survey report's page: the run's logs, their statistics and scans, the route
// map, the levels per receiver and frequency, RSSI along time, the GPS outages and
// the survey analysis. Styles are inline and sized for A4; nothing is fetched.
#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>

#include "layers/layer_feature.h"
#include "report/report_svg.h"
#include "report/survey_report.h"

namespace quillon {

namespace {
constexpr int kThresholds[] = {-75, -85, -95, -105};
constexpr size_t kMaxHistograms = 12;

std::string FrequencyText(int64_t key) {
  if (key < 0) return "none";
  char text[32];
  std::snprintf(text, sizeof text, "%" PRId64 ".%05" PRId64, key / 100000, key % 100000);
  return text;
}

std::string Share(uint64_t part, uint64_t whole) {
  if (whole == 0) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %%", 100.0 * static_cast<double>(part) / static_cast<double>(whole));
  return text;
}

std::string DateText(int64_t seconds) {
  if (seconds == INT64_MIN) return "";
  const DateTimeValue t = DateTimeOf(seconds);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second);
  return text;
}

std::string DurationText(int64_t seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d:%02d", static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                static_cast<int>(seconds % 60));
  return text;
}

std::string Cell(const std::string& text, bool number = false) {
  return (number ? "<td class=\"n\">" : "<td>") + EscapeXml(text) + "</td>";
}

// A header may break after an underscore (the calibration file's column names).
std::string HeaderCell(const std::string& text) {
  std::string s;
  for (char c : EscapeXml(text)) {
    s += c;
    if (c == '_') s += "<wbr>";
  }
  return "<th>" + s + "</th>";
}

std::string Row(const std::vector<std::string>& cells, bool header = false) {
  std::string s = "<tr>";
  for (const std::string& c : cells)
    s += header ? HeaderCell(c) : Cell(c, !c.empty() && (std::isdigit(static_cast<unsigned char>(c[0])) || c[0] == '-'));
  return s + "</tr>\n";
}

const char* const kKinds[] = {"Table Data", "Single Frequency", "List Data"};
std::string KindText(int16_t kind) { return kind == 19 ? kKinds[1] : kind == 20 ? kKinds[2] : kind == 1 ? kKinds[0] : "?"; }

constexpr const char* kStyle =
    "<style>\n"
    "@page{size:A4;margin:12mm}\n"
    "body{font-family:sans-serif;font-size:10pt;color:#111;max-width:186mm;margin:0 auto;padding:4mm}\n"
    "h1{font-size:17pt;margin:0 0 2mm}h2{font-size:13pt;border-bottom:1px solid #888;margin:6mm 0 2mm;"
    "break-after:avoid}h3{font-size:11pt;margin:4mm 0 1mm}\n"
    "table{border-collapse:collapse;margin:1mm 0 3mm}td,th{border:1px solid #bbb;padding:1px 5px;text-align:left}"
    "th{background:#eee}td.n{text-align:right;font-variant-numeric:tabular-nums}\n"
    "svg{width:100%;height:auto;display:block;break-inside:avoid}figure{margin:0 0 3mm;break-inside:avoid}"
    "figcaption{font-size:9pt;color:#444}\n"
    ".scans{columns:3;font-size:8.5pt}table.fits{font-size:7.5pt}.note{color:#555;font-size:9pt}\n"
    "</style>\n";
}  // namespace

std::string SurveyReport::Html() const {
  std::string h = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>Survey report</title>\n";
  h += kStyle;
  h += "</head><body>\n<h1>Survey report</h1>\n<p class=\"note\">KTR Quillon CW: receiver " + std::to_string(Receiver) +
       "'s route, levels of the converted rows of every receiver.</p>\n";

  // The logs.
  h += "<h2>Logs</h2>\n<table id=\"logs\">" +
       Row({"file", "product", "first fix (UTC)", "last fix (UTC)", "duration", "distance (km)", "scans", "rows"}, true);
  for (const ReportLog& log : LogList)
    h += Row({log.Path, log.Product, DateText(log.FirstFix), DateText(log.LastFix),
              log.FirstFix == INT64_MIN ? "" : DurationText(log.LastFix - log.FirstFix), FixedText(log.Metres / 1000, 2),
              std::to_string(log.ScanCount), std::to_string(log.Rows)});
  h += "</table>\n";
  for (const ReportLog& log : LogList) {
    h += "<h3>" + EscapeXml(log.Path) + "</h3>\n<table class=\"statistics\">";
    for (const std::string& line : log.Statistics) {
      const size_t eq = line.find(" = ");
      h += Row({line.substr(0, eq), eq == std::string::npos ? "" : line.substr(eq + 3)});
    }
    h += "</table>\n<div class=\"scans\">";
    for (const ReportScan& scan : log.Scans)
      h += EscapeXml(KindText(scan.Kind)) + " " + std::to_string(scan.Number) + " " + EscapeXml(scan.Label) + "<br>";
    h += "</div>\n";
    if (static_cast<int64_t>(log.Scans.size()) < log.ScanCount)
      h += "<p class=\"note\">The first " + std::to_string(log.Scans.size()) + " of " + std::to_string(log.ScanCount) +
           " scans.</p>\n";
  }

  // The route.
  const LevelCounts all = Tally.All();
  LevelCounts mine;
  for (const LevelCounts* levels : Tally.Levels())
    if (levels->Receiver == Receiver) mine.Take(*levels);
  const ColourSpan span = MeasuredSpan(mine.Measured() > 0 ? mine : all);
  std::vector<ReportSurvey::SitePlace> sites;
  for (const ReportSurvey& survey : SurveyList) sites.insert(sites.end(), survey.Sites.begin(), survey.Sites.end());
  h += "<h2>Route</h2>\n<figure id=\"route\">" + RouteSvg(LogList, Receiver, BinList, sites, span) +
       "<figcaption>Each fix coloured by receiver " + std::to_string(Receiver) + "'s mean RSSI of the measurements after it, " +
       FixedText(span.Low, 0) + " to " + FixedText(span.High, 0) + " dBm (the measured levels' 2nd to 98th percentile)" +
       (BinList.empty() ? std::string()
                        : ", over the " + std::to_string(BinList.size() + static_cast<size_t>(BinsDropped)) +
                              " coverage bins of " + std::to_string(BinMetres) + " metres where receiver " +
                              std::to_string(Receiver) + " measured (their mean RSSI)") +
       (BinsDropped > 0 ? " (" + std::to_string(BinsDropped) + " more bins are not drawn)" : std::string()) +
       ".</figcaption></figure>\n";

  // The levels.
  h += "<h2>Levels</h2>\n<table id=\"levels\">" +
       Row({"receiver", "frequency (MHz)", "measured", "no measurement", "median (dBm)", ">= -75 dBm", ">= -85 dBm",
            ">= -95 dBm", ">= -105 dBm"},
           true);
  std::vector<const LevelCounts*> levels = Tally.Levels();
  // Each receiver's frequencies together first, then each frequency.
  std::vector<LevelCounts> receivers;
  for (const LevelCounts* l : levels) {
    if (receivers.empty() || receivers.back().Receiver != l->Receiver) {
      receivers.emplace_back();
      receivers.back().Receiver = l->Receiver;
      receivers.back().Frequency = -2;
    }
    receivers.back().Take(*l);
  }
  std::vector<const LevelCounts*> rows;
  for (const LevelCounts& r : receivers) rows.push_back(&r);
  rows.insert(rows.end(), levels.begin(), levels.end());
  for (const LevelCounts* l : rows) {
    const uint64_t n = l->Measured();
    std::vector<std::string> cells = {std::to_string(l->Receiver), l->Frequency == -2 ? "all" : FrequencyText(l->Frequency),
                                      std::to_string(n), std::to_string(l->NoMeasurement),
                                      n ? std::to_string(l->Percentile(0.5)) : ""};
    for (int t : kThresholds) cells.push_back(Share(l->AtOrAbove(t), n));
    h += Row(cells);
  }
  h += "</table>\n<p class=\"note\">Shares of the measured samples at or above each level; -120 dBm (no measurement) "
       "is left out.</p>\n";
  // A receiver's frequencies together, where it has more than one.
  for (const LevelCounts& r : receivers)
    if (r.Measured() > 0 && std::count_if(levels.begin(), levels.end(), [&](const LevelCounts* l) {
          return l->Receiver == r.Receiver;
        }) > 1)
      h += "<figure class=\"histogram\">" + HistogramSvg(r) + "<figcaption>Receiver " + std::to_string(r.Receiver) +
           ", all frequencies: " + std::to_string(r.Measured()) + " measured samples.</figcaption></figure>\n";
  std::vector<std::pair<uint64_t, const LevelCounts*>> most;
  for (const LevelCounts* l : levels) most.emplace_back(l->Measured(), l);
  std::stable_sort(most.begin(), most.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<const LevelCounts*> drawn;
  for (size_t i = 0; i < most.size() && i < kMaxHistograms; ++i) drawn.push_back(most[i].second);
  std::sort(drawn.begin(), drawn.end(), [](const LevelCounts* a, const LevelCounts* b) {
    return a->Receiver != b->Receiver ? a->Receiver < b->Receiver : a->Frequency < b->Frequency;
  });
  for (const LevelCounts* l : drawn)
    if (l->Measured() > 0)
      h += "<figure class=\"histogram\">" + HistogramSvg(*l) + "<figcaption>Receiver " + std::to_string(l->Receiver) +
           ", " + FrequencyText(l->Frequency) + " MHz: " + std::to_string(l->Measured()) +
           " measured samples.</figcaption></figure>\n";
  if (levels.size() > drawn.size())
    h += "<p class=\"note\">Histograms of the " + std::to_string(drawn.size()) + " receivers' frequencies with the most "
         "samples; every one is in the table.</p>\n";
  h += "<h2>RSSI along time</h2>\n<figure>" + TimeSvg(LogList) + "</figure>\n";

  // GPS.
  h += "<h2>GPS outages</h2>\n<table id=\"outages\">" +
       Row({"file", "outages (3 s or more)", "seconds", "GPS records without a fix", "rows without a fix"}, true);
  for (const ReportLog& log : LogList)
    h += Row({log.Path, std::to_string(log.OutageCount), std::to_string(log.OutageSeconds),
              std::to_string(log.FixlessGpsCount), std::to_string(log.RowsWithoutFix)});
  h += "</table>\n";
  for (const ReportLog& log : LogList)
    h += "<figure>" + OutageSvg(log) + "<figcaption>" + EscapeXml(log.Path) +
         ": valid fixes (green), outages (red), GPS records without a fix (ticks).</figcaption></figure>\n";

  // The survey analysis.
  for (const ReportSurvey& survey : SurveyList) {
    h += "<h2>Survey analysis: " + EscapeXml(survey.Output) + "</h2>\n";
    for (const std::string& line : survey.Quality) h += "<p>" + EscapeXml(line) + "</p>\n";
    for (const std::string& line : survey.Failures) h += "<p><b>" + EscapeXml(line) + "</b></p>\n";
    h += "<table class=\"fits\">" + Row(survey.Fits.Header, true);
    for (const std::vector<std::string>& line : survey.Fits.Lines) h += Row(line);
    h += "</table>\n<figure>" + PathLossSvg(survey) + "<figcaption>Path loss of " +
         std::to_string(survey.Points.size()) + " of the " + std::to_string(survey.PointCount) +
         " points that entered the fits, with the fitted lines.</figcaption></figure>\n";
    h += "<figure>" + ErrorSvg(survey) + "<figcaption>Errors of the points against their fit.</figcaption></figure>\n";
  }
  return h + "</body></html>\n";
}

}  // namespace quillon
