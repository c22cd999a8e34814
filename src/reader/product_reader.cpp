#include "reader/product_reader.h"

namespace quillon {

TProductReader::TProductReader() : AvailableFieldMap{}, AvailableFieldCount(43), ColumnFieldMap{} {
  // Position i of the "Available Fields" list shows catalogue field AvailableFieldMap[i].
  int p = 0;
  AvailableFieldMap[p++] = 0;
  for (int f = 4; f <= 16; ++f) AvailableFieldMap[p++] = static_cast<int16_t>(f);
  for (int f = 18; f <= 27; ++f) AvailableFieldMap[p++] = static_cast<int16_t>(f);
  for (int f : {17, 29, 33, 36, 34, 35, 37, 38, 39, 40, 46, 47, 48, 49, 32, 50, 51, 52, 53})
    AvailableFieldMap[p++] = static_cast<int16_t>(f);
}

void TProductReader::AttachMainWindow(const ReceiverSelectors& selectors) { Selectors = selectors; }

int16_t TProductReader::OpenInput(const std::string&) {
  RecordCount = 0;
  HeaderPending = 1;
  return 0;
}

int16_t TProductReader::CloseInput() { return 0; }

int16_t TProductReader::WriteDataHeader(TextBuffer& text, char) {
  text.clear();
  return 0;
}

int16_t TProductReader::WriteDataValues(TextBuffer& text, char) {
  text.clear();
  return 0;
}

void TProductReader::WriteFieldValue(int16_t, TextBuffer& text) { text.clear(); }

int64_t TProductReader::ReadNextRecord(uint8_t*) { return 0; }

int16_t TProductReader::ProcessRecord(const uint8_t*) { return kNothingToWrite; }

}  // namespace quillon
