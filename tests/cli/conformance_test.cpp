// Reference outputs: each vector's log converted by quillon-convert with its
// options must match the expected bytes exactly; index vectors list the scans and
// the statistics lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/configuration.h"
#include "support/converter.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::ReadFile;
using testing::TempDir;

namespace fs = std::filesystem;

std::vector<fs::path> Vectors(const std::string& suffix) {
  std::vector<fs::path> out;
  for (const auto& e : fs::directory_iterator(QUILLON_CONFORMANCE))
    if (e.path().filename().string().ends_with(suffix)) out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

TEST(ConformanceTest, ConvertVectors) {
  const auto vectors = Vectors("-convert");
  ASSERT_GE(vectors.size(), 28u);
  for (const fs::path& v : vectors) {
    TempDir dir;
    fs::copy_file(v / "input.klf", dir.File("input.klf"));
    const std::string command = Converter() + " " + dir.File("input.klf") + " -o " +
                                dir.File("input.out") + " --quiet " + Trimmed(ReadFile(v / "options.txt")) +
                                " 2>" + dir.File("stderr");
    EXPECT_EQ(std::system(command.c_str()), 0) << v << ReadFile(dir.File("stderr"));
    EXPECT_TRUE(ReadFile(dir.File("input.out")) == ReadFile(v / "expected.out")) << v;
  }
}

TEST(ConformanceTest, IndexVectors) {
  for (const fs::path& v : Vectors("-index")) {
    TempDir dir;
    const std::string command =
        Converter() + " --index " + (v / "input.klf").string() + " >" + dir.File("index.txt");
    ASSERT_EQ(std::system(command.c_str()), 0) << v;
    std::ifstream in(dir.File("index.txt"));
    std::string scans = "[", statistics, line;
    while (std::getline(in, line)) {
      const size_t tab = line.find('\t');
      if (tab == std::string::npos) {
        statistics += line + "\n";
        continue;
      }
      scans += std::string(scans.size() > 1 ? "," : "") + "[\"" + line.substr(0, tab) + "\",\"" +
               line.substr(line.rfind('\t') + 1) + "\"]";
    }
    scans += "]";
    std::string expected;
    bool quoted = false;
    for (char c : ReadFile(v / "expected-scans.json")) {
      if (c == '"') quoted = !quoted;
      if (quoted || !std::isspace(static_cast<unsigned char>(c))) expected += c;
    }
    EXPECT_EQ(scans, expected) << v;
    EXPECT_EQ(Trimmed(statistics), Trimmed(ReadFile(v / "expected-statistics.txt"))) << v;
  }
}

TEST(CommandLineTest, UsageErrorsAndRefusals) {
  TempDir dir;
  std::ofstream(dir.File("text.klf")) << "not a log at all";
  const std::string cli = Converter();
  const std::string input = (fs::path(QUILLON_CONFORMANCE) / "01-convert" / "input.klf").string();
  struct Case {
    std::string arguments;
    int status;
  };
  const Case cases[] = {
      {input + " --fields 56", 2},
      {input + " --fields 1,abc", 2},
      {input + " --receiver 3", 2},
      {input + " --bogus", 2},
      {input + " --data freq,power", 2},
      {dir.File("text.klf") + " -o " + dir.File("t.out"), 1},
      {dir.File("missing.klf"), 1},
      {input + " -o " + dir.File("x.out") + " --delimiter ''", 2},  // a wrong value: a usage error
      {"--list-fields", 0},
  };
  for (const Case& c : cases) {
    const int status = std::system((cli + " " + c.arguments + " >/dev/null 2>&1").c_str());
    EXPECT_EQ(WEXITSTATUS(status), c.status) << c.arguments;
  }
  EXPECT_FALSE(fs::exists(dir.File("x.out")));
  EXPECT_FALSE(fs::exists(dir.File("t.out")));
}

std::string RunCli(const std::string& arguments) {
  TempDir scratch;
  const std::string command = Converter() + " " + arguments + " --quiet 2>" + scratch.File("err");
  const int status = std::system(command.c_str());
  return std::to_string(WEXITSTATUS(status)) + ":" + ReadFile(scratch.File("err"));
}

TEST(CommandLineTest, ConfigurationFolderRunAndFrequencies) {
  TempDir dir;
  const fs::path sample = fs::path(QUILLON_CONFORMANCE) / "05-convert" / "input.klf";
  // A configuration saved by the window, then options given with it.
  Settings s = DefaultSettings();
  SelectColumns(s, {21, 53, 0});
  s.Delimiter = 1;
  s.FieldTitles = false;
  s.Receiver1 = false;
  s.Receiver2 = true;
  std::string message;
  ASSERT_TRUE(SaveConfiguration(s, dir.File("a.cfg"), message));
  EXPECT_EQ(RunCli("-c " + dir.File("a.cfg") + " " + sample.string() + " -o " + dir.File("c.out")), "0:");
  EXPECT_EQ(RunCli(sample.string() + " -o " + dir.File("d.out") + " --fields 21,53,0 --delimiter semicolon --no-header"
                " --receiver 2"),
            "0:");
  EXPECT_EQ(ReadFile(dir.File("c.out")), ReadFile(dir.File("d.out")));
  EXPECT_EQ(RunCli("-c " + dir.File("a.cfg") + " " + sample.string() + " -o " + dir.File("e.out") + " --receiver 1"), "0:");
  EXPECT_NE(ReadFile(dir.File("e.out")), ReadFile(dir.File("d.out")));

  // A folder run: regular files in name order; a folder matching the pattern is no input.
  fs::create_directories(dir.File("in/sub.klf"));
  fs::create_directories(dir.File("out"));
  fs::copy_file(sample, dir.File("in/b.klf"));
  fs::copy_file(sample, dir.File("in/a.klf"));
  EXPECT_EQ(RunCli("--folder " + dir.File("in") + " --out-folder " + dir.File("out") + " --ext .txt"), "0:");
  EXPECT_EQ(RunCli(sample.string() + " -o " + dir.File("single.out")), "0:");
  EXPECT_EQ(ReadFile(dir.File("out/a.txt")), ReadFile(dir.File("single.out")));
  EXPECT_EQ(ReadFile(dir.File("out/b.txt")), ReadFile(dir.File("single.out")));
  EXPECT_FALSE(fs::exists(dir.File("out/sub.txt")));

  // Frequencies are checked against each receiver's band.
  const fs::path manual = fs::path(QUILLON_CONFORMANCE) / "03-convert" / "input.klf";
  EXPECT_EQ(RunCli(manual.string() + " -o " + dir.File("m.out") + " --frequencies 1.5,459.675"),
            "1:Error: 1.5000 is not in the range of the receiver.\n");
  EXPECT_FALSE(fs::exists(dir.File("m.out")));
}

}  // namespace
}  // namespace quillon
