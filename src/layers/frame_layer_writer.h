// FrameLayerWriter: a LayerWriter that keeps a layer in memory as columns, one per
// attribute and two for the position (lon, lat: the point, or a square's centre),
// for data frames (the Python module). Each column is one block that grows as
// features arrive and is handed over as it is by Take(), never copied. Null values
// are marked in a mask per column. Texts are
// kept as codes into the column's table of distinct texts (a log name, a date, a
// hemisphere repeat row after row). Date-times are nanoseconds since 1970, UTC.
// BeginLog/EndLog(false) drop the features of a log that did not complete.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "layers/layer_writer.h"

namespace quillon {

// Memory of malloc's, grown with realloc: a large block grows by remapping its
// pages rather than by copying them, and pages not yet written take no memory.
class GrowingArray {
 public:
  explicit GrowingArray(size_t elementSize = 8) : Element(elementSize) {}
  GrowingArray(GrowingArray&& other) noexcept { *this = std::move(other); }
  GrowingArray& operator=(GrowingArray&& other) noexcept;
  ~GrowingArray() { std::free(Data); }
  template <typename T>
  void Put(int64_t at, T value) {
    if (at >= Capacity) Grow(at + 1);
    static_cast<T*>(Data)[at] = value;
  }
  // The first `size` elements, the block cut to them; the caller frees it with std::free.
  void* Release(int64_t size);
  size_t ElementSize() const { return Element; }

 private:
  void Grow(int64_t needed);
  void* Data = nullptr;
  int64_t Capacity = 0;
  size_t Element = 8;
};

// A finished column of `Rows` values: int64 for Integer64 and DateTime (nanoseconds
// since 1970, INT64_MIN for none), int32 for Integer and for the codes of text
// (-1 for none), double for Real; its null mask (1 = null), and for text the
// distinct values its codes index. Values and Nulls are malloc's blocks.
struct FreeBlock {
  void operator()(void* block) const { std::free(block); }
};
struct FrameColumn {
  std::string Name;
  AttributeType Type = AttributeType::Real;
  std::unique_ptr<void, FreeBlock> Values;
  std::unique_ptr<uint8_t, FreeBlock> Nulls;
  std::vector<std::string> Texts;
};

struct Frame {
  int64_t Rows = 0;
  std::vector<FrameColumn> Columns;
};

class FrameLayerWriter final : public LayerWriter {
 public:
  bool Open(const std::string& target, const std::string& layer, const std::vector<Attribute>& attributes,
            LayerGeometry geometry, std::string& error) override;
  bool BeginLog(std::string& error) override;
  bool Write(const LayerFeature& feature, std::string& error) override;
  bool EndLog(bool keep, std::string& error) override;
  bool Close(bool keep, std::string& error) override;

  bool Opened() const { return !Columns.empty(); }
  int64_t Rows() const { return Count; }
  // The layer as it stands (the features of kept logs), its columns joined.
  Frame Take();

 private:
  struct Column {
    std::string Name;
    AttributeType Type = AttributeType::Real;
    GrowingArray Values;
    GrowingArray Null{1};
    std::deque<std::string> Texts;
    struct TextHash {
      using is_transparent = void;
      size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    std::unordered_map<std::string, int32_t, TextHash, std::equal_to<>> Codes;
    std::string_view LastText;  // in Texts' strings, which do not move
    int32_t LastCode = -1;
  };
  int32_t CodeOf(Column& column, std::string_view text);
  void Put(Column& column, const AttributeValue& value);

  std::vector<Column> Columns;
  int64_t Count = 0;
  int64_t LogStart = 0;
};

}  // namespace quillon
