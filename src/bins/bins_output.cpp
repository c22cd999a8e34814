#include "bins/bins_output.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "layers/output_file.h"
#include "reader/messages.h"
#include "reader/native_file.h"
#include "reader/number_text.h"
#include "reader/path_check.h"

namespace quillon {

namespace {

constexpr int kFrequencyDigits = 5, kLevelDigits = 2;

enum BinValue {
  kReceiver, kFrequency, kColumn, kRow, kCount, kMean, kPowerMean, kMin, kMax, kStd, kFirst, kLast, kLogs,
  kNoMeasurement
};


// The values of a bin, in the order of BinAttributes(); `shown`: reals rounded to
// the digits the text shows (for formats that keep them as binary numbers).
void Fill(const BinSquare& square, size_t bin, std::vector<AttributeValue>& v, bool shown) {
  v.assign(kNoMeasurement + 1, AttributeValue());
  auto integer = [&](int i, int64_t value) { v[i].Null = false, v[i].Integer = value; };
  auto real = [&](int i, double value, int digits) {
    v[i].Null = false, v[i].Real = shown ? AsShown(value, digits) : value;
  };
  const BinStats& s = square.Bins[bin];
  const int64_t frequency = square.Frequencies[bin];
  integer(kReceiver, square.Receiver);
  if (frequency >= 0) real(kFrequency, static_cast<double>(frequency) / 1e5, kFrequencyDigits);
  integer(kColumn, square.Column);
  integer(kRow, square.Row);
  integer(kCount, s.Count);
  if (s.Count > 0) {  // a square where nothing was measured has no levels
    real(kMean, s.Mean(), kLevelDigits);
    real(kPowerMean, s.PowerMean(), kLevelDigits);
    integer(kMin, s.Min);
    integer(kMax, s.Max);
    real(kStd, s.StandardDeviation(), kLevelDigits);
  }
  if (s.First <= s.Last) {
    v[kFirst].Null = v[kLast].Null = false;
    v[kFirst].Time = DateTimeOf(s.First), v[kLast].Time = DateTimeOf(s.Last);
  }
  integer(kLogs, s.Logs);
  integer(kNoMeasurement, s.NoMeasurement);
}


// "YYYY-MM-DD" of the last day written, kept for the times of the same day.
struct DayText {
  int64_t Day = INT64_MIN;
  char Text[16];
  size_t Length = 0;
};

// "YYYY-MM-DDTHH:MM:SSZ" of seconds since 1970.
char* WriteIso(char* p, int64_t seconds, DayText& day) {
  const int64_t d = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
  if (d != day.Day) {
    const DateTimeValue t = DateTimeOf(d * 86400);
    char* q = WriteTwoDigits(WriteTwoDigits(day.Text, t.Year / 100), t.Year % 100);
    *q++ = '-';
    q = WriteTwoDigits(q, t.Month);
    *q++ = '-';
    q = WriteTwoDigits(q, t.Day);
    day.Day = d, day.Length = static_cast<size_t>(q - day.Text);
  }
  std::memcpy(p, day.Text, day.Length);
  p += day.Length;
  *p++ = 'T';
  const int64_t s = seconds - d * 86400;
  p = WriteTwoDigitTriple(p, static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60), static_cast<int>(s % 60), ':');
  *p++ = 'Z';
  return p;
}

constexpr size_t kMaxLine = 512;

// One line of the delimited bins, in the order of BinAttributes(), ending in CR LF.
char* WriteBinLine(char* p, const char* position, size_t positionLength, const BinSquare& square, size_t bin,
                   char delimiter, DayText& day) {
  const BinStats& s = square.Bins[bin];
  const int64_t frequency = square.Frequencies[bin];
  std::memcpy(p, position, positionLength);
  p += positionLength;
  *p++ = delimiter;
  p = WriteInt(p, square.Receiver);
  *p++ = delimiter;
  if (frequency >= 0) p = WriteFixed<kFrequencyDigits>(p, static_cast<double>(frequency) / 1e5);
  *p++ = delimiter;
  p = WriteInt(p, square.Column);
  *p++ = delimiter;
  p = WriteInt(p, square.Row);
  *p++ = delimiter;
  p = WriteInt(p, s.Count);
  *p++ = delimiter;
  if (s.Count > 0) p = WriteFixed<kLevelDigits>(p, s.Mean());
  *p++ = delimiter;
  if (s.Count > 0) p = WriteFixed<kLevelDigits>(p, s.PowerMean());
  *p++ = delimiter;
  if (s.Count > 0) p = WriteInt(p, s.Min);
  *p++ = delimiter;
  if (s.Count > 0) p = WriteInt(p, s.Max);
  *p++ = delimiter;
  if (s.Count > 0) p = WriteFixed<kLevelDigits>(p, s.StandardDeviation());
  *p++ = delimiter;
  if (s.First <= s.Last) p = WriteIso(p, s.First, day);
  *p++ = delimiter;
  if (s.First <= s.Last) p = WriteIso(p, s.Last, day);
  *p++ = delimiter;
  p = WriteInt(p, s.Logs);
  *p++ = delimiter;
  p = WriteInt(p, s.NoMeasurement);
  *p++ = '\r';
  *p++ = '\n';
  return p;
}

}  // namespace

std::vector<Attribute> BinAttributes() {
  using S = Attribute::Source;
  using T = AttributeType;
  std::vector<Attribute> list = {
      {"receiver", T::Integer, 0, 0, S::Receiver},
      {"freq_mhz", T::Real, 20, kFrequencyDigits, S::Frequency},
      {"col", T::Integer, 0, 0, S::Value},
      {"row", T::Integer, 0, 0, S::Value},
      {"count", T::Integer, 0, 0, S::Value},
      {"rssi_mean", T::Real, 20, kLevelDigits, S::RssiMean},
      {"rssi_power_mean", T::Real, 20, kLevelDigits, S::Value},
      {"rssi_min", T::Integer, 0, 0, S::Value},
      {"rssi_max", T::Integer, 0, 0, S::Value},
      {"rssi_std", T::Real, 20, kLevelDigits, S::Value},
      {"first_time", T::DateTime, 0, 0, S::FirstTime},
      {"last_time", T::DateTime, 0, 0, S::LastTime},
      {"logs", T::Integer, 0, 0, S::Value},
      {"no_measurement", T::Integer, 0, 0, S::Value},
  };
  list[kPowerMean].DbaseName = "rssi_pmean";
  list[kNoMeasurement].DbaseName = "no_meas";
  return list;
}

std::string BinsPathOf(const std::string& output) {
  if (output.compare(0, 3, "PG:") == 0) return output;
  const std::filesystem::path path = native::PathOf(output);
  const std::string name = native::Utf8Of(path.stem()) + "-bins" + native::Utf8Of(path.extension());
  return path.has_parent_path() ? native::Utf8Of(path.parent_path() / native::PathOf(name)) : name;
}

bool WriteBinsLayer(LayerWriter& writer, const std::string& target, const std::string& layer, CoverageBins& bins,
                    std::string& error) {
  if (!writer.Open(target, layer, BinAttributes(), LayerGeometry::Polygon, error) || !writer.BeginLog(error))
    return false;
  // The ring is the geometry; the point, the centre as the delimited bins show it,
  // goes to writers that keep a position instead (the Python module's frames).
  LayerFeature feature;
  feature.HasRing = feature.HasPoint = true;
  bool written = true;
  for (const BinSquare& square : bins.Squares()) {
    const std::array<LonLat, 5> ring = bins.Grid().Corners(square.Column, square.Row);
    for (size_t k = 0; k < 5; ++k) feature.Ring[2 * k] = ring[k].Lon, feature.Ring[2 * k + 1] = ring[k].Lat;
    const LonLat centre = bins.Grid().Centre(square.Column, square.Row);
    feature.Longitude = AsShown(centre.Lon, 6), feature.Latitude = AsShown(centre.Lat, 6);
    for (size_t bin = 0; bin < square.Bins.size(); ++bin) {
      Fill(square, bin, feature.Values, true);
      if (!(written = writer.Write(feature, error))) break;
    }
    if (!written) break;
  }
  std::string ignored;
  if (!written) return writer.EndLog(false, ignored), writer.Close(false, ignored), false;
  return writer.EndLog(true, error) && writer.Close(true, error);
}

bool WriteBinsText(const std::string& path, CoverageBins& bins, char delimiter, bool header, std::string& error) {
  OutputFile out;
  if (!out.Open(path)) {
    error = std::string(messages::kOutputFileCannotBeAccessed) + "\n" + SystemReason(path, out.ErrorNumber());
    return false;
  }
  TextBuffer text;
  const std::vector<Attribute> attributes = BinAttributes();
  if (header) {
    text.append("\"Latitude\"", 10);
    text.push_back(delimiter);
    text.append("\"Longitude\"", 11);
    for (const Attribute& a : attributes) {
      text.push_back(delimiter);
      text.push_back('"');
      text.append(a.Name.data(), a.Name.size());
      text.push_back('"');
    }
    out.Raw(text.data(), text.size());
    out.LineEnd();
  }
  char position[2 * kMaxFixedText + 2];
  DayText day;
  for (const BinSquare& square : bins.Squares()) {
    const LonLat centre = bins.Grid().Centre(square.Column, square.Row);
    char* p = WriteFixed<6>(position, centre.Lat);
    *p++ = delimiter;
    p = WriteFixed<6>(p, centre.Lon);
    const size_t positionLength = static_cast<size_t>(p - position);
    for (size_t bin = 0; bin < square.Bins.size(); ++bin) {
      TextBuffer& pending = out.Pending();
      pending.CommitTo(WriteBinLine(pending.Tail(kMaxLine), position, positionLength, square, bin, delimiter, day));
      out.Appended();
    }
  }
  if (out.Close()) return true;
  error = messages::kUnableToWriteTo + path + "\n" + SystemReason(path, out.ErrorNumber());
  return false;
}

}  // namespace quillon
