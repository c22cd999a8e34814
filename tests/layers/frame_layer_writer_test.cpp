// The in-memory layer of the Python frames: columns of every type with their nulls,
// texts as codes, date-times in nanoseconds, a dropped log's rows gone, and enough
// rows to grow every column past its first blocks.
#include <gtest/gtest.h>

#include <cstring>

#include "layers/frame_layer_writer.h"

namespace quillon {
namespace {

std::vector<Attribute> Schema() {
  using T = AttributeType;
  return {{"log", T::String}, {"row", T::Integer64}, {"rssi", T::Integer}, {"freq", T::Real}, {"time", T::DateTime}};
}

LayerFeature FeatureOf(const char* log, int64_t row) {
  LayerFeature f;
  f.Values.resize(5);
  f.Values[0].Null = false, f.Values[0].Text = log;
  f.Values[1].Null = false, f.Values[1].Integer = row;
  f.Values[2].Null = row % 3 == 0, f.Values[2].Integer = -60 - row % 40;
  f.Values[3].Null = false, f.Values[3].Real = 1930.0 + row * 0.025;
  f.Values[4].Null = row == 0, f.Values[4].Time = {2026, 11, 24, 8, 0, static_cast<int>(row % 60)};
  f.HasPoint = row % 2 == 1, f.Longitude = -73.5, f.Latitude = 45.5;
  return f;
}

template <typename T>
T At(const FrameColumn& c, int64_t i) {
  T v;
  std::memcpy(&v, static_cast<const char*>(c.Values.get()) + i * sizeof(T), sizeof(T));
  return v;
}

TEST(FrameLayerWriterTest, ColumnsNullsTextsAndDroppedLogs) {
  FrameLayerWriter w;
  std::string error;
  ASSERT_TRUE(w.Open("", "measurements", Schema(), LayerGeometry::Point, error));
  constexpr int64_t kRows = 200000;  // several times the first block of every column
  ASSERT_TRUE(w.BeginLog(error));
  for (int64_t r = 0; r < kRows; ++r) ASSERT_TRUE(w.Write(FeatureOf(r < kRows / 2 ? "a.klf" : "b.klf", r), error));
  ASSERT_TRUE(w.EndLog(true, error));
  ASSERT_TRUE(w.BeginLog(error));  // a log that did not complete leaves nothing
  for (int64_t r = 0; r < 5000; ++r) ASSERT_TRUE(w.Write(FeatureOf("c.klf", -1), error));
  ASSERT_TRUE(w.EndLog(false, error));
  ASSERT_TRUE(w.Close(true, error));

  const Frame frame = w.Take();
  ASSERT_EQ(frame.Rows, kRows);
  ASSERT_EQ(frame.Columns.size(), 7u);
  EXPECT_EQ(frame.Columns[5].Name, "lon");
  EXPECT_EQ(frame.Columns[6].Name, "lat");
  const FrameColumn &log = frame.Columns[0], &row = frame.Columns[1], &rssi = frame.Columns[2],
                    &freq = frame.Columns[3], &time = frame.Columns[4], &lon = frame.Columns[5];
  ASSERT_GE(log.Texts.size(), 2u);
  EXPECT_EQ(log.Texts[0], "a.klf");
  EXPECT_EQ(log.Texts[1], "b.klf");
  for (int64_t r : {int64_t{0}, int64_t{1}, int64_t{65535}, int64_t{65536}, kRows / 2, kRows - 1}) {
    EXPECT_EQ(At<int32_t>(log, r), r < kRows / 2 ? 0 : 1) << r;
    EXPECT_EQ(At<int64_t>(row, r), r);
    EXPECT_EQ(rssi.Nulls.get()[r], r % 3 == 0) << r;
    if (r % 3 != 0) {
      EXPECT_EQ(At<int32_t>(rssi, r), -60 - r % 40);
    }
    EXPECT_EQ(At<double>(freq, r), 1930.0 + r * 0.025);
    EXPECT_EQ(lon.Nulls.get()[r], r % 2 == 0) << r;
    if (r == 0) {
      EXPECT_EQ(At<int64_t>(time, r), INT64_MIN);
    } else {
      EXPECT_EQ(At<int64_t>(time, r), (1795478400 + 8 * 3600 + r % 60) * 1000000000) << r;
    }
  }
}

}  // namespace
}  // namespace quillon
