// Fuzz target: arbitrary bytes as a log file. The first 8 bytes choose the settings
// (columns, receiver, data values, reduction, outage drop, split, delimiter); the
// rest is the file. It goes through layout detection, a full conversion and an
// indexing pass.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "convert/settings.h"
#include "convert/conversion_run.h"
#include "indexing/index_run.h"
#include "reader/file_type.h"
#include "reader/log_reader.h"

using namespace quillon;

namespace {

std::string Scratch(const char* name) {
  static const std::string dir = [] {
    char pattern[] = "/tmp/quillon-fuzz-XXXXXX";
    return std::string(::mkdtemp(pattern));
  }();
  return dir + "/" + name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t knobs[8] = {};
  for (size_t i = 0; i < 8 && i < size; ++i) knobs[i] = data[i];
  const uint8_t* body = size > 8 ? data + 8 : data;
  const size_t length = size > 8 ? size - 8 : 0;

  const std::string input = Scratch("in.klf");
  const std::string output = Scratch("in.out");
  if (FILE* f = std::fopen(input.c_str(), "wb")) {
    std::fwrite(body, 1, length, f);
    std::fclose(f);
  }

  Settings s = DefaultSettings();
  std::vector<int16_t> fields;
  for (int i = 0; i < 1 + knobs[0] % 8; ++i) fields.push_back(static_cast<int16_t>((knobs[1] + 7 * i) % kCatalogueFields));
  if (knobs[0] & 0x80) {
    fields.clear();
    for (int16_t f = 0; f < kCatalogueFields; ++f) fields.push_back(f);
  }
  SelectColumns(s, fields);
  s.Receiver1 = !(knobs[2] & 1);
  s.Receiver2 = !s.Receiver1;
  s.FrequencyField = knobs[2] & 2;
  s.ChannelField = knobs[2] & 4;
  s.RSSIField = knobs[2] & 8;
  s.BSAvg = knobs[3] & 1;
  s.Lambda = knobs[3] & 2;
  s.DropOutages = knobs[3] & 4;
  s.OutageSeconds = std::to_string(knobs[4] % 120);
  s.Split = knobs[3] & 8;
  s.Delimiter = knobs[5] % 6;
  s.FieldTitles = knobs[5] & 0x80;
  Reader.ManualFrequencies = 0;

  ScanSelection selection;
  if (knobs[6] & 1) {
    selection.File = input;
    selection.Skip({knobs[7] % 16, knobs[6] >> 4});
  }
  if (knobs[6] & 2) {
    SilentIndexHost indexHost;
    IndexRun(Reader, indexHost, input, DetectFileType(input)).Execute();
    if (Reader.ManualFrequencies) Reader.SetManualFrequencies(knobs[7] * 7.5, knobs[7] * 3.25);
  }
  SilentRunHost host;
  ConversionRun(Reader, host, s, {{input, output}}, selection).Execute();
  SilentIndexHost indexHost;
  IndexRun(Reader, indexHost, input, DetectLayout(body, length)).Execute();
  Reader.ManualFrequencies = 0;
  return 0;
}
