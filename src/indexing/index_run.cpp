#include "indexing/index_run.h"

#include <cstdio>
#include <utility>

#include "reader/messages.h"
#include "reader/path_check.h"
#include "reader/record_pass.h"

namespace quillon {

std::vector<std::string> FileStatistics(const TLogReader& r) {
  const std::pair<const char*, int32_t> lines[] = {
      {"GPS Total Records = %d", r.GpsTotalCount},         {"GPS 3D Lock Records = %d", r.Gps3DCount},
      {"GPS 2D Lock Records = %d", r.Gps2DCount},          {"Rx1 Single Channel Records = %d", r.Rx1SingleCount},
      {"Rx2 Single Channel Records = %d", r.Rx2SingleCount}, {"List Mode Records = %d", r.ListModeCount},
      {"Table Mode Records = %d", r.TableModeCount}};
  std::vector<std::string> out;
  for (const auto& [format, count] : lines) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, count);
    out.emplace_back(buf);
  }
  return out;
}

IndexRun::IndexRun(TLogReader& reader, IndexHost& host, std::string input, int16_t product)
    : Reader(reader), Host(host), Input(std::move(input)), Product(product) {}

bool IndexRun::Execute() {
  Host.ShowWaitWindow(true);
  Host.ResetScanTree(Product, Input);
  Reader.ScanNumber = 0;
  Reader.ScanKindCode = -1;
  Reader.InputFormat = Product;
  Reader.ManualFrequencies = 0;  // the file's own records decide whether it needs them
  const auto opened = [this] {
    Host.ShowProgress(0);
    Reader.ConvertingPass = 0;
    return true;
  };
  const auto onRecord = [this](const uint8_t* record) {
    Reader.ProcessRecord(record);
    Route.AddRecord(record, Reader);
    if (Reader.NewScan) {
      Host.AddScanNode(Reader.ScanKindCode, Reader.ScanNumber, Reader.ScanLabel);
      Reader.NewScan = 0;
    }
    return true;
  };
  const auto onPercent = [this](int percent) {
    Host.ShowProgress(percent);
    return true;
  };
  if (RunPass(Reader, Input, [this] { return Host.StopRequested(); }, opened, onRecord, onPercent) ==
      PassEnd::NotOpened) {
    Host.ShowWaitWindow(false);
    const std::string problem = InputProblem(Input);
    Host.ReportMessage(MessageKind::Error, problem.empty() ? messages::kInputFileDoesNotExist : problem);
    return false;
  }
  Host.ShowProgress(0);
  Host.ShowWaitWindow(false);
  Host.ShowFileStatistics(FileStatistics(Reader));
  Host.ShowRoute(Route);
  NeedsFrequencies = Reader.FrequenciesMissing();
  if (NeedsFrequencies) Reader.ManualFrequencies = 1;
  Host.IndexFinished(NeedsFrequencies, Reader.State().Bands);
  return true;
}

}  // namespace quillon
