#include "convert/conversion_run.h"

#include <sys/stat.h>

#include <cstdio>
#include <utility>

#include "convert/gps_outages.h"
#include "convert/output_split.h"
#include "reader/file_type.h"

namespace quillon {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return a == b;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string Format(const char* format, const std::string& value) {
  char buf[512];
  std::snprintf(buf, sizeof buf, format, value.c_str());
  return buf;
}

}  // namespace

ConversionRun::ConversionRun(TLogReader& reader, RunHost& host, Settings settings, std::vector<FilePair> pairs,
                             ScanSelection selection)
    : Reader(reader), Host(host), Config(std::move(settings)), Pairs(std::move(pairs)), Selection(std::move(selection)) {}

bool ConversionRun::Refuse(const std::string& message) {
  Host.ReportMessage(MessageKind::Error, message);
  return false;
}

// Settings and pairs that would make a damaged output are refused before any file
// is written.
bool ConversionRun::CheckSettings() {
  if (!DelimiterOf(Config, Delimiter))
    return Refuse("The \"Other\" field delimiter is empty: enter the delimiter character.");
  if (Config.DropOutages && !ParseWholeNumber(Config.OutageSeconds, OutageThreshold))
    return Refuse(Format("\"%s\" is not a whole number of seconds for the GPS outage drop.", Config.OutageSeconds));
  for (const FilePair& pair : Pairs)
    if (SameFile(pair.Input, pair.Output))
      return Refuse(Format("The output file %s is the input file itself.", pair.Output));
  return true;
}

RunOutcome ConversionRun::Execute() {
  if (!CheckSettings()) return RunOutcome::Failed;

  Reader.AttachMainWindow({Config.Receiver1, Config.Receiver2});
  Reader.DataFields = {Config.FrequencyField, Config.ChannelField, Config.RSSIField};
  Reader.DropOutages = Config.DropOutages;
  Reader.MultiFileRun = Config.MultipleFiles ? 1 : 0;
  Reader.SelectReceiver(Config.Receiver1 ? 1 : 2);

  bool cancelled = false;
  for (const FilePair& pair : Pairs) {
    if (Host.StopRequested()) {
      cancelled = true;
      break;
    }
    const RunOutcome outcome = ConvertPair(pair);
    if (outcome == RunOutcome::Failed) return outcome;
    if (outcome == RunOutcome::Cancelled) {
      cancelled = true;
      break;
    }
  }

  for (const std::string& file : FilesNotLogs)
    Host.ReportMessage(MessageKind::Warning, Format("%s is not from a KTR CW product: it was not converted.", file));
  for (const std::string& file : FilesLackingFrequency)
    Host.ReportMessage(MessageKind::Warning,
                       Format("No frequency is known for the single-channel data of %s: they were not averaged.", file));
  if (RowsLeftOut > 0)
    Host.ReportMessage(MessageKind::Warning,
                       std::to_string(RowsLeftOut) +
                           " single-channel records were left out: more than 1048576 arrived between two GPS fixes.");
  Host.ShowProgress(100);
  if (cancelled) {
    Host.ReportMessage(MessageKind::Information, "Conversion Has Been Cancelled!");
    return RunOutcome::Cancelled;
  }
  Host.ReportMessage(MessageKind::Information, "Conversion Has Been Completed!");
  return RunOutcome::Completed;
}

RunOutcome ConversionRun::ConvertPair(const FilePair& pair) {
  const bool multi = Config.MultipleFiles;
  Reader.ScanStates.clear();
  if (!multi && !Selection.File.empty() && SameFile(Selection.File, pair.Input)) Reader.ScanStates = Selection.States;

  int16_t type = DetectFileType(pair.Input);
  if (type == kFormatNone) {
    const int64_t size = FileSizeOf(pair.Input);
    if (size < 0) {
      Refuse("Input File Does Not Exist!");
      return RunOutcome::Failed;
    }
    if (size > 0 && !multi) {
      Refuse("File is not from a KTR CW product.");
      return RunOutcome::Failed;
    }
    if (size > 0) {  // a stray file in a folder run is left out, and named at the end
      FilesNotLogs.push_back(pair.Input);
      return RunOutcome::Completed;
    }
    type = kFormatStandard;  // an empty file holds no records: its output is empty
  }
  Reader.InputFormat = type;

  auto stop = [this] { return Host.StopRequested(); };
  if (Config.DropOutages && !FindGpsOutages(Reader, pair.Input, OutageThreshold, stop))
    Host.ReportMessage(MessageKind::Error, "Input File Does Not Exist!");

  if (Reader.OpenInput(pair.Input) != 0) {
    Refuse("Input File Does Not Exist!");
    return RunOutcome::Failed;
  }
  if (!Output.Open(pair.Output)) {
    Reader.CloseInput();
    Refuse("Output File Cannot Be Accessed!");
    return RunOutcome::Failed;
  }
  Features = MakeFeatureWriter(static_cast<OutputFormat>(Config.OutputFormat));
  std::vector<int16_t> columns(std::min(Config.SelectedFields.size(), static_cast<size_t>(kFieldMapSize)));
  for (size_t i = 0; i < columns.size(); ++i) columns[i] = Column(i);
  Reader.SetRowColumns(columns, Delimiter);
  if (Features) Features->Begin(Output);
  Reader.ConvertingPass = 1;
  Reader.LambdaLackedFrequency = false;
  Reader.RowsLeftOut = 0;
  const int64_t size = Reader.FileSize;
  Host.ShowProgress(0);
  Reader.SetReductionMode(ReductionModeOf(Config));

  const uint8_t* record = nullptr;
  int64_t consumed = 0;
  int shown = 0;
  // The gauge moves, and a stop request or a failed write is looked for, when the
  // bytes consumed reach the next whole percent.
  int64_t nextPercentAt = size > 0 ? (size + 99) / 100 : 0;
  int64_t n = Reader.NextRecord(record);
  Reader.RecordCount = 0;
  bool stopped = Host.StopRequested();
  while (n != 0 && !stopped) {
    consumed += n;
    if (consumed >= nextPercentAt) {
      if (Host.StopRequested()) {
        stopped = true;
        break;
      }
      const int percent = size > 0 ? static_cast<int>(consumed * 100 / size) : 100;
      if (percent != shown) {
        Host.ShowProgress(percent);
        shown = percent;
      }
      nextPercentAt = size > 0 ? ((percent + 1) * size + 99) / 100 : INT64_MAX;
      if (Output.Failed()) break;  // the disk is full or gone: Close() reports it
    }
    switch (Reader.ProcessRecord(record)) {
      case kWriteRows: WriteRecordRows(); break;
      case kWriteRawText: Output.Raw(Reader.RawTextLine().data(), Reader.RawTextLine().size()); break;
      case kHeaderDue: WriteHeaderLine(); break;
      case kHeaderThenRows:
        Reader.HeaderPending = 1;
        WriteHeaderLine();
        WriteRecordRows();
        break;
      default: break;
    }
    n = Reader.NextRecord(record);
  }
  Reader.CloseInput();
  if (Features) Features->End(Output);
  if (Reader.LambdaLackedFrequency) FilesLackingFrequency.push_back(pair.Input);
  RowsLeftOut += Reader.RowsLeftOut;
  if (!Output.Close()) {
    Refuse(Format("Unable to write to %s", pair.Output));
    return RunOutcome::Failed;
  }
  Host.ShowProgress(100);
  // Only delimited text is split: a map file is one document.
  if (!Features && Config.Split && Reader.RecordCount > kSplitLines && !Split(pair.Output)) return RunOutcome::Failed;
  return stopped ? RunOutcome::Cancelled : RunOutcome::Completed;
}

bool ConversionRun::Split(const std::string& output) {
  const SplitOutcome split = SplitOutputFile(output, [this](int percent) { Host.ShowProgress(percent); });
  switch (split.Result) {
    case SplitResult::Done: return true;
    case SplitResult::CannotCreateDirectory: return Refuse("Cannot create directory.");
    case SplitResult::OutputNotReadable: return Refuse("Output File Cannot Be Accessed!");
    case SplitResult::PartNotCreated: return Refuse("Split File Cannot Be Accessed!");
    case SplitResult::PartNotWritten: return Refuse(Format("Unable to write to %s", split.PartName));
  }
  return false;
}

void ConversionRun::WriteHeaderLine() {
  if (!Reader.HeaderPending) return;
  if (Features) {  // map features name their values themselves
    Reader.HeaderPending = 0;
    return;
  }
  if (Config.FieldTitles) {
    const size_t columns = std::min(Config.SelectedFields.size(), static_cast<size_t>(kFieldMapSize));
    for (size_t i = 0; i < columns; ++i) {
      if (Column(i) == kDataBlockField) {
        Reader.WriteDataHeader(Text, Delimiter);
        if (i > 0 && !Text.empty()) Output.Char(Delimiter);
        Output.Text(Text.data(), Text.size());
      } else {
        if (i > 0) Output.Char(Delimiter);
        Output.Char('"');
        Output.Text(Config.SelectedFields[i]);
        Output.Char('"');
      }
    }
    Output.LineEnd();
  }
  Reader.HeaderPending = 0;
}

void ConversionRun::WriteRecordRows() {
  if (Features) {
    WriteFeatureRows();
    return;
  }
  TextBuffer& out = Output.Pending();
  for (Reader.RowsRemaining = Reader.RowsPerRecord; Reader.RowsRemaining > 0; --Reader.RowsRemaining) {
    ++Reader.RecordCount;
    Reader.AppendRow(out);
    Output.Appended();
  }
  Reader.EndRecordRows();
}

// The same rows as the delimited output, each as a point feature at its position.
void ConversionRun::WriteFeatureRows() {
  const size_t count = std::min(Config.SelectedFields.size(), static_cast<size_t>(kFieldMapSize));
  if (Columns.size() != count) {
    Columns.assign(count, FeatureColumn());
    for (size_t i = 0; i < count; ++i) {
      std::string name = Config.SelectedFields[i];
      int copies = 1;
      for (size_t j = 0; j < i; ++j) copies += Config.SelectedFields[j] == Config.SelectedFields[i];
      if (copies > 1) name += " (" + std::to_string(copies) + ")";
      Columns[i].Name = name;
      Columns[i].IsList = Column(i) == kDataBlockField;
    }
  }
  for (Reader.RowsRemaining = Reader.RowsPerRecord; Reader.RowsRemaining > 0; --Reader.RowsRemaining) {
    ++Reader.RecordCount;
    bool anyText = false;
    for (size_t i = 0; i < count; ++i) {
      FeatureColumn& column = Columns[i];
      if (column.IsList) {
        Reader.WriteDataValues(Text, Delimiter);
        column.Values.clear();
        size_t start = 1;  // the text begins with the delimiter
        for (size_t at = 1; at <= Text.size(); ++at) {
          if (at == Text.size() || Text.data()[at] == Delimiter) {
            column.Values.emplace_back(Text.data() + start, at - start);
            start = at + 1;
          }
        }
      } else {
        Reader.WriteFieldValue(Column(i), Text);
        column.Text.assign(Text.data(), Text.size());
      }
      anyText = anyText || !Text.empty();
    }
    if (anyText) {
      double latitude, longitude;
      Reader.RowPosition(latitude, longitude);
      Features->Feature(Output, latitude, longitude, Columns);
    }
  }
  Reader.EndRecordRows();
}

}  // namespace quillon
