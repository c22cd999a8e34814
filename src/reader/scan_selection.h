// ScanSelection: which scans of one indexed file are to be converted: every scan
// but those in Skipped (scan numbers from 1, ascending, without repeats). It
// applies only to the file it was made from. Its size follows the scans left out,
// never the largest number named.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

struct ScanSelection {
  std::string File;
  std::vector<int32_t> Skipped;

  // Adds scans to leave out, keeping the list ascending.
  void Skip(const std::vector<int32_t>& scans) {
    Skipped.insert(Skipped.end(), scans.begin(), scans.end());
    std::sort(Skipped.begin(), Skipped.end());
    Skipped.erase(std::unique(Skipped.begin(), Skipped.end()), Skipped.end());
  }
};

}  // namespace quillon
