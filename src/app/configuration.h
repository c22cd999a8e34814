// Configuration files (.cfg): the save and restore of the conversion settings.
// Nineteen keys in eight sections, written in a fixed order: "InputFormat",
// "InputFile", "OutputFilter", "OutputFieldSelection", "AvailableFields",
// "SelectedFields", "SelectedTags", "OutputFile". Saving into an existing file
// replaces the values of the keys written and keeps every other line. The restore
// trusts the file: missing keys and non-numbers take each key's default, and lists
// stop at 100 entries (the size of the column table), with a Warning for the fields.
#pragma once
#include <string>

#include "convert/settings.h"

namespace quillon {

// Item counts of the lists whose indexes are stored; a restored index is clamped to
// -1 .. count - 1.
constexpr int kInputFormatItems = 10;
constexpr int kTarrowModeItems = 3;
constexpr int kScanTypeItems = 2;
constexpr int kDelimiterItems = 5;

// False, with message "Unable to write to <path>" and the reason on a second line,
// when the file cannot be written.
bool SaveConfiguration(const Settings& settings, const std::string& path, std::string& message);
// Applies the file's keys to settings, in the order a restore sets the controls.
// False, with a message naming the file and the reason, when it is missing, a folder
// or cannot be read; settings are then untouched. True with a message (a Warning)
// when the file selects more fields than the 100 a conversion takes: the first 100
// are restored.
bool RestoreConfiguration(const std::string& path, Settings& settings, std::string& message);

}  // namespace quillon
