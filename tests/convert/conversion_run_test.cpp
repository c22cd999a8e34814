// The conversion run: delimiters, header and row rules, split, failures, cancel.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "convert/output_split.h"
#include "support/log_builders.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using namespace quillon::testing;

klf::LogWriter ListLog(int rows) {
  klf::LogWriter log;
  AddBand(log);
  AddFix(log, 100);
  log.ListDefinition({32400}, {});
  for (int i = 0; i < rows; ++i) log.ListData({{0, 0, static_cast<int8_t>(-40 - i % 80)}});
  return log;
}

class ConversionRunTest : public ::testing::Test {
 protected:
  void SetUp() override { Reader.ManualFrequencies = 0; }
  TempDir dir;
};

TEST_F(ConversionRunTest, Delimiters) {
  const std::string in = WriteLog(dir, "in.klf", ListLog(1));
  struct Case {
    int group;
    std::string other;
    const char* line;
  };
  const Case cases[] = {{0, "", "00:01:40,810.00000,-40"}, {1, "", "00:01:40;810.00000;-40"},
                        {2, "", "00:01:40\t810.00000\t-40"}, {3, "", "00:01:40 810.00000 -40"},
                        {4, ":", "00:01:40:810.00000:-40"},  {7, "", "00:01:40@810.00000@-40"}};
  for (const Case& c : cases) {
    Settings s = ColumnsSettings({18, 0});
    s.FieldTitles = false;
    s.Delimiter = c.group;
    s.OtherDelimiter = c.other;
    RecordingHost host;
    ASSERT_EQ(ConvertOne(in, dir.File("o.out"), s, host), RunOutcome::Completed);
    EXPECT_EQ(ReadFile(dir.File("o.out")), std::string(c.line) + "\r\n");
  }
}

TEST_F(ConversionRunTest, RefusedBeforeAnythingIsWritten) {
  const std::string in = WriteLog(dir, "in.klf", ListLog(1));
  WriteFile(dir.File("keep.out"), "old");
  Settings s = ColumnsSettings({18, 0});
  s.Delimiter = 4;
  s.OtherDelimiter = "";
  RecordingHost empty;
  EXPECT_EQ(ConvertOne(in, dir.File("keep.out"), s, empty), RunOutcome::Failed);
  EXPECT_EQ(empty.Last(), "The \"Other\" field delimiter is empty: enter the delimiter character.");
  EXPECT_EQ(ReadFile(dir.File("keep.out")), "old");

  RecordingHost same;
  EXPECT_EQ(ConvertOne(in, dir.Path() + "/./in.klf", ColumnsSettings({0}), same), RunOutcome::Failed);
  EXPECT_EQ(same.Last(), "The output file " + dir.Path() + "/./in.klf is the input file itself.");
  EXPECT_EQ(DetectFileType(in), kFormatStandard);
}

TEST_F(ConversionRunTest, FailuresOfTheRun) {
  const std::string in = WriteLog(dir, "in.klf", ListLog(1));
  WriteFile(dir.File("text.klf"), "just some text, not a log");
  struct Case {
    std::string input, output, message;
  };
  const Case cases[] = {
      {dir.File("missing.klf"), dir.File("a.out"),
       "Input File Does Not Exist!\n" + dir.File("missing.klf") + ": No such file or directory"},
      {dir.Path(), dir.File("a.out"), dir.Path() + " is a folder, not a log file."},
      {"/dev/zero", dir.File("a.out"), "/dev/zero is a device, not a log file."},
      {dir.File("text.klf"), dir.File("a.out"), "File is not from a KTR CW product."},
      {in, dir.File("no/such/folder/a.out"),
       "Output File Cannot Be Accessed!\n" + dir.File("no/such/folder/a.out") + ": No such file or directory"},
      {in, dir.Path(), "Output File Cannot Be Accessed!\n" + dir.Path() + ": Is a directory"},
      {in, "/dev/full", "Unable to write to /dev/full\n/dev/full: No space left on device"},
  };
  for (const Case& c : cases) {
    RecordingHost host;
    EXPECT_EQ(ConvertOne(c.input, c.output, ColumnsSettings({0}), host), RunOutcome::Failed) << c.message;
    EXPECT_EQ(host.Last(), c.message);
    for (const auto& m : host.Messages) EXPECT_NE(m.second, "Conversion Has Been Completed!");
  }
}

TEST_F(ConversionRunTest, EmptyRowsWriteNoLineEndButKeepDelimiters) {
  klf::LogWriter log;
  AddBand(log);
  log.Rtc(0, 0, 1, 1, 1, 1, 0);
  log.TableData({{1, 5, -60}});  // no entry for receiver 1: empty data block
  Settings s = ColumnsSettings({1, 0, 3});
  s.FieldTitles = false;
  RecordingHost host;
  ConvertOne(WriteLog(dir, "in.klf", log), dir.File("o.out"), s, host);
  EXPECT_EQ(ReadFile(dir.File("o.out")), ",");
}

// Texts kept between rows follow every fix: the date only when it changes (here
// at midnight on New Year's Eve), the hemisphere and the status whenever they do.
TEST_F(ConversionRunTest, KeptTextsFollowTheFixes) {
  klf::LogWriter log;
  AddBand(log);
  log.SingleDefinition(32400, 32400);
  struct Fix {
    int month, day, year, hour, minute, second;
    int32_t latitudeMas;
    uint8_t status;
  };
  const Fix fixes[] = {{12, 31, 2026, 23, 59, 58, 1000, 0xE0},
                       {12, 31, 2026, 23, 59, 59, 1000, 0xC0},
                       {1, 1, 2027, 0, 0, 0, -1000, 0xC0},
                       {1, 1, 2027, 0, 0, 1, -1000, 0xE0}};
  for (const Fix& f : fixes) {
    klf::GpsFields g;
    g.Month = f.month, g.Day = f.day, g.Year = f.year;
    g.Hour = f.hour, g.Minute = f.minute, g.Second = f.second;
    g.LatitudeMas = f.latitudeMas;
    g.Status = f.status;
    log.Gps(g);
    log.Single(1, {-50});
    log.Single(1, {-51});
  }
  Settings s = ColumnsSettings({22, 18, 10, 17, 0});
  s.FieldTitles = false;
  RecordingHost host;
  ASSERT_EQ(ConvertOne(WriteLog(dir, "in.klf", log), dir.File("o.out"), s, host), RunOutcome::Completed);
  EXPECT_EQ(ReadFile(dir.File("o.out")),
            "12/31/2026,23:59:58,N,2D Fix,810.00000,-50\r\n12/31/2026,23:59:58,N,2D Fix,810.00000,-51\r\n"
            "01/01/2027,23:59:59,S,2D Fix,810.00000,-50\r\n01/01/2027,23:59:59,S,2D Fix,810.00000,-51\r\n"
            "01/01/2027,00:00:00,S,3D Fix,810.00000,-50\r\n01/01/2027,00:00:00,S,3D Fix,810.00000,-51\r\n");
}

TEST_F(ConversionRunTest, HeaderOnceUnlessAScanMakesItDueAgain) {
  Settings s = ColumnsSettings({32, 0});
  RecordingHost host;
  ConvertOne(WriteLog(dir, "in.klf", ListLog(2)), dir.File("o.out"), s, host);
  EXPECT_EQ(ReadFile(dir.File("o.out")),
            "\"Record Number\",\"Frequency\",\"RSSI\",\"Frequency\",\"RSSI\",\"Frequency\",\"RSSI\",\"Frequency\","
            "\"RSSI\",\"Frequency\",\"RSSI\",\"Frequency\",\"RSSI\",\"Frequency\",\"RSSI\",\"Frequency\",\"RSSI\","
            "\"Frequency\",\"RSSI\",\"Frequency\",\"RSSI\"\r\n1,810.00000,-40\r\n2,810.00000,-41\r\n");
  EXPECT_EQ(host.Last(), "Conversion Has Been Completed!");
  EXPECT_EQ(host.Progress.back(), 100);
}

TEST_F(ConversionRunTest, SplitIntoPartsOf60000Lines) {
  const std::string in = WriteLog(dir, "drive.klf", ListLog(60001));
  Settings s = ColumnsSettings({0});
  s.Split = true;
  RecordingHost host;
  ASSERT_EQ(ConvertOne(in, dir.File("drive.out"), s, host), RunOutcome::Completed) << host.Last();
  const std::string whole = ReadFile(dir.File("drive.out"));
  const std::string part1 = ReadFile(dir.File("drive/drive-1.out"));
  const std::string part2 = ReadFile(dir.File("drive/drive-2.out"));
  EXPECT_EQ(std::count(part1.begin(), part1.end(), '\n'), 60000);  // the header and 59999 rows
  EXPECT_EQ(std::count(part2.begin(), part2.end(), '\n'), 2);
  EXPECT_EQ(part1 + part2, whole);
  EXPECT_FALSE(std::filesystem::exists(dir.File("drive/drive-3.out")));

  // Exactly 60000 rows is not split.
  RecordingHost exact;
  ConvertOne(WriteLog(dir, "even.klf", ListLog(60000)), dir.File("even.out"), s, exact);
  EXPECT_FALSE(std::filesystem::exists(dir.File("even")));
}

TEST_F(ConversionRunTest, SplitCopiesLongLinesInPiecesAndLeavesAnEmptyLastPart) {
  std::string text;
  for (int i = 0; i < 59999; ++i) text += "x\r\n";
  text += std::string(5000, 'y') + "\r\n";  // two pieces: 4095 characters, then the rest
  WriteFile(dir.File("long.out"), text);
  std::filesystem::create_directory(dir.File("long"));
  ASSERT_EQ(SplitOutputFile(dir.File("long.out"), dir.File("long.out"), dir.File("long"), [](int) {}).Result,
            SplitResult::Done);
  EXPECT_EQ(ReadFile(dir.File("long/long-1.out")), text.substr(0, 59999 * 3 + 4095));
  EXPECT_EQ(ReadFile(dir.File("long/long-2.out")), text.substr(59999 * 3 + 4095));

  std::string even;
  for (int i = 0; i < 60000; ++i) even += "z\r\n";
  WriteFile(dir.File("even.out"), even);
  std::filesystem::create_directory(dir.File("even"));
  ASSERT_EQ(SplitOutputFile(dir.File("even.out"), dir.File("even.out"), dir.File("even"), [](int) {}).Result,
            SplitResult::Done);
  EXPECT_EQ(ReadFile(dir.File("even/even-2.out")), "");
}

TEST_F(ConversionRunTest, SplitFolderBlockedByAFile) {
  const std::string in = WriteLog(dir, "drive.klf", ListLog(60001));
  WriteFile(dir.File("drive"), "a file where the folder would go");
  Settings s = ColumnsSettings({0});
  s.Split = true;
  RecordingHost host;
  EXPECT_EQ(ConvertOne(in, dir.File("drive.out"), s, host), RunOutcome::Failed);
  EXPECT_EQ(host.Last(), "Cannot create directory.\n" + dir.File("drive") + ": File exists");
  EXPECT_EQ(ReadFile(dir.File("drive")), "a file where the folder would go");
}

// A stop request within a file throws its output away: the earlier file of that
// name stays, and so do the outputs of the files completed before it.
TEST_F(ConversionRunTest, StopKeepsTheEarlierOutputOfTheCurrentFile) {
  const std::string a = WriteLog(dir, "a.klf", ListLog(100));
  const std::string b = WriteLog(dir, "b.klf", ListLog(100));
  WriteFile(dir.File("a.out"), "earlier a");
  WriteFile(dir.File("b.out"), "earlier b");
  RecordingHost host;
  host.StopAfterPolls = 10;
  const RunOutcome outcome = ConversionRun(Reader, host, ColumnsSettings({0}),
                                           {{a, dir.File("a.out")}, {b, dir.File("b.out")}})
                                 .Execute();
  EXPECT_EQ(outcome, RunOutcome::Cancelled);
  EXPECT_EQ(host.Last(), "Conversion Has Been Cancelled!");
  ASSERT_FALSE(host.Progress.empty());
  EXPECT_LT(host.Progress.back(), 100) << "the gauge of a stopped run stays where it stopped";
  EXPECT_EQ(ReadFile(dir.File("a.out")), "earlier a");
  EXPECT_EQ(ReadFile(dir.File("b.out")), "earlier b");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 4) << "a staging folder was left";
}

// A stop request during the split ends the run before the next part file; the
// output and the parts written are thrown away, the earlier ones stay.
TEST_F(ConversionRunTest, StopBetweenSplitParts) {
  class StopWhileSplitting : public RecordingHost {
   public:
    void ShowProgress(int percent) override {
      RecordingHost::ShowProgress(percent);
      zeros += percent == 0;  // the conversion's start, then the split's
      stop = stop || (zeros >= 2 && percent > 0 && percent < 100);  // copying the first part
    }
    bool StopRequested() override { return stop; }
    int zeros = 0;
    bool stop = false;
  } host;
  Settings s = ColumnsSettings({0});
  s.Split = true;
  const std::string in = WriteLog(dir, "drive.klf", ListLog(150000));
  WriteFile(dir.File("drive.out"), "earlier output");
  std::filesystem::create_directory(dir.File("drive"));
  WriteFile(dir.File("drive/drive-1.out"), "earlier part");
  EXPECT_EQ(ConvertOne(in, dir.File("drive.out"), s, host), RunOutcome::Cancelled);
  EXPECT_EQ(host.Last(), "Conversion Has Been Cancelled!");
  EXPECT_LT(host.Progress.back(), 100);
  EXPECT_EQ(ReadFile(dir.File("drive.out")), "earlier output");
  EXPECT_EQ(ReadFile(dir.File("drive/drive-1.out")), "earlier part");
  EXPECT_FALSE(std::filesystem::exists(dir.File("drive/drive-2.out")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3) << "a staging folder was left";
}

// Outputs of a run that would write over each other are refused before anything
// is written: one pair's output in another's split folder, and two pairs' outputs
// that are one file.
TEST_F(ConversionRunTest, OutputsThatWouldOverwriteEachOther) {
  const std::string a = WriteLog(dir, "a.klf", ListLog(3));
  const std::string b = WriteLog(dir, "b.klf", ListLog(3));
  Settings split = ColumnsSettings({0});
  split.Split = true;
  RecordingHost parts;
  EXPECT_EQ(ConversionRun(Reader, parts, split, {{a, dir.File("x.out")}, {b, dir.File("x/x-2.out")}}).Execute(),
            RunOutcome::Failed);
  EXPECT_EQ(parts.Last(),
            "The output file " + dir.File("x/x-2.out") + " would be overwritten by a split part file of " +
                dir.File("x.out") + ".");
  WriteFile(dir.File("one.out"), "kept");
  std::filesystem::create_symlink(dir.File("one.out"), dir.File("two.out"));
  RecordingHost same;
  EXPECT_EQ(ConversionRun(Reader, same, ColumnsSettings({0}), {{a, dir.File("one.out")}, {b, dir.File("two.out")}})
                .Execute(),
            RunOutcome::Failed);
  EXPECT_EQ(same.Last(), "The input files " + a + " and " + b + " would both be converted to " + dir.File("two.out") + ".");
  EXPECT_EQ(ReadFile(dir.File("one.out")), "kept");
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.out")));
}

// The samples held between two GPS fixes are bounded: records beyond the bound are
// left out and counted in a Warning, the rest are written.
TEST_F(ConversionRunTest, BufferedSamplesAreBounded) {
  klf::LogWriter log;
  AddBand(log);
  log.SingleDefinition(32400, 32400);
  AddFix(log, 100);
  const std::vector<int8_t> samples(4094, -60);  // the longest record the framing delivers
  const int records = static_cast<int>(kMaxBufferedSampleBytes / samples.size()) + 8;
  for (int i = 0; i < records; ++i) log.Single(1, samples);
  AddFix(log, 101);
  Settings s = ColumnsSettings({32});
  s.FieldTitles = false;
  RecordingHost host;
  ASSERT_EQ(ConvertOne(WriteLog(dir, "in.klf", log), dir.File("o.out"), s, host), RunOutcome::Completed);
  const std::string out = ReadFile(dir.File("o.out"));
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), records - 8);
  EXPECT_EQ(host.Messages.at(host.Messages.size() - 2).second,
            "8 single-channel records were left out: more than 1048576 records or 64 MB of samples arrived between "
            "two GPS fixes.");
}

// Map layers carry the values of the row itself: a delimiter that also occurs in
// numbers ("." or "-") changes nothing in them.
TEST_F(ConversionRunTest, MapFeaturesDoNotDependOnTheDelimiter) {
  const std::string in = (std::filesystem::path(QUILLON_CONFORMANCE) / "01-convert" / "input.klf").string();
  std::string first;
  for (const char* other : {",", ".", "-", ";"}) {
    Settings s = ColumnsSettings({22, 18, 5, 11, 0});
    s.OutputFormat = static_cast<int>(OutputFormat::GeoJson);
    s.ChannelField = true;
    s.Delimiter = 4;
    s.OtherDelimiter = other;
    RecordingHost host;
    ASSERT_EQ(ConvertOne(in, dir.File("o.geojson"), s, host), RunOutcome::Completed) << host.Last();
    const std::string out = ReadFile(dir.File("o.geojson"));
    if (first.empty()) first = out;
    EXPECT_EQ(out, first) << "delimiter " << other;
  }
  EXPECT_NE(first.find("\"rssi_dbm\": -"), std::string::npos);  // numbers as numbers
}

// A layer writer that keeps which values each feature has, by attribute name.
class NullsLayer final : public LayerWriter {
 public:
  bool Open(const std::string&, const std::string&, const std::vector<Attribute>& a, LayerGeometry,
            std::string&) override {
    Names.clear();
    for (const Attribute& x : a) Names.push_back(x.Name);
    return true;
  }
  bool BeginLog(std::string&) override { return true; }
  bool Write(const LayerFeature& f, std::string&) override {
    std::map<std::string, bool> has;
    for (size_t i = 0; i < Names.size(); ++i) has[Names[i]] = !f.Values[i].Null;
    has["geometry"] = f.HasPoint;
    Features.push_back(has);
    return true;
  }
  bool EndLog(bool, std::string&) override { return true; }
  bool Close(bool, std::string&) override { return true; }
  std::vector<std::string> Names;
  std::vector<std::map<std::string, bool>> Features;
};

// A row has no value the log has not given yet: no position, GPS date, time,
// altitude or speed before the first fix, no clock before the first clock record,
// and no RSSI where the receiver measured nothing (its frequency stays).
TEST_F(ConversionRunTest, ValuesTheLogHasNotGivenAreNull) {
  // Rows paced by the clock before the first fix, then rows after a fix before the
  // first clock record (of a second log).
  klf::LogWriter clockFirst, fixFirst;
  for (klf::LogWriter* log : {&clockFirst, &fixFirst}) {
    AddBand(*log);
    log->ListDefinition({32400}, {});
  }
  clockFirst.Rtc(5, 4, 3, 2, 1, 26, 0);
  clockFirst.ListData({{0, 0, -70}});
  clockFirst.ListData({{0, 0, -120}});
  AddFix(clockFirst, 100, 45.5, -73.6);
  clockFirst.ListData({{0, 0, -71}});
  AddFix(fixFirst, 100, 45.5, -73.6);
  fixFirst.ListData({{0, 0, -72}});
  fixFirst.Rtc(5, 4, 3, 2, 1, 26, 0);
  fixFirst.ListData({{0, 0, -73}});
  Settings s = ColumnsSettings({5, 11, 22, 18, 26, 27, 33, 37, 0});
  s.OutputFormat = static_cast<int>(OutputFormat::GeoPackage);
  const struct {
    klf::LogWriter* Log;
    std::vector<bool> Fix, Clock, Rssi;
  } cases[] = {{&clockFirst, {false, false, true}, {true, true, true}, {true, false, true}},
               {&fixFirst, {true, true}, {false, true}, {true, true}}};
  for (const auto& c : cases) {
    NullsLayer layer;
    RecordingHost host;
    ConversionRun run(Reader, host, s, {{WriteLog(dir, "early.klf", *c.Log), dir.File("early.gpkg")}});
    run.KeepLayersWith([&](OutputFormat) { return std::make_unique<ForwardingLayerWriter>(layer); });
    ASSERT_EQ(run.Execute(), RunOutcome::Completed) << host.Last();
    ASSERT_EQ(layer.Features.size(), c.Fix.size());
    for (size_t i = 0; i < c.Fix.size(); ++i) {
      SCOPED_TRACE(i);
      for (const char* name : {"lat_dd", "lon_dd", "gps_date", "gps_time", "altitude_m", "speed_mph", "time", "geometry"})
        EXPECT_EQ(layer.Features[i].at(name), c.Fix[i]) << name;
      for (const char* name : {"rtc_date", "rtc_time"}) EXPECT_EQ(layer.Features[i].at(name), c.Clock[i]) << name;
      EXPECT_TRUE(layer.Features[i].at("freq_mhz"));
      EXPECT_EQ(layer.Features[i].at("rssi_dbm"), c.Rssi[i]);  // -120 dBm: no measurement
    }
  }
}

// Readers of their own convert side by side on separate threads, each as it would alone.
TEST_F(ConversionRunTest, IndependentReadersConvertAtOnce) {
  const std::string logs[] = {(std::filesystem::path(QUILLON_CONFORMANCE) / "01-convert" / "input.klf").string(),
                              WriteLog(dir, "list.klf", ListLog(5000))};
  Settings s = ColumnsSettings({22, 18, 5, 11, 32, 0});
  s.Lambda = true;
  std::string alone[2], together[2];
  for (int i = 0; i < 2; ++i) {
    TLogReader reader;
    SilentRunHost host;
    ASSERT_EQ(ConversionRun(reader, host, s, {{logs[i], dir.File("alone" + std::to_string(i))}}).Execute(),
              RunOutcome::Completed);
    alone[i] = ReadFile(dir.File("alone" + std::to_string(i)));
  }
  std::vector<std::thread> threads;
  for (int i = 0; i < 2; ++i)
    threads.emplace_back([&, i] {
      TLogReader reader;
      SilentRunHost host;
      ConversionRun(reader, host, s, {{logs[i], dir.File("together" + std::to_string(i))}}).Execute();
    });
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < 2; ++i) {
    together[i] = ReadFile(dir.File("together" + std::to_string(i)));
    EXPECT_FALSE(alone[i].empty());
    EXPECT_EQ(together[i], alone[i]) << logs[i];
  }
}

// An empty file holds no log: refused as indexing refuses it, never an empty success.
TEST_F(ConversionRunTest, ZeroLengthInputIsNotALog) {
  WriteFile(dir.File("zero.klf"), "");
  RecordingHost host;
  EXPECT_EQ(ConvertOne(dir.File("zero.klf"), dir.File("z.out"), ColumnsSettings({0}), host), RunOutcome::Failed);
  EXPECT_EQ(host.Last(), "File is not from a KTR CW product.");
  EXPECT_FALSE(std::filesystem::exists(dir.File("z.out")));
}

// A log cut off (an interrupted copy) converts what it holds, and a Warning says how
// many bytes are missing: cut inside a record, inside a length word, or between two
// records (the header still counts the rest).
TEST_F(ConversionRunTest, ACutOffLogSaysHowMuchIsMissing) {
  const std::string whole = ReadFile(WriteLog(dir, "whole.klf", ListLog(50)));
  RecordingHost complete;
  ASSERT_EQ(ConvertOne(dir.File("whole.klf"), dir.File("whole.out"), ColumnsSettings({0}), complete),
            RunOutcome::Completed);
  for (const auto& [kind, text] : complete.Messages) EXPECT_NE(kind, MessageKind::Warning) << text;
  for (size_t missing : {size_t{1}, size_t{2}, size_t{3}, size_t{9}, size_t{40}}) {
    SCOPED_TRACE(missing);
    WriteFile(dir.File("cut.klf"), whole.substr(0, whole.size() - missing));
    RecordingHost host;
    ASSERT_EQ(ConvertOne(dir.File("cut.klf"), dir.File("cut.out"), ColumnsSettings({0}), host), RunOutcome::Completed);
    const std::string expected = dir.File("cut.klf") + " ends inside a record: " + std::to_string(missing) +
                                 " bytes of it are missing (an interrupted copy?); the records it holds were converted.";
    EXPECT_TRUE(std::any_of(host.Messages.begin(), host.Messages.end(), [&](const auto& m) {
      return m.first == MessageKind::Warning && m.second == expected;
    })) << host.Last();
    // What it holds is what the whole log gives, row for row.
    const std::string cut = ReadFile(dir.File("cut.out")), all = ReadFile(dir.File("whole.out"));
    EXPECT_FALSE(cut.empty());
    EXPECT_EQ(all.compare(0, cut.size(), cut), 0);
  }
}

TEST_F(ConversionRunTest, FolderRunLeavesOutFilesThatAreNotLogs) {
  const std::string a = WriteLog(dir, "a.klf", ListLog(3));
  WriteFile(dir.File("b.klf"), "notes, not a log");
  const std::string c = WriteLog(dir, "c.klf", ListLog(3));
  Settings s = ColumnsSettings({0});
  s.MultipleFiles = true;
  RecordingHost host;
  ASSERT_EQ(ConversionRun(Reader, host, s,
                          {{a, dir.File("a.out")}, {dir.File("b.klf"), dir.File("b.out")}, {c, dir.File("c.out")}})
                .Execute(),
            RunOutcome::CompletedLeavingFilesOut);
  EXPECT_FALSE(std::filesystem::exists(dir.File("b.out")));
  EXPECT_EQ(ReadFile(dir.File("a.out")), ReadFile(dir.File("c.out")));
  EXPECT_EQ(host.Messages[host.Messages.size() - 2].second,
            dir.File("b.klf") + " is not from a KTR CW product: it was not converted.");
}

}  // namespace
}  // namespace quillon
