// Rendering of catalogue fields and of the data block: records built with the log
// writer are decoded by a reader of the test's own, and its row is rendered.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <tuple>

#include "reader/log_reader.h"
#include "reader/number_text.h"
#include "reader/row_renderer.h"
#include "support/log_builders.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::AddFix;
using testing::TempDir;

// Receiver 1 from 800 to 1000 MHz in steps of 25 kHz.
const klf::BandDescriptor kWideBand = {32000, 40000, 6400, 0};

class RowRendererTest : public ::testing::Test {
 protected:
  // Decodes every record of the log in a conversion pass; the input stays open so
  // that the row shows the last record's state.
  void Feed(const klf::LogWriter& log, Reduction reduction = Reduction::None) {
    reader = std::make_unique<TLogReader>();
    reader->AttachMainWindow({true, false});
    reader->SelectReceiver(1);
    reader->ConvertingPass = 1;
    reader->SetReductionMode(static_cast<int16_t>(reduction));
    ASSERT_EQ(reader->OpenInput(testing::WriteLog(dir, "in.klf", log)), 0);
    const uint8_t* record = nullptr;
    while (reader->NextRecord(record) != 0) reader->ProcessRecord(record);
  }
  void TearDown() override {
    if (reader) reader->CloseInput();
  }

  std::string FieldText(int16_t index) {
    TextBuffer text;
    text = "stale";
    renderer.WriteField(index, text, reader->Row());
    return text.str();
  }
  std::string Values() {
    TextBuffer text;
    text = "stale";
    renderer.WriteDataValues(text, ',', reader->Row());
    return text.str();
  }
  std::string Header() {
    TextBuffer text;
    text = "stale";
    renderer.WriteDataHeader(text, ';', reader->Row());
    return text.str();
  }

  TempDir dir;
  std::unique_ptr<TLogReader> reader;
  RowRenderer renderer;
};

TEST_F(RowRendererTest, BufferedLatitudeSplitsIntoDegreesMinutesSeconds) {
  klf::LogWriter log;
  log.Band(3, kWideBand, kWideBand);
  log.SingleDefinition(32400, 32400);
  AddFix(log, 100, -33.5);
  log.Single(1, {-60});
  AddFix(log, 101, -33.0);  // the interval's one row carries the first fix's position
  Feed(log);
  ASSERT_TRUE(reader->Row().Buffered());
  const std::pair<Field, const char*> cases[] = {{Field::LatitudeDecimalDegrees, "-33.500000"},
                                                 {Field::LatitudeDegrees, "33"},
                                                 {Field::LatitudeMinutes, "30"},
                                                 {Field::LatitudeDecimalMinutes, "30.000000"},
                                                 {Field::LatitudeSeconds, "0"}};
  for (auto [field, text] : cases) EXPECT_EQ(FieldText(Index(field)), text) << Index(field);
}

TEST_F(RowRendererTest, FixFieldsAndTheirFormats) {
  for (auto [year, date] : {std::pair{2003, "03/07/2003"}, std::pair{-5, "03/07/-005"}, std::pair{7, "03/07/0007"},
                            std::pair{12345, "03/07/12345"}}) {
    klf::LogWriter log;
    log.Band(3, kWideBand, kWideBand);
    klf::GpsFields f;
    f.Month = 3;
    f.Day = 7;
    f.Year = year;
    f.HeightCm = 12345;
    f.SpeedCmps = 4470;
    f.Status = 0xC0;
    log.Gps(f);
    Feed(log);
    // Years outside four digits are printed as printf's "%04d" prints them.
    EXPECT_EQ(FieldText(Index(Field::GpsDate)), date);
  }
  const std::pair<int16_t, const char*> cases[] = {
      {23, "03"},  {25, "12345"}, {26, "123"}, {27, "100"},      {17, "2D Fix"},        {10, "S"},
      {16, "W"},   {4, "\n"},     {1, ""},     {28, ""},         {45, ""},              {56, ""},
      {-10, ""},   {48, "25.00"}, {46, "800.00000"}, {47, "1000.00000"}};
  for (auto [index, text] : cases) EXPECT_EQ(FieldText(index), text) << index;
}

TEST_F(RowRendererTest, TpFieldsKeepTheSouthAndWestSign) {
  klf::TpPositionFields tp;
  tp.Second = 9;
  tp.Minute = 8;
  tp.Hour = 7;
  tp.Day = 7;
  tp.Month0 = 2;
  tp.YearsSince1900 = 103;
  tp.LatHemisphere = 'S';
  tp.LatMillionths = 500000;  // 0 degrees
  tp.LonHemisphere = 'E';
  tp.LonDegrees = 12;
  const struct {
    char hemisphere;
    uint16_t degrees;
    const char* latitude;
  } cases[] = {{'S', 0, "-0.500000"}, {'\0', 0, "0.500000"}, {'N', 5, "5.500000"}};
  for (const auto& c : cases) {
    tp.LatHemisphere = c.hemisphere;
    tp.LatDegrees = c.degrees;
    klf::LogWriter log;
    log.TpPosition(tp);
    Feed(log);
    EXPECT_EQ(FieldText(Index(Field::TpLatitude)), c.latitude);
    EXPECT_EQ(FieldText(Index(Field::TpLongitude)), "12.000000");
    EXPECT_EQ(FieldText(Index(Field::TpDate)), "03/07/2003");
    EXPECT_EQ(FieldText(Index(Field::TpTime)), "07:08:09");
  }
}

klf::LogWriter ListLog() {
  klf::LogWriter log;
  log.Band(3, kWideBand, kWideBand);
  AddFix(log, 100);
  log.ListDefinition({32400, 0, 0, 0, 32401, 0, 0, 0, 0, 32402}, {});
  log.ListData({{0, 0, -60}, {0, 1, -61}, {0, 2, -62}, {0, 3, -63}, {0, 4, -64}});
  log.ListData({{0, 5, -65}, {0, 6, -66}, {0, 7, -67}, {0, 8, -68}, {0, 9, -69}});
  return log;
}

TEST_F(RowRendererTest, ListBlockWritesUsedSlotsAndTenTitleGroups) {
  Feed(ListLog());
  renderer.SetDataFields({true, true, true});
  EXPECT_EQ(Values(), ",810.00000,401,-60,810.02500,402,-64,810.05000,403,-69");
  const std::string header = Header();
  EXPECT_EQ(std::count(header.begin(), header.end(), ';'), 29);
  renderer.SetDataFields({false, false, false});
  EXPECT_EQ(Values(), "");
  EXPECT_EQ(Header(), "");
}

TEST_F(RowRendererTest, BestServerListSlotIsTheFirstOfTheStrongestUsed) {
  klf::LogWriter log;
  log.Band(3, kWideBand, kWideBand);
  AddFix(log, 100);
  log.ListDefinition({32400, 32400, 32400, 32400}, {});
  log.ListData({{0, 0, -80}, {0, 1, -70}, {0, 2, -70}, {0, 3, -90}, {0, 4, -30}});  // position 4 has no frequency
  Feed(log, Reduction::BestServer);
  renderer.SetDataFields({false, false, true});
  EXPECT_EQ(Values(), ",-70");
  EXPECT_EQ(Header(), "\"RSSI\"");
}

TEST_F(RowRendererTest, TableBlockAndEmptyTable) {
  klf::LogWriter log;
  log.Band(3, kWideBand, kWideBand);
  AddFix(log, 100);
  log.TableData({{0, 1, -50}, {0, 3, -51}, {1, 9, -52}});
  Feed(log);
  renderer.SetDataFields({true, true, true});
  EXPECT_EQ(Values(), ",800.00000,1,-50,800.05000,3,-51");
  log.TableData({{1, 5, -60}});  // no entry for receiver 1
  Feed(log);
  EXPECT_EQ(Values(), "");
}

// A renderer keeps texts of the state it showed last: rows of another reader,
// even one at the same address, start afresh.
TEST_F(RowRendererTest, KeptTextsBelongToTheirReader) {
  klf::LogWriter a, b;
  AddFix(a, 3600);
  AddFix(b, 7200);
  for (int round = 0; round < 2; ++round) {
    Feed(round == 0 ? a : b);
    EXPECT_EQ(FieldText(Index(Field::GpsTime)), round == 0 ? "01:00:00" : "02:00:00");
  }
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
  // Halves of a millionth and their neighbours, and exact halves (2^-7 is 7812.5 millionths).
  for (double v : {0.0078125, -0.0078125, 45.5000005, -73.5976775, 179.9999995, 0.0000005}) {
    values.push_back(v);
    values.push_back(std::nextafter(v, 1e9));
    values.push_back(std::nextafter(v, -1e9));
  }
  for (int precision : {0, 1, 2, 3, 5, 6}) {
    for (double v : values) {
      char expected[512];
      std::snprintf(expected, sizeof expected, "%.*f", precision, v);
      TextBuffer text;
      AppendFixed(text, v, precision);
      ASSERT_EQ(text.str(), expected) << v << " precision " << precision;
      // Read back as shown: the very double strtod makes of the text.
      const double shown = AsShown(v, precision), read = std::strtod(expected, nullptr);
      uint64_t a, b;
      std::memcpy(&a, &shown, sizeof a);
      std::memcpy(&b, &read, sizeof b);
      if (!std::isnan(read)) {
        ASSERT_EQ(a, b) << expected << " precision " << precision;
        if (precision == 6) {
          ASSERT_EQ(ShownDegrees(v), read) << expected;  // the same number (zero of either sign)
        }
      }
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
