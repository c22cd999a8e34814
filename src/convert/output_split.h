// SplitOutputFile: copies a closed output file into part files of at most 60000
// lines each, in a folder named after the output file without its last four
// characters: drive.out gives drive/drive-1.out, drive/drive-2.out, ... Lines are
// copied byte for byte; a line longer than 4095 characters is copied in pieces,
// each counting as a line. The output file itself stays in place. As the end of the
// output is only known once a read fails there, an output whose line count is a
// multiple of 60000 leaves its last part file empty.
#pragma once
#include <functional>
#include <string>

namespace quillon {

constexpr long kSplitLines = 60000;

enum class SplitResult { Done, CannotCreateDirectory, OutputNotReadable, PartNotCreated, PartNotWritten };

struct SplitOutcome {
  SplitResult Result = SplitResult::Done;
  std::string PartName;  // the part file that failed
};

// The folder for an output path (its last four characters removed) and a part name.
std::string SplitFolder(const std::string& outputPath);
std::string SplitPartName(const std::string& folder, int part);

SplitOutcome SplitOutputFile(const std::string& outputPath, const std::function<void(int)>& progress);

}  // namespace quillon
