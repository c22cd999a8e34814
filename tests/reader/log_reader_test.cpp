// Layout detection and record framing, including broken files.
#include <gtest/gtest.h>

#include <vector>

#include "reader/file_type.h"
#include "reader/log_reader.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::TempDir;
using testing::WriteFile;
using testing::WriteLog;

struct Framing {
  std::vector<int64_t> Results;
  std::vector<int32_t> Lengths;
  std::vector<std::vector<uint8_t>> Records;
  bool operator==(const Framing&) const = default;
};

// Every record of a file, through the copying read or the read in place.
Framing Frame(const std::string& path, int16_t format, bool inPlace) {
  Reader.InputFormat = format;
  Framing f;
  if (Reader.OpenInput(path) != 0) return {{-1}, {}, {}};
  std::vector<uint8_t> buffer(kRecordBufferSize);
  for (;;) {
    const uint8_t* record = buffer.data();
    const int64_t n = inPlace ? Reader.NextRecord(record) : Reader.ReadNextRecord(buffer.data());
    if (n == 0) break;
    f.Results.push_back(n);
    f.Lengths.push_back(Reader.RecordLength());
    f.Records.emplace_back(record, record + Reader.RecordLength());
  }
  Reader.CloseInput();
  return f;
}

// The records' read results; both reads must deliver the same records.
std::vector<int64_t> ReadAll(const std::string& path, int16_t format, std::vector<int32_t>* lengths = nullptr) {
  const Framing copied = Frame(path, format, false);
  EXPECT_TRUE(copied == Frame(path, format, true)) << path;
  if (lengths) *lengths = copied.Lengths;
  return copied.Results;
}

TEST(FileTypeTest, MagicOffsetsDecideTheLayout) {
  TempDir dir;
  EXPECT_EQ(DetectFileType(WriteLog(dir, "std.klf", klf::LogWriter(klf::Layout::Standard))), kFormatStandard);
  EXPECT_EQ(DetectFileType(WriteLog(dir, "card.klf", klf::LogWriter(klf::Layout::FlashCard))), kFormatFlashCard);
  // Zero bytes before the magic do not hide it.
  std::string bytes(9, '\0');
  bytes += "KTRZEPHYN";
  WriteFile(dir.File("zeros.klf"), bytes);
  EXPECT_EQ(DetectFileType(dir.File("zeros.klf")), kFormatStandard);
  WriteFile(dir.File("early.klf"), "xxxxKTRZEPHYN and more bytes here");
  EXPECT_EQ(DetectFileType(dir.File("early.klf")), kFormatNone);
  WriteFile(dir.File("short.klf"), std::string(9, '\0') + "KTRZEPHY");
  EXPECT_EQ(DetectFileType(dir.File("short.klf")), kFormatNone);
  EXPECT_EQ(DetectFileType(dir.File("missing.klf")), kFormatNone);
  EXPECT_EQ(DetectFileType(dir.Path()), kFormatNone);
}

TEST(LogReaderTest, DataLengthFromHeaderOrFileSize) {
  TempDir dir;
  klf::LogWriter log;
  log.Rtc(1, 2, 3, 4, 5, 6, 7);
  const std::string path = WriteLog(dir, "a.klf", log, 2 * 512 + 10);
  Reader.InputFormat = kFormatStandard;
  ASSERT_EQ(Reader.OpenInput(path), 0);
  EXPECT_EQ(Reader.DataLengthOfInput(), 1034);
  Reader.CloseInput();
  const std::string zero = WriteLog(dir, "b.klf", log, 0);
  ASSERT_EQ(Reader.OpenInput(zero), 0);
  EXPECT_EQ(Reader.DataLengthOfInput(), Reader.FileSize);
  Reader.CloseInput();
}

TEST(LogReaderTest, RecordEndingAtDataLengthIsDelivered) {
  TempDir dir;
  klf::LogWriter log(klf::Layout::FlashCard);
  log.Rtc(1, 2, 3, 4, 5, 6, 7);
  const std::string path = WriteLog(dir, "a.klf", log);
  EXPECT_EQ(ReadAll(path, kFormatFlashCard), (std::vector<int64_t>{16 + 2, 8 + 2}));
  // A header claiming one byte less drops the record it cuts.
  const std::string cut = WriteLog(dir, "b.klf", log, static_cast<long long>(log.Size()) - 1);
  EXPECT_EQ(ReadAll(cut, kFormatFlashCard), (std::vector<int64_t>{18}));
}

TEST(LogReaderTest, BrokenFramingEndsCleanly) {
  TempDir dir;
  struct Case {
    const char* name;
    std::vector<uint8_t> tail;
    std::vector<int64_t> results;  // after the magic record
    std::vector<int32_t> lengths;
  };
  std::vector<uint8_t> max(2 + 4096, 0x80);
  max[0] = 0x00;
  max[1] = 0x10;
  const Case cases[] = {
      {"zero length", {0, 0}, {2}, {0}},
      {"length 4096", max, {4098}, {4096}},
      {"length 4097 is passed over", {0x01, 0x10, 8, 0, 4, 1, 2, 3, 4, 5, 6, 7}, {4, 10}, {0, 8}},
      {"length 65535 is passed over", {0xFF, 0xFF}, {4}, {0}},
      {"record cut off by end of file", {9, 0, 4, 1, 2}, {}, {}},
      {"lone byte", {7}, {}, {}},
  };
  for (const Case& c : cases) {
    klf::LogWriter log;
    log.Bytes(c.tail);
    std::vector<int32_t> lengths;
    std::vector<int64_t> results = ReadAll(WriteLog(dir, "f.klf", log, 0), kFormatStandard, &lengths);
    ASSERT_FALSE(results.empty()) << c.name;
    results.erase(results.begin());
    lengths.erase(lengths.begin());
    EXPECT_EQ(results, c.results) << c.name;
    EXPECT_EQ(lengths, c.lengths) << c.name;
  }
}

// Records of every length up to the largest, across the input buffers' edges
// and the read-ahead, with an oversized length among them.
TEST(LogReaderTest, ReadInPlaceDeliversTheCopiedRecords) {
  TempDir dir;
  klf::LogWriter log;
  uint32_t state = 7;
  for (int i = 0; log.Size() < 3 * (1u << 20) + 5000; ++i) {
    state = state * 1103515245 + 12345;
    const size_t length = i % 97 == 0 ? 4096 : 1 + (state >> 16) % (i % 5 == 0 ? 4096 : 64);
    std::vector<uint8_t> record(length);
    for (size_t k = 0; k < length; ++k) record[k] = static_cast<uint8_t>(state >> (k % 24));
    log.Raw(record);
    if (i == 1000) log.LengthWord(5000);
  }
  const std::string path = WriteLog(dir, "many.klf", log, 0);
  const Framing copied = Frame(path, kFormatStandard, false);
  EXPECT_GT(copied.Results.size(), 5000u);
  EXPECT_TRUE(copied == Frame(path, kFormatStandard, true));
}

TEST(LogReaderTest, MissingEmptyAndHeaderOnlyFiles) {
  TempDir dir;
  EXPECT_EQ(ReadAll(dir.File("missing.klf"), kFormatStandard), std::vector<int64_t>{-1});
  EXPECT_EQ(ReadAll(dir.Path(), kFormatStandard), std::vector<int64_t>{-1});
  WriteFile(dir.File("empty.klf"), "");
  EXPECT_TRUE(ReadAll(dir.File("empty.klf"), kFormatStandard).empty());
  WriteFile(dir.File("header.klf"), std::string(6, '\0'));
  EXPECT_TRUE(ReadAll(dir.File("header.klf"), kFormatStandard).empty());
  // Header fields that claim more than the file holds: reading ends at the real end.
  klf::LogWriter log;
  EXPECT_EQ(ReadAll(WriteLog(dir, "claims.klf", log, 1 << 20), kFormatStandard).size(), 1u);
}

TEST(LogReaderTest, RandomBytesNeverCrash) {
  TempDir dir;
  uint32_t state = 12345;
  for (int round = 0; round < 50; ++round) {
    std::string bytes(static_cast<size_t>(round * 37 + 3), '\0');
    for (char& c : bytes) c = static_cast<char>((state = state * 1103515245 + 12345) >> 16);
    WriteFile(dir.File("r.klf"), bytes);
    Reader.InputFormat = round % 2 ? kFormatStandard : kFormatFlashCard;
    ASSERT_EQ(Reader.OpenInput(dir.File("r.klf")), 0);
    std::vector<uint8_t> buffer(kRecordBufferSize);
    Reader.ConvertingPass = 1;
    while (Reader.ReadNextRecord(buffer.data()) != 0) Reader.ProcessRecord(buffer.data());
    Reader.CloseInput();
  }
  Reader.ConvertingPass = 0;
}

TEST(LogReaderTest, CatalogueAndDefaultAvailableFields) {
  const TProductReader& base = Reader;
  EXPECT_EQ(base.AvailableFieldCount, 43);
  EXPECT_STREQ(CatalogueName(base.AvailableFieldMap[0]), "<< DATA >>");
  EXPECT_STREQ(CatalogueName(base.AvailableFieldMap[1]), "CR / LF");
  EXPECT_STREQ(CatalogueName(base.AvailableFieldMap[24]), "GPS Status");
  EXPECT_STREQ(CatalogueName(base.AvailableFieldMap[38]), "Record Number");
  EXPECT_STREQ(CatalogueName(base.AvailableFieldMap[42]), "TP Time (HH:MM:SS)");
  EXPECT_STREQ(CatalogueName(55), "TP Direction (deg from N)");
  EXPECT_STREQ(CatalogueName(56), "");
  EXPECT_STREQ(CatalogueName(-10), "");
}

}  // namespace
}  // namespace quillon
