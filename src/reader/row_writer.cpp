// TLogReader's whole-row renderer: the conversion's innermost loop. A row is
// appended straight to the output text, and the columns that show only the decoded
// state are joined once per state instead of once per row.
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
        continue;
      }
      RowSegment& segment = layout.emplace_back();
      segment.What = kind;
      segment.LeadingDelimiter = i > 0;
      segment.Fields.push_back(field);
    }
  }
}

void TLogReader::AppendRow(TextBuffer& out) {
  const bool buffered = Buffered();
  const BufferedRow& row = CurrentRow();
  const char delimiter = RowDelimiter;
  bool anyText = false;
  for (RowSegment& segment : RowLayout[buffered ? 1 : 0]) {
    switch (segment.What) {
      case RowSegment::Kind::Kept:
        if (segment.Generation != StateGeneration) {
          segment.Text.clear();
          const size_t before = segment.LeadingDelimiter ? 1 : 0;
          for (size_t k = 0; k < segment.Fields.size(); ++k) {
            if (k > 0 || segment.LeadingDelimiter) segment.Text.push_back(delimiter);
            RenderField(segment.Fields[k], segment.Text, buffered, row);
          }
          segment.HasText = segment.Text.size() > before + segment.Fields.size() - 1;
          segment.Generation = StateGeneration;
        }
        out.append(segment.Text);
        anyText = anyText || segment.HasText;
        break;
      case RowSegment::Kind::PerRow: {
        if (segment.LeadingDelimiter) out.push_back(delimiter);
        const size_t before = out.size();
        RenderField(segment.Fields[0], out, buffered, row);
        anyText = anyText || out.size() > before;
        break;
      }
      case RowSegment::Kind::DataBlock: {
        const size_t before = out.size();
        AppendDataValues(out, delimiter);
        anyText = anyText || out.size() > before;
        break;
      }
      case RowSegment::Kind::LineBreak:
        if (segment.LeadingDelimiter) out.push_back(delimiter);
        out.append("\r\n", 2);
        anyText = true;
        break;
    }
  }
  if (anyText) out.append("\r\n", 2);
}

}  // namespace quillon
