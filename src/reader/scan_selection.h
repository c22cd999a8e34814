// ScanSelection: which scans of one indexed file are to be converted.
// States[n] is the node state of scan n (entry 0 unused): 2 converted, 1 left out.
// It applies only to the file it was made from; scans without an entry are converted.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

struct ScanSelection {
  std::string File;
  std::vector<uint8_t> States;
};

}  // namespace quillon
