// Golden outputs: simulated drive logs converted by quillon-convert to delimited text
// under a fixed set of settings must keep every byte. tests/data/golden/outputs.txt holds, per
// case, the byte count and FNV-1a hash of the output (and of each split part), as
// recorded before the engine's rendering was reshaped; the logs themselves are
// checked the same way, so a change to the simulator shows as such.
// QUILLON_GOLDEN_PRINT=1 prints the lines of the current build instead of checking.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "klf-synth/drive_simulator.h"
#include "support/converter.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::ReadFile;
using testing::TempDir;
namespace fs = std::filesystem;

struct Log {
  const char* name;
  uint64_t seed;
  double megabytes;
  klf::Layout layout;
};

// GPS- and RTC-paced single-channel sections, list scans, table sweeps and outages
// in each; a flash-card layout; one large enough to split.
const Log kLogs[] = {
    {"a", 7, 0.3, klf::Layout::Standard},
    {"b", 11, 0.2, klf::Layout::FlashCard},
    {"c", 5, 0.25, klf::Layout::Standard},
    {"big", 3, 4.0, klf::Layout::Standard},
};

std::string AllFields() {
  std::string list;
  for (int i = 0; i < 56; ++i) list += (i ? "," : "") + std::to_string(i);
  return list;
}

struct Case {
  std::string name;
  std::string options;
};

std::vector<Case> Cases() {
  const std::string all = "--fields " + AllFields();
  return {
      {"default", ""},
      {"all", all},
      {"all-rx2", all + " --receiver 2"},
      {"all-channel", all + " --data freq,channel,rssi"},
      {"best", "--best-server --data freq,channel,rssi"},
      {"best-rx2", all + " --best-server --receiver 2"},
      {"lambda", "--lambda"},
      {"lambda-all-rx2", all + " --lambda --receiver 2"},
      {"outages", all + " --drop-outages 3"},
      {"outages-best", "--drop-outages 2 --best-server"},
      {"semicolon", "--delimiter semicolon"},
      {"tab-noheader", all + " --delimiter tab --no-header"},
      {"space", "--delimiter space --data channel"},
      {"dot", "--delimiter . --data freq,channel,rssi"},
      {"dash", "--delimiter - --fields 5,11,0"},
      {"other", "--delimiter : --data rssi"},
      {"lf", "--delimiter '\n' --fields 18,0"},
      {"nobox", "--data '' --fields 32,0,4,1,3"},
      {"ibwave", "--ibwave --data freq,channel,rssi"},
      {"skip", "--skip-scans 2,3,5 --fields 32,49,0"},
      {"tp", "--fields 50,51,52,53,54,55,0"},
      {"split", "--split"},
  };
}

uint64_t Fnv1a(const std::string& bytes) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string Line(const std::string& name, const std::string& bytes) {
  char text[160];
  std::snprintf(text, sizeof text, "%s %zu %016llx", name.c_str(), bytes.size(),
                static_cast<unsigned long long>(Fnv1a(bytes)));
  return text;
}

std::map<std::string, std::string> Expected() {
  std::map<std::string, std::string> lines;
  std::ifstream in(std::string(QUILLON_GOLDEN) + "/outputs.txt");
  std::string line;
  while (std::getline(in, line))
    if (!line.empty() && line[0] != '#') lines[line.substr(0, line.find(' '))] = line;
  return lines;
}

TEST(GoldenTest, OutputsKeepEveryByte) {
  const bool print = std::getenv("QUILLON_GOLDEN_PRINT") != nullptr;
  const std::map<std::string, std::string> expected = Expected();
  if (!print) {
    ASSERT_FALSE(expected.empty()) << "no golden outputs";
  }
  TempDir dir;
  auto check = [&](const std::string& name, const std::string& bytes) {
    const std::string line = Line(name, bytes);
    if (print) {
      std::printf("%s\n", line.c_str());
      return;
    }
    const auto want = expected.find(name);
    ASSERT_TRUE(want != expected.end()) << name << " has no golden output";
    EXPECT_EQ(line, want->second);
  };
  for (const Log& log : kLogs) {
    const std::string path = dir.File(std::string(log.name) + ".klf");
    {
      std::FILE* f = std::fopen(path.c_str(), "wb");
      ASSERT_NE(f, nullptr);
      klf::LogWriter writer(log.layout);
      klf::SimulatorOptions options;
      options.Seed = log.seed;
      options.Megabytes = log.megabytes;
      options.FileLayout = log.layout;
      ASSERT_TRUE(klf::DriveSimulator(options, writer, f).Run());
      ASSERT_TRUE(writer.Close(f));
    }
    check(std::string(log.name) + ".klf", ReadFile(path));
    for (const Case& c : Cases()) {
      // The big log is converted plain and split; the others under every setting but the split.
      const bool big = std::string(log.name) == "big";
      if (big ? c.name != "split" && c.name != "default" : c.name == "split") continue;
      const std::string output = dir.File(std::string(log.name) + "-" + c.name + ".out");
      const std::string command = Converter() + " " + path + " -o " + output + " --quiet " +
                                  c.options + " 2>" + dir.File("stderr");
      ASSERT_EQ(std::system(command.c_str()), 0) << c.name << ": " << ReadFile(dir.File("stderr"));
      const std::string name = std::string(log.name) + "/" + c.name;
      check(name, ReadFile(output));
      for (int part = 1; c.name == "split"; ++part) {
        const std::string folder = output.substr(0, output.size() - 4);
        const std::string file = folder + "/" + fs::path(folder).filename().string() + "-" + std::to_string(part) + ".out";
        if (!fs::exists(file)) break;
        check(name + "#" + std::to_string(part), ReadFile(file));
      }
    }
  }
}

}  // namespace
}  // namespace quillon
