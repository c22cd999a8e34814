// RowRenderer's whole-row writing: the conversion's innermost loop. A row is
// appended straight to the output text, and the columns that show only the decoded
// state are joined once per state instead of once per row.
#include "reader/row_renderer.h"

#include <algorithm>
#include <cstring>

namespace quillon {

RowRenderer::RowRenderer() = default;

void RowRenderer::SetDataFields(const DataBlockFields& fields) {
  Boxes = fields;
  Source = 0;  // location texts carry the boxes in their style, kept texts do not care; start afresh
}

void RowRenderer::Follow(const RowView& row) {
  if (row.State().Serial == Source) return;
  Source = row.State().Serial;
  for (LocationText& slot : LocationCache) slot.Generation = 0;
  for (FieldText& memo : FieldTexts) memo.Generation = 0;
  for (std::vector<RowSegment>& layout : RowLayout)
    for (RowSegment& segment : layout) segment.Generation = 0;
}

bool RowRenderer::VariesPerRow(int16_t index, bool buffered) {
  const FieldInfo* field = FindField(index);
  return field && (field->PerRow || (buffered && field->PerBufferedRow));
}

bool RowRenderer::ShowsFixBeyondDate(int16_t index) {
  const FieldInfo* field = FindField(index);
  return field && field->ShowsFix;
}

void RowRenderer::SetColumns(const std::vector<int16_t>& columns, char delimiter) {
  RowDelimiter = delimiter;
  for (int buffered = 0; buffered < 2; ++buffered) {
    std::vector<RowSegment>& layout = RowLayout[buffered];
    layout.clear();
    for (size_t i = 0; i < columns.size(); ++i) {
      const int16_t field = columns[i];
      RowSegment::Kind kind = RowSegment::Kind::Kept;
      if (field == kDataBlockField) kind = RowSegment::Kind::DataBlock;
      else if (field == kLineBreakField) kind = RowSegment::Kind::LineBreak;
      else if (VariesPerRow(field, buffered != 0)) kind = RowSegment::Kind::PerRow;
      if (kind == RowSegment::Kind::Kept && !layout.empty() && layout.back().What == kind) {
        layout.back().Fields.push_back(field);
        layout.back().ShowsFix = layout.back().ShowsFix || ShowsFixBeyondDate(field);
        continue;
      }
      RowSegment& segment = layout.emplace_back();
      segment.What = kind;
      segment.LeadingDelimiter = i > 0;
      segment.Fields.push_back(field);
      segment.ShowsFix = kind == RowSegment::Kind::Kept && ShowsFixBeyondDate(field);
    }
  }
}

// A run of columns that show only the decoded state, joined with their delimiters.
void RowRenderer::RenderKeptText(RowSegment& segment, const RowView& row) {
  segment.Text.clear();
  const size_t before = segment.LeadingDelimiter ? 1 : 0;
  for (size_t k = 0; k < segment.Fields.size(); ++k) {
    if (k > 0 || segment.LeadingDelimiter) segment.Text.push_back(RowDelimiter);
    RenderField(segment.Fields[k], segment.Text, row);
  }
  segment.HasText = segment.Text.size() > before + segment.Fields.size() - 1;
  segment.Generation = row.State().TextGeneration(segment.ShowsFix);
}

namespace {
// Room for any column written in line, with its delimiter.
constexpr size_t kColumnRoom = 1 + kMaxFixedText;
}  // namespace

// The row is written through one pointer kept in a register (TextBuffer::Span):
// the kept texts, the per-row columns nearly every conversion shows (the buffered
// row's clock and position, the record number) and the line ends in line, the
// other columns and the data block by their renderers.
void RowRenderer::AppendRow(TextBuffer& out, const RowView& row) {
  Follow(row);
  const DecodedState& state = row.State();
  const bool buffered = row.Buffered();
  const BufferedRow& buffer = row.Row();
  const char delimiter = RowDelimiter;
  bool anyText = false;
  TextBuffer::Span w = out.Writing(kColumnRoom);
  for (RowSegment& segment : RowLayout[buffered ? 1 : 0]) {
    switch (segment.What) {
      case RowSegment::Kind::Kept: {
        if (segment.Generation != state.TextGeneration(segment.ShowsFix)) RenderKeptText(segment, row);
        const size_t need = segment.Text.size() + TextBuffer::kShortText;
        if (w.Left() < need) w = out.MoreRoom(w.At, need);
        w.At = segment.Text.CopyTo(w.At);
        anyText = anyText || segment.HasText;
        break;
      }
      case RowSegment::Kind::PerRow: {
        if (w.Left() < kColumnRoom) w = out.MoreRoom(w.At, kColumnRoom);
        if (segment.LeadingDelimiter) *w.At++ = delimiter;
        const char* start = w.At;
        const Field field = static_cast<Field>(segment.Fields[0]);
        if (field == Field::RecordNumber) w.At = WriteInt(w.At, row.RecordNumber());
        else if (buffered && field == Field::LatitudeDecimalDegrees) w.At = WriteFixed<6>(w.At, buffer.Latitude);
        else if (buffered && field == Field::LongitudeDecimalDegrees) w.At = WriteFixed<6>(w.At, buffer.Longitude);
        else if (buffered && field == Field::GpsTime)
          w.At = WriteTwoDigitTriple(w.At, buffer.Hour, buffer.Minute, buffer.Second, ':');
        else {
          out.CommitTo(w.At);
          const size_t before = out.size();
          RenderField(segment.Fields[0], out, row);
          anyText = anyText || out.size() > before;
          w = out.Writing(kColumnRoom);
          break;
        }
        anyText = anyText || w.At > start;
        break;
      }
      case RowSegment::Kind::DataBlock: {
        out.CommitTo(w.At);
        const size_t before = out.size();
        AppendDataValues(out, delimiter, row);
        anyText = anyText || out.size() > before;
        w = out.Writing(kColumnRoom);
        break;
      }
      case RowSegment::Kind::LineBreak:
        if (w.Left() < 3) w = out.MoreRoom(w.At, 3);
        if (segment.LeadingDelimiter) *w.At++ = delimiter;
        std::memcpy(w.At, "\r\n", 2);
        w.At += 2;
        anyText = true;
        break;
    }
  }
  if (anyText) {
    if (w.Left() < 2) w = out.MoreRoom(w.At, 2);
    std::memcpy(w.At, "\r\n", 2);
    w.At += 2;
  }
  out.CommitTo(w.At);
}

// The data block: each entry's location (frequency, channel) and RSSI, each value
// behind the delimiter. A scan repeats the same few locations row after row, so the
// text found for one entry serves the next while its location is the same.
void RowRenderer::AppendDataValues(TextBuffer& text, char delimiter, const RowView& row) {
  const bool locations = Boxes.Frequency || Boxes.Channel;
  const bool rssi = Boxes.Rssi;
  const int receiver = row.State().SelectedReceiver;
  PrepareDelimitedInts(delimiter);
  const LocationText* location = nullptr;
  uint32_t locationValue = 0;
  bool locationTable = false;
  TextBuffer::Span w = text.Writing(kEntryRoom);
  // Inlined into each of the entry loops, so that the writing pointer stays in a register.
  row.ForEachEntry([&](const DataEntry& entry) __attribute__((always_inline)) {
    size_t need = kEntryRoom;
    const bool located = entry.Located && locations;
    if (located) {
      if (!location || entry.Value != locationValue || entry.Table != locationTable) {
        location = &Location(delimiter, LocationStyle(delimiter, entry.Table, receiver), entry.Value, row);
        locationValue = entry.Value;
        locationTable = entry.Table;
      }
      need += location->Length;
    }
    if (w.Left() < need) w = text.MoreRoom(w.At, need);
    if (located) w.At = WriteLocationText(w.At, *location);
    if (rssi) w.At = WriteDelimitedInt(w.At, delimiter, entry.Rssi);
  });
  text.CommitTo(w.At);
}

void RowRenderer::PrepareDelimitedInts(char delimiter) {
  if (DelimitedIntsFor == static_cast<uint8_t>(delimiter)) return;
  for (int i = 0; i < 384; ++i) {
    DelimitedInts[i][0] = delimiter;
    std::memcpy(DelimitedInts[i] + 1, kSmallInts.Text[i], 4);
    DelimitedIntLengths[i] = static_cast<uint8_t>(1 + kSmallInts.Length[i]);
  }
  DelimitedIntsFor = static_cast<uint8_t>(delimiter);
}

}  // namespace quillon
