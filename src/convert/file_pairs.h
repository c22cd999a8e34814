// FilePair and the pairs of a folder run, the one listing the window and the
// command line share. A folder run takes the regular files of the input folder
// whose names match the pattern ('*' any run of characters, '?' one character,
// letter case ignored for A to Z, as on the file systems these logs come from), in
// name order. Each output is named after its input without the input's last four
// characters, followed by the output extension, in the output folder; a single
// file's proposed output is named the same way with ".out".
#pragma once
#include <string>
#include <vector>

namespace quillon {

struct FilePair {
  std::string Input;
  std::string Output;
};

bool MatchesPattern(const std::string& name, const std::string& pattern);

// The input's name (or path) without its last four characters, then extension.
std::string OutputNameFor(const std::string& input, const std::string& extension);

// False, with a message naming the folder and the system's reason, when the input
// folder cannot be read. A folder without matching files gives no pairs.
bool ListFolderPairs(const std::string& inFolder, const std::string& outFolder, const std::string& pattern,
                     const std::string& extension, std::vector<FilePair>& pairs, std::string& message);

}  // namespace quillon
