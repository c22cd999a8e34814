#include <gtest/gtest.h>

#include "indexing/index_run.h"
#include "indexing/scan_tree.h"
#include "support/log_builders.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using namespace quillon::testing;

class TreeHost : public IndexHost {
 public:
  void ResetScanTree(int16_t product, const std::string& file) override { Tree.Reset(product, file); }
  void AddScanNode(int16_t kind, int32_t number, const std::string& label) override {
    Tree.AddScanNode(kind, number, label);
  }
  void ShowProgress(int percent) override { Progress.push_back(percent); }
  void ShowFileStatistics(const std::vector<std::string>& lines) override { Statistics = lines; }
  void ReportMessage(MessageKind, const std::string& text) override { Errors.push_back(text); }
  bool StopRequested() override { return false; }

  ScanTree Tree;
  std::vector<int> Progress;
  std::vector<std::string> Statistics;
  std::vector<std::string> Errors;
};

std::vector<std::string> Labels(const ScanTree& tree) {
  std::vector<std::string> out;
  for (const ScanNode& n : tree.Nodes()) out.push_back(std::string(ScanTree::RootName(n.Root)) + " " + n.Label);
  return out;
}

TEST(IndexRunTest, ScansStatisticsAndProgress) {
  TempDir dir;
  klf::LogWriter log(klf::Layout::FlashCard);
  AddBand(log);
  log.SingleDefinition(1, 1);  // two definitions before any time record: one scan
  log.SingleDefinition(1, 1);
  AddFix(log, 3661, 0, 0, 0xE0);
  log.Single(2, {-70});
  log.TableData({{0, 1, -50}});
  log.TableData({{0, 2, -50}});  // the same run of table records: same scan
  log.ListDefinition({1}, {});
  log.Rtc(5, 4, 3, 1, 1, 1, 0);
  log.TableData({{0, 1, -50}});
  AddFix(log, 3662, 0, 0, 0xC0);
  AddFix(log, 3663, 0, 0, 0x20);
  log.ListData({{0, 0, -50}});
  TreeHost host;
  Reader.ManualFrequencies = 0;
  ASSERT_TRUE(IndexRun(Reader, host, WriteLog(dir, "a.kez", log), kFormatFlashCard).Execute());
  EXPECT_EQ(Labels(host.Tree), (std::vector<std::string>{"Single Frequency GPS 01:01:01", "Table Data GPS 01:01:01",
                                                         "List Data GPS 01:01:01", "Table Data RTC 03:04:05"}));
  EXPECT_EQ(host.Statistics,
            (std::vector<std::string>{"GPS Total Records = 3", "GPS 3D Lock Records = 1", "GPS 2D Lock Records = 1",
                                      "Rx1 Single Channel Records = 0", "Rx2 Single Channel Records = 1",
                                      "List Mode Records = 1", "Table Mode Records = 3"}));
  EXPECT_EQ(Reader.ManualFrequencies, 0);  // a single-frequency definition was seen
  EXPECT_TRUE(std::is_sorted(host.Progress.begin(), host.Progress.end() - 1));
  EXPECT_GE(host.Progress[host.Progress.size() - 2], 90);
  EXPECT_EQ(host.Progress.back(), 0);  // the wait window's gauge is reset at the end
}

TEST(IndexRunTest, SingleChannelDataWithoutDefinitionNeedsFrequencies) {
  TempDir dir;
  klf::LogWriter log;
  AddBand(log);
  AddFix(log, 10);
  log.Single(2, {-70});
  TreeHost host;
  Reader.ManualFrequencies = 0;
  ASSERT_TRUE(IndexRun(Reader, host, WriteLog(dir, "a.klf", log), kFormatStandard).Execute());
  EXPECT_EQ(Reader.ManualFrequencies, 1);
  Reader.ManualFrequencies = 0;
}

TEST(IndexRunTest, MissingFileKeepsTheRootsOnly) {
  TempDir dir;
  TreeHost host;
  host.Statistics = {"previous"};
  EXPECT_FALSE(IndexRun(Reader, host, dir.File("none.klf"), kFormatStandard).Execute());
  EXPECT_EQ(host.Errors,
            std::vector<std::string>{"Input File Does Not Exist!\n" + dir.File("none.klf") + ": No such file or directory"});
  EXPECT_TRUE(host.Tree.HasRoots());
  EXPECT_TRUE(host.Tree.Nodes().empty());
  EXPECT_EQ(host.Statistics, std::vector<std::string>{"previous"});
}

TEST(ScanTreeTest, NodesTogglesAndSelection) {
  ScanTree tree;
  tree.Reset(kFormatStandard, "a.klf");
  EXPECT_TRUE(tree.AddScanNode(19, 1, "GPS 00:00:01"));
  EXPECT_TRUE(tree.AddScanNode(1, 2, "GPS 00:00:02"));
  EXPECT_FALSE(tree.AddScanNode(1, 1025, "GPS 00:00:03"));  // beyond the table: converted, no node
  EXPECT_FALSE(tree.AddScanNode(7, 3, "GPS 00:00:03"));     // no such root
  EXPECT_TRUE(tree.Toggle(2));
  EXPECT_FALSE(tree.Toggle(0));
  const ScanSelection s = tree.Selection();
  EXPECT_EQ(s.File, "a.klf");
  EXPECT_EQ(s.Skipped, (std::vector<int32_t>{2}));
  EXPECT_TRUE(tree.Toggle(2));
  EXPECT_EQ(tree.Node(2)->State, 2);
  tree.Reset(0, "b.klf");
  EXPECT_FALSE(tree.AddScanNode(19, 1, "GPS"));
  EXPECT_TRUE(tree.Selection().Skipped.empty());
}

}  // namespace
}  // namespace quillon
