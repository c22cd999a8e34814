// RowRenderer: delimited text of rows. It owns the columns, the delimiter, the
// data-block boxes ("Freq (MHz)", "Channel", "RSSI") and the texts it keeps, and
// writes what a RowView shows with the formats of the output files, which must not
// change: AppendRow a whole row, WriteField / WriteDataHeader / WriteDataValues one
// column at a time. Texts of fields and data-block locations are kept until the
// decoded state they show changes (the view's generations); one renderer serves
// the rows of one reader at a time and starts afresh when rows of another come.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "reader/field_catalogue.h"
#include "reader/number_text.h"
#include "reader/row_view.h"
#include "reader/text_buffer.h"

namespace quillon {

// The data-block check boxes "Freq (MHz)", "Channel" and "RSSI".
struct DataBlockFields {
  bool Frequency = true;
  bool Channel = false;
  bool Rssi = true;
};

class RowRenderer {
 public:
  RowRenderer();
  void SetDataFields(const DataBlockFields& fields);
  const DataBlockFields& DataFields() const { return Boxes; }
  // The columns AppendRow writes (catalogue indexes, kNoField for an empty column)
  // and their delimiter.
  void SetColumns(const std::vector<int16_t>& columns, char delimiter);

  // Appends the row in full: each column but the first preceded by the delimiter
  // (the data block brings its own), "CR / LF" as CR LF, and CR LF at the end when
  // any column has text.
  void AppendRow(TextBuffer& out, const RowView& row);

  // One column: each empties text first.
  void WriteField(int16_t index, TextBuffer& text, const RowView& row);
  void WriteDataHeader(TextBuffer& text, char delimiter, const RowView& row) const;
  void WriteDataValues(TextBuffer& text, char delimiter, const RowView& row);

  // The text of one field, rendered afresh (appended to text).
  static void RenderField(int16_t index, TextBuffer& text, const RowView& row);
  // The texts of a data-block entry, as the data block prints them.
  static void AppendEntryFrequency(TextBuffer& text, const RowView& row, const DataEntry& entry);
  static void AppendEntryChannel(TextBuffer& text, const RowView& row, const DataEntry& entry);

 private:
  // A data-block frequency and channel text, valid while the band and the rendering
  // style it was made with stay the same.
  struct LocationText {
    uint64_t Generation = 0;  // 0: empty
    uint32_t Value = 0;       // channel of a table entry, else band steps
    uint32_t Style = 0;       // table flag, delimiter, check boxes and receiver
    uint32_t Length = 0;
    char Short[32] = {};      // the text when it fits, else Long
    std::string Long;
  };
  // The text of a catalogue field, valid while the decoded state it shows is unchanged.
  struct FieldText {
    uint64_t Generation = 0;
    std::string Text;
  };
  // A stretch of an output row's columns that is rendered in one piece. Runs of
  // columns that show only the decoded state keep their joined text (with its
  // delimiters) until that state changes; the rest are rendered for every row.
  struct RowSegment {
    enum class Kind : uint8_t { Kept, PerRow, DataBlock, LineBreak };
    Kind What = Kind::Kept;
    bool LeadingDelimiter = false;  // the segment does not start the row
    std::vector<int16_t> Fields;    // Kept: the run's fields; otherwise the one field
    uint64_t Generation = 0;        // Kept: the state its text shows, 0 for none yet
    bool ShowsFix = false;          // Kept: some field of the run shows the fix beyond its date
    bool HasText = false;           // Kept: some field of the run has text
    TextBuffer Text;                // Kept: the joined text
  };

  // Kept texts belong to the state they were made from: rows of another start afresh.
  void Follow(const RowView& row);
  void AppendDataValues(TextBuffer& text, char delimiter, const RowView& row);
  void RenderKeptText(RowSegment& segment, const RowView& row);
  static bool VariesPerRow(int16_t index, bool buffered);
  static bool ShowsFixBeyondDate(int16_t index);

  // Room a data-block entry may take beyond its location text, and the location
  // text itself written at p with room for Length + sizeof Short.
  static constexpr size_t kEntryRoom = sizeof(LocationText::Short) + 1 + kMaxIntText;
  static char* WriteLocationText(char* p, const LocationText& location) {
    if (location.Length <= sizeof location.Short) std::memcpy(p, location.Short, sizeof location.Short);
    else std::memcpy(p, location.Long.data(), location.Length);
    return p + location.Length;
  }
  uint32_t LocationStyle(char delimiter, bool table, int receiver) const {
    return (table ? 1u : 0u) | static_cast<uint32_t>(static_cast<uint8_t>(delimiter)) << 1 |
           (Boxes.Frequency ? 1u << 9 : 0u) | (Boxes.Channel ? 1u << 10 : 0u) | static_cast<uint32_t>(receiver & 1)
                                                                                  << 11;
  }
  const LocationText& Location(char delimiter, uint32_t style, uint32_t value, const RowView& row) {
    LocationText& slot = LocationCache[(value * 2654435761u) >> 24];
    if (slot.Generation == row.State().BandGeneration && slot.Value == value && slot.Style == style) return slot;
    return FormatLocation(slot, delimiter, style, value, row);
  }
  const LocationText& FormatLocation(LocationText& slot, char delimiter, uint32_t style, uint32_t value,
                                     const RowView& row);
  // A delimiter followed by an RSSI value (room for 1 + kMaxIntText);
  // PrepareDelimitedInts(delimiter) first.
  void PrepareDelimitedInts(char delimiter);
  char* WriteDelimitedInt(char* p, char delimiter, int value) const {
    if (value >= -128 && value <= 255) {
      std::memcpy(p, DelimitedInts[value + 128], sizeof DelimitedInts[0]);
      return p + DelimitedIntLengths[value + 128];
    }
    *p++ = delimiter;
    return WriteInt(p, value);
  }

  DataBlockFields Boxes;
  uint64_t Source = 0;  // the Serial of the state the kept texts show
  LocationText LocationCache[256];
  FieldText FieldTexts[kCatalogueSlots];
  TextBuffer MemoScratch;
  // Row layouts for rows that are not buffered (0) and buffered (1).
  std::vector<RowSegment> RowLayout[2];
  char RowDelimiter = ',';
  // Texts of -128..255, each behind the delimiter DelimitedIntsFor.
  char DelimitedInts[384][8] = {};
  uint8_t DelimitedIntLengths[384] = {};
  int DelimitedIntsFor = -1;
};

}  // namespace quillon
