// Conversion speed against the I/O floor, in one run on one simulator log. Times
// and rates are wall-clock: a conversion reads, formats and writes on three threads.
//   conversion_bench [--benchmark_*]   (QUILLON_BENCH_LOG=path, QUILLON_BENCH_MB=200)
// The log is made by the simulator when the path does not exist yet. Figures:
// conversion with the default columns and all 56 fields to a new output and over
// the previous one, under each reduction (input and output MB/s), a bare walk of
// the records, an indexing pass, and the I/O floor of each conversion: reading the
// input and writing as many output bytes with plain buffered writes.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "convert/settings.h"
#include "convert/conversion_run.h"
#include "layers/layer_writer.h"
#include "layers/map_format.h"
#include "indexing/index_run.h"
#include "bench_log.h"
#include "klf-synth/drive_simulator.h"
#include "reader/file_type.h"
#include "reader/log_reader.h"

using namespace quillon;

namespace {

std::string OutputPath() { return LogPath() + ".out"; }

// Each measurement starts with no dirty pages left by the one before, whose
// write-back would otherwise slow it down.
void Settle() { ::sync(); }

// Untimed, before each timed write: a new output (argument 0) has no file yet; a
// replacing one (argument 1) meets the previous output, written to disk. Emptying
// that costs the file system time of its own, which conversion and floor share.
void PrepareOutput(benchmark::State& state, const std::string& path, bool replacing,
                   const std::function<void()>& write) {
  state.PauseTiming();
  if (!replacing) ::unlink(path.c_str());
  else if (SizeOf(path) == 0) write();
  Settle();
  state.ResumeTiming();
}

void Convert(benchmark::State& state, const std::vector<int16_t>& fields, bool bestServer, bool lambda,
             int binMetres = 0) {
  EnsureLog();
  Settings s = DefaultSettings();
  SelectColumns(s, fields);
  s.BSAvg = bestServer;
  s.Lambda = lambda;
  s.BinMetres = binMetres;
  const bool replacing = state.range(0) != 0;
  int64_t out = 0;
  auto convert = [&] {
    SilentRunHost host;
    ConversionRun(Reader, host, s, {{LogPath(), OutputPath()}}).Execute();
  };
  for (auto _ : state) {
    PrepareOutput(state, OutputPath(), replacing, convert);
    convert();
    out = SizeOf(OutputPath());
  }
  const double in = static_cast<double>(SizeOf(LogPath()));
  state.counters["in_MBps"] = benchmark::Counter(in * state.iterations() / 1e6, benchmark::Counter::kIsRate);
  state.counters["out_MBps"] =
      benchmark::Counter(static_cast<double>(out) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
  state.counters["out_MB"] = static_cast<double>(out) / 1e6;
}

std::vector<int16_t> AllFields() {
  std::vector<int16_t> f;
  for (int16_t i = 0; i < kCatalogueFields; ++i) f.push_back(i);
  return f;
}

void BM_ConvertDefaultColumns(benchmark::State& s) { Convert(s, {22, 18, 5, 11, 0}, false, false); }
void BM_ConvertAllFields(benchmark::State& s) { Convert(s, AllFields(), false, false); }
void BM_ConvertBestServer(benchmark::State& s) { Convert(s, {22, 18, 5, 11, 0}, true, false); }
void BM_ConvertLambda(benchmark::State& s) { Convert(s, {22, 18, 5, 11, 0}, false, true); }
// The same conversions with 50 m coverage bins written beside the output
// (range(1) 1: under best server).
void BM_ConvertBins(benchmark::State& s) { Convert(s, {22, 18, 5, 11, 0}, s.range(1) != 0, false, 50); }

// A simulated CW survey (one transmitter, 200 samples a second) converted with the
// default columns, without and with the survey analysis of its transmitter
// (range(0) 1), under "Convert All Data" or "40 Lambda" (range(1) 1).
void BM_Survey(benchmark::State& state) {
  const std::string log = LogPath() + ".cw.klf", out = log + ".out";
  if (SizeOf(log) == 0) {
    const char* mb = std::getenv("QUILLON_BENCH_MB");
    klf::SimulatorOptions options;
    options.Megabytes = mb ? std::atof(mb) : 200;
    options.Cw = true;
    options.Survey = {45.5, -73.6, 62, 130, 35, 8, true, 40, 200};
    std::FILE* f = std::fopen(log.c_str(), "wb");
    klf::LogWriter writer(options.FileLayout);
    klf::DriveSimulator(options, writer, f).Run();
    writer.Close(f);
  }
  Settings s = DefaultSettings();
  SelectColumns(s, {22, 18, 5, 11, 0});
  s.Lambda = state.range(1) != 0;
  if (state.range(0) != 0) {
    Site site;
    std::string error;
    SingleSite("45.5,-73.6", 62, site, error);
    s.Sites = {site};
  }
  for (auto _ : state) {
    PrepareOutput(state, out, false, {});
    SilentRunHost host;
    if (ConversionRun(Reader, host, s, {{log, out}}).Execute() != RunOutcome::Completed)
      state.SkipWithError("the survey was not converted");
  }
  state.counters["in_MBps"] =
      benchmark::Counter(static_cast<double>(SizeOf(log)) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

// Map layers: features written per second into each file format, with the default
// columns under best server (one feature per row) or every entry.
const OutputFormat kLayerFormats[] = {OutputFormat::GeoPackage, OutputFormat::MapInfoTab, OutputFormat::MapInfoMif,
                                      OutputFormat::Shapefile,  OutputFormat::FlatGeobuf, OutputFormat::GeoJson,
                                      OutputFormat::Kml};

// range(2) 1: through GDAL's writer even where the program has its own (KML).
void BM_Layer(benchmark::State& state) {
  EnsureLog();
  const OutputFormat format = kLayerFormats[state.range(0)];
  const bool gdal = state.range(2) != 0;
  Settings s = DefaultSettings();
  SelectColumns(s, {22, 18, 5, 11, 0});
  s.BSAvg = state.range(1) != 0;
  s.OutputFormat = static_cast<int>(format);
  const std::string out = LogPath() + ".layer" + InfoOf(format).Extension;
  int64_t features = 0;
  for (auto _ : state) {
    PrepareOutput(state, out, false, {});
    SilentRunHost host;
    ConversionRun run(Reader, host, s, {{LogPath(), out}});
    if (gdal) run.WriteLayersWith(MakeOgrLayerWriter);
    if (run.Execute() != RunOutcome::Completed) state.SkipWithError("the layer was not written");
    features = run.FeaturesWritten();
  }
  state.SetLabel(std::string(InfoOf(format).Name) + (gdal ? " (GDAL)" : ""));
  state.counters["features"] = static_cast<double>(features);
  state.counters["features_per_s"] =
      benchmark::Counter(static_cast<double>(features) * state.iterations(), benchmark::Counter::kIsRate);
}

// The way a user makes a GeoPackage without the layer writers: the delimited text
// (best server: one row per feature), then ogr2ogr with typed columns.
void BM_GeoPackageInTwoSteps(benchmark::State& state) {
  EnsureLog();
  Settings s = DefaultSettings();
  SelectColumns(s, {22, 18, 5, 11, 0});
  s.BSAvg = true;
  const std::string csv = LogPath() + ".two-step.csv", gpkg = LogPath() + ".two-step.gpkg";
  for (auto _ : state) {
    PrepareOutput(state, gpkg, false, {});
    SilentRunHost host;
    ConversionRun(Reader, host, s, {{LogPath(), csv}}).Execute();
    const std::string command = "ogr2ogr -f GPKG " + gpkg + " " + csv +
                                " -nln measurements -a_srs EPSG:4326 -oo AUTODETECT_TYPE=YES"
                                " -oo X_POSSIBLE_NAMES=Longitude* -oo Y_POSSIBLE_NAMES=Latitude*";
    if (std::system(command.c_str()) != 0) state.SkipWithError("ogr2ogr failed");
  }
}

void BM_WalkRecords(benchmark::State& state) {
  EnsureLog();
  for (auto _ : state) {
    Reader.InputFormat = DetectFileType(LogPath());
    Reader.OpenInput(LogPath());
    int64_t total = 0;
    const uint8_t* record = nullptr;
    for (int64_t n; (n = Reader.NextRecord(record)) != 0;) total += n;
    Reader.CloseInput();
    benchmark::DoNotOptimize(total);
  }
  state.counters["in_MBps"] = benchmark::Counter(static_cast<double>(SizeOf(LogPath())) * state.iterations() / 1e6,
                                                 benchmark::Counter::kIsRate);
}

void BM_Index(benchmark::State& state) {
  EnsureLog();
  for (auto _ : state) {
    SilentIndexHost host;
    IndexRun(Reader, host, LogPath(), DetectFileType(LogPath())).Execute();
  }
  state.counters["in_MBps"] = benchmark::Counter(static_cast<double>(SizeOf(LogPath())) * state.iterations() / 1e6,
                                                 benchmark::Counter::kIsRate);
}

// Reading the input and writing as many bytes as a conversion writes: the default
// columns (first argument 0) or all 56 fields (1), to a new output (second
// argument 0) or over the previous one (1).
void BM_IoFloor(benchmark::State& state) {
  EnsureLog();
  {
    SilentRunHost host;
    Settings s = DefaultSettings();
    SelectColumns(s, state.range(0) ? AllFields() : std::vector<int16_t>{22, 18, 5, 11, 0});
    ConversionRun(Reader, host, s, {{LogPath(), OutputPath()}}).Execute();
  }
  const int64_t outBytes = SizeOf(OutputPath());
  const std::string floorPath = LogPath() + ".floor";
  std::vector<char> chunk(1 << 20, 'x');
  auto write = [&] {
    std::FILE* out = std::fopen(floorPath.c_str(), "wb");
    for (int64_t left = outBytes; left > 0; left -= static_cast<int64_t>(chunk.size()))
      std::fwrite(chunk.data(), 1, static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(chunk.size()))), out);
    std::fclose(out);
  };
  for (auto _ : state) {
    PrepareOutput(state, floorPath, state.range(1) != 0, write);
    std::FILE* in = std::fopen(LogPath().c_str(), "rb");
    std::vector<char> buf(1 << 20);
    while (std::fread(buf.data(), 1, buf.size(), in) > 0) {
    }
    std::fclose(in);
    write();
  }
  state.counters["out_MB"] = static_cast<double>(outBytes) / 1e6;
  state.counters["out_MBps"] =
      benchmark::Counter(static_cast<double>(outBytes) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

}  // namespace

// Each conversion right after its I/O floor, so that both meet the same state of
// the machine; new outputs first, then replaced ones.
#define QUILLON_TIMED(b) b->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()
QUILLON_TIMED(BENCHMARK(BM_IoFloor)->Args({0, 0}));
QUILLON_TIMED(BENCHMARK(BM_ConvertDefaultColumns)->Arg(0));
QUILLON_TIMED(BENCHMARK(BM_IoFloor)->Args({1, 0}));
QUILLON_TIMED(BENCHMARK(BM_ConvertAllFields)->Arg(0));
QUILLON_TIMED(BENCHMARK(BM_IoFloor)->Args({0, 1}));
QUILLON_TIMED(BENCHMARK(BM_ConvertDefaultColumns)->Arg(1));
QUILLON_TIMED(BENCHMARK(BM_IoFloor)->Args({1, 1}));
QUILLON_TIMED(BENCHMARK(BM_ConvertAllFields)->Arg(1));
QUILLON_TIMED(BENCHMARK(BM_ConvertBestServer)->Arg(0));
QUILLON_TIMED(BENCHMARK(BM_ConvertLambda)->Arg(0));
QUILLON_TIMED(BENCHMARK(BM_WalkRecords));
// Binning against the same conversion without it, side by side.
QUILLON_TIMED(BENCHMARK(BM_ConvertDefaultColumns)->Arg(0));
QUILLON_TIMED(BENCHMARK(BM_ConvertBins)->Args({0, 0}));
QUILLON_TIMED(BENCHMARK(BM_ConvertBestServer)->Arg(0));
QUILLON_TIMED(BENCHMARK(BM_ConvertBins)->Args({0, 1}));
#define QUILLON_ONCE(b) b->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime()
QUILLON_ONCE(BENCHMARK(BM_GeoPackageInTwoSteps));
QUILLON_ONCE(BENCHMARK(BM_Layer)->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {1, 0}, {0}}));
QUILLON_ONCE(BENCHMARK(BM_Layer)->ArgsProduct({{6}, {1, 0}, {1}}));
QUILLON_TIMED(BENCHMARK(BM_Index));
QUILLON_TIMED(BENCHMARK(BM_Survey)->ArgsProduct({{0, 1}, {0, 1}}));
BENCHMARK_MAIN();
