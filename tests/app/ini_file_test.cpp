#include <gtest/gtest.h>

#include "app/ini_file.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(IniFileTest, ReadingRules) {
  TempDir dir;
  WriteFile(dir.File("a.cfg"),
            "garbage line\r\n[Sec]\r\n  Name = \"quoted value\"  \r\nname=second\r\nHex=0x1F\r\nDollar=$ff\r\n"
            "Neg=-12\r\nBad=12abc\r\nEmpty=\r\n[other]\nLong=" + std::string(3000, 'v') + "\n\x01\x02=\xff\n");
  IniFile ini;
  ASSERT_TRUE(ini.Load(dir.File("a.cfg")));
  EXPECT_EQ(ini.ReadString("SEC", "NAME", "d"), "quoted value");  // first of duplicates
  EXPECT_EQ(ini.ReadInteger("sec", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("sec", "dollar", 0), 255);
  EXPECT_EQ(ini.ReadInteger("sec", "neg", 0), -12);
  EXPECT_EQ(ini.ReadInteger("sec", "bad", 7), 7);
  EXPECT_EQ(ini.ReadInteger("sec", "empty", 9), 9);
  EXPECT_EQ(ini.ReadInteger("sec", "missing", 5), 5);
  EXPECT_EQ(ini.ReadString("nosection", "x", "def"), "def");
  EXPECT_EQ(ini.ReadString("Other", "Long", "").size(), 2047u);
  EXPECT_TRUE(ini.ReadBool("sec", "hex", false));
}

TEST(IniFileTest, WritingKeepsOtherLines) {
  TempDir dir;
  const std::string original = "; comment\r\n[A]\r\nx=1\r\nkeep = me\r\n\r\n[B]\r\ny=2\r\n";
  WriteFile(dir.File("a.cfg"), original);
  IniFile ini;
  ASSERT_TRUE(ini.Load(dir.File("a.cfg")));
  ini.WriteString("a", "X", "10");
  ini.WriteString("A", "new", "n");
  ini.WriteInteger("C", "z", 3);
  ASSERT_TRUE(ini.Save(dir.File("a.cfg")));
  EXPECT_EQ(ReadFile(dir.File("a.cfg")), "; comment\r\n[A]\r\nx=10\r\nkeep = me\r\nnew=n\r\n\r\n[B]\r\ny=2\r\n[C]\r\nz=3\r\n");
}

TEST(IniFileTest, FailedSaveLeavesTheOldFile) {
  TempDir dir;
  WriteFile(dir.File("a.cfg"), "[A]\nx=1\n");
  IniFile ini;
  ASSERT_TRUE(ini.Load(dir.File("a.cfg")));
  ini.WriteString("A", "x", "2");
  EXPECT_FALSE(ini.Save(dir.File("missing-folder/a.cfg")));
  EXPECT_FALSE(ini.Save(dir.Path()));  // a folder cannot be replaced
  EXPECT_EQ(ReadFile(dir.File("a.cfg")), "[A]\nx=1\n");
}

}  // namespace
}  // namespace quillon
