#include "report/report_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "layers/rssi_colour.h"
#include "reader/number_text.h"

namespace quillon {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegree = 111320.0;

std::string F(double value, int decimals = 1) { return FixedText(value, decimals); }

std::string Colour(const Rgb& c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c.Red, c.Green, c.Blue);
  return text;
}

// A step of 1, 2 or 5 times a power of ten that cuts `range` into about `parts`.
double NiceStep(double range, int parts) {
  const double raw = std::max(range, 1e-9) / parts;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (m * power >= raw) return m * power;
  return 10.0 * power;
}

std::string ClockText(int64_t seconds) {
  const int64_t s = ((seconds % 86400) + 86400) % 86400;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60));
  return text;
}

// A chart's frame: data ranges mapped onto a plot area, with its axes drawn.
struct Frame {
  double X0 = 0, X1 = 1, Y0 = 0, Y1 = 1;
  double Left = 58, Top = 12, Width = 580, Height = 190;
  double X(double v) const { return Left + (v - X0) / (X1 - X0) * Width; }
  double Y(double v) const { return Top + Height - (v - Y0) / (Y1 - Y0) * Height; }
};

std::string Open(double width, double height, const std::string& label) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + F(width, 0) + " " + F(height, 0) +
         "\" role=\"img\" aria-label=\"" + EscapeXml(label) + "\" font-family=\"sans-serif\" font-size=\"11\">";
}

// Axes with ticks; x ticks by `xText` (the value's label), y ticks as numbers.
std::string Axes(const Frame& f, const std::string& xTitle, const std::string& yTitle,
                 std::string (*xText)(double), double xStep, double yStep) {
  std::string s = "<g stroke=\"#999\" stroke-width=\"0.5\">";
  for (double y = std::ceil(f.Y0 / yStep) * yStep; y <= f.Y1 + 1e-9; y += yStep)
    s += "<line x1=\"" + F(f.Left) + "\" y1=\"" + F(f.Y(y)) + "\" x2=\"" + F(f.Left + f.Width) + "\" y2=\"" +
         F(f.Y(y)) + "\"/>";
  s += "</g><g fill=\"#222\">";
  for (double y = std::ceil(f.Y0 / yStep) * yStep; y <= f.Y1 + 1e-9; y += yStep)
    s += "<text x=\"" + F(f.Left - 4) + "\" y=\"" + F(f.Y(y) + 4) + "\" text-anchor=\"end\">" +
         F(y, yStep < 1 ? 1 : 0) + "</text>";
  std::vector<double> xs;
  if (xStep > 0) {
    for (double x = std::ceil(f.X0 / xStep) * xStep; x <= f.X1 + 1e-9; x += xStep) xs.push_back(x);
  } else {  // a logarithmic axis (x = log10 of the value): 1, 2 and 5 of each decade
    for (double decade = std::floor(f.X0); decade <= f.X1; ++decade)
      for (double m : {1.0, 2.0, 5.0})
        if (decade + std::log10(m) >= f.X0 - 1e-9 && decade + std::log10(m) <= f.X1 + 1e-9) xs.push_back(decade + std::log10(m));
  }
  for (double x : xs)
    s += "<text x=\"" + F(f.X(x)) + "\" y=\"" + F(f.Top + f.Height + 14) + "\" text-anchor=\"middle\">" +
         EscapeXml(xText(x)) + "</text>";
  s += "<text x=\"" + F(f.Left + f.Width / 2) + "\" y=\"" + F(f.Top + f.Height + 30) + "\" text-anchor=\"middle\">" +
       EscapeXml(xTitle) + "</text>";
  s += "<text transform=\"translate(12 " + F(f.Top + f.Height / 2) + ") rotate(-90)\" text-anchor=\"middle\">" +
       EscapeXml(yTitle) + "</text></g>";
  s += "<rect x=\"" + F(f.Left) + "\" y=\"" + F(f.Top) + "\" width=\"" + F(f.Width) + "\" height=\"" + F(f.Height) +
       "\" fill=\"none\" stroke=\"#444\" stroke-width=\"0.8\"/>";
  return s;
}

std::string WholeNumber(double v) { return F(v, 0); }
std::string Clock(double v) { return ClockText(static_cast<int64_t>(v)); }
std::string Distance(double v) { return F(std::pow(10.0, v), 0); }  // a tick of a logarithmic axis
}  // namespace

std::string FixedText(double value, int decimals) {
  if (!std::isfinite(value)) return "0";
  char text[kMaxFixedText + 1];
  return std::string(text, WriteFixed(text, value, decimals));
}

std::string EscapeXml(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

ColourSpan MeasuredSpan(const LevelCounts& levels) {
  if (levels.Measured() == 0) return {};
  ColourSpan span{static_cast<double>(levels.Percentile(0.02)), static_cast<double>(levels.Percentile(0.98))};
  if (span.High <= span.Low) span.High = span.Low + 1.0;
  return span;
}

std::string RouteSvg(const std::vector<ReportLog>& logs, int receiver, const std::vector<ReportBin>& bins,
                     const std::vector<ReportSurvey::SitePlace>& sites, ColourSpan span) {
  const double width = 680, height = 460, mapWidth = 560, margin = 16;
  double minLat = 90, maxLat = -90, minLon = 180, maxLon = -180;
  size_t points = 0;
  for (const ReportLog& log : logs)
    for (const RoutePoint& p : log.Route.Points()) {
      minLat = std::min(minLat, p.Latitude), maxLat = std::max(maxLat, p.Latitude);
      minLon = std::min(minLon, p.Longitude), maxLon = std::max(maxLon, p.Longitude);
      ++points;
    }
  std::string s = Open(width, height, "Route map coloured by RSSI");
  s += "<rect width=\"100%\" height=\"100%\" fill=\"#fafaf5\"/>";
  if (points == 0) {
    s += "<text x=\"" + F(width / 2) + "\" y=\"" + F(height / 2) + "\" text-anchor=\"middle\">No GPS fix: no route.</text></svg>";
    return s;
  }
  const double lat0 = (minLat + maxLat) / 2, lon0 = (minLon + maxLon) / 2;
  const double lonMetres = kMetresPerDegree * std::cos(lat0 * kPi / 180);
  const double spanX = std::max((maxLon - minLon) * lonMetres, 1.0), spanY = std::max((maxLat - minLat) * kMetresPerDegree, 1.0);
  const double scale = std::min((mapWidth - 2 * margin) / spanX, (height - 2 * margin - 30) / spanY);  // pixels per metre
  const auto x = [&](double lon) { return mapWidth / 2 + (lon - lon0) * lonMetres * scale; };
  const auto y = [&](double lat) { return (height - 30) / 2 - (lat - lat0) * kMetresPerDegree * scale; };
  const auto colour = [&](double rssi) { return Colour(RssiColourOn(rssi, span.Low, span.High)); };

  // Bins beneath, then a thin route, then each fix's point.
  // The bins grouped by colour (64 shades of the ramp), so that each is its corners only.
  constexpr int kShades = 64;
  std::vector<std::vector<const ReportBin*>> shades(kShades);
  for (const ReportBin& bin : bins) {
    const double t = std::clamp((bin.MeanRssi - span.Low) / (span.High - span.Low), 0.0, 1.0);
    shades[static_cast<size_t>(std::lround(t * (kShades - 1)))].push_back(&bin);
  }
  s += "<g stroke=\"none\" fill-opacity=\"0.75\">";
  for (int k = 0; k < kShades; ++k) {
    if (shades[static_cast<size_t>(k)].empty()) continue;
    s += "<g fill=\"" + colour(span.Low + (span.High - span.Low) * k / (kShades - 1)) + "\">";
    for (const ReportBin* bin : shades[static_cast<size_t>(k)]) {
      s += "<polygon points=\"";
      for (size_t c = 0; c < 4; ++c) {
        s += F(x(bin->Corners[c].Lon));
        s += ',';
        s += F(y(bin->Corners[c].Lat));
        if (c < 3) s += ' ';
      }
      s += "\"/>";
    }
    s += "</g>";
  }
  s += "</g><g fill=\"none\" stroke=\"#555\" stroke-width=\"0.6\" stroke-opacity=\"0.7\">";
  for (const ReportLog& log : logs) {
    s += "<polyline points=\"";
    for (const RoutePoint& p : log.Route.Points()) s += F(x(p.Longitude)) + "," + F(y(p.Latitude)) + " ";
    s += "\"/>";
  }
  s += "</g>";
  const size_t stride = (points + 7999) / 8000;
  const double radius = bins.empty() ? 1.8 : 1.0;
  s += "<g stroke=\"none\">";
  size_t index = 0;
  const int rx = receiver == 2 ? 1 : 0;
  for (const ReportLog& log : logs)
    for (const RoutePoint& p : log.Route.Points()) {
      if (index++ % stride != 0) continue;
      s += "<circle cx=\"" + F(x(p.Longitude)) + "\" cy=\"" + F(y(p.Latitude)) + "\" r=\"" + F(radius) + "\" fill=\"" +
           (p.HasRssi(rx) ? colour(p.MeanRssi(rx)) : std::string("#969696")) + "\"/>";
    }
  s += "</g>";
  for (const ReportSurvey::SitePlace& site : sites) {
    const double sx = x(site.Longitude), sy = y(site.Latitude);
    if (sx < 0 || sx > mapWidth || sy < 0 || sy > height) continue;
    s += "<path d=\"M" + F(sx) + "," + F(sy - 7) + " l6,11 h-12 z\" fill=\"#000\"/><text x=\"" + F(sx + 8) + "\" y=\"" +
         F(sy + 4) + "\">" + EscapeXml(site.Name) + "</text>";
  }

  // North arrow, scale bar, legend.
  s += "<g stroke=\"#000\" stroke-width=\"2\" fill=\"none\"><path d=\"M20,40 V14 M15,22 L20,14 L25,22\"/></g>"
       "<text x=\"20\" y=\"54\" text-anchor=\"middle\">N</text>";
  const double maxMetres = (mapWidth / 4) / scale;
  double metres = 1;
  for (double base = 1; base <= 1e7; base *= 10)
    for (double m : {1.0, 2.0, 5.0})
      if (m * base <= maxMetres) metres = m * base;
  const double bar = metres * scale, barY = height - 14;
  s += "<path d=\"M16," + F(barY - 5) + " V" + F(barY) + " H" + F(16 + bar) + " V" + F(barY - 5) +
       "\" stroke=\"#000\" stroke-width=\"2\" fill=\"none\"/><text x=\"" + F(22 + bar) + "\" y=\"" + F(barY + 2) + "\">" +
       (metres >= 1000 ? F(metres / 1000, 0) + " km" : F(metres, 0) + " m") + "</text>";
  const double legendX = mapWidth + 30, top = 30, legendHeight = 300;
  s += "<defs><linearGradient id=\"ramp\" x1=\"0\" y1=\"1\" x2=\"0\" y2=\"0\">";
  for (int k = 0; k <= 10; ++k)
    s += "<stop offset=\"" + F(k / 10.0, 1) + "\" stop-color=\"" + colour(span.Low + (span.High - span.Low) * k / 10.0) +
         "\"/>";
  s += "</linearGradient></defs><text x=\"" + F(legendX - 4) + "\" y=\"" + F(top - 10) + "\">RSSI (dBm)</text>";
  s += "<rect x=\"" + F(legendX) + "\" y=\"" + F(top) + "\" width=\"16\" height=\"" + F(legendHeight) +
       "\" fill=\"url(#ramp)\" stroke=\"#000\" stroke-width=\"0.5\"/>";
  for (int k = 0; k <= 4; ++k) {
    const double dbm = span.High - (span.High - span.Low) * k / 4.0;
    s += "<text x=\"" + F(legendX + 22) + "\" y=\"" + F(top + legendHeight * k / 4.0 + 4) + "\">" + F(dbm, 0) + "</text>";
  }
  s += "<rect x=\"" + F(legendX) + "\" y=\"" + F(top + legendHeight + 14) +
       "\" width=\"16\" height=\"10\" fill=\"#969696\"/><text x=\"" + F(legendX + 22) + "\" y=\"" +
       F(top + legendHeight + 23) + "\">no data</text>";
  s += "<text x=\"" + F(legendX - 4) + "\" y=\"" + F(top + legendHeight + 44) + "\">2nd to 98th</text><text x=\"" +
       F(legendX - 4) + "\" y=\"" + F(top + legendHeight + 58) + "\">percentile</text>";
  return s + "</svg>";
}

std::string HistogramSvg(const LevelCounts& levels) {
  const uint64_t total = levels.Measured();
  int low = levels.Percentile(0.0), high = 127;
  while (high > low && levels.Counts[static_cast<size_t>(high - LevelCounts::kLowest)] == 0) --high;
  low = std::min(low, -110), high = std::max(high, -40);
  Frame f;
  f.X0 = low - 0.5, f.X1 = high + 0.5;
  uint64_t most = 1;
  for (uint64_t c : levels.Counts) most = std::max(most, c);
  f.Y0 = 0, f.Y1 = 100.0 * static_cast<double>(most) / static_cast<double>(std::max<uint64_t>(total, 1)) * 1.1;
  std::string s = Open(680, 240, "RSSI histogram and cumulative distribution");
  s += Axes(f, "RSSI (dBm)", "share of samples (%)", WholeNumber, NiceStep(f.X1 - f.X0, 10), NiceStep(f.Y1, 5));
  const double barWidth = f.Width / (f.X1 - f.X0);
  s += "<g fill=\"#4a7ab8\">";
  for (int dbm = low; dbm <= high; ++dbm) {
    const uint64_t c = levels.Counts[static_cast<size_t>(dbm - LevelCounts::kLowest)];
    if (c == 0) continue;
    const double share = 100.0 * static_cast<double>(c) / static_cast<double>(total);
    s += "<rect x=\"" + F(f.X(dbm - 0.5)) + "\" y=\"" + F(f.Y(share)) + "\" width=\"" + F(std::max(barWidth - 0.5, 0.5)) +
         "\" height=\"" + F(f.Y(0) - f.Y(share)) + "\"/>";
  }
  // The cumulative distribution (share at or below each level) on its own 0..100 % axis.
  s += "</g><polyline fill=\"none\" stroke=\"#c03020\" stroke-width=\"1.5\" points=\"";
  uint64_t below = 0;
  for (int dbm = low; dbm <= high; ++dbm) {
    below += levels.Counts[static_cast<size_t>(dbm - LevelCounts::kLowest)];
    const double share = static_cast<double>(below) / static_cast<double>(std::max<uint64_t>(total, 1));
    s += F(f.X(dbm + 0.5)) + "," + F(f.Top + f.Height * (1 - share)) + " ";
  }
  s += "\"/><g fill=\"#c03020\">";
  for (int k = 0; k <= 4; ++k)
    s += "<text x=\"" + F(f.Left + f.Width + 4) + "\" y=\"" + F(f.Top + f.Height * (1 - k / 4.0) + 4) + "\">" +
         F(25.0 * k, 0) + "%</text>";
  return s + "<text x=\"" + F(f.Left + f.Width - 4) + "\" y=\"" + F(f.Top + 12) +
         "\" text-anchor=\"end\">cumulative: at or below</text></g></svg>";
}

std::string TimeSvg(const std::vector<ReportLog>& logs) {
  int64_t first = INT64_MAX, last = INT64_MIN;
  for (const ReportLog& log : logs)
    for (const RoutePoint& p : log.Route.Points())
      if (p.Time != INT64_MIN) first = std::min(first, p.Time), last = std::max(last, p.Time);
  std::string s = Open(680, 250, "RSSI along time");
  if (first > last) return s + "<text x=\"340\" y=\"120\" text-anchor=\"middle\">No dated GPS fix.</text></svg>";
  Frame f;
  f.X0 = static_cast<double>(first), f.X1 = static_cast<double>(std::max(last, first + 60));
  f.Y0 = -125, f.Y1 = -25;
  s += Axes(f, "time of day (UTC)", "mean RSSI per fix (dBm)", Clock, std::max(60.0, NiceStep((f.X1 - f.X0) / 60, 8) * 60), 20);
  const char* colours[2] = {"#1f5fb0", "#d07010"};
  for (int rx = 0; rx < 2; ++rx) {
    std::string line;
    for (const ReportLog& log : logs) {
      int64_t previous = INT64_MIN;
      for (const RoutePoint& p : log.Route.Points()) {
        if (p.Time == INT64_MIN || !p.HasRssi(rx)) continue;
        line += previous == INT64_MIN || p.Time - previous > 60 ? 'M' : 'L';
        line += F(f.X(static_cast<double>(p.Time)));
        line += ',';
        line += F(f.Y(std::clamp(p.MeanRssi(rx), -125.0, -25.0)));
        line += ' ';
        previous = p.Time;
      }
    }
    if (line.empty()) continue;
    s += "<path fill=\"none\" stroke=\"" + std::string(colours[rx]) + "\" stroke-width=\"0.8\" d=\"" + line + "\"/>";
    s += "<text x=\"" + F(f.Left + 8 + 110 * rx) + "\" y=\"" + F(f.Top + 14) + "\" fill=\"" + colours[rx] +
         "\">Receiver #" + std::to_string(rx + 1) + "</text>";
  }
  return s + "</svg>";
}

std::string OutageSvg(const ReportLog& log) {
  std::string s = Open(680, 70, "GPS outages of " + log.Path);
  if (log.FirstFix == INT64_MIN) return s + "<text x=\"340\" y=\"36\" text-anchor=\"middle\">No dated GPS fix.</text></svg>";
  Frame f;
  f.X0 = static_cast<double>(log.FirstFix), f.X1 = static_cast<double>(std::max(log.LastFix, log.FirstFix + 60));
  f.Top = 8, f.Height = 22;
  s += "<rect x=\"" + F(f.Left) + "\" y=\"" + F(f.Top) + "\" width=\"" + F(f.Width) + "\" height=\"" + F(f.Height) +
       "\" fill=\"#cfe8cf\" stroke=\"#444\" stroke-width=\"0.8\"/>";
  for (const ReportOutage& o : log.Outages)
    s += "<rect x=\"" + F(f.X(static_cast<double>(o.From))) + "\" y=\"" + F(f.Top) + "\" width=\"" +
         F(std::max(1.0, f.X(static_cast<double>(o.To)) - f.X(static_cast<double>(o.From)))) + "\" height=\"" +
         F(f.Height) + "\" fill=\"#d03030\"><title>" + ClockText(o.From) + " to " + ClockText(o.To) + "</title></rect>";
  for (int64_t t : log.FixlessGps)
    if (t >= log.FirstFix && t <= log.LastFix)
      s += "<line x1=\"" + F(f.X(static_cast<double>(t))) + "\" y1=\"" + F(f.Top + f.Height) + "\" x2=\"" +
           F(f.X(static_cast<double>(t))) + "\" y2=\"" + F(f.Top + f.Height + 6) + "\" stroke=\"#000\"/>";
  const double step = std::max(60.0, NiceStep((f.X1 - f.X0) / 60, 8) * 60);
  for (double x = std::ceil(f.X0 / step) * step; x <= f.X1; x += step)
    s += "<text x=\"" + F(f.X(x)) + "\" y=\"" + F(f.Top + f.Height + 18) + "\" text-anchor=\"middle\">" +
         ClockText(static_cast<int64_t>(x)) + "</text>";
  return s + "<text x=\"4\" y=\"" + F(f.Top + 15) + "\">GPS</text></svg>";
}

std::string PathLossSvg(const ReportSurvey& survey) {
  std::string s = Open(680, 280, "Path loss against distance");
  double minL = 1e9, maxL = -1e9, minX = 1e9, maxX = -1e9;
  for (const ReportPathLossPoint& p : survey.Points) {
    const double x = std::log10(std::max(p.Metres, 1.0));
    minX = std::min(minX, x), maxX = std::max(maxX, x), minL = std::min(minL, p.PathLossDb), maxL = std::max(maxL, p.PathLossDb);
  }
  if (survey.Points.empty()) return s + "<text x=\"340\" y=\"140\" text-anchor=\"middle\">No point entered a fit.</text></svg>";
  Frame f;
  f.Height = 220;
  f.X0 = std::floor(minX * 10) / 10, f.X1 = std::max(std::ceil(maxX * 10) / 10, f.X0 + 0.1);
  f.Y0 = std::floor(minL / 10) * 10, f.Y1 = std::max(std::ceil(maxL / 10) * 10, f.Y0 + 10);
  s += Axes(f, "distance (m, logarithmic)", "path loss (dB)", Distance, 0, NiceStep(f.Y1 - f.Y0, 6));
  s += "<g fill=\"#4a7ab8\" fill-opacity=\"0.5\">";
  for (const ReportPathLossPoint& p : survey.Points)
    s += "<circle cx=\"" + F(f.X(std::log10(std::max(p.Metres, 1.0)))) + "\" cy=\"" + F(f.Y(p.PathLossDb)) + "\" r=\"1.5\"/>";
  s += "</g>";
  const char* colours[] = {"#c03020", "#208040", "#8030a0", "#d07010", "#000000"};
  size_t k = 0;
  for (const ReportSurvey::Line& line : survey.FittedLines) {
    const auto at = [&](double x) { return line.K1 + line.K2 * (x - 3.0); };  // x = log10(metres)
    const char* c = colours[k % 5];
    s += "<line x1=\"" + F(f.X(f.X0)) + "\" y1=\"" + F(f.Y(std::clamp(at(f.X0), f.Y0, f.Y1))) + "\" x2=\"" + F(f.X(f.X1)) +
         "\" y2=\"" + F(f.Y(std::clamp(at(f.X1), f.Y0, f.Y1))) + "\" stroke=\"" + c + "\" stroke-width=\"1.5\"/>";
    if (k < 8)
      s += "<text x=\"" + F(f.Left + 8) + "\" y=\"" + F(f.Top + 14 + 13 * k) + "\" fill=\"" + c + "\">" +
           EscapeXml(line.Label) + ": " + F(line.K1, 2) + " + " + F(line.K2, 2) + " log10(d/1 km)</text>";
    ++k;
  }
  return s + "</svg>";
}

std::string ErrorSvg(const ReportSurvey& survey) {
  uint64_t total = 0, most = 1;
  for (uint64_t c : survey.Errors) total += c, most = std::max(most, c);
  std::string s = Open(680, 230, "Errors against the fitted model");
  if (total == 0) return s + "<text x=\"340\" y=\"110\" text-anchor=\"middle\">No fitted point.</text></svg>";
  Frame f;
  f.Height = 170;
  f.X0 = ReportSurvey::kLowestError - 0.5, f.X1 = -ReportSurvey::kLowestError + 0.5;
  f.Y0 = 0, f.Y1 = 100.0 * static_cast<double>(most) / static_cast<double>(total) * 1.1;
  s += Axes(f, "error: measured less predicted path loss (dB)", "share of points (%)", WholeNumber, 10, NiceStep(f.Y1, 5));
  s += "<g fill=\"#4a7ab8\">";
  for (size_t i = 0; i < survey.Errors.size(); ++i) {
    if (survey.Errors[i] == 0) continue;
    const double e = static_cast<double>(static_cast<int>(i) + ReportSurvey::kLowestError);
    const double share = 100.0 * static_cast<double>(survey.Errors[i]) / static_cast<double>(total);
    s += "<rect x=\"" + F(f.X(e - 0.45)) + "\" y=\"" + F(f.Y(share)) + "\" width=\"" + F(f.Width / 81.0 * 0.9) +
         "\" height=\"" + F(f.Y(0) - f.Y(share)) + "\"/>";
  }
  return s + "</g></svg>";
}

}  // namespace quillon
