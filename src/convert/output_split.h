// SplitOutputFile: copies a closed output file into part files of at most 60000
// lines each, in a folder named after the output file without its last four
// characters: drive.out gives drive/drive-1.out, drive/drive-2.out, ... Lines are
// copied byte for byte; a line longer than 4095 characters is copied in pieces,
// each counting as a line. The output file itself stays in place. As the end of the
// output is only known once a read fails there, an output whose line count is a
// multiple of 60000 leaves its last part file empty. A stop request is looked for
// before each part file: the parts written so far stay, and the output stays whole.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace quillon {

constexpr long kSplitLines = 60000;

enum class SplitResult { Done, Cancelled, CannotCreateDirectory, OutputNotReadable, PartNotCreated, PartNotWritten };

struct SplitOutcome {
  SplitResult Result = SplitResult::Done;
  std::string Path;     // the folder or file that failed
  int ErrorNumber = 0;  // the system's reason
};

// The folder for an output path (its last four characters removed) and a part name.
std::string SplitFolder(const std::string& outputPath);
std::string SplitPartName(const std::string& folder, int part);
// Whether a path is one of the part files of an output (a part number of one or more
// digits in the output's split folder, through links to that folder too).
bool IsSplitPart(const std::string& path, const std::string& outputPath);
// The files already in an output's split folder that a split could write over.
std::vector<std::string> ExistingSplitParts(const std::string& outputPath);

// Splits the output at `outputPath` (written as `finalPath`, which names the parts)
// into part files in `partsFolder`, which must exist.
SplitOutcome SplitOutputFile(const std::string& outputPath, const std::string& finalPath,
                             const std::string& partsFolder, const std::function<void(int)>& progress,
                             const std::function<bool()>& stopRequested = [] { return false; });

}  // namespace quillon
