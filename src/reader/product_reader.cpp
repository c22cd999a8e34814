#include "reader/product_reader.h"

#include <algorithm>

namespace quillon {

// Position i of the "Available Fields" list shows catalogue field AvailableFieldMap[i].
TProductReader::TProductReader()
    : AvailableFieldMap{}, AvailableFieldCount(static_cast<int16_t>(kDefaultAvailableFields.size())), ColumnFieldMap{} {
  std::copy(kDefaultAvailableFields.begin(), kDefaultAvailableFields.end(), AvailableFieldMap);
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
