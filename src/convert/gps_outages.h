// FindGpsOutages: the pre-pass of "Drop data during GPS outages of". It reads a
// whole file and records, in file order, the time (seconds of the day) of the last
// valid fix (2D or 3D) before each gap of at least the threshold between two
// consecutive valid fixes. A gap over midnight counts as difference + 86400 s.
// The conversion pass that follows drops measurement records from each such fix to
// the next GPS record.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "reader/log_reader.h"

namespace quillon {

// Fills reader.OutageList; false when the input cannot be opened.
bool FindGpsOutages(TLogReader& reader, const std::string& input, int64_t thresholdSeconds,
                    const std::function<bool()>& stopRequested);

}  // namespace quillon
