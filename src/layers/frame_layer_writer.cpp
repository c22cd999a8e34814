#include "layers/frame_layer_writer.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>


namespace quillon {

GrowingArray& GrowingArray::operator=(GrowingArray&& other) noexcept {
  if (this != &other) {
    std::free(Data);
    Data = other.Data, Capacity = other.Capacity, Element = other.Element;
    other.Data = nullptr, other.Capacity = 0;
  }
  return *this;
}

void GrowingArray::Grow(int64_t needed) {
  int64_t capacity = std::max<int64_t>(Capacity * 2, 1 << 12);
  while (capacity < needed) capacity *= 2;
  void* grown = std::realloc(Data, static_cast<size_t>(capacity) * Element);
  if (!grown) throw std::bad_alloc();
  Data = grown, Capacity = capacity;
}

void* GrowingArray::Release(int64_t size) {
  void* block = std::realloc(Data, static_cast<size_t>(std::max<int64_t>(size, 1)) * Element);
  if (!block) block = Data;
  Data = nullptr, Capacity = 0;
  return block;
}

bool FrameLayerWriter::Open(const std::string&, const std::string&, const std::vector<Attribute>& attributes,
                            LayerGeometry, std::string&) {
  Columns = std::vector<Column>(attributes.size() + 2);
  for (size_t i = 0; i < attributes.size(); ++i) {
    Columns[i].Name = attributes[i].Name;
    Columns[i].Type = attributes[i].Type;
    const bool wide = Columns[i].Type == AttributeType::Integer64 || Columns[i].Type == AttributeType::DateTime ||
                      Columns[i].Type == AttributeType::Real;
    Columns[i].Values = GrowingArray(wide ? 8 : 4);
  }
  Columns[attributes.size()].Name = "lon";
  Columns[attributes.size() + 1].Name = "lat";
  Count = LogStart = 0;
  return true;
}

bool FrameLayerWriter::BeginLog(std::string&) {
  LogStart = Count;
  return true;
}

int32_t FrameLayerWriter::CodeOf(Column& column, std::string_view text) {
  if (column.LastCode >= 0 && text == column.LastText) return column.LastCode;
  auto at = column.Codes.find(text);
  if (at == column.Codes.end()) {
    at = column.Codes.emplace(std::string(text), static_cast<int32_t>(column.Texts.size())).first;
    column.Texts.emplace_back(text);
  }
  column.LastText = column.Texts[static_cast<size_t>(at->second)];
  return column.LastCode = at->second;
}

void FrameLayerWriter::Put(Column& c, const AttributeValue& v) {
  c.Null.Put<uint8_t>(Count, v.Null);
  switch (c.Type) {
    case AttributeType::Integer: c.Values.Put<int32_t>(Count, v.Null ? 0 : static_cast<int32_t>(v.Integer)); break;
    case AttributeType::Integer64: c.Values.Put<int64_t>(Count, v.Null ? 0 : v.Integer); break;
    case AttributeType::Real: c.Values.Put<double>(Count, v.Null ? 0.0 : v.Real); break;
    case AttributeType::String: c.Values.Put<int32_t>(Count, v.Null ? -1 : CodeOf(c, v.Text)); break;
    case AttributeType::DateTime: {
      const DateTimeValue& t = v.Time;
      c.Values.Put<int64_t>(
          Count, v.Null ? INT64_MIN : SecondsSince1970(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second) * 1000000000);
      break;
    }
  }
}

bool FrameLayerWriter::Write(const LayerFeature& feature, std::string&) {
  const size_t attributes = Columns.size() - 2;
  for (size_t i = 0; i < attributes; ++i) Put(Columns[i], feature.Values[i]);
  AttributeValue lon, lat;
  lon.Null = lat.Null = !feature.HasPoint;
  lon.Real = feature.Longitude, lat.Real = feature.Latitude;
  Put(Columns[attributes], lon);
  Put(Columns[attributes + 1], lat);
  ++Count;
  return true;
}

bool FrameLayerWriter::EndLog(bool keep, std::string&) {
  if (!keep) Count = LogStart;  // the log's rows are written over by the next
  return true;
}

bool FrameLayerWriter::Close(bool, std::string&) { return true; }

Frame FrameLayerWriter::Take() {
  Frame frame;
  frame.Rows = Count;
  frame.Columns.reserve(Columns.size());
  for (Column& c : Columns) {
    FrameColumn out;
    out.Name = c.Name;
    out.Type = c.Type;
    out.Values.reset(c.Values.Release(Count));
    out.Nulls.reset(static_cast<uint8_t*>(c.Null.Release(Count)));
    out.Texts.assign(std::make_move_iterator(c.Texts.begin()), std::make_move_iterator(c.Texts.end()));
    frame.Columns.push_back(std::move(out));
  }
  Columns.clear();
  Count = 0;
  return frame;
}

}  // namespace quillon
