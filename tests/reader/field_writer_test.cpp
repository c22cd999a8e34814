// Rendering of catalogue fields and of the data block from reader state.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "reader/log_reader.h"
#include "reader/number_text.h"

namespace quillon {
namespace {

class FieldWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Reader.ManualFrequencies = 0;
    Reader.Fix = std::make_unique<GpsFix>();
    Reader.ScanMode = 0;
    Reader.PacingMode = 0;
    Reader.ReductionMode = 0;
    Reader.SelectedReceiver = 0;
    Reader.RowsPerRecord = 1;
    Reader.RowsRemaining = 1;
    Reader.Rows.assign(1, BufferedRow());
    Reader.RowSampleData.assign(1, -99);
    Reader.DataFields = {true, true, true};
    std::memset(Reader.TpPosition, 0, sizeof Reader.TpPosition);
    std::memset(Reader.TableChannels, 0, sizeof Reader.TableChannels);
    std::memset(Reader.ListFrequencies, 0, sizeof Reader.ListFrequencies);
    Reader.Bands[0] = BandInfo();
    const uint8_t band[12] = {0x00, 0x7D, 0, 0, 0x40, 0x9C, 0, 0, 0x00, 0x19, 0, 0};  // 32000..40000, 25 kHz
    Reader.Bands[0].Load(band);
  }
  void TearDown() override { Reader.Fix.reset(); }

  std::string Field(int16_t index) {
    TextBuffer text;
    text = "stale";
    Reader.StateChanged();
    Reader.WriteFieldValue(index, text);
    return text.str();
  }
  std::string Values() {
    TextBuffer text;
    text = "stale";
    Reader.StateChanged();
    Reader.WriteDataValues(text, ',');
    return text.str();
  }
  std::string Header() {
    TextBuffer text;
    text = "stale";
    Reader.WriteDataHeader(text, ';');
    return text.str();
  }
};

TEST_F(FieldWriterTest, BufferedLatitudeSplitsIntoDegreesMinutesSeconds) {
  Reader.ScanMode = 1;
  Reader.PacingMode = 1;
  Reader.Rows[0].Latitude = -33.5;
  const std::pair<int16_t, const char*> cases[] = {
      {5, "-33.500000"}, {6, "33"}, {7, "30"}, {8, "30.000000"}, {9, "0"}};
  for (auto [index, text] : cases) EXPECT_EQ(Field(index), text) << index;
}

TEST_F(FieldWriterTest, FixFieldsAndTheirFormats) {
  uint8_t record[153] = {};
  record[5] = 3;
  record[6] = 7;
  record[7] = 0x07;
  record[8] = 0xD3;
  record[27] = 0x30;
  record[26] = 0x00;
  record[24] = 0;
  record[25] = 0;
  record[26] = 0x30;
  record[27] = 0x39;
  record[48] = 0x11;
  record[49] = 0x76;
  record[130] = 0xC0;
  Reader.Fix->Decode(record + 1);
  const std::pair<int16_t, const char*> cases[] = {
      {22, "03/07/2003"}, {23, "03"}, {25, "2003"}, {26, "123"}, {27, "100"}, {17, "2D Fix"},
      {10, "S"},          {16, "W"},  {4, "\n"},    {1, ""},     {28, ""},    {45, ""},
      {56, ""},           {-10, ""}, {48, "25.00"}, {46, "800.00000"}, {47, "1000.00000"}};
  for (auto [index, text] : cases) EXPECT_EQ(Field(index), text) << index;
  // Years outside four digits are printed as printf's "%04d" prints them.
  for (auto [high, low, text] : {std::tuple{0xFF, 0xFB, "03/07/-005"}, std::tuple{0x00, 0x07, "03/07/0007"},
                                 std::tuple{0x30, 0x39, "03/07/12345"}}) {
    record[7] = static_cast<uint8_t>(high);
    record[8] = static_cast<uint8_t>(low);
    Reader.Fix->Decode(record + 1);
    EXPECT_EQ(Field(22), text);
  }
}

TEST_F(FieldWriterTest, TpFieldsKeepTheSouthAndWestSign) {
  uint8_t* tp = Reader.TpPosition;
  tp[0] = 0xC0;
  tp[1] = 9;
  tp[2] = 8;
  tp[3] = 7;
  tp[4] = 7;
  tp[5] = 2;
  tp[6] = 103;
  tp[7] = 'S';
  tp[10] = 0x20;
  tp[11] = 0xA1;
  tp[12] = 0x07;  // 500000 millionths, 0 degrees
  tp[14] = 'E';
  tp[15] = 12;
  EXPECT_EQ(Field(50), "-0.500000");
  EXPECT_EQ(Field(51), "12.000000");
  EXPECT_EQ(Field(52), "03/07/2003");
  EXPECT_EQ(Field(53), "07:08:09");
  tp[7] = 0;  // no hemisphere at 0 degrees: no sign
  EXPECT_EQ(Field(50), "0.500000");
  tp[7] = 'N';
  tp[8] = 5;
  EXPECT_EQ(Field(50), "5.500000");
}

TEST_F(FieldWriterTest, ListBlockWritesUsedSlotsAndTenTitleGroups) {
  Reader.ScanMode = 2;
  Reader.ListFrequencies[0][0] = 32400;
  Reader.ListFrequencies[0][4] = 32401;
  Reader.ListFrequencies[0][9] = 32402;
  for (int j = 0; j < 10; ++j) Reader.RssiSamples[j] = static_cast<int8_t>(-60 - j);
  EXPECT_EQ(Values(), ",810.00000,401,-60,810.02500,402,-64,810.05000,403,-69");
  const std::string header = Header();
  EXPECT_EQ(std::count(header.begin(), header.end(), ';'), 29);
  Reader.DataFields = {false, false, false};
  EXPECT_EQ(Values(), "");
  EXPECT_EQ(Header(), "");
}

TEST_F(FieldWriterTest, BestServerListSlotIsTheFirstOfTheStrongestUsed) {
  Reader.ScanMode = 2;
  Reader.ReductionMode = 3;
  Reader.DataFields = {false, false, true};
  const int8_t rssi[4] = {-80, -70, -70, -90};
  for (int j = 0; j < 10; ++j) Reader.RssiSamples[j] = j < 4 ? rssi[j] : -30;
  for (int j = 0; j < 4; ++j) Reader.ListFrequencies[0][j] = 32400;
  EXPECT_EQ(Values(), ",-70");
  EXPECT_EQ(Header(), "\"RSSI\"");
  Reader.ReductionMode = 0;
}

TEST_F(FieldWriterTest, TableBlockAndEmptyTable) {
  Reader.ScanMode = 3;
  Reader.LastTableIndex = 1;
  Reader.TableChannels[0] = 1;
  Reader.TableChannels[1] = 3;
  Reader.RssiSamples[0] = -50;
  Reader.RssiSamples[1] = -51;
  EXPECT_EQ(Values(), ",800.00000,1,-50,800.05000,3,-51");
  Reader.LastTableIndex = -1;
  EXPECT_EQ(Values(), "");
}

}  // namespace
}  // namespace quillon

namespace quillon {
namespace {

// The fast fixed-point formatting must give printf's digits for every value.
TEST(NumberTextTest, FixedMatchesPrintf) {
  uint64_t state = 88172645463325252ull;
  auto next = [&] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  std::vector<double> values = {0.0, -0.0, 0.5, 1.5, 2.5, -0.0000004, -0.0000005, 0.0000005, 999999.9999995,
                                45.1234565, -73.5, 1e20, -1e300, 0.125, 870.025, 1e15, 9.9999999e14,
                                // exact halves go to the even neighbour; near halves by their exact value
                                0.375, 0.0078125, -0.0234375, 3.5, 1234.5, 8589.9345925, 8589934591.5, 17179.8691845,
                                45.5017425, -73.5672915, 1.0000005, 0.0000015};
  for (int i = 0; i < 200000; ++i) {
    const uint64_t r = next();
    switch (i % 5) {
      case 0: values.push_back(static_cast<double>(static_cast<int64_t>(r % 400000000) - 200000000) / 1e6); break;
      case 1: values.push_back(static_cast<double>(r % 100000000) * 0.00390625 * 0.001); break;
      case 2: values.push_back((static_cast<double>(r % 2000001) - 1000000.0) / 2048.0); break;
      case 3: {  // positions from whole milliarcseconds: many lie within a hair of a half
        const double mas = static_cast<double>(static_cast<int64_t>(r % 648000000) - 324000000);
        values.push_back(mas / 3600000.0);
        break;
      }
      default: {
        double d;
        std::memcpy(&d, &r, sizeof d);
        values.push_back(d);
      }
    }
  }
  for (int precision : {0, 1, 2, 3, 5, 6}) {
    for (double v : values) {
      char expected[512];
      std::snprintf(expected, sizeof expected, "%.*f", precision, v);
      TextBuffer text;
      AppendFixed(text, v, precision);
      ASSERT_EQ(text.str(), expected) << v << " precision " << precision;
    }
  }
}

TEST(NumberTextTest, IntegersMatchPrintf) {
  for (long long v : {-100000LL, -129LL, -128LL, -121LL, -5LL, -1LL, 0LL, 7LL, 9LL, 10LL, 99LL, 100LL, 255LL, 256LL,
                      2026LL, 2147483647LL, -2147483648LL}) {
    char expected[32];
    TextBuffer text;
    std::snprintf(expected, sizeof expected, "%lld", v);
    AppendInt(text, v);
    EXPECT_EQ(text.str(), expected);
    text.clear();
    std::snprintf(expected, sizeof expected, "%02lld", v);
    AppendTwoDigits(text, v);
    EXPECT_EQ(text.str(), expected);
  }
}

}  // namespace
}  // namespace quillon
