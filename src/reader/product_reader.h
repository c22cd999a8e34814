// TProductReader: the generic reader base. Its virtual operations are harmless
// defaults in the slot order that every pass calls them in; it owns the
// FieldCatalogue, the two field maps and the row-control members that the
// conversion's header and row writers use. TLogReader (log_reader.h) implements the
// operations for the receiver log format.
#pragma once
#include <cstdint>
#include <string>

#include "reader/field_catalogue.h"
#include "reader/text_buffer.h"

namespace quillon {

constexpr int kFieldMapSize = 100;

// ProcessRecord results.
enum RecordResult : int16_t {
  kNothingToWrite = 0,
  kWriteRows = 1,
  kWriteRawText = 2,  // part of the interface; the log reader never produces it
  kHeaderDue = 3,
  kHeaderThenRows = 4,
};

// Which receiver selectors are checked on the main window (or the command line).
struct ReceiverSelectors {
  bool Receiver1 = true;
  bool Receiver2 = false;
};

class TProductReader {
 public:
  TProductReader();
  virtual ~TProductReader() = default;
  TProductReader(const TProductReader&) = delete;
  TProductReader& operator=(const TProductReader&) = delete;

  // Slot 1: the receiver selectors that decoding consults.
  virtual void AttachMainWindow(const ReceiverSelectors& selectors);
  // Slot 2: 0 opened, -1 cannot be opened.
  virtual int16_t OpenInput(const std::string& name);
  // Slot 3.
  virtual int16_t CloseInput();
  // Slots 4 to 6: empty the text, then append.
  virtual int16_t WriteDataHeader(TextBuffer& text, char delimiter);
  virtual int16_t WriteDataValues(TextBuffer& text, char delimiter);
  virtual void WriteFieldValue(int16_t catalogueIndex, TextBuffer& text);
  // Slot 7: bytes consumed, 0 at the end. The buffer holds at least kRecordBufferSize bytes.
  virtual int64_t ReadNextRecord(uint8_t* buffer);
  // Slot 8: a RecordResult.
  virtual int16_t ProcessRecord(const uint8_t* buffer);
  // Slot 12.
  virtual void SetReductionMode(int16_t mode) { ReductionMode = mode; }
  // Slot 15: called after the last row of each record.
  virtual void EndRecordRows() {}

  const char* FieldName(int index) const { return CatalogueName(index); }
  // The raw text line a reader may ask to be written as it is (result 2).
  virtual const std::string& RawTextLine() const { return RawText; }

  // Field maps.
  int16_t AvailableFieldMap[kFieldMapSize];
  int16_t AvailableFieldCount;
  int16_t ColumnFieldMap[kFieldMapSize];

  // Row control.
  int32_t RecordCount = 0;
  uint8_t HeaderPending = 1;
  int32_t RowsRemaining = 1;
  int32_t RowsPerRecord = 0;
  int16_t ReductionMode = 0;

  ReceiverSelectors Selectors;

 protected:
  std::string RawText;
};

}  // namespace quillon
