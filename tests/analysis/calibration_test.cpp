// The survey analysis on simulated CW surveys whose model is known: klf-synth drives
// away from a transmitter and back with a given k1, k2 and shadowing, quillon-convert
// fits it. Also the filters' counts, worked out from the delimited output of the same
// conversion, and the calibration file's form.
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "analysis/geodesic.h"
#include "support/converter.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::ReadFile;
using testing::TempDir;

constexpr double kK1 = 130, kK2 = 35;
const std::string kSite = "45.5,-73.6";

struct Calibration {
  std::map<std::string, std::string> Columns;  // of the site's line over all frequencies
  std::string Messages;                        // stderr
  std::string Text;                            // the calibration file
  double Value(const char* column) const { return std::stod(Columns.at(column)); }
};

// The first fit's line of a calibration file (the line after its header).
std::string FirstFit(const std::string& path) {
  std::istringstream lines(ReadFile(path));
  std::string line;
  std::getline(lines, line);
  std::getline(lines, line);
  return line;
}

// Simulates a survey with `synth` options and converts it with `convert` options.
Calibration Survey(const TempDir& dir, const std::string& synth, const std::string& convert) {
  const std::string log = dir.File("cw.klf"), err = dir.File("err");
  EXPECT_EQ(std::system((std::string(KLF_SYNTH) + " " + log + " --cw-site " + kSite + "," + synth).c_str()), 0);
  const int status = std::system((Converter() + " " + log + " -o " + dir.File("cw.out") + " --site " + kSite +
                                  " " + convert + " 2>" + err)
                                     .c_str());
  EXPECT_EQ(WEXITSTATUS(status), 0);
  Calibration c;
  c.Messages = ReadFile(err);
  c.Text = ReadFile(dir.File("cw-calibration.csv"));
  std::istringstream lines(c.Text);
  std::string header, line;
  std::getline(lines, header);
  while (std::getline(lines, line))
    if (line.rfind("site,,", 0) == 0) {
      std::istringstream names(header), values(line);
      std::string name, value;
      while (std::getline(names, name, ',') && std::getline(values, value, ','))
        c.Columns[name.substr(0, name.find('\r'))] = value.substr(0, value.find('\r'));
    }
  EXPECT_FALSE(c.Columns.empty()) << c.Text;
  return c;
}

TEST(CalibrationTest, KnownModelsComeBack) {
  const struct {
    const char* name;
    std::string synth, convert;
    double k1, k1Tolerance, k2Tolerance;
    double stdDev, stdDevTolerance;  // stdDev < 0: not checked
  } cases[] = {
      // Whole dBm only: the fit returns the model.
      {"no shadowing, no fading", "62,130,35,0 --no-fading", "--eirp 62", kK1, 0.3, 0.3, -1, 0},
      // Within the receiver's range at three deviations, so that no tail is cut off.
      {"shadowing of 8 dB", "67,130,35,8 --no-fading --seed 5",
       "--eirp 67 --fit-rssi -119,-31 --fit-distance 500,10000", kK1, 1, 1, 8, 1},
      // Local means of Rayleigh fading in dB lie 2.5 dB below the mean power; the
      // averager's truncation toward zero gives back about half a dB.
      {"fading, 40 Lambda", "67,130,35,0 --seed 7", "--eirp 67 --lambda", kK1 + 2.0, 1, 1, -1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const Calibration fit = Survey(dir, c.synth, c.convert);
    EXPECT_NEAR(fit.Value("k1_db"), c.k1, c.k1Tolerance);
    EXPECT_NEAR(fit.Value("k2_db_per_decade"), kK2, c.k2Tolerance);
    if (c.stdDev >= 0) {
      EXPECT_NEAR(fit.Value("std_dev_db"), c.stdDev, c.stdDevTolerance);
    }
    EXPECT_NEAR(fit.Value("exponent"), fit.Value("k2_db_per_decade") / 10, 0.0006);
    EXPECT_LT(fit.Value("min_distance_m"), 600);
    EXPECT_GT(fit.Value("max_distance_m"), 9900);
  }
}

TEST(CalibrationTest, GivenModelIsEvaluated) {
  TempDir dir;
  const Calibration judged = Survey(dir, "62,130,35,0 --no-fading", "--eirp 62 --model 130,35");
  EXPECT_NEAR(judged.Value("mean_error_db"), 0, 0.5);
  EXPECT_EQ(judged.Columns.at("k1_db"), "130.00");
  EXPECT_EQ(judged.Columns.at("k2_db_per_decade"), "35.00");
  const Calibration off = Survey(dir, "62,130,35,0 --no-fading", "--eirp 62 --model 127,35");
  EXPECT_NEAR(off.Value("mean_error_db"), 3, 0.5);  // measured 3 dB above the model's prediction
}

// Lee's criterion: at 100 samples a second, 40 wavelengths at 1935 MHz (6.2 m) hold 36
// samples up to 62 km/h; a van driving faster fills fewer windows.
TEST(CalibrationTest, LeeShareFallsWithSpeed) {
  const struct {
    const char* speed;
    double least, most;  // the share of windows meeting the criterion, %
  } cases[] = {{"30", 90, 100}, {"58", 50, 100}, {"120", 0, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.speed);
    TempDir dir;
    const Calibration fit =
        Survey(dir, std::string("62,130,35,0 --speed ") + c.speed + " --sample-rate 100", "--eirp 62 --lambda");
    const std::string marker = "Lee's criterion (36 samples) ";
    const size_t at = fit.Messages.find(marker);
    ASSERT_NE(at, std::string::npos) << fit.Messages;
    const double share = std::stod(fit.Messages.substr(at + marker.size()));
    EXPECT_GE(share, c.least);
    EXPECT_LE(share, c.most);
    EXPECT_NE(fit.Messages.find("100.0 samples/s, criterion met below 62.0 km/h"), std::string::npos) << fit.Messages;
    EXPECT_EQ(fit.Messages.find("Warning: Survey: only") == std::string::npos, share >= 50);
  }
}

// Every filter's count, worked out entry by entry from the delimited output of the
// same conversion (position as printed, distance on the ellipsoid).
TEST(CalibrationTest, FiltersCountedExactly) {
  TempDir dir;
  const std::string log = dir.File("cw.klf");
  ASSERT_EQ(std::system((std::string(KLF_SYNTH) + " " + log + " --cw-site " + kSite + ",55,130,35,6 --seed 11").c_str()),
            0);
  const std::string options = " --site " + kSite + " --eirp 55 --fit-rssi -100,-50 --fit-distance 300,12000";
  const std::string err = dir.File("err");
  ASSERT_EQ(std::system((Converter() + " " + log + " -o " + dir.File("cw.csv") +
                         " --fields 5,11,0 --data rssi --no-header" + options + " 2>" + err)
                            .c_str()),
            0);
  int64_t noMeasurement = 0, signal = 0, distance = 0, kept = 0;
  std::istringstream rows(ReadFile(dir.File("cw.csv")));
  std::string row;
  while (std::getline(rows, row)) {
    std::istringstream values(row);
    std::string lat, lon, rssi;
    std::getline(values, lat, ',');
    std::getline(values, lon, ',');
    const double metres = GeodesicDistance(45.5, -73.6, std::stod(lat), std::stod(lon));
    while (std::getline(values, rssi, ',')) {
      const int dbm = std::stoi(rssi);
      if (dbm == -120) ++noMeasurement;
      else if (dbm < -100 || dbm > -50) ++signal;
      else if (metres < 300 || metres > 12000) ++distance;
      else ++kept;
    }
  }
  for (const int64_t count : {noMeasurement, signal, distance, kept}) ASSERT_GT(count, 0);  // every filter meets some
  const std::string expected = "Measurements: " + std::to_string(kept) + " entered; left out: 0 of no site, " +
                               "0 without position, " + std::to_string(noMeasurement) +
                               " without measurement (-120 dBm), " + std::to_string(signal) + " outside -100 to -50 dBm, " +
                               std::to_string(distance) + " outside 300 to 12000 m.";
  EXPECT_NE(ReadFile(err).find(expected), std::string::npos) << ReadFile(err);
}

TEST(CalibrationTest, CalibrationFileForm) {
  TempDir dir;
  const Calibration c = Survey(dir, "62,130,35,0 --no-fading", "--eirp 62");
  EXPECT_EQ(c.Text.substr(0, c.Text.find('\n') + 1),
            "site,freq_mhz,receiver,points,k1_db,k2_db_per_decade,exponent,mean_error_db,std_dev_db,rms_db,r2,"
            "min_distance_m,max_distance_m\r\n");
  EXPECT_NE(c.Text.find("\r\nsite,1935.00000,,"), std::string::npos);
  EXPECT_EQ(c.Columns.at("freq_mhz"), "");
  EXPECT_EQ(c.Columns.at("receiver"), "");
  EXPECT_EQ(c.Columns.at("mean_error_db"), "0.00");  // least squares: none
}

// A folder run into one dataset fits all its logs together: its points are those of
// the logs' own fits, and its calibration file is named after the dataset.
TEST(CalibrationTest, FolderRunFitsItsLogsTogether) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("in"));
  int64_t each = 0;
  for (const char* seed : {"1", "2"}) {
    const std::string log = dir.File(std::string("in/cw") + seed + ".klf");
    ASSERT_EQ(std::system((std::string(KLF_SYNTH) + " " + log + " --cw-site " + kSite + ",62,130,35,6 --seed " + seed +
                           " --speed 90")
                              .c_str()),
              0);
    ASSERT_EQ(std::system((Converter() + " --quiet " + log + " -o " + dir.File("one.out") + " --site " + kSite +
                           " --eirp 62")
                              .c_str()),
              0);
    const std::string line = FirstFit(dir.File("one-calibration.csv"));
    each += std::stoll(line.substr(line.find(",,") + 2));
  }
  ASSERT_EQ(std::system((Converter() + " --quiet --folder " + dir.File("in") + " --into " + dir.File("all.gpkg") +
                         " --site " + kSite + " --eirp 62")
                            .c_str()),
            0);
  const std::string line = FirstFit(dir.File("all-calibration.csv"));
  EXPECT_EQ(std::stoll(line.substr(line.find(",,") + 2)), each) << line;
  EXPECT_TRUE(std::filesystem::exists(dir.File("all-calibration.gpkg")));
}

// A single channel's records are taken a record at a time into running sums; with a
// map format every entry is taken one by one (its point is kept for the layer). Both
// give the same fits.
TEST(CalibrationTest, RecordsAndSingleEntriesGiveTheSameFits) {
  TempDir dir;
  const std::string log = dir.File("cw.klf");
  ASSERT_EQ(std::system((std::string(KLF_SYNTH) + " " + log + " --cw-site " + kSite + ",62,130,35,8 --seed 5").c_str()), 0);
  std::vector<std::vector<std::string>> fits;
  for (const char* out : {"cw.out", "cw.gpkg"}) {
    ASSERT_EQ(std::system((Converter() + " --quiet " + log + " -o " + dir.File(out) + " --site " + kSite +
                           " --eirp 62 --fit-distance 150,20000")
                              .c_str()),
              0);
    std::istringstream lines(ReadFile(dir.File("cw-calibration.csv")));
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
      std::vector<std::string> v;
      std::istringstream fields(line.substr(0, line.find('\r')));
      for (std::string f; std::getline(fields, f, ',');) v.push_back(f);
      fits.push_back(v);
    }
  }
  ASSERT_EQ(fits.size(), 4u);  // the site at its frequency, and over all, from each
  for (size_t line = 0; line < 2; ++line) {
    const std::vector<std::string>&a = fits[line], &b = fits[line + 2];
    ASSERT_EQ(a.size(), 13u);
    ASSERT_EQ(b.size(), 13u);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(a[i], b[i]);  // site, frequency, receiver, points
    for (size_t i = 4; i < 13; ++i) {
      SCOPED_TRACE(i);
      EXPECT_NEAR(std::stod(a[i]), std::stod(b[i]), i == 10 ? 1.1e-4 : 0.011);  // to the last digit shown
    }
  }
}

// With a map format the points of the fits are a layer of their own, their errors
// those of the fit in the calibration file.
TEST(CalibrationTest, CalibrationLayerHoldsTheFitsPoints) {
  TempDir dir;
  const std::string log = dir.File("cw.klf");
  ASSERT_EQ(std::system((std::string(KLF_SYNTH) + " " + log + " --cw-site " + kSite + ",62,130,35,6 --seed 2").c_str()), 0);
  for (const char* ext : {".gpkg", ".shp"}) {
    SCOPED_TRACE(ext);
    ASSERT_EQ(std::system((Converter() + " --quiet " + log + " -o " + dir.File(std::string("cw") + ext) + " --site " +
                           kSite + " --eirp 62")
                              .c_str()),
              0);
    const std::string line = FirstFit(dir.File("cw-calibration.csv"));  // the site at 1935 MHz
    std::vector<std::string> v;
    std::istringstream fields(line);
    for (std::string f; std::getline(fields, f, ',');) v.push_back(f);
    ASSERT_EQ(v.size(), 13u) << line;
    const double k1 = std::stod(v[4]), k2 = std::stod(v[5]);
    GDALAllRegister();
    std::unique_ptr<GDALDataset> layers(
        GDALDataset::Open(dir.File(std::string("cw-calibration") + ext).c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    ASSERT_TRUE(layers);
    OGRLayer* points = layers->GetLayer(0);
    EXPECT_EQ(points->GetFeatureCount(), std::stoll(v[3]));
    const bool shp = std::string(ext) == ".shp";
    int checked = 0;
    for (auto& f : *points) {
      if (++checked > 2000) break;
      const double d = f->GetFieldAsDouble(shp ? "distance" : "distance_m");
      const double loss = f->GetFieldAsDouble(shp ? "path_loss" : "path_loss_db");
      const double predicted = f->GetFieldAsDouble(shp ? "predicted" : "predicted_db");
      EXPECT_EQ(std::string(f->GetFieldAsString("site")), "site");
      EXPECT_NEAR(predicted, k1 + k2 * std::log10(d / 1000), 0.01 + 0.0051 * std::fabs(k2) / d);
      EXPECT_NEAR(f->GetFieldAsDouble("error_db"), loss - predicted, 0.0101);
      EXPECT_NEAR(loss, 62 - f->GetFieldAsDouble("rssi_dbm"), 1e-9);
    }
  }
}

}  // namespace
}  // namespace quillon
