// RunPass: the loop every pass over a log makes, written once. It opens the input
// through the reader, calls opened() (false ends the pass before any record), then
// hands each record to onRecord until the end of the data, a stop request, or
// onRecord returning false, and closes the input. The stop request is looked for
// before the first record and whenever the bytes read reach the next whole percent
// of the file; there onPercent(percent) hears each new percentage (100 at once for
// an empty file) and may end the pass by returning false.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "reader/log_reader.h"

namespace quillon {

enum class PassEnd { NotOpened, NotStarted, Ended, Stopped };

template <typename Opened, typename OnRecord, typename OnPercent>
PassEnd RunPass(TLogReader& reader, const std::string& input, const std::function<bool()>& stopRequested,
                Opened&& opened, OnRecord&& onRecord, OnPercent&& onPercent) {
  if (reader.OpenInput(input) != 0) return PassEnd::NotOpened;
  if (!opened()) {
    reader.CloseInput();
    return PassEnd::NotStarted;
  }
  const int64_t size = reader.FileSize;
  const uint8_t* record = nullptr;
  int64_t consumed = 0;
  int shown = 0;
  int64_t nextPercentAt = size > 0 ? (size + 99) / 100 : 0;
  int64_t n = reader.NextRecord(record);
  reader.RecordCount = 0;
  PassEnd end = stopRequested() ? PassEnd::Stopped : PassEnd::Ended;
  while (n != 0 && end == PassEnd::Ended) {
    consumed += n;
    if (consumed >= nextPercentAt) {
      if (stopRequested()) {
        end = PassEnd::Stopped;
        break;
      }
      const int percent = size > 0 ? static_cast<int>(consumed * 100 / size) : 100;
      nextPercentAt = size > 0 ? ((percent + 1) * size + 99) / 100 : INT64_MAX;
      if (percent != shown) {
        shown = percent;
        if (!onPercent(percent)) break;
      }
    }
    if (!onRecord(record)) break;
    n = reader.NextRecord(record);
  }
  reader.CloseInput();
  return end;
}

}  // namespace quillon
