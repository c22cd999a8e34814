// TLogReader's whole-row renderer: the conversion's innermost loop. A row is
// appended straight to the output text, and the columns that show only the decoded
// state are joined once per state instead of once per row.
#include <algorithm>
#include <cstring>

#include "reader/log_reader.h"

namespace quillon {

void TLogReader::SetRowColumns(const std::vector<int16_t>& columns, char delimiter) {
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

// The data block of a buffered single-channel row: the entries 0 to its last
// sample. An entry with no frequency still shows its RSSI when the table channel
// of its position is set.
void TLogReader::AppendBufferedSamples(TextBuffer& out, const BufferedRow& row, char delimiter) {
  const bool locations = DataFields.Frequency || DataFields.Channel;
  const bool rssi = DataFields.Rssi;
  const uint32_t style = LocationStyle(delimiter, false);
  const uint32_t* frequencies = ListFrequencies[SelectedReceiver];
  const size_t offset = std::min<size_t>(row.SampleOffset, RowSampleData.size());
  const int8_t* samples = RowSampleData.data() + offset;
  const size_t stored = RowSampleData.size() - offset;
  PrepareDelimitedInts(delimiter);
  const LocationText* location = nullptr;
  uint32_t locationValue = 0;
  TextBuffer::Span w = out.Writing(kEntryRoom);
  for (int32_t j = 0; j <= row.LastSample; ++j) {
    const uint32_t f = frequencies[j < kFrequencySlots ? j : kFrequencySlots - 1];
    if (f == 0 && (j >= kTableSlots || TableChannels[j] == 0)) continue;
    size_t need = kEntryRoom;
    if (f != 0 && locations) {
      if (!location || f != locationValue) {
        location = &Location(delimiter, style, f);
        locationValue = f;
      }
      need += location->Length;
    }
    if (w.Left() < need) w = out.MoreRoom(w.At, need);
    if (f != 0 && locations) w.At = WriteLocationText(w.At, *location);
    if (rssi) w.At = WriteDelimitedInt(w.At, delimiter, static_cast<size_t>(j) < stored ? samples[j] : -120);
  }
  out.CommitTo(w.At);
}

// A run of columns that show only the decoded state, joined with their delimiters.
void TLogReader::RenderKeptText(RowSegment& segment, bool buffered, const BufferedRow& row) {
  segment.Text.clear();
  const size_t before = segment.LeadingDelimiter ? 1 : 0;
  for (size_t k = 0; k < segment.Fields.size(); ++k) {
    if (k > 0 || segment.LeadingDelimiter) segment.Text.push_back(RowDelimiter);
    RenderField(segment.Fields[k], segment.Text, buffered, row);
  }
  segment.HasText = segment.Text.size() > before + segment.Fields.size() - 1;
  segment.Generation = TextGeneration(segment.ShowsFix);
}

namespace {
// Room for any column written in line, with its delimiter.
constexpr size_t kColumnRoom = 1 + kMaxFixedText;
}  // namespace

// The row is written through one pointer kept in a register (TextBuffer::Span):
// the kept texts, the per-row columns nearly every conversion shows (the buffered
// row's clock and position, the record number) and the line ends in line, the
// other columns and the data block by their renderers.
void TLogReader::AppendRow(TextBuffer& out) {
  const bool buffered = Buffered();
  const BufferedRow& row = CurrentRow();
  const char delimiter = RowDelimiter;
  bool anyText = false;
  TextBuffer::Span w = out.Writing(kColumnRoom);
  for (RowSegment& segment : RowLayout[buffered ? 1 : 0]) {
    switch (segment.What) {
      case RowSegment::Kind::Kept: {
        if (segment.Generation != TextGeneration(segment.ShowsFix)) RenderKeptText(segment, buffered, row);
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
        const int16_t field = segment.Fields[0];
        if (field == 32) w.At = WriteInt(w.At, RecordCount);
        else if (buffered && field == 5) w.At = WriteFixed<6>(w.At, row.Latitude);
        else if (buffered && field == 11) w.At = WriteFixed<6>(w.At, row.Longitude);
        else if (buffered && field == 18) w.At = WriteTwoDigitTriple(w.At, row.Hour, row.Minute, row.Second, ':');
        else {
          out.CommitTo(w.At);
          const size_t before = out.size();
          RenderField(field, out, buffered, row);
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
        if (buffered) AppendBufferedSamples(out, row, delimiter);
        else AppendDataValues(out, delimiter);
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

}  // namespace quillon
