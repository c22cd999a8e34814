// The benchmarks' log: QUILLON_BENCH_LOG (default /tmp/quillon-bench.klf), made by
// the drive simulator (QUILLON_BENCH_MB megabytes, default 200, seed 42) when no
// file is there yet.
#pragma once
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "klf-synth/drive_simulator.h"

namespace quillon {

inline std::string LogPath() {
  const char* p = std::getenv("QUILLON_BENCH_LOG");
  return p ? p : "/tmp/quillon-bench.klf";
}

inline int64_t SizeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

inline void EnsureLog() {
  if (SizeOf(LogPath()) > 0) return;
  const char* mb = std::getenv("QUILLON_BENCH_MB");
  klf::SimulatorOptions options;
  options.Megabytes = mb ? std::atof(mb) : 200;
  options.Seed = 42;
  std::FILE* f = std::fopen(LogPath().c_str(), "wb");
  klf::LogWriter writer(options.FileLayout);
  klf::DriveSimulator(options, writer, f).Run();
  writer.Close(f);
}

}  // namespace quillon
