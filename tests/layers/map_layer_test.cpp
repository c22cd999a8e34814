// Map layers read back with GDAL's own API (not with the writers of the program):
// for each file format and several settings, the sample log converted by
// quillon-convert must give the features the delimited output of the same settings
// implies (one per printed data-block entry), with the schema's names and types, and
// every number printed with its field's digits equal to the delimited text.
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "reader/field_catalogue.h"
#include "reader/number_text.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::ReadFile;
using testing::TempDir;

// A row of the delimited output: its columns, then its data block's entries.
struct ExpectedFeature {
  long Row = 0;
  int Entry = -1;  // -1: the row prints no entry
  std::vector<std::string> Columns;
  std::vector<std::string> Values;  // the entry's values, one per checked box
};

struct Setting {
  const char* Name;
  std::string Options;
  std::vector<int> Fields;  // the columns before the data block, which comes last
  int Boxes;                // values per entry
};

std::vector<Setting> Settings() {
  std::vector<int> all;
  for (const FieldInfo& f : kFields)
    if (f.Type != FieldType::DataBlock && f.Type != FieldType::LineBreak) all.push_back(Index(f.Id));
  std::string list;
  for (int f : all) list += std::to_string(f) + ",";
  return {
      {"default", "", {22, 18, 5, 11}, 2},
      {"all", "--fields " + list + "0", all, 2},
      {"best", "--best-server", {22, 18, 5, 11}, 2},
      {"lambda", "--lambda", {22, 18, 5, 11}, 2},
      {"rx2", "--receiver 2", {22, 18, 5, 11}, 2},
      {"channel", "--data freq,channel,rssi --fields 32,5,11,49,0", {32, 5, 11, 49}, 3},
  };
}

std::vector<ExpectedFeature> FromDelimited(const std::string& text, const Setting& s) {
  std::vector<ExpectedFeature> features;
  std::istringstream lines(text);
  std::string line;
  long row = 0;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++row;
    std::vector<std::string> tokens;
    std::stringstream split(line);
    for (std::string t; std::getline(split, t, ',');) tokens.push_back(t);
    if (!line.empty() && line.back() == ',') tokens.emplace_back();
    ExpectedFeature f;
    f.Row = row;
    f.Columns.assign(tokens.begin(), tokens.begin() + static_cast<long>(s.Fields.size()));
    const size_t values = tokens.size() - s.Fields.size();
    if (values == 0) {
      features.push_back(f);
      continue;
    }
    for (size_t e = 0; e * s.Boxes < values; ++e) {
      ExpectedFeature g = f;
      g.Entry = static_cast<int>(e);
      g.Values.assign(tokens.begin() + static_cast<long>(s.Fields.size() + e * s.Boxes),
                      tokens.begin() + static_cast<long>(s.Fields.size() + (e + 1) * s.Boxes));
      features.push_back(g);
    }
  }
  return features;
}

std::string Printed(double v, int digits) {
  TextBuffer text;
  AppendFixed(text, v, digits);
  return text.str();
}

// The text of a number or text as the delimited output shows it.
std::string AsDelimited(OGRFeature& f, int index, const FieldInfo& field) {
  const OGRFieldType type = f.GetFieldDefnRef(index)->GetType();
  if (!f.IsFieldSetAndNotNull(index)) return "";
  if (field.Type == FieldType::Real) return Printed(f.GetFieldAsDouble(index), field.Digits);
  if (field.Type == FieldType::Integer) {
    const long long v = f.GetFieldAsInteger64(index);
    char text[32];
    std::snprintf(text, sizeof text, field.Digits == 2 ? "%02lld" : "%lld", v);
    return text;
  }
  if (type == OFTTime || type == OFTDate || type == OFTDateTime) {  // GeoJSON guesses times from their text
    int y, m, d, h, mi, tz;
    float s;
    f.GetFieldAsDateTime(index, &y, &m, &d, &h, &mi, &s, &tz);
    char text[32];
    if (type == OFTTime) {
      std::snprintf(text, sizeof text, "%02d:%02d:%02d", h, mi, static_cast<int>(s));
    } else {
      std::snprintf(text, sizeof text, "%02d/%02d/%04d", m, d, y);
    }
    return text;
  }
  return f.GetFieldAsString(index);
}

bool TimeOf(OGRFeature& f, int index, int out[6]) {
  if (!f.IsFieldSetAndNotNull(index)) return false;
  float seconds = 0;
  int tz = 0;
  if (f.GetFieldDefnRef(index)->GetType() == OFTDateTime) {
    f.GetFieldAsDateTime(index, &out[0], &out[1], &out[2], &out[3], &out[4], &seconds, &tz);
  } else {
    OGRField parsed;
    if (!OGRParseDate(f.GetFieldAsString(index), &parsed, 0)) return false;
    out[0] = parsed.Date.Year, out[1] = parsed.Date.Month, out[2] = parsed.Date.Day;
    out[3] = parsed.Date.Hour, out[4] = parsed.Date.Minute, seconds = parsed.Date.Second;
  }
  out[5] = static_cast<int>(seconds);
  return true;
}

struct Format {
  const char* Name;
  const char* Extension;
  // Types the format reads back, where they differ from the schema's.
  OGRFieldType Row, Time;
};

const Format kFormats[] = {
    {"gpkg", ".gpkg", OFTInteger64, OFTDateTime}, {"tab", ".tab", OFTInteger, OFTDateTime},
    {"mif", ".mif", OFTInteger, OFTDateTime},     {"shp", ".shp", OFTInteger64, OFTString},
    {"fgb", ".fgb", OFTInteger64, OFTDateTime},   {"geojson", ".geojson", OFTInteger, OFTDateTime},
    {"kml", ".kml", OFTInteger, OFTString},
};

struct Datasets {
  Datasets() { GDALAllRegister(); }
};

TEST(MapLayerTest, EveryFormatReadsBackAsTheDelimitedOutput) {
  static Datasets registered;
  TempDir dir;
  const std::string sample = KLF_SAMPLE;
  for (const Setting& s : Settings()) {
    const std::string csv = dir.File(std::string(s.Name) + ".out");
    ASSERT_EQ(std::system((std::string(QUILLON_CONVERT) + " " + sample + " -o " + csv + " --quiet --no-header " +
                           s.Options + (s.Options.find("--fields") == std::string::npos ? " --fields 22,18,5,11,0" : ""))
                              .c_str()),
              0);
    const std::vector<ExpectedFeature> expected = FromDelimited(ReadFile(csv), s);
    ASSERT_GT(expected.size(), 100u);
    for (const Format& format : kFormats) {
      SCOPED_TRACE(std::string(s.Name) + " " + format.Name);
      const std::string out = dir.File(std::string(s.Name) + format.Extension);
      ASSERT_EQ(std::system((std::string(QUILLON_CONVERT) + " " + sample + " -o " + out + " --quiet " + s.Options +
                             (s.Options.find("--fields") == std::string::npos ? " --fields 22,18,5,11,0" : ""))
                                .c_str()),
                0);
      std::unique_ptr<GDALDataset> ds(GDALDataset::Open(out.c_str(), GDAL_OF_VECTOR));
      ASSERT_TRUE(ds);
      OGRLayer* layer = ds->GetLayerCount() == 1 ? ds->GetLayer(0) : ds->GetLayerByName("measurements");
      ASSERT_NE(layer, nullptr);
      ASSERT_EQ(layer->GetFeatureCount(), static_cast<GIntBig>(expected.size()));
      const OGRFeatureDefn* defn = layer->GetLayerDefn();
      auto field = [defn](const char* name) { return defn->GetFieldIndex(name); };
      for (const char* name : {"log", "row", "entry", "scan", "receiver", "time"}) ASSERT_GE(field(name), 0) << name;
      EXPECT_EQ(defn->GetFieldDefn(field("row"))->GetType(), format.Row);
      EXPECT_EQ(defn->GetFieldDefn(field("time"))->GetType(), format.Time);
      EXPECT_EQ(defn->GetFieldDefn(field("rssi_dbm"))->GetType(), OFTInteger);
      EXPECT_EQ(defn->GetFieldDefn(field("freq_mhz"))->GetType(), OFTReal);
      std::vector<int> columns;
      std::set<int> seen;
      for (int f : s.Fields) {
        const FieldInfo& info = kFields[static_cast<size_t>(f)];
        if (info.Type == FieldType::Empty || !seen.insert(f).second) continue;
        const int index = field(info.ShortName);
        ASSERT_GE(index, 0) << info.ShortName;
        const OGRFieldType type = defn->GetFieldDefn(index)->GetType();
        if (info.Type == FieldType::Integer) {
          EXPECT_TRUE(type == OFTInteger || type == OFTInteger64) << info.ShortName;
        }
        if (info.Type == FieldType::Real) {
          EXPECT_EQ(type, OFTReal) << info.ShortName;
        }
        columns.push_back(f);
      }
      EXPECT_LT(field("ber"), 0);  // fields that never have a value are left out
      const int freq = field("freq_mhz"), channel = field("channel"), rssi = field("rssi_dbm");
      const int dateColumn = static_cast<int>(std::find(s.Fields.begin(), s.Fields.end(), 22) - s.Fields.begin());
      const int timeColumn = static_cast<int>(std::find(s.Fields.begin(), s.Fields.end(), 18) - s.Fields.begin());
      const int latColumn = static_cast<int>(std::find(s.Fields.begin(), s.Fields.end(), 5) - s.Fields.begin());
      const int lonColumn = static_cast<int>(std::find(s.Fields.begin(), s.Fields.end(), 11) - s.Fields.begin());
      layer->ResetReading();
      size_t n = 0;
      for (auto& f : *layer) {
        ASSERT_LT(n, expected.size());
        const ExpectedFeature& e = expected[n++];
        ASSERT_EQ(f->GetFieldAsInteger64(field("row")), e.Row) << n;
        EXPECT_STREQ(f->GetFieldAsString(field("log")), "drive-sample.klf");
        if (e.Entry < 0) {
          EXPECT_FALSE(f->IsFieldSetAndNotNull(field("entry")));
          EXPECT_FALSE(f->IsFieldSetAndNotNull(rssi));
        } else {
          ASSERT_EQ(f->GetFieldAsInteger(field("entry")), e.Entry) << n;
          size_t v = 0;
          EXPECT_EQ(Printed(f->GetFieldAsDouble(freq), 5), e.Values[v++]);  // every setting shows frequencies
          if (s.Boxes == 3) {
            EXPECT_EQ(std::to_string(f->GetFieldAsInteger(channel)), e.Values[v++]);
          }
          // The receiver measured nothing: null (MapInfo, which holds no nulls, reads 0).
          const bool mapInfo = std::string(format.Extension) == ".tab" || std::string(format.Extension) == ".mif";
          if (e.Values[v] == "-120" && !mapInfo) {
            EXPECT_FALSE(f->IsFieldSetAndNotNull(rssi)) << n;
          } else if (e.Values[v] == "-120") {
            EXPECT_EQ(f->GetFieldAsInteger(rssi), 0) << n;
          } else {
            EXPECT_EQ(std::to_string(f->GetFieldAsInteger(rssi)), e.Values[v]) << n;
          }
        }
        for (int c : columns) {
          const size_t at = static_cast<size_t>(std::find(s.Fields.begin(), s.Fields.end(), c) - s.Fields.begin());
          const FieldInfo& info = kFields[static_cast<size_t>(c)];
          const std::string value = AsDelimited(*f, field(info.ShortName), info);
          if (value.empty() && std::string(info.ShortName).rfind("rtc_", 0) == 0) {
            // Before the first clock record the clock has no value: null, where the text shows zeros.
            EXPECT_EQ(e.Columns[at].find_first_not_of("0/:-"), std::string::npos) << info.ShortName << " at " << n;
          } else {
            EXPECT_EQ(value, e.Columns[at]) << info.ShortName << " at " << n;
          }
        }
        OGRPoint* point = f->GetGeometryRef() ? f->GetGeometryRef()->toPoint() : nullptr;
        ASSERT_NE(point, nullptr);
        if (static_cast<size_t>(lonColumn) < s.Fields.size()) {
          EXPECT_EQ(Printed(point->getX(), 6), e.Columns[lonColumn]);
        }
        if (static_cast<size_t>(latColumn) < s.Fields.size()) {
          EXPECT_EQ(Printed(point->getY(), 6), e.Columns[latColumn]);
        }
        int t[6];
        if (static_cast<size_t>(dateColumn) < s.Fields.size() && static_cast<size_t>(timeColumn) < s.Fields.size()) {
          ASSERT_TRUE(TimeOf(*f, field("time"), t));
          char shown[40];
          std::snprintf(shown, sizeof shown, "%02d/%02d/%04d %02d:%02d:%02d", t[1], t[2], t[0], t[3], t[4], t[5]);
          EXPECT_EQ(shown, e.Columns[dateColumn] + " " + e.Columns[timeColumn]);
        }
        if (::testing::Test::HasFailure()) return;
      }
      EXPECT_EQ(n, expected.size());
    }
  }
}

// The GeoPackage passes the format's own checks.
TEST(MapLayerTest, GeoPackageIsAGeoPackage) {
  static Datasets registered;
  TempDir dir;
  const std::string out = dir.File("drive.gpkg");
  ASSERT_EQ(std::system((std::string(QUILLON_CONVERT) + " " + KLF_SAMPLE + " -o " + out + " --quiet").c_str()), 0);
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(out.c_str(), GDAL_OF_VECTOR));
  ASSERT_TRUE(ds);
  auto scalar = [&](const char* sql) {
    OGRLayer* result = ds->ExecuteSQL(sql, nullptr, nullptr);
    std::string value;
    if (result) {
      if (OGRFeature* f = result->GetNextFeature()) {
        value = f->GetFieldAsString(0);
        OGRFeature::DestroyFeature(f);
      }
      ds->ReleaseResultSet(result);
    }
    return value;
  };
  EXPECT_EQ(scalar("PRAGMA application_id"), std::to_string(0x47504B47));  // "GPKG"
  EXPECT_GE(std::stoi(scalar("PRAGMA user_version")), 10200);
  EXPECT_EQ(scalar("SELECT data_type || ',' || srs_id FROM gpkg_contents WHERE table_name = 'measurements'"),
            "features,4326");
  EXPECT_EQ(scalar("SELECT count(*) FROM gpkg_spatial_ref_sys WHERE srs_id = 4326"), "1");
  EXPECT_EQ(scalar("SELECT geometry_type_name FROM gpkg_geometry_columns WHERE table_name = 'measurements'"), "POINT");
  EXPECT_EQ(scalar("SELECT count(*) FROM measurements WHERE substr(geom, 1, 2) <> x'4750'"), "0");  // "GP" blobs
  EXPECT_EQ(scalar("SELECT count(*) FROM rtree_measurements_geom"),
            scalar("SELECT count(*) FROM measurements WHERE geom IS NOT NULL"));
  EXPECT_EQ(scalar("SELECT rtreecheck('rtree_measurements_geom')"), "ok");
  EXPECT_EQ(scalar("PRAGMA integrity_check"), "ok");
}

// A run that fails or is refused leaves an earlier dataset of that name as it was.
TEST(MapLayerTest, EarlierDatasetsStayWhenARunFails) {
  TempDir dir;
  const std::string cli = std::string(QUILLON_CONVERT) + " --quiet ";
  for (const char* ext : {".gpkg", ".shp", ".kml"}) {
    const std::string out = dir.File(std::string("kept") + ext);
    ASSERT_EQ(std::system((cli + KLF_SAMPLE + " -o " + out).c_str()), 0);
    const std::string before = ReadFile(out);
    testing::WriteFile(dir.File("broken.klf"), std::string(20, '\0') + "not a log");
    EXPECT_NE(std::system((cli + dir.File("broken.klf") + " -o " + out + " 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((cli + KLF_SAMPLE + " -o " + out + " --delimiter '' 2>/dev/null").c_str()), 0);
    EXPECT_EQ(ReadFile(out), before) << ext;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
      EXPECT_EQ(e.path().filename().string().rfind(".quillon-", 0), std::string::npos) << "a staging folder stayed";
  }
}

TEST(MapLayerTest, FormatsAndTheirChoice) {
  TempDir dir;
  const std::string cli = std::string(QUILLON_CONVERT) + " --quiet ";
  const struct {
    std::string arguments;
    int status;
  } cases[] = {
      {std::string(KLF_SAMPLE) + " --format dxf -o " + dir.File("a.dxf"), 2},
      {std::string(KLF_SAMPLE) + " --format postgis -o " + dir.File("a.out"), 2},
      {std::string(KLF_SAMPLE) + " -o " + dir.File("a.out") + " --layer x", 2},
      {"--folder " + dir.Path() + " --into " + dir.File("all.out"), 2},
      {std::string(KLF_SAMPLE) + " --format gpkg -o " + dir.File("chosen.out"), 0},
      {std::string(KLF_SAMPLE) + " -o " + dir.File("NAMED.GPKG") + " --layer drives", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(WEXITSTATUS(std::system((cli + c.arguments + " 2>/dev/null").c_str())), c.status)
      << c.arguments;
  static Datasets registered;
  std::unique_ptr<GDALDataset> chosen(GDALDataset::Open(dir.File("chosen.out").c_str(), GDAL_OF_VECTOR));
  ASSERT_TRUE(chosen);
  EXPECT_STREQ(chosen->GetDriverName(), "GPKG");
  std::unique_ptr<GDALDataset> named(GDALDataset::Open(dir.File("NAMED.GPKG").c_str(), GDAL_OF_VECTOR));
  ASSERT_TRUE(named);
  EXPECT_NE(named->GetLayerByName("drives"), nullptr);
}

// --into gathers every log of a folder into one layer; the log attribute tells them apart.
TEST(MapLayerTest, FolderIntoOneDataset) {
  static Datasets registered;
  TempDir dir;
  std::filesystem::create_directory(dir.File("in"));
  std::filesystem::copy_file(KLF_SAMPLE, dir.File("in/a.klf"));
  std::filesystem::copy_file(KLF_SAMPLE, dir.File("in/b.klf"));
  const std::string cli = std::string(QUILLON_CONVERT) + " --quiet ";
  ASSERT_EQ(std::system((cli + "--folder " + dir.File("in") + " --into " + dir.File("all.gpkg")).c_str()), 0);
  ASSERT_EQ(std::system((cli + KLF_SAMPLE + " -o " + dir.File("one.gpkg")).c_str()), 0);
  std::unique_ptr<GDALDataset> all(GDALDataset::Open(dir.File("all.gpkg").c_str(), GDAL_OF_VECTOR));
  std::unique_ptr<GDALDataset> one(GDALDataset::Open(dir.File("one.gpkg").c_str(), GDAL_OF_VECTOR));
  ASSERT_TRUE(all && one);
  OGRLayer* layer = all->GetLayerByName("measurements");
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->GetFeatureCount(), 2 * one->GetLayer(0)->GetFeatureCount());
  layer->SetAttributeFilter("log = 'b.klf'");
  EXPECT_EQ(layer->GetFeatureCount(), one->GetLayer(0)->GetFeatureCount());
}

}  // namespace
}  // namespace quillon
