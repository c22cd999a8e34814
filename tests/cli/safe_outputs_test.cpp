// What quillon-convert promises about the files it writes, tried as a user would:
// streams into pipes and the standard output, a disk that fills up, earlier side
// files, a signal in the middle of writing, a campaign GeoPackage taking one more
// layer, and a file name that is no UTF-8. Each checks that nothing earlier is
// lost and that no staging folder is left behind.
#include <gtest/gtest.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "layers/map_format.h"
#include "reader/shown_text.h"
#include "support/converter.h"
#include "support/temp_dir.h"

extern char** environ;

namespace quillon {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
namespace fs = std::filesystem;

const std::string kSample = KLF_SAMPLE;

int Convert(const std::string& arguments) {
  const int status = std::system((Converter() + " --quiet " + arguments + " 2>/dev/null").c_str());
  return WEXITSTATUS(status);
}

bool StagingLeft(const std::string& folder) {
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.path().filename().string().rfind(".quillon-", 0) == 0) return true;
  return false;
}

std::unique_ptr<GDALDataset> OpenVector(const std::string& path) {
  GDALAllRegister();
  return std::unique_ptr<GDALDataset>(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
}

// The formats written as one stream go into a named pipe and to the standard
// output, with the bytes they write into a file.
TEST(SafeOutputsTest, StreamFormatsWriteIntoPipesAndTheStandardOutput) {
  if (ConverterOnWindows()) GTEST_SKIP() << "no named pipes";
  for (const char* format : {"csv", "geojson", "kml"}) {
    SCOPED_TRACE(format);
    TempDir dir;
    const std::string flags = std::string("--format ") + format;
    ASSERT_EQ(Convert(kSample + " -o " + dir.File("file.x") + " " + flags), 0);
    ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
    std::string piped;
    std::thread reader([&] { piped = ReadFile(dir.File("pipe")); });
    EXPECT_EQ(Convert(kSample + " -o " + dir.File("pipe") + " " + flags), 0);
    reader.join();
    EXPECT_TRUE(piped == ReadFile(dir.File("file.x")));
    EXPECT_TRUE(fs::is_fifo(dir.File("pipe")));
    EXPECT_EQ(Convert(kSample + " -o /dev/stdout " + flags + " >" + dir.File("stdout.x")), 0);
    EXPECT_TRUE(ReadFile(dir.File("stdout.x")) == ReadFile(dir.File("file.x")));
    // The standard output is written where the shell put it: appended to, here.
    WriteFile(dir.File("log.txt"), "an earlier line\n");
    EXPECT_EQ(Convert(kSample + " -o /dev/stdout " + flags + " >>" + dir.File("log.txt")), 0);
    EXPECT_TRUE(ReadFile(dir.File("log.txt")) == "an earlier line\n" + ReadFile(dir.File("file.x")));
    EXPECT_FALSE(StagingLeft(dir.Path()));
  }
  EXPECT_TRUE(fs::is_symlink("/dev/stdout"));
}

// A small file system filled up while writing: every format ends with an Error
// that gives the system's reason, and the earlier output is as it was.
TEST(SafeOutputsTest, FullDiskFailsEveryFormatAndKeepsTheEarlierFile) {
  if (ConverterOnWindows()) GTEST_SKIP() << "a POSIX file system";
  TempDir dir;
  const std::string disk = dir.File("disk");
  fs::create_directory(disk);
  if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0) GTEST_SKIP() << "no tmpfs can be mounted here";
  for (const char* ext : {"out", "gpkg", "tab", "mif", "shp", "fgb", "geojson", "kml"}) {
    SCOPED_TRACE(ext);
    const std::string output = disk + "/drive." + ext;
    WriteFile(output, "an earlier output");
    const int status = std::system((Converter() + " --quiet " + kSample + " -o " + output + " 2>" + dir.File("err")).c_str());
    const std::string err = ReadFile(dir.File("err"));
    EXPECT_EQ(WEXITSTATUS(status), 1) << err;
    EXPECT_TRUE(err.find("No space left on device") != std::string::npos || err.find("disk is full") != std::string::npos)
        << err;
    EXPECT_EQ(err.find("Completed"), std::string::npos) << err;
    EXPECT_EQ(ReadFile(output), "an earlier output");
    EXPECT_EQ(std::distance(fs::directory_iterator(disk), {}), 1) << "only the earlier output stays";
    fs::remove(output);
  }
  ::umount(disk.c_str());
}

// Replacing a dataset removes what belonged to the earlier one and that the new one
// does not write: spatial indexes of other programs would no longer match it.
TEST(SafeOutputsTest, ReplacingAShapefileRemovesItsEarlierSideFiles) {
  if (ConverterOnWindows()) GTEST_SKIP() << "no Shapefile in the build without GDAL";
  TempDir dir;
  ASSERT_EQ(Convert(kSample + " -o " + dir.File("x.shp")), 0);
  for (const char* stale : {"x.qix", "x.sbn", "x.sbx", "x.shp.xml", "x-bins.qix"}) WriteFile(dir.File(stale), "index");
  WriteFile(dir.File("notes.txt"), "the user's own file");
  ASSERT_EQ(Convert(kSample + " -o " + dir.File("x.shp") + " --best-server --bins 100"), 0);
  for (const char* stale : {"x.qix", "x.sbn", "x.sbx", "x.shp.xml", "x-bins.qix"})
    EXPECT_FALSE(fs::exists(dir.File(stale))) << stale;
  EXPECT_EQ(ReadFile(dir.File("notes.txt")), "the user's own file");
  auto shp = OpenVector(dir.File("x.shp"));
  ASSERT_TRUE(shp);
  OGRLayer* layer = shp->GetLayer(0);
  const GIntBig all = layer->GetFeatureCount();
  OGREnvelope extent;
  ASSERT_EQ(layer->GetExtent(&extent), OGRERR_NONE);
  layer->SetSpatialFilterRect(extent.MinX - 1, extent.MinY - 1, extent.MaxX + 1, extent.MaxY + 1);
  EXPECT_EQ(layer->GetFeatureCount(), all);
}

pid_t Start(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  return pid;
}

// A polite kill or a closed terminal in the middle of writing: the run stops, exits
// with 1, and leaves the earlier output and no staging folder.
TEST(SafeOutputsTest, SignalsStopTheRunAndKeepTheEarlierOutput) {
  if (ConverterOnWindows() || std::getenv("QUILLON_CONVERT_COMMAND")) GTEST_SKIP() << "POSIX signals";
  TempDir dir;
  const std::string log = dir.File("drive.klf");
  ASSERT_EQ(std::system((std::string(KLF_SYNTH) + " " + log + " --megabytes 40 --seed 3 >/dev/null").c_str()), 0);
  for (const auto& [signal, output] : {std::pair{SIGTERM, "t.gpkg"}, std::pair{SIGHUP, "h.out"}}) {
    SCOPED_TRACE(output);
    WriteFile(dir.File(output), "an earlier output");
    const pid_t pid = Start({QUILLON_CONVERT, "--quiet", log, "-o", dir.File(output), "--split"});
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!StagingLeft(dir.Path()) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(pid, signal);  // the staging folder is there: the run is writing
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadFile(dir.File(output)), "an earlier output");
    EXPECT_FALSE(StagingLeft(dir.Path()));
  }
}

// A folder run into a campaign GeoPackage adds its layer and keeps the others; the
// same layer again replaces only that layer.
TEST(SafeOutputsTest, IntoAGeoPackageKeepsItsOtherLayers) {
  if (ConverterOnWindows()) GTEST_SKIP() << "no GeoPackage in the build without GDAL";
  TempDir dir;
  fs::create_directory(dir.File("in"));
  fs::copy_file(kSample, dir.File("in/a.klf"));
  const std::string run = "--folder " + dir.File("in") + " --into " + dir.File("campaign.gpkg") + " --bins 100";
  ASSERT_EQ(Convert(run + " --layer week48"), 0);
  ASSERT_EQ(Convert(run + " --layer week49"), 0);
  ASSERT_EQ(Convert(run + " --layer week49 --best-server"), 0);
  auto gpkg = OpenVector(dir.File("campaign.gpkg"));
  auto bins = OpenVector(dir.File("campaign-bins.gpkg"));
  ASSERT_TRUE(gpkg && bins);
  ASSERT_EQ(gpkg->GetLayerCount(), 2);
  EXPECT_EQ(bins->GetLayerCount(), 2);
  OGRLayer* all = gpkg->GetLayerByName("week48");
  OGRLayer* best = gpkg->GetLayerByName("week49");
  ASSERT_TRUE(all && best);
  EXPECT_GT(all->GetFeatureCount(), best->GetFeatureCount());
  EXPECT_TRUE(bins->GetLayerByName("week48_bins") && bins->GetLayerByName("week49_bins"));
  // Each feature of a folder run into one dataset says which log, by name and path.
  std::unique_ptr<OGRFeature> first(best->GetNextFeature());
  ASSERT_TRUE(first);
  EXPECT_STREQ(first->GetFieldAsString("log"), "a.klf");
  EXPECT_EQ(std::string(first->GetFieldAsString("log_path")), dir.File("in") + "/a.klf");
  best->ResetReading();
  // Each layer's spatial index finds its features.
  for (OGRLayer* layer : {all, best}) {
    const GIntBig count = layer->GetFeatureCount();
    layer->SetSpatialFilterRect(-180, -90, 180, 90);
    EXPECT_GT(count, 0);
    GIntBig placed = 0;
    for (auto& feature : *layer) placed += feature->GetGeometryRef() != nullptr;
    EXPECT_EQ(layer->GetFeatureCount(), placed);
  }
}

// A campaign GeoPackage that a GIS has open in write-ahead-log mode holds its latest
// edits in its -wal file: adding a layer keeps them.
TEST(SafeOutputsTest, IntoAGeoPackageKeepsEditsOfItsWriteAheadLog) {
  if (ConverterOnWindows()) GTEST_SKIP() << "no GeoPackage in the build without GDAL";
  TempDir dir;
  fs::create_directory(dir.File("in"));
  fs::copy_file(kSample, dir.File("in/a.klf"));
  const std::string run = "--folder " + dir.File("in") + " --into " + dir.File("campaign.gpkg");
  ASSERT_EQ(Convert(run + " --layer week48"), 0);
  GIntBig before = 0;
  {
    CPLSetThreadLocalConfigOption("OGR_SQLITE_JOURNAL", "WAL");
    GDALAllRegister();
    std::unique_ptr<GDALDataset> gis(GDALDataset::Open(dir.File("campaign.gpkg").c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
    CPLSetThreadLocalConfigOption("OGR_SQLITE_JOURNAL", nullptr);
    ASSERT_TRUE(gis);
    OGRLayer* layer = gis->GetLayerByName("week48");
    before = layer->GetFeatureCount();
    std::unique_ptr<OGRFeature> edit(OGRFeature::CreateFeature(layer->GetLayerDefn()));
    edit->SetField("log", "an edit in the GIS");
    ASSERT_EQ(layer->CreateFeature(edit.get()), OGRERR_NONE);
    gis->FlushCache();
    ASSERT_TRUE(fs::exists(dir.File("campaign.gpkg-wal")));  // the edit is in the log, the GIS still open
    ASSERT_EQ(Convert(run + " --layer week49"), 0);
  }
  auto gpkg = OpenVector(dir.File("campaign.gpkg"));
  ASSERT_TRUE(gpkg);
  OGRLayer* week48 = gpkg->GetLayerByName("week48");
  ASSERT_TRUE(week48 && gpkg->GetLayerByName("week49"));
  EXPECT_EQ(week48->GetFeatureCount(), before + 1);
  week48->SetAttributeFilter("log = 'an edit in the GIS'");
  EXPECT_EQ(week48->GetFeatureCount(), 1);
}

// A file name in Latin-1: the files' texts are valid UTF-8 with U+FFFD for the byte,
// read back alike by GDAL, a JSON parser and an XML parser.
TEST(SafeOutputsTest, NamesThatAreNoUtf8BecomeValidText) {
  if (ConverterOnWindows()) GTEST_SKIP() << "Windows names are UTF-16";
  TempDir dir;
  const std::string log = dir.File("Montr\xe9" "al.klf");
  fs::copy_file(kSample, log);
  const std::string shown = "Montr\xEF\xBF\xBD" "al.klf";
  for (const char* ext : {"gpkg", "geojson", "kml", "shp"}) {
    SCOPED_TRACE(ext);
    const std::string output = dir.File(std::string("m.") + ext);
    ASSERT_EQ(Convert("'" + log + "' -o " + output), 0);
    if (std::string(ext) != "gpkg" && std::string(ext) != "shp") {
      EXPECT_TRUE(ValidUtf8(ReadFile(output)) == ReadFile(output));
    }
    auto dataset = OpenVector(output);
    ASSERT_TRUE(dataset);
    std::unique_ptr<OGRFeature> first(dataset->GetLayer(0)->GetNextFeature());
    ASSERT_TRUE(first);
    EXPECT_EQ(std::string(first->GetFieldAsString("log")), shown);
  }
  const std::string parse =
      "/usr/bin/python3 -c \"import json, sys, xml.dom.minidom as x; "
      "j = json.load(open(sys.argv[1], encoding='utf-8')); k = x.parse(sys.argv[2]); "
      "assert j['features'][0]['properties']['log'] == 'Montr\\ufffdal.klf'; "
      "assert k.getElementsByTagName('SimpleData')[0].firstChild.data == 'Montr\\ufffdal.klf'\" ";
  EXPECT_EQ(std::system((parse + dir.File("m.geojson") + " " + dir.File("m.kml")).c_str()), 0);
}

// Names in other scripts: a Shapefile keeps any name (UTF-8, said by its .cpg);
// MapInfo's code page is the one that holds the names, named in the file, so that
// they read back as they are; a name no code page holds is written with a Warning.
TEST(SafeOutputsTest, NamesInOtherScriptsReadBack) {
  if (ConverterOnWindows()) GTEST_SKIP() << "no map formats";
  TempDir dir;
  const struct {
    std::string name, charset;  // the MapInfo charset; empty: none holds the name
  } cases[] = {
      {"\xd0\xbc\xd0\xb0\xd1\x80\xd1\x88\xd1\x80\xd1\x83\xd1\x82.klf", "WindowsCyrillic"},  // маршрут
      {"\xc3\xa9t\xc3\xa9.klf", "WindowsLatin1"},                                                // été
      {"\xce\xb4\xce\xb9\xce\xb1\xce\xb4\xcf\x81\xce\xbf\xce\xbc\xce\xae.klf", "WindowsGreek"},  // διαδρομή
      {"drive.klf", "WindowsLatin1"},
      {"\xd0\xbc\xd0\xb0\xd1\x80\xd1\x88-\xc3\xa9t\xc3\xa9.klf", "WindowsSimpChinese"},        // марш-été: GBK has both
      {"\xd0\xbc\xd0\xb0\xd1\x80\xd1\x88-\xd9\x85\xd8\xb3\xd8\xa7\xd8\xb1.klf", ""},            // марш-مسار
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string log = dir.File(c.name);
    fs::copy_file(kSample, log, fs::copy_options::overwrite_existing);
    for (const char* ext : {"shp", "tab", "mif"}) {
      SCOPED_TRACE(ext);
      const std::string output = dir.File(std::string("n.") + ext), err = dir.File("err");
      const int status = std::system((Converter() + " --quiet '" + log + "' -o " + output + " 2>" + err).c_str());
      ASSERT_EQ(WEXITSTATUS(status), 0) << ReadFile(err);
      auto dataset = OpenVector(output);
      ASSERT_TRUE(dataset);
      std::unique_ptr<OGRFeature> first(dataset->GetLayer(0)->GetNextFeature());
      ASSERT_TRUE(first);
      const bool mapInfo = std::string(ext) != "shp";
      if (!mapInfo || !c.charset.empty()) {
        EXPECT_EQ(std::string(first->GetFieldAsString("log")), c.name);
        EXPECT_EQ(ReadFile(err), "");
      } else {
        EXPECT_NE(ReadFile(err).find("Warning: No MapInfo code page holds " + c.name), std::string::npos);
        EXPECT_EQ(ReadFile(err).find("GDAL"), std::string::npos);
        EXPECT_EQ(ReadFile(err).find("One or several"), std::string::npos);
      }
      if (mapInfo && !c.charset.empty()) {
        EXPECT_NE(ReadFile(output).find("Charset \"" + c.charset + "\""), std::string::npos);
      }
    }
  }
}

// Every file a dataset consists of, by format, in the letter case of its extension.
TEST(SafeOutputsTest, DatasetFilesByFormat) {
  const struct {
    const char* path;
    OutputFormat format;
    std::vector<std::string> some;
    size_t count;
  } cases[] = {
      {"d/x.out", OutputFormat::Delimited, {"d/x.out"}, 1},
      {"d/x.gpkg", OutputFormat::GeoPackage, {"d/x.gpkg", "d/x.gpkg-wal", "d/x.gpkg-journal"}, 4},
      {"d/x.shp", OutputFormat::Shapefile, {"d/x.shp", "d/x.dbf", "d/x.shx", "d/x.qix", "d/x.cpg"}, 16},
      {"d/X.SHP", OutputFormat::Shapefile, {"d/X.SHP", "d/X.DBF", "d/X.SBN"}, 16},
      {"d.v/x.tab", OutputFormat::MapInfoTab, {"d.v/x.tab", "d.v/x.dat", "d.v/x.map", "d.v/x.id", "d.v/x.ind"}, 6},
      {"x.mif", OutputFormat::MapInfoMif, {"x.mif", "x.mid"}, 2},
      {"x.kml", OutputFormat::Kml, {"x.kml"}, 1},
      {"PG:dbname=x", OutputFormat::PostGis, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const std::vector<std::string> files = DatasetFiles(c.path, c.format);
    EXPECT_EQ(files.size(), c.count);
    if (!files.empty()) {
      EXPECT_EQ(files.front(), c.path);
    }
    for (const std::string& f : c.some) EXPECT_NE(std::find(files.begin(), files.end(), f), files.end()) << f;
  }
}

TEST(SafeOutputsTest, ShownText) {
  const struct {
    std::string in, valid;
  } cases[] = {
      {"drive.klf", "drive.klf"},
      {"\xc3\xa9t\xc3\xa9", "\xc3\xa9t\xc3\xa9"},                          // UTF-8 stays
      {"Montr\xe9" "al", "Montr\xEF\xBF\xBD" "al"},                          // Latin-1
      {"\xc0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},                             // overlong
      {"\xed\xa0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},             // surrogate
      {"\xf4\x90\x80\x80", std::string(4 * 3, ' ')},                         // past U+10FFFF
      {"a\xe2\x82", "a\xEF\xBF\xBD\xEF\xBF\xBD"},                           // cut short
      {"\xf0\x9f\x93\xa1", "\xf0\x9f\x93\xa1"},                             // four bytes
  };
  for (const auto& c : cases) {
    std::string expected = c.valid;
    if (expected == std::string(12, ' ')) expected = "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD";
    EXPECT_EQ(ValidUtf8(c.in), expected) << c.in;
  }
  EXPECT_EQ(Shortened("short"), "short");
  EXPECT_EQ(Shortened(std::string(100, 'x'), 10), "xxxxxxx...");
  EXPECT_EQ(Shortened("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", 4), "\xc3\xa9...");
  EXPECT_EQ(WithLongWordsShortened("--receiver: " + std::string(100, 'r') + " is wrong", 12), "--receiver: rrrrrrrrr... is wrong");
}

}  // namespace
}  // namespace quillon
