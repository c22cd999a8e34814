#include "convert/conversion_run.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <utility>

#include "analysis/calibration_layer.h"
#include "analysis/geodesic.h"
#include "bins/bins_output.h"
#include "convert/frequency_check.h"
#include "convert/gps_outages.h"
#include "convert/output_split.h"
#include "convert/run_options.h"
#include "gis/gis_module.h"
#include "reader/file_type.h"
#include "reader/messages.h"
#include "reader/native_file.h"
#include "reader/path_check.h"
#include "reader/record_pass.h"
#include "reader/shown_text.h"

namespace quillon {

namespace {

// The text with its "%s" replaced by the value, however long.
std::string Format(const char* format, const std::string& value) {
  std::string text = format;
  const size_t at = text.find("%s");
  return at == std::string::npos ? text : text.replace(at, 2, value);
}

// "1.5000 is not in the range of the receiver.", with a number of any size shown
// short enough for the sentence to stay readable.
std::string NotInRange(double mhz) {
  char number[64];
  std::snprintf(number, sizeof number, std::fabs(mhz) < 1e9 ? "%.4f" : "%.6g", mhz);
  std::string text = messages::kNotInReceiverRange;
  return text.replace(text.find("%.4f"), 4, number);
}

// "The output file" as "the output file", within a sentence.
std::string Lowered(std::string what) {
  if (!what.empty()) what[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(what[0])));
  return what;
}

// Why an input did not open (it may have changed since it was looked at).
std::string CannotOpen(const std::string& input) {
  const std::string problem = InputProblem(input);
  return problem.empty() ? messages::kInputFileDoesNotExist : problem;
}

}  // namespace

ConversionRun::ConversionRun(TLogReader& reader, RunHost& host, Settings settings, std::vector<FilePair> pairs,
                             ScanSelection selection)
    : Reader(reader),
      Host(host),
      Config(std::move(settings)),
      Pairs(std::move(pairs)),
      Selection(std::move(selection)),
      OutputKind(static_cast<OutputFormat>(Config.OutputFormat)) {
  if (IsMapLayer(OutputKind)) {
    // A folder run into one dataset also keeps each log's path: two drives of one
    // name in two folders stay apart.
    size_t longest = 1, longestPath = 1;
    for (const FilePair& pair : Pairs) {
      longest = std::max(longest, ValidUtf8(native::Utf8Of(native::PathOf(pair.Input).filename())).size());
      longestPath = std::max(longestPath, ValidUtf8(pair.Input).size());
    }
    const int pathWidth = Config.Into.empty() ? 0 : static_cast<int>(std::min<size_t>(longestPath, 254));
    Schema = std::make_unique<MeasurementLayer>(Config, static_cast<int>(std::min<size_t>(longest, 254)), pathWidth);
  }
}

bool ConversionRun::Refuse(const std::string& message) {
  Host.ReportMessage(MessageKind::Error, message);
  return false;
}

// Settings that would make a damaged or empty output are refused before any file
// is written.
bool ConversionRun::CheckSettings() {
  if (Config.SelectedFields.empty()) return Refuse(messages::kNoFieldsSelected);
  if (!DelimiterOf(Config, Delimiter))
    return Refuse("The \"Other\" field delimiter is empty: enter the delimiter character.");
  if (Config.DropOutages && (!ParseWholeNumber(Config.OutageSeconds, OutageThreshold) || OutageThreshold < 1))
    return Refuse(Format("\"%s\" is not a whole number of seconds for the GPS outage drop.", Shortened(Config.OutageSeconds)));
  // What the GIS module does is refused at once, naming what needs it, where the
  // module cannot be loaded.
  if (*InfoOf(OutputKind).Driver && !InMemory) {
    std::string needs = InfoOf(OutputKind).Title;
    needs += " (--format ";
    needs += InfoOf(OutputKind).Name;
    needs += ')';
    if (std::string why = GisNeeded(needs); !why.empty()) return Refuse(why);
  }
  if (!Config.Sites.empty())
    if (std::string why = GisNeeded("The survey analysis (--sites, --site)"); !why.empty()) return Refuse(why);
  if (Config.BinMetres != 0 &&
      (Config.BinMetres < BinGrid::kSmallestMetres || Config.BinMetres > BinGrid::kLargestMetres))
    return Refuse("Coverage bins are 10 to 1000 metres.");
  if (Config.BinMetres != 0 && !BinGrid::Unavailable().empty()) return Refuse(BinGrid::Unavailable());
  if (Config.BinMetres != 0 && !Config.BinCrs.empty() && !BinGrid::CheckCrs(Config.BinCrs).empty())
    return Refuse(BinGrid::CheckCrs(Config.BinCrs));
  if (!Config.Sites.empty() && !GeodesicAvailable())
    return Refuse("The survey analysis needs PROJ's geodesic routines, which this build lacks.");
  if (!Config.Frequencies.empty() &&
      (Config.Frequencies.size() != 2 || !std::isfinite(Config.Frequencies[0]) || !std::isfinite(Config.Frequencies[1])))
    return Refuse("The receiver frequencies must be two numbers in MHz.");
  return true;
}

// The files of one output: the dataset, the bins beside it, the split part files.
void ConversionRun::PlanOutput(const std::string& output, OutputCommit& commit) const {
  if (OutputKind == OutputFormat::PostGis || InMemory) return;  // a database or memory, no file
  commit.Dataset(output, OutputKind);
  if (Config.BinMetres != 0) commit.Dataset(BinsPathOf(output), OutputKind);
  if (!Config.Sites.empty()) commit.Dataset(CalibrationPathOf(output), OutputFormat::Delimited);
  if (!Config.Sites.empty() && IsMapLayer(OutputKind)) commit.Dataset(CalibrationLayerPathOf(output), OutputKind);
  if (Config.Split && OutputKind == OutputFormat::Delimited) commit.Parts(SplitFolder(output), ExistingSplitParts(output));
}

// Nothing the run writes or replaces may be an input of the run, nor a file of
// another output of the run: every file of every output (side files, bins and
// earlier split parts included) is compared with every input by device and inode,
// so links are seen through. Targets that cannot take what is written there (a
// folder, a pipe where a format needs a regular file) are refused too.
bool ConversionRun::CheckFiles() {
  std::map<std::string, const FilePair*> inputs;
  for (const FilePair& pair : Pairs) inputs.emplace(FileIdentity(pair.Input), &pair);
  struct Owner {
    const FilePair* Pair;
    std::string Path, What;
  };
  std::map<std::string, Owner> written;
  const bool into = !Config.Into.empty();
  for (const FilePair& pair : Pairs) {
    if (into && &pair != &Pairs.front()) break;  // one dataset for the run
    OutputCommit plan;
    PlanOutput(pair.Output, plan);
    for (const OutputCommit::PlannedPath& file : plan.Paths()) {
      const bool output = file.Main && file.Dataset == pair.Output;
      const bool calibration = file.Main && !output &&
                               (file.Dataset == CalibrationPathOf(pair.Output) ||
                                file.Dataset == CalibrationLayerPathOf(pair.Output));
      const std::string what = !file.Main && file.Dataset == SplitFolder(pair.Output) ? "The split part file"
                               : !file.Main                                          ? "The side file"
                               : output                                              ? "The output file"
                               : calibration                                         ? "The calibration file"
                                                                                     : "The bins file";
      const std::string problem = OutputTargetProblem(file.Path, file.Format, file.Main);
      if (!problem.empty()) return Refuse(problem);
      if (output && IsStreamTarget(pair.Output) && IsStreamFormat(OutputKind)) {  // written into as it is
        if (Config.BinMetres != 0) return Refuse("Coverage bins are written beside a file: " + pair.Output + " is not one.");
        if (!Config.Sites.empty())
          return Refuse("The calibration file is written beside a file: " + pair.Output + " is not one.");
        if (Config.Split && OutputKind == OutputFormat::Delimited)
          return Refuse("Split part files are made from a file: " + pair.Output + " is not one.");
      }
      const std::string identity = FileIdentity(file.Path);
      const auto input = inputs.find(identity);
      if (input != inputs.end()) {
        if (into) return Refuse(what + " " + file.Path + " would overwrite the input file " + input->second->Input + ".");
        if (input->second == &pair && output)
          return Refuse(Format("The output file %s is the input file itself.", file.Path));
        if (input->second == &pair && !file.Main && file.Dataset != SplitFolder(pair.Output))
          return Refuse(what + " " + file.Path + " of the output " + pair.Output + " is the input file itself.");
        return Refuse(what + " " + file.Path + " (of " + pair.Input + ") would overwrite the input file " +
                      input->second->Input + ".");
      }
      const auto [other, fresh] = written.emplace(identity, Owner{&pair, file.Path, what});
      if (fresh || other->second.Pair == &pair) continue;
      if (what == "The output file" && other->second.What == "The output file")
        return Refuse("The input files " + other->second.Pair->Input + " and " + pair.Input +
                      " would both be converted to " + pair.Output + ".");
      return Refuse(what + " " + file.Path + " (of " + pair.Input + ") would overwrite " + Lowered(other->second.What) +
                    " " + other->second.Path + " (of " + other->second.Pair->Input + ").");
    }
  }
  if (!Config.Report.empty()) {  // the report, like any output, takes no input's nor output's place
    const std::string problem = OutputTargetProblem(Config.Report, OutputFormat::Delimited, true);
    if (!problem.empty()) return Refuse(problem);
    const std::string identity = FileIdentity(Config.Report);
    if (const auto input = inputs.find(identity); input != inputs.end())
      return Refuse("The report file " + Config.Report + " would overwrite the input file " + input->second->Input + ".");
    if (const auto other = written.find(identity); other != written.end())
      return Refuse("The report file " + Config.Report + " would overwrite " + Lowered(other->second.What) + " " +
                    other->second.Path + ".");
  }
  if (!Config.Split || OutputKind != OutputFormat::Delimited) return true;
  for (const FilePair& pair : Pairs)
    for (const FilePair& other : Pairs)
      if (&other != &pair && IsSplitPart(other.Output, pair.Output))
        return Refuse("The output file " + other.Output + " would be overwritten by a split part file of " +
                      pair.Output + ".");
  return true;
}

RunOutcome ConversionRun::Execute() {
  if (!CheckSettings() || !CheckFiles()) return RunOutcome::Failed;

  Reader.AttachMainWindow({Config.Receiver1, Config.Receiver2});
  Renderer.SetDataFields({Config.FrequencyField, Config.ChannelField, Config.RSSIField});
  Reader.DropOutages = Config.DropOutages;
  Reader.MultiFileRun = Config.MultipleFiles ? 1 : 0;
  Reader.SelectReceiver(Config.Receiver1 ? 1 : 2);
  if (Config.BinMetres) Bins = std::make_unique<CoverageBins>(Config.BinMetres, Config.BinCrs, EntryBoxesOf(Config));
  if (!Config.Sites.empty()) {
    AnalysisOptions options = AnalysisOptionsOf(Config);
    options.KeepPoints = (IsMapLayer(OutputKind) && OutputKind != OutputFormat::PostGis && !InMemory) || TakeAnalysis;
    options.KeepPoints = options.KeepPoints || !Config.Report.empty();  // the report's path-loss figure
    Analysis = std::make_unique<SurveyAnalysis>(options, EntryBoxesOf(Config));
  }
  if (!Config.Report.empty()) Report = std::make_unique<SurveyReport>(Config.Receiver1 ? 1 : 2, Config.BinMetres);

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
  if (Layer && !CloseLayer(!cancelled)) return RunOutcome::Failed;  // the run's one dataset
  if (Bins && !BinsGoWithLoad() && !cancelled && !Config.Into.empty() && !WriteBins(Config.Into))
    return RunOutcome::Failed;
  if (Analysis && !cancelled && !Config.Into.empty() && !WriteCalibration(Config.Into)) return RunOutcome::Failed;
  if (!Config.Into.empty() && !CommitFiles(cancelled)) return RunOutcome::Failed;
  if (Report && !cancelled && !WriteReport()) return RunOutcome::Failed;

  for (const std::string& warning : FilesLeftOut) Host.ReportMessage(MessageKind::Warning, warning);
  for (const std::string& warning : FilesCut) Host.ReportMessage(MessageKind::Warning, warning);
  for (const std::string& warning : SurveyWarnings) Host.ReportMessage(MessageKind::Warning, warning);
  for (const std::string& warning : LayerWarnings) Host.ReportMessage(MessageKind::Warning, warning);
  for (const std::string& file : FilesLackingFrequency)
    Host.ReportMessage(MessageKind::Warning,
                       Format("No frequency is known for the single-channel data of %s: they were not averaged.", file));
  if (RowsLeftOut > 0)
    Host.ReportMessage(MessageKind::Warning,
                       std::to_string(RowsLeftOut) + " single-channel records were left out: more than " +
                           std::to_string(kMaxBufferedRows) + " records or " +
                           std::to_string(kMaxBufferedSampleBytes >> 20) +
                           " MB of samples arrived between two GPS fixes.");
  if (Bins && Bins->Unplaced() > 0)
    Host.ReportMessage(MessageKind::Information, std::to_string(Bins->Unplaced()) +
                                                     " measurements without a position were not binned.");
  // A stopped run's gauge stays where it stopped.
  if (!cancelled) Host.ShowProgress(100);
  if (cancelled) {
    Host.ReportMessage(MessageKind::Information, messages::kConversionCancelled);
    return RunOutcome::Cancelled;
  }
  Host.ReportMessage(MessageKind::Information, messages::kConversionCompleted);
  return FilesLeftOut.empty() ? RunOutcome::Completed : RunOutcome::CompletedLeavingFilesOut;
}

// A file that needs the receivers' frequencies gets those of the run, converted
// with its own bands; without them (or outside a band) a single file is refused and
// a file of a folder run is left out.
RunOutcome ConversionRun::PrepareFrequencies(const FilePair& pair) {
  if (CheckFrequencyNeed(Reader, pair.Input) != FrequencyNeed::Needed) return RunOutcome::Completed;
  const bool multi = Config.MultipleFiles;
  std::string problem;
  if (Config.Frequencies.empty()) {
    problem = (multi ? pair.Input + " was not converted: its" : pair.Input + " needs the receivers' frequencies: its") +
              " single-channel data come without a frequency definition.\n" + Host.FrequencyRemedy() +
              " within the receivers' bands: Receiver 1 " + BandRangeText(Reader.State().Bands[0]) + ", Receiver 2 " +
              BandRangeText(Reader.State().Bands[1]) + ".";
  } else {
    for (int rx = 0; rx < 2 && problem.empty(); ++rx) {
      const double mhz = Config.Frequencies[static_cast<size_t>(rx)];
      if (mhz < Reader.State().Bands[rx].LowestMHz() || mhz > Reader.State().Bands[rx].HighestMHz()) {
        const std::string text = NotInRange(mhz);
        problem = multi ? pair.Input + " was not converted: " + text : text;
      }
    }
    if (problem.empty()) {
      Reader.SetManualFrequencies(Config.Frequencies[0], Config.Frequencies[1]);
      return RunOutcome::Completed;
    }
  }
  if (!multi) {
    Refuse(problem);
    return RunOutcome::Failed;
  }
  FilesLeftOut.push_back(problem);
  return RunOutcome::CompletedLeavingFilesOut;
}

RunOutcome ConversionRun::ConvertPair(const FilePair& pair) {
  const bool multi = Config.MultipleFiles;
  Reader.SkippedScans.clear();
  if (!multi && !Selection.File.empty() && SameFile(Selection.File, pair.Input)) Reader.SkippedScans = Selection.Skipped;

  // An input that is missing, unreadable, or a folder, pipe or device ends the run.
  if (!InputProblem(pair.Input).empty()) {
    Refuse(CannotOpen(pair.Input));
    return RunOutcome::Failed;
  }
  // Not a log, an empty file (0 bytes) included, as indexing has it.
  const int16_t type = DetectFileType(pair.Input);
  if (type == kFormatNone) {
    if (!multi) {
      Refuse(messages::kNotFromKtrProduct);
      return RunOutcome::Failed;
    }
    // A stray file in a folder run is left out, and named at the end.
    FilesLeftOut.push_back(Format("%s is not from a KTR CW product: it was not converted.", pair.Input));
    return RunOutcome::CompletedLeavingFilesOut;
  }
  Reader.InputFormat = type;
  const RunOutcome frequencies = PrepareFrequencies(pair);
  if (frequencies != RunOutcome::Completed) return frequencies;

  const std::function<bool()> stop = [this] { return Host.StopRequested(); };
  if (Config.DropOutages && !FindGpsOutages(Reader, pair.Input, OutageThreshold, stop))
    Host.ReportMessage(MessageKind::Error, CannotOpen(pair.Input));

  if (!Files) {  // the files of this output (with Into, of the run) are staged together
    Files = std::make_unique<OutputCommit>();
    PlanOutput(Config.Into.empty() ? pair.Output : Config.Into, *Files);
  }
  std::string staged, stagingError;
  if (!Schema && !Files->StagedPath(pair.Output, staged, stagingError)) {
    Files.reset();
    Refuse(stagingError);
    return RunOutcome::Failed;
  }
  bool outputOpened = false;
  const auto opened = [&] {
    if (!(outputOpened = Schema ? OpenLayer(pair) : Output.Open(staged))) return false;
    std::vector<int16_t> columns(std::min(Config.SelectedFields.size(), static_cast<size_t>(kFieldMapSize)));
    for (size_t i = 0; i < columns.size(); ++i) columns[i] = Column(i);
    Renderer.SetColumns(columns, Delimiter);
    Reader.ConvertingPass = 1;
    Reader.LambdaLackedFrequency = false;
    Reader.RowsLeftOut = 0;
    Host.ShowProgress(0);
    Reader.SetReductionMode(ReductionModeOf(Config));
    if (Bins) Bins->BeginLog();
    if (Report) Report->BeginLog(pair.Input, ProductName(Reader.InputFormat));
    return true;
  };
  const auto onRecord = [this](const uint8_t* record) {
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
    // After the rows it made: those of a fix's interval go to the fix before it.
    if (Report) Report->AddRecord(record, Reader);
    return LayerError.empty();  // a map layer that failed to take a feature ends the pass
  };
  // A failed write (the disk is full or gone) ends the pass at the next percent;
  // Close() reports it.
  const auto onPercent = [this](int percent) {
    Host.ShowProgress(percent);
    return !Output.Failed();
  };
  const PassEnd end = RunPass(Reader, pair.Input, stop, opened, onRecord, onPercent);
  if (end == PassEnd::NotOpened) {
    Refuse(CannotOpen(pair.Input));
    return RunOutcome::Failed;
  }
  if (!outputOpened && !EarlierLoad.empty()) {  // in the database already
    if (multi) {
      FilesLeftOut.push_back(EarlierLoad + " It was not loaded again.");
      return RunOutcome::CompletedLeavingFilesOut;
    }
    Refuse(EarlierLoad + "\n" + Host.ReloadRemedy());
    Files.reset();
    return RunOutcome::Failed;
  }
  if (!outputOpened) {
    Refuse(Schema ? Files->Unstaged(LayerError)
                  : std::string(messages::kOutputFileCannotBeAccessed) + '\n' +
                        SystemReason(pair.Output, Output.ErrorNumber()));
    Files.reset();
    return RunOutcome::Failed;
  }
  bool stopped = end == PassEnd::Stopped;
  if (!stopped && Reader.BytesCutOff() > 0)
    FilesCut.push_back(pair.Input + " ends inside a record: " + std::to_string(Reader.BytesCutOff()) +
                       " bytes of it are missing (an interrupted copy?); the records it holds were converted.");
  if (Reader.LambdaLackedFrequency) FilesLackingFrequency.push_back(pair.Input);
  if (Analysis) Analysis->EndLog(Reader.Averaging);
  if (Report) Report->EndLog(Reader);
  RowsLeftOut += Reader.RowsLeftOut;
  if (Schema) {
    // The log's features are kept only when it was read to its end; a database
    // takes its bins with them, in the same transaction.
    const bool read = !stopped && LayerError.empty();
    std::string error = LayerError;
    const bool whole = read && (!BinsGoWithLoad() || WriteBinsOfLoad(Config.Into.empty() ? pair.Output : Config.Into, error));
    if ((!error.empty() || !Layer->EndLog(whole, error)) || (Config.Into.empty() && !CloseLayer(whole))) {
      if (!error.empty()) Refuse(Files->Unstaged(error));
      Files.reset();
      return RunOutcome::Failed;
    }
    if (Bins && !BinsGoWithLoad() && whole && Config.Into.empty() && !WriteBins(pair.Output))
      return RunOutcome::Failed;
    if (Analysis && whole && Config.Into.empty() && !WriteCalibration(pair.Output)) return RunOutcome::Failed;
    if (!stopped) Host.ShowProgress(100);
    if (Config.Into.empty() && !CommitFiles(stopped)) return RunOutcome::Failed;
    return stopped ? RunOutcome::Cancelled : RunOutcome::Completed;
  }
  if (!Output.Close()) {
    Refuse(messages::kUnableToWriteTo + pair.Output + "\n" + SystemReason(pair.Output, Output.ErrorNumber()));
    Files.reset();
    return RunOutcome::Failed;
  }
  if (Bins && !stopped && !WriteBins(pair.Output)) return RunOutcome::Failed;
  if (Analysis && !stopped && !WriteCalibration(pair.Output)) return RunOutcome::Failed;
  if (!stopped) Host.ShowProgress(100);
  // Only delimited text is split: a map file is one document.
  if (!stopped && Config.Split && Reader.RecordCount > kSplitLines) {
    const RunOutcome split = Split(pair.Output, staged);
    if (split == RunOutcome::Failed) return split;
    stopped = split == RunOutcome::Cancelled;
  }
  if (!CommitFiles(stopped)) return RunOutcome::Failed;
  return stopped ? RunOutcome::Cancelled : RunOutcome::Completed;
}

// Puts the staged files of the output in place, unless the run was stopped (or is
// asked to stop now): then they are thrown away and every earlier file stays.
bool ConversionRun::CommitFiles(bool& stopped) {
  std::unique_ptr<OutputCommit> files = std::move(Files);
  if (!files) return true;
  stopped = stopped || Host.StopRequested();
  if (stopped) return true;
  std::string error;
  return files->Commit(error) || Refuse(error);
}

RunOutcome ConversionRun::Split(const std::string& output, const std::string& staged) {
  std::string partsFolder, error;
  if (!Files->StagedPath(SplitPartName(SplitFolder(output), 1), partsFolder, error)) {
    Files.reset();
    Refuse(error);
    return RunOutcome::Failed;
  }
  partsFolder = native::Utf8Of(native::PathOf(partsFolder).parent_path());
  const SplitOutcome split = SplitOutputFile(
      staged, output, partsFolder, [this](int percent) { Host.ShowProgress(percent); },
      [this] { return Host.StopRequested(); });
  const std::string path = Files->Unstaged(split.Path);
  const std::string reason = SystemReason(path, split.ErrorNumber);
  switch (split.Result) {
    case SplitResult::Done: return RunOutcome::Completed;
    case SplitResult::Cancelled: return RunOutcome::Cancelled;
    case SplitResult::CannotCreateDirectory: Refuse(messages::kCannotCreateDirectory + ("\n" + reason)); break;
    case SplitResult::OutputNotReadable: Refuse(messages::kOutputFileCannotBeAccessed + ("\n" + reason)); break;
    case SplitResult::PartNotCreated: Refuse(messages::kSplitFileCannotBeAccessed + ("\n" + reason)); break;
    case SplitResult::PartNotWritten: Refuse(messages::kUnableToWriteTo + path + "\n" + reason); break;
  }
  Files.reset();
  return RunOutcome::Failed;
}

void ConversionRun::WriteHeaderLine() {
  if (!Reader.HeaderPending) return;
  if (Schema) {  // a layer names its values itself
    Reader.HeaderPending = 0;
    return;
  }
  if (Config.FieldTitles) {
    const size_t columns = std::min(Config.SelectedFields.size(), static_cast<size_t>(kFieldMapSize));
    for (size_t i = 0; i < columns; ++i) {
      if (Column(i) == kDataBlockField) {
        Renderer.WriteDataHeader(Text, Delimiter, Reader.Row());
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
  if (Schema) {
    WriteLayerRows();
    return;
  }
  TextBuffer& out = Output.Pending();
  Reader.RowsRemaining = Reader.RowsPerRecord;
  if (Analysis && Reader.RowsRemaining > 0) Analysis->AddRecordRows(Reader.Row(), Reader.RowsPerRecord);
  for (; Reader.RowsRemaining > 0; --Reader.RowsRemaining) {
    ++Reader.RecordCount;
    Renderer.AppendRow(out, Reader.Row());
    Output.Appended();
    if (Bins) Bins->AddRow(Reader.Row());
    if (Report) Report->AddRow(Reader.Row());
  }
  Reader.EndRecordRows();
}

// The rows as features of the measurement layer, from the values of each row.
void ConversionRun::WriteLayerRows() {
  for (Reader.RowsRemaining = Reader.RowsPerRecord; Reader.RowsRemaining > 0; --Reader.RowsRemaining) {
    ++Reader.RecordCount;
    Schema->ForEachFeature(Reader.Row(), LogName, [this](const LayerFeature& feature) {
      if (LayerError.empty() && Layer->Write(feature, LayerError)) ++Features;
    });
    if (Bins) Bins->AddRow(Reader.Row());
    if (Analysis) Analysis->AddRow(Reader.Row());
    if (Report) Report->AddRow(Reader.Row());
  }
  Reader.EndRecordRows();
}

// The dataset of the pair (or the run's one, opened with its first log) and the
// log's start in it.
bool ConversionRun::OpenLayer(const FilePair& pair) {
  LogName = ValidUtf8(native::Utf8Of(native::PathOf(pair.Input).filename()));
  Schema->SetLogPath(ValidUtf8(pair.Input));
  LayerError.clear();
  EarlierLoad.clear();
  if (!Layer) {
    Layer = MakeWriter(OutputKind);
    const std::string& output = Config.Into.empty() ? pair.Output : Config.Into;
    std::string target = output;
    if (!InMemory && OutputKind != OutputFormat::PostGis &&
        (!Files->StagedPath(output, target, LayerError) ||
         (AddsToDataset() && !Files->StartFromEarlier(output, LayerError)))) {
      Layer.reset();
      return false;
    }
    std::vector<std::string> texts;
    for (const FilePair& each : Pairs) {
      texts.push_back(ValidUtf8(native::Utf8Of(native::PathOf(each.Input).filename())));
      if (!Config.Into.empty()) texts.push_back(ValidUtf8(each.Input));
    }
    Layer->TextsToHold(texts);
    if (!Layer->Open(target, Config.LayerName, Schema->Attributes(), LayerGeometry::Point, LayerError)) {
      Layer.reset();
      return false;
    }
  }
  LogLoad load;
  load.FileName = LogName;
  load.Path = pair.Input;
  load.Settings = SettingsLine(Config);
  load.Replace = Config.Replace;
  Layer->NextLog(load);
  if (!Layer->EarlierLoad(EarlierLoad, LayerError) || !EarlierLoad.empty()) return false;
  return Layer->BeginLog(LayerError);
}

bool ConversionRun::CloseLayer(bool keep) {
  std::string error;
  const bool closed = Layer->Close(keep, error);
  for (const std::string& warning : Layer->Warnings()) LayerWarnings.push_back(Files ? Files->Unstaged(warning) : warning);
  Layer.reset();
  if (closed) return true;
  if (Files) error = Files->Unstaged(error);
  Files.reset();
  return Refuse(error);
}

}  // namespace quillon
