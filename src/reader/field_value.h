// FieldValue: the value a catalogue field shows for a row, typed as the field table
// says (integer, real, text). The delimited text of a field is this value written
// with the field's digits, so a number read back from a map layer and printed with
// those digits equals the delimited output's text. Text values (letters, names,
// dates, clock times) carry their text; fields that render nothing are Empty.
#pragma once
#include <cstdint>
#include <string_view>

#include "reader/field_catalogue.h"
#include "reader/row_view.h"

namespace quillon {

struct FieldValue {
  FieldType Type = FieldType::Empty;
  int64_t Integer = 0;
  double Real = 0.0;
  char Text[40];  // Text values: TextLength characters, then a zero
  uint8_t TextLength = 0;

  std::string_view TextView() const { return {Text, TextLength}; }
};

FieldValue ValueOf(int16_t index, const RowView& row);

}  // namespace quillon
