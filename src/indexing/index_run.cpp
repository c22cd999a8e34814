#include "indexing/index_run.h"

#include <cstdio>
#include <utility>

#include "reader/path_check.h"

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
  if (Reader.OpenInput(Input) != 0) {
    Host.ShowWaitWindow(false);
    const std::string problem = InputProblem(Input);
    Host.ReportError(problem.empty() ? "Input File Does Not Exist!" : problem);
    return false;
  }
  const int64_t size = Reader.FileSize;
  int64_t read = 0;
  int shown = 0;
  Host.ShowIndexProgress(0);
  Reader.ConvertingPass = 0;
  const uint8_t* record = nullptr;
  int64_t n = Reader.NextRecord(record);
  Reader.RecordCount = 0;
  while (!Host.StopRequested() && n != 0) {
    read += n;
    const int percent = size > 0 ? static_cast<int>(read * 100 / size) : 100;
    if (percent > shown) {
      Host.ShowIndexProgress(percent);
      shown = percent;
    }
    Reader.ProcessRecord(record);
    Route.AddRecord(record, Reader);
    if (Reader.NewScan) {
      Host.AddScanNode(Reader.ScanKindCode, Reader.ScanNumber, Reader.ScanLabel);
      Reader.NewScan = 0;
    }
    n = Reader.NextRecord(record);
  }
  Reader.CloseInput();
  Host.ShowIndexProgress(0);
  Host.ShowWaitWindow(false);
  Host.ShowFileStatistics(FileStatistics(Reader));
  Host.ShowRoute(Route);
  NeedsFrequencies = Reader.FrequenciesMissing();
  if (NeedsFrequencies) Reader.ManualFrequencies = 1;
  return true;
}

}  // namespace quillon
