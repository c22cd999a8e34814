// CheckFrequencyNeed: whether a log needs the receivers' frequencies given by hand
// before it is converted: it holds single-channel data but no single-frequency
// definition, the rule the indexing applies (TLogReader::FrequenciesMissing). The
// walk decodes only band, single-channel and definition records and stops at the
// first definition. Afterwards ManualFrequencies is clear and the reader's Bands
// hold the file's last band record, the bands that frequencies given for the file
// are checked against and converted with.
#pragma once
#include <string>

#include "reader/log_reader.h"

namespace quillon {

enum class FrequencyNeed { NotNeeded, Needed, Unreadable };

FrequencyNeed CheckFrequencyNeed(TLogReader& reader, const std::string& input);

// "(%.5f - %.5f MHz)": a receiver's band as the frequency dialog shows it.
std::string BandRangeText(const BandInfo& band);

}  // namespace quillon
