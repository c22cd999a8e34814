#include "convert/tconvert.h"

#include "reader/log_reader.h"

namespace quillon {

TConvert::TConvert(std::unique_ptr<RunHost> host, Settings settings, std::vector<FilePair> pairs,
                   ScanSelection selection)
    : Host(std::move(host)), Config(std::move(settings)), Pairs(std::move(pairs)), Selection(std::move(selection)) {}

TConvert::~TConvert() {
  requestInterruption();
  wait();
}

void TConvert::run() { Result = ConversionRun(Reader, *Host, Config, Pairs, Selection).Execute(); }

}  // namespace quillon
