// The FieldCatalogue: the 56 output fields a column can carry, by catalogue index.
// Index 0 is the data block "<< DATA >>"; slots 56 to 59 are empty names.
#pragma once
#include <cstdint>

namespace quillon {

constexpr int kCatalogueSlots = 60;
constexpr int kCatalogueFields = 56;
constexpr int16_t kDataBlockField = 0;
constexpr int16_t kLineBreakField = 4;  // "CR / LF"
constexpr int16_t kNoField = -10;  // an empty ColumnFieldMap entry

// Name of a catalogue index; "" for empty slots and for indexes outside the catalogue.
const char* CatalogueName(int index);

}  // namespace quillon
