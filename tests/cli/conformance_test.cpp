// Reference outputs: each vector's log converted by quillon-convert with its
// options must match the expected bytes exactly; index vectors list the scans and
// the statistics lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
    const std::string command = std::string(QUILLON_CONVERT) + " " + dir.File("input.klf") + " -o " +
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
        std::string(QUILLON_CONVERT) + " --index " + (v / "input.klf").string() + " >" + dir.File("index.txt");
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
  const std::string cli = QUILLON_CONVERT;
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
      {input + " -o " + dir.File("x.out") + " --delimiter ''", 1},
      {"--list-fields", 0},
  };
  for (const Case& c : cases) {
    const int status = std::system((cli + " " + c.arguments + " >/dev/null 2>&1").c_str());
    EXPECT_EQ(WEXITSTATUS(status), c.status) << c.arguments;
  }
  EXPECT_FALSE(fs::exists(dir.File("x.out")));
  EXPECT_FALSE(fs::exists(dir.File("t.out")));
}

}  // namespace
}  // namespace quillon
