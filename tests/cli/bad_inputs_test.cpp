// quillon-convert met with what a new user brings: each row sets up a scratch
// folder, runs the converter in it, and checks the exit status, a fragment of the
// message on stderr, that every file there before is byte for byte as it was (by
// hash), and which files must, or must not, exist afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "support/converter.h"
#include "support/log_builders.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
namespace fs = std::filesystem;

const fs::path kVectors = QUILLON_CONFORMANCE;
// A log with list, single-frequency and table scans, and one whose single-channel
// data come without a frequency definition (bands 1930.34-1937.58 and
// 452.75-466.65 MHz).
const fs::path kLog = kVectors / "01-convert" / "input.klf";
const fs::path kNeedsFrequencies = kVectors / "03-convert" / "input.klf";

struct Row {
  const char* name;
  std::function<void(const TempDir&)> setup;
  std::string arguments;
  int status;
  std::vector<std::string> messages;  // fragments of stderr
  std::vector<std::string> absent;    // files that must not exist afterwards
  std::vector<std::string> present;   // files that must exist afterwards
  bool posixOnly = false;             // a file only POSIX systems have (a named pipe, a device)
  bool gis = false;                   // a map format the build without GDAL does not write
};

void Log(const TempDir& d, const std::string& name, const fs::path& from = kLog) {
  fs::create_directories(fs::path(d.File(name)).parent_path());
  fs::copy_file(from, d.File(name), fs::copy_options::overwrite_existing);
}

std::map<std::string, size_t> Hashes(const std::string& root) {
  std::map<std::string, size_t> hashes;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file() && !e.is_symlink())
      hashes[fs::relative(e.path(), root).string()] = std::hash<std::string>()(ReadFile(e.path().string()));
  return hashes;
}

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      // Nothing the run writes may be an input, however indirectly.
      {"split part is the input", [](const TempDir& d) { Log(d, "sub/sub-1.out"); }, "sub/sub-1.out -o sub.out --split",
       1, {"The split part file sub/sub-1.out", "would overwrite the input file sub/sub-1.out"}, {"sub.out"}, {}},
      {"split part hard-linked to the input",
       [](const TempDir& d) {
         Log(d, "a.klf");
         fs::create_directory(d.File("a"));
         fs::create_hard_link(d.File("a.klf"), d.File("a/a-7.out"));
       },
       "a.klf --split", 1, {"The split part file a/a-7.out (of a.klf) would overwrite the input file a.klf."},
       {"a.out"}, {}},
      {"output hard-linked to the input",
       [](const TempDir& d) {
         Log(d, "a.klf");
         fs::create_hard_link(d.File("a.klf"), d.File("a.out"));
       },
       "a.klf", 1, {"The output file a.out is the input file itself."}, {}, {}},
      {"output a symbolic link to the input",
       [](const TempDir& d) {
         Log(d, "a.klf");
         fs::create_symlink("a.klf", d.File("link.out"));
       },
       "a.klf -o link.out", 1, {"is the input file itself"}, {}, {}},
      {"folder output is another log of the run",
       [](const TempDir& d) {
         Log(d, "in/x.klf");
         Log(d, "in/x.klf.out");
       },
       "--folder in --out-folder in --pattern '*' --ext .klf.out", 1,
       {"The output file in/x.klf.out (of in/x.klf) would overwrite the input file in/x.klf.out."}, {}, {}},
      {"two inputs to one output",
       [](const TempDir& d) {
         Log(d, "in/a.klf");
         Log(d, "in/a.kez");
         fs::create_directory(d.File("out"));
       },
       "--folder in --out-folder out --pattern '*'", 1,
       {"The input files in/a.kez and in/a.klf would both be converted to out/a.out."}, {"out/a.out"}, {}},

      // No silent empty success.
      {"frequencies needed, none given",
       [](const TempDir& d) {
         Log(d, "m.klf", kNeedsFrequencies);
         WriteFile(d.File("m.out"), "an earlier output");
       },
       "m.klf", 1,
       {"m.klf needs the receivers' frequencies", "Give --frequencies RX1,RX2",
        "Receiver 1 (1930.34000 - 1937.58000 MHz), Receiver 2 (452.75000 - 466.65000 MHz)"},
       {}, {}},
      {"frequencies that are not numbers", [](const TempDir& d) { Log(d, "m.klf", kNeedsFrequencies); },
       "m.klf --frequencies nan,nan", 2, {"--frequencies takes two numbers"}, {"m.out"}, {}},
      {"an infinite frequency", [](const TempDir& d) { Log(d, "m.klf", kNeedsFrequencies); },
       "m.klf --frequencies inf,460", 2, {"--frequencies takes two numbers"}, {"m.out"}, {}},
      {"a frequency outside the band", [](const TempDir& d) { Log(d, "m.klf", kNeedsFrequencies); },
       "m.klf --frequencies 1.5,459.675", 1, {"1.5000 is not in the range of the receiver."}, {"m.out"}, {}},
      {"folder run leaves out what it cannot convert",
       [](const TempDir& d) {
         Log(d, "in/a.klf");
         Log(d, "in/m.klf", kNeedsFrequencies);
         WriteFile(d.File("in/notes.klf"), "not a log");
         fs::create_directory(d.File("out"));
       },
       "--folder in --out-folder out", 3,
       {"Warning: in/m.klf was not converted: its single-channel data come without a frequency definition.",
        "Warning: in/notes.klf is not from a KTR CW product: it was not converted."},
       {"out/m.out", "out/notes.out"}, {"out/a.out"}},
      {"folder run with frequencies converts every file",
       [](const TempDir& d) {
         Log(d, "in/a.klf");
         Log(d, "in/m.klf", kNeedsFrequencies);
         fs::create_directory(d.File("out"));
       },
       "--folder in --out-folder out --frequencies 1931,460", 0, {}, {}, {"out/a.out", "out/m.out"}},
      {"folder run with a frequency outside a file's band",
       [](const TempDir& d) {
         Log(d, "in/m.klf", kNeedsFrequencies);
         fs::create_directory(d.File("out"));
       },
       "--folder in --out-folder out --frequencies 1931,400", 3,
       {"in/m.klf was not converted: 400.0000 is not in the range of the receiver."}, {"out/m.out"}, {}},
      {"pattern ignores letter case",
       [](const TempDir& d) {
         Log(d, "in/A.KLF");
         Log(d, "in/b.klf");
         Log(d, "in/c.Klf");
         fs::create_directory(d.File("out"));
       },
       "--folder in --out-folder out --pattern '*.klf'", 0, {}, {}, {"out/A.out", "out/b.out", "out/c.out"}},
      {"missing input folder", [](const TempDir&) {}, "--folder nowhere --out-folder out", 1,
       {"Input Folder Cannot Be Read!", "nowhere: No such file or directory"}, {}, {}},
      {"missing configuration file", [](const TempDir& d) { Log(d, "a.klf"); }, "-c none.cfg a.klf", 1,
       {"Configuration File Cannot Be Read!", "none.cfg: No such file or directory"}, {"a.out"}, {}},
      {"configuration file that is a folder",
       [](const TempDir& d) {
         Log(d, "a.klf");
         fs::create_directory(d.File("settings.cfg"));
       },
       "-c settings.cfg a.klf", 1, {"settings.cfg: Is a directory"}, {"a.out"}, {}},
      {"configuration without selected fields",
       [](const TempDir& d) {
         Log(d, "a.klf");
         WriteFile(d.File("empty.cfg"), "[SelectedFields]\r\nCount=0\r\n");
       },
       "-c empty.cfg a.klf", 1, {"No fields are selected for the output: select the output's fields first."},
       {"a.out"}, {}},

      // Bounded resources, inputs that are no files.
      {"a huge scan number to skip", [](const TempDir& d) { Log(d, "a.klf"); }, "a.klf --skip-scans 1073741824", 0, {},
       {}, {"a.out"}},
      {"scans skipped in a folder run", [](const TempDir& d) { Log(d, "in/a.klf"); },
       "--folder in --out-folder in --skip-scans 2", 2, {"--skip-scans applies to a single INPUT"}, {"in/a.out"}, {}},
      {"input is a named pipe", [](const TempDir& d) { ::mkfifo(d.File("pipe.klf").c_str(), 0600); }, "pipe.klf", 1,
       {"pipe.klf is a named pipe (FIFO), not a log file."}, {"pipe.out"}, {}, true},
      {"input is a folder", [](const TempDir& d) { fs::create_directory(d.File("logs.klf")); }, "logs.klf", 1,
       {"logs.klf is a folder, not a log file."}, {"logs.out"}, {}},
      {"input is a device", [](const TempDir&) {}, "/dev/zero -o zero.out", 1, {"/dev/zero is a device, not a log file."},
       {"zero.out"}, {}, true},
      {"index of a folder", [](const TempDir& d) { fs::create_directory(d.File("logs")); }, "--index logs", 1,
       {"logs is a folder, not a log file."}, {}, {}},

      // Messages that say what happened.
      {"missing input", [](const TempDir&) {}, "none.klf", 1,
       {"Error: Input File Does Not Exist!\nnone.klf: No such file or directory"}, {"none.out"}, {}},
      {"output in a missing folder", [](const TempDir& d) { Log(d, "a.klf"); }, "a.klf -o no/such/a.out", 1,
       {"Error: Output File Cannot Be Accessed!\nno/such/a.out: No such file or directory"}, {}, {}},
      {"output is a folder",
       [](const TempDir& d) {
         Log(d, "a.klf");
         fs::create_directory(d.File("a.out"));
       },
       "a.klf", 1, {"Output File Cannot Be Accessed!\na.out: Is a directory"}, {}, {}},
      {"full disk", [](const TempDir& d) { Log(d, "a.klf"); }, "a.klf -o /dev/full", 1,
       {"Unable to write to /dev/full\n/dev/full: No space left on device"}, {}, {}, true},
      {"not a log", [](const TempDir& d) { WriteFile(d.File("notes.klf"), "some notes"); }, "notes.klf", 1,
       {"File is not from a KTR CW product."}, {"notes.out"}, {}},
      {"an empty file", [](const TempDir& d) { WriteFile(d.File("empty.klf"), ""); }, "empty.klf", 1,
       {"File is not from a KTR CW product."}, {"empty.out"}, {}},
      {"a log cut off by an interrupted copy",
       [](const TempDir& d) {
         const std::string whole = ReadFile(kLog.string());
         WriteFile(d.File("cut.klf"), whole.substr(0, whole.size() / 2 + 1));
       },
       "cut.klf", 0, {"Warning: cut.klf ends inside a record: ", " bytes of it are missing"}, {}, {"cut.out"}},

      // Side files of a dataset are files of the output too: none may be an input.
      {"input named as a shapefile's .dbf", [](const TempDir& d) { Log(d, "x.dbf"); }, "x.dbf -o x.shp", 1,
       {"The side file x.dbf of the output x.shp is the input file itself."}, {"x.shp", "x.shx"}, {}, false, true},
      {"input named as a shapefile's .shx", [](const TempDir& d) { Log(d, "x.shx"); }, "x.shx -o x.shp", 1,
       {"The side file x.shx of the output x.shp is the input file itself."}, {"x.shp"}, {}, false, true},
      {"input named as an old spatial index the output would remove", [](const TempDir& d) { Log(d, "x.qix"); },
       "x.qix -o x.shp", 1, {"The side file x.qix"}, {"x.shp"}, {}, false, true},
      {"input named as a MapInfo .map", [](const TempDir& d) { Log(d, "x.map"); }, "x.map -o x.tab", 1,
       {"The side file x.map of the output x.tab"}, {"x.tab", "x.dat"}, {}, false, true},
      {"input named as a MapInfo .id", [](const TempDir& d) { Log(d, "x.id"); }, "x.id -o x.tab", 1,
       {"The side file x.id of the output x.tab"}, {"x.tab"}, {}, false, true},
      {"input named as a MIF's .mid", [](const TempDir& d) { Log(d, "x.mid"); }, "x.mid -o x.mif", 1,
       {"The side file x.mid of the output x.mif"}, {"x.mif"}, {}, false, true},
      {"input named as a side file of the bins", [](const TempDir& d) { Log(d, "x-bins.dbf"); },
       "x-bins.dbf -o x.shp --bins 50", 1, {"The side file x-bins.dbf of the output x.shp is the input file itself."},
       {"x.shp", "x-bins.shp"}, {}, false, true},
      {"folder run whose TAB side files are its logs",
       [](const TempDir& d) { Log(d, "f/a.dat"), Log(d, "f/b.dat"); },
       "--folder f --out-folder f --pattern '*.dat' --format tab", 1, {"f/a.dat of the output f/a.tab"},
       {"f/a.tab", "f/b.tab"}, {}, false, true},
      {"one log's output is a side file of another's",
       [](const TempDir& d) { Log(d, "in/a.klf"), Log(d, "in/a-bins.klf"), fs::create_directory(d.File("out")); },
       "--folder in --out-folder out --ext .out --bins 50", 1, {"would overwrite", "out/a-bins.out"}, {"out/a.out"},
       {}, false, true},

      // Targets that are no regular file: streams written into, never replaced.
      {"GeoPackage into a named pipe", [](const TempDir& d) { Log(d, "a.klf"), ::mkfifo(d.File("x.gpkg").c_str(), 0600); },
       "a.klf -o x.gpkg", 1, {"x.gpkg is a named pipe (FIFO): GeoPackage is written into a regular file."}, {}, {},
       true, true},
      {"Shapefile into a named pipe", [](const TempDir& d) { Log(d, "a.klf"), ::mkfifo(d.File("x.shp").c_str(), 0600); },
       "a.klf -o x.shp", 1, {"x.shp is a named pipe (FIFO): ESRI Shapefile is written into a regular file."},
       {"x.dbf"}, {}, true, true},
      {"FlatGeobuf into a named pipe", [](const TempDir& d) { Log(d, "a.klf"), ::mkfifo(d.File("x.fgb").c_str(), 0600); },
       "a.klf -o x.fgb", 1, {"FlatGeobuf is written into a regular file."}, {}, {}, true, true},
      {"MapInfo into a named pipe", [](const TempDir& d) { Log(d, "a.klf"), ::mkfifo(d.File("x.tab").c_str(), 0600); },
       "a.klf -o x.tab", 1, {"MapInfo TAB is written into a regular file."}, {"x.dat"}, {}, true, true},
      {"MIF into a named pipe", [](const TempDir& d) { Log(d, "a.klf"), ::mkfifo(d.File("x.mif").c_str(), 0600); },
       "a.klf -o x.mif", 1, {"MapInfo MIF is written into a regular file."}, {"x.mid"}, {}, true, true},
      {"a side file that is a named pipe",
       [](const TempDir& d) { Log(d, "a.klf"), ::mkfifo(d.File("x.dbf").c_str(), 0600); }, "a.klf -o x.shp", 1,
       {"x.dbf is a named pipe (FIFO), where the output writes a file of its own."}, {"x.shp"}, {}, true, true},
      {"FlatGeobuf to the standard output", [](const TempDir& d) { Log(d, "a.klf"); },
       "a.klf -o /dev/stdout --format fgb", 1, {"/dev/stdout is a standard stream: FlatGeobuf is written into"}, {},
       {}, true, true},
      {"a name GDAL would make a folder of", [](const TempDir& d) { Log(d, "a.klf"); }, "a.klf -o x.dat --format shp",
       1, {"x.dat does not end in .shp"}, {"x.dat"}, {}, false, true},
      {"bins beside a stream", [](const TempDir& d) { Log(d, "a.klf"); }, "a.klf -o /dev/stdout --bins 50", 1,
       {"Coverage bins are written beside a file: /dev/stdout is not one."}, {}, {}, true},
      {"bins that cannot be written after the output",
       [](const TempDir& d) {
         Log(d, "a.klf");
         WriteFile(d.File("x.gpkg"), "an earlier GeoPackage");
         fs::create_directory(d.File("x-bins.gpkg"));
       },
       "a.klf -o x.gpkg --bins 50", 1, {"x-bins.gpkg: Is a directory"}, {}, {}, false, true},
      {"Shapefile bins that cannot be written after the output",
       [](const TempDir& d) {
         Log(d, "a.klf");
         fs::create_directory(d.File("x-bins.shp"));
       },
       "a.klf -o x.shp --bins 50", 1, {"x-bins.shp: Is a directory"}, {"x.shp", "x.shx", "x-bins.shx", "x-bins.dbf"},
       {}, false, true},

      // Option values.
      {"outages of minus three seconds", [](const TempDir& d) { Log(d, "a.klf"); }, "a.klf --drop-outages -3", 2,
       {"--drop-outages takes a whole number of seconds from 1"}, {"a.out"}, {}},
      {"outages of no seconds", [](const TempDir& d) { Log(d, "a.klf"); }, "a.klf --drop-outages 0", 2,
       {"--drop-outages takes a whole number of seconds from 1"}, {"a.out"}, {}},
      {"outages that are no number", [](const TempDir& d) { Log(d, "a.klf"); }, "a.klf --drop-outages abc", 2,
       {"--drop-outages takes a whole number of seconds from 1"}, {"a.out"}, {}},
      {"an empty delimiter", [](const TempDir& d) { Log(d, "a.klf"); }, "a.klf --delimiter ''", 2,
       {"--delimiter takes comma, semicolon, tab, space or one character"}, {"a.out"}, {}},
      {"a frequency too large to print", [](const TempDir& d) { Log(d, "m.klf", kNeedsFrequencies); },
       "m.klf --frequencies 1e308,1e308", 1, {"1e+308 is not in the range of the receiver."}, {"m.out"}, {}},
      {"a layer name too long for a file", [](const TempDir& d) { Log(d, "a.klf"); },
       "a.klf -o a.gpkg --layer " + std::string(10000, 'w'), 2, {"--layer takes a name of at most 200 characters"},
       {"a.gpkg"}, {}, false, true},
      {"a layer name too long for PostgreSQL", [](const TempDir& d) { Log(d, "a.klf"); },
       "a.klf -o PG:dbname=none --layer " + std::string(44, 'w') + " --bins 50", 2,
       {"--layer for PostGIS takes lower-case letters, digits and _", "(43 here)"}, {}, {}, false, true},
      {"a layer name PostgreSQL would fold", [](const TempDir& d) { Log(d, "a.klf"); },
       "a.klf -o PG:dbname=none --layer MixedCase", 2, {"--layer for PostGIS takes lower-case letters"}, {}, {},
       false, true},
      // The survey analysis's transmitters: refused before anything is written.
      {"a sites file that is missing", [](const TempDir& d) { Log(d, "a.klf"); }, "a.klf --sites none.csv", 2,
       {"the sites file none.csv cannot be read"}, {"a.out", "a-calibration.csv"}, {}, false, true},
      {"a sites file with a wrong line",
       [](const TempDir& d) {
         Log(d, "a.klf");
         WriteFile(d.File("s.csv"), "name,latitude,longitude,eirp_dbm,frequency_mhz\r\nmast,45.5,-73.6,43,1935\r\n"
                                    "hill,45.6,west,40,1936\r\n");
       },
       "a.klf --sites s.csv", 2, {"s.csv line 3: longitude \"west\" is not a number."}, {"a.out", "a-calibration.csv"},
       {}, false, true},
      {"a site without its EIRP", [](const TempDir& d) { Log(d, "a.klf"); }, "a.klf --site 45.5,-73.6", 2,
       {"--site goes with --eirp DBM"}, {"a.out"}, {}, false, true},
      {"a fit's options without a site", [](const TempDir& d) { Log(d, "a.klf"); }, "a.klf --model 130,35", 2,
       {"go with --sites or --site"}, {"a.out"}, {}, false, true},
      {"a calibration file into a pipe's place", [](const TempDir& d) { Log(d, "a.klf"); },
       "a.klf -o /dev/stdout --site 45.5,-73.6 --eirp 43", 1,
       {"The calibration file is written beside a file: /dev/stdout is not one."}, {}, {}, true, true},
      {"replacing an earlier load in a file", [](const TempDir& d) { Log(d, "a.klf"); }, "a.klf -o a.gpkg --replace", 2,
       {"--replace replaces a log's earlier load in a database"}, {"a.gpkg"}, {}, false, true},
      {"a configuration of more than 100 fields",
       [](const TempDir& d) {
         Log(d, "a.klf");
         std::string cfg = "[SelectedFields]\r\nCount=150\r\n";
         for (int i = 0; i < 150; ++i) cfg += "Field" + std::to_string(i) + "=Record Number\r\n";
         cfg += "[SelectedTags]\r\n";
         for (int i = 0; i < 150; ++i) cfg += "Tag" + std::to_string(i) + "=34\r\n";
         WriteFile(d.File("many.cfg"), cfg);
       },
       "-c many.cfg a.klf", 0, {"Warning: The configuration file many.cfg selects 150 fields: only the first 100 are converted."},
       {}, {"a.out"}},
      {"a long wrong value", [](const TempDir& d) { Log(d, "a.klf"); }, "a.klf --receiver " + std::string(5000, 'r'), 2,
       {"rrr...\nRun with --help"}, {"a.out"}, {}},
  };
  return rows;
}

TEST(BadInputTest, EveryRowGivesItsStatusAndMessageAndKeepsTheFiles) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.name);
    if ((row.posixOnly || row.gis) && ConverterOnWindows()) continue;
    TempDir dir;
    TempDir scratch;
    row.setup(dir);
    const std::map<std::string, size_t> before = Hashes(dir.Path());
    // A guard against a run that waits instead of refusing (a pipe without a writer).
    const std::string command = "cd " + dir.Path() + " && timeout 60 " + Converter() + " " + row.arguments +
                                " --quiet 2>" + scratch.File("stderr") + " >/dev/null";
    const int status = std::system(command.c_str());
    std::string stderrText = ReadFile(scratch.File("stderr"));
    if (ConverterOnWindows()) std::replace(stderrText.begin(), stderrText.end(), '\\', '/');
    EXPECT_EQ(WEXITSTATUS(status), row.status) << stderrText;
    for (const std::string& fragment : row.messages)
      EXPECT_NE(stderrText.find(fragment), std::string::npos) << "missing \"" << fragment << "\" in:\n" << stderrText;
    if (row.status != 0) {
      EXPECT_EQ(stderrText.find("Completed"), std::string::npos) << stderrText;
    }
    const std::map<std::string, size_t> after = Hashes(dir.Path());
    for (const auto& [file, hash] : before) {
      const auto now = after.find(file);
      EXPECT_TRUE(now != after.end() && now->second == hash) << file << " was altered";
    }
    for (const std::string& file : row.absent) EXPECT_FALSE(fs::exists(dir.File(file))) << file;
    for (const std::string& file : row.present) EXPECT_TRUE(fs::exists(dir.File(file))) << file;
    for (const auto& e : fs::recursive_directory_iterator(dir.Path()))
      EXPECT_EQ(e.path().filename().string().rfind(".quillon-", 0), std::string::npos) << "left: " << e.path();
  }
}

// What a folder run converts with frequencies is what the file converts to alone.
TEST(BadInputTest, FrequenciesOfAFolderRunAreThoseOfASingleFile) {
  TempDir dir;
  Log(dir, "in/m.klf", kNeedsFrequencies);
  const std::string cli = Converter() + " --quiet ";
  ASSERT_EQ(std::system((cli + "--folder " + dir.File("in") + " --out-folder " + dir.Path() + " --frequencies 1931,460")
                            .c_str()),
            0);
  ASSERT_EQ(std::system((cli + dir.File("in/m.klf") + " -o " + dir.File("alone.out") + " --frequencies 1931,460").c_str()),
            0);
  EXPECT_FALSE(ReadFile(dir.File("m.out")).empty());
  EXPECT_EQ(ReadFile(dir.File("m.out")), ReadFile(dir.File("alone.out")));
}

// --index names every scan, also beyond the 1024 nodes of the window's tree.
TEST(BadInputTest, IndexListsEveryScan) {
  TempDir dir;
  klf::LogWriter log;
  testing::AddBand(log);
  testing::AddFix(log, 100);
  for (int i = 0; i < 1100; ++i) log.ListDefinition({32400}, {});
  const std::string path = testing::WriteLog(dir, "many.klf", log);
  ASSERT_EQ(std::system((Converter() + " --index " + path + " >" + dir.File("index.txt")).c_str()), 0);
  const std::string listing = ReadFile(dir.File("index.txt"));
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 1100 + 7);
  EXPECT_NE(listing.find("List Data\t1100\tGPS 00:01:40\n"), std::string::npos);
}

}  // namespace
}  // namespace quillon
