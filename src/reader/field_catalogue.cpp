#include "reader/field_catalogue.h"

namespace quillon {

const char* CatalogueName(int index) {
  const FieldInfo* field = FindField(index);
  return field ? field->Name : "";
}

const char* TypeName(const FieldInfo& field) {
  static const char* const kReal[] = {"real(0)", "real(1)", "real(2)", "real(3)", "real(4)", "real(5)", "real(6)"};
  switch (field.Type) {
    case FieldType::DataBlock: return "data block";
    case FieldType::LineBreak: return "line break";
    case FieldType::Empty: return "empty";
    case FieldType::Integer: return "integer";
    case FieldType::Real: return kReal[field.Digits <= 6 ? field.Digits : 6];
    case FieldType::Text: return "text";
  }
  return "";
}

}  // namespace quillon
