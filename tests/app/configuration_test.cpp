#include <gtest/gtest.h>

#include "app/configuration.h"
#include "app/ini_file.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(ConfigurationTest, SaveThenRestoreReproducesTheSettings) {
  TempDir dir;
  Settings saved = DefaultSettings();
  saved.InputFormat = 9;
  saved.InputFilename = "/data/run7.kez";
  saved.OutputFilename = "/data/run7.out";
  saved.TarrowMode = 2;
  saved.ScanType = 1;
  saved.Receiver1 = false;
  saved.Receiver2 = true;
  saved.ChannelField = true;
  saved.RSSIField = false;
  saved.NoAvg = false;
  saved.BSAvg = true;
  saved.Delimiter = 3;
  saved.FieldTitles = true;
  SelectColumns(saved, {5, 0, 32, 5});
  std::string message;
  ASSERT_TRUE(SaveConfiguration(saved, dir.File("a.cfg"), message));
  Settings restored;
  ASSERT_TRUE(RestoreConfiguration(dir.File("a.cfg"), restored, message));
  for (auto field : {&Settings::InputFilename, &Settings::OutputFilename})
    EXPECT_EQ(restored.*field, saved.*field);
  EXPECT_EQ(restored.InputFormat, 9);
  EXPECT_EQ(restored.TarrowMode, 2);
  EXPECT_EQ(restored.Delimiter, 3);
  for (auto flag : {&Settings::Receiver1, &Settings::Receiver2, &Settings::FrequencyField, &Settings::ChannelField,
                    &Settings::RSSIField, &Settings::NoAvg, &Settings::BSAvg, &Settings::FieldTitles})
    EXPECT_EQ(restored.*flag, saved.*flag);
  EXPECT_EQ(restored.AvailableFields, saved.AvailableFields);
  EXPECT_EQ(restored.SelectedFields, saved.SelectedFields);
  EXPECT_EQ(restored.SelectedTags, saved.SelectedTags);
  const std::string text = ReadFile(dir.File("a.cfg"));
  EXPECT_EQ(text.find("[InputFormat]\r\nProduct=9\r\n[InputFile]\r\nFilename=/data/run7.kez\r\n[OutputFilter]\r\n"
                      "TarrowMode=2\r\n"),
            0u);
  EXPECT_NE(text.find("[SelectedFields]\r\nCount=4\r\nField0=Latitude (Decimal Degrees)\r\nField1=<< DATA >>"),
            std::string::npos);
  EXPECT_NE(text.find("[SelectedTags]\r\nTag0=5\r\nTag1=0\r\nTag2=32\r\nTag3=5\r\n[OutputFile]"), std::string::npos);
}

TEST(ConfigurationTest, ShorterSelectionLeavesOldKeysButRestoresCount) {
  TempDir dir;
  Settings s = DefaultSettings();
  SelectColumns(s, {5, 11, 18});
  std::string message;
  ASSERT_TRUE(SaveConfiguration(s, dir.File("a.cfg"), message));
  SelectColumns(s, {22});
  ASSERT_TRUE(SaveConfiguration(s, dir.File("a.cfg"), message));
  EXPECT_NE(ReadFile(dir.File("a.cfg")).find("Tag2=18"), std::string::npos);
  Settings restored;
  ASSERT_TRUE(RestoreConfiguration(dir.File("a.cfg"), restored, message));
  EXPECT_EQ(restored.SelectedTags, std::vector<int16_t>{22});
}

TEST(ConfigurationTest, DefaultsAndBrokenValues) {
  TempDir dir;
  WriteFile(dir.File("b.cfg"),
            "[OutputFilter]\nReceiver1=0\nReceiver2=0\n[InputFormat]\nProduct=-7\n"
            "[SelectedFields]\nCount=100000\nField0=A\n[SelectedTags]\nTag0=70000\n"
            "[AvailableFields]\nCount=abc\n[OutputFieldSelection]\nDelimiter=99\n");
  Settings s = DefaultSettings();
  std::string message;
  ASSERT_TRUE(RestoreConfiguration(dir.File("b.cfg"), s, message));
  EXPECT_FALSE(s.Receiver1);
  EXPECT_FALSE(s.Receiver2);
  EXPECT_EQ(s.InputFormat, -1);
  EXPECT_EQ(s.Delimiter, 4);
  EXPECT_FALSE(s.FieldTitles);  // missing: off
  EXPECT_EQ(s.ScanType, 0);
  EXPECT_EQ(s.InputFilename, "Sample.in");
  EXPECT_EQ(s.OutputFilename, "Sample.out");
  EXPECT_TRUE(s.AvailableFields.empty());
  ASSERT_EQ(s.SelectedTags.size(), 100u);  // never beyond the column table
  EXPECT_EQ(s.SelectedTags[0], static_cast<int16_t>(70000 & 0xFFFF));
  EXPECT_EQ(s.SelectedTags[1], 0);  // missing Tag: the data block
  EXPECT_EQ(s.SelectedFields[1], "");
}

TEST(ConfigurationTest, FilesThatCannotBeUsedAreReportedWithTheirReason) {
  TempDir dir;
  std::string message;
  EXPECT_FALSE(SaveConfiguration(DefaultSettings(), dir.File("no/such.cfg"), message));
  EXPECT_EQ(message, "Unable to write to " + dir.File("no/such.cfg") + "\n" + dir.File("no/such.cfg") +
                         ": No such file or directory");
  // A restore from a file that is missing or a folder changes no setting.
  const struct {
    std::string path, reason;
  } unreadable[] = {{dir.File("missing.cfg"), "No such file or directory"}, {dir.Path(), "Is a directory"}};
  for (const auto& c : unreadable) {
    Settings s = DefaultSettings();
    s.Delimiter = 3;
    EXPECT_FALSE(RestoreConfiguration(c.path, s, message));
    EXPECT_EQ(message, "Configuration File Cannot Be Read!\n" + c.path + ": " + c.reason);
    EXPECT_EQ(s.Delimiter, 3);
  }
}

}  // namespace
}  // namespace quillon
