// Folder listing shared by the window and the command line: the pattern, the
// output names, and which entries of a folder are inputs.
#include <gtest/gtest.h>

#include <filesystem>

#include "convert/file_pairs.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::TempDir;
using testing::WriteFile;

TEST(FilePairsTest, PatternsMatchWithoutRegardToLetterCase) {
  const struct {
    const char* name;
    const char* pattern;
    bool matches;
  } cases[] = {
      {"a.klf", "*.klf", true},       {"A.KLF", "*.klf", true},        {"c.Klf", "*.KLF", true},
      {"a.kez", "*.klf", false},      {"a.klf.out", "*.klf", false},   {".klf", "*.klf", true},
      {"drive7.klf", "drive?.klf", true}, {"drive10.klf", "drive?.klf", false}, {"résumé.klf", "r?sum?.klf", true},
      {"abc", "*", true},             {"", "*", true},                 {"ab", "a*b*c", false},
      {"aXbYc", "a*b*c", true},       {"aaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", false},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.matches) << c.name << " " << c.pattern;
}

TEST(FilePairsTest, OutputsLoseTheLastFourCharacters) {
  EXPECT_EQ(OutputNameFor("/logs/run7.klf", ".out"), "/logs/run7.out");
  EXPECT_EQ(OutputNameFor("run7", ".out"), ".out");
  EXPECT_EQ(OutputNameFor("mesure_é.klf", ".txt"), "mesure_é.txt");
  EXPECT_EQ(OutputNameFor("überfahrt", ".out"), "überf.out");  // é and ü count as one character each
}

TEST(FilePairsTest, RegularMatchingFilesInNameOrder) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("in/sub.klf"));
  for (const char* name : {"b.klf", "A.KLF", "c.Klf", "notes.txt"}) WriteFile(dir.File(std::string("in/") + name), "x");
  std::filesystem::create_symlink("b.klf", dir.File("in/d.klf"));
  std::vector<FilePair> pairs;
  std::string message;
  ASSERT_TRUE(ListFolderPairs(dir.File("in"), dir.File("out"), "*.klf", ".out", pairs, message));
  std::vector<std::string> inputs, outputs;
  for (const FilePair& p : pairs) {
    inputs.push_back(p.Input);
    outputs.push_back(p.Output);
  }
  EXPECT_EQ(inputs, (std::vector<std::string>{dir.File("in/A.KLF"), dir.File("in/b.klf"), dir.File("in/c.Klf"),
                                              dir.File("in/d.klf")}));
  EXPECT_EQ(outputs, (std::vector<std::string>{dir.File("out/A.out"), dir.File("out/b.out"), dir.File("out/c.out"),
                                               dir.File("out/d.out")}));

  EXPECT_FALSE(ListFolderPairs(dir.File("none"), dir.File("out"), "*.klf", ".out", pairs, message));
  EXPECT_EQ(message, "Input Folder Cannot Be Read!\n" + dir.File("none") + ": No such file or directory");
  EXPECT_TRUE(pairs.empty());
}

}  // namespace
}  // namespace quillon
