// StagedOutput: an output written under a temporary name and put in place only
// when it is complete. The files are written in a new hidden folder beside the
// output ("<folder>/.quillon-XXXXXX"), under the output's own name (and the
// side files a format adds, such as a shapefile's .dbf), and Commit() renames each
// into the output's folder; Discard() (and destruction without Commit) removes the
// folder and leaves every earlier file untouched.
#pragma once
#include <string>

namespace quillon {

class StagedOutput {
 public:
  StagedOutput() = default;
  ~StagedOutput() { Discard(); }
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;

  // False, with the system's reason, when the staging folder cannot be made.
  bool Begin(const std::string& output, std::string& error);
  // Where to write the output while it is staged.
  const std::string& Path() const { return Staged; }
  bool Commit(std::string& error);
  void Discard();

 private:
  std::string Output;
  std::string Folder;  // the staging folder, empty when none
  std::string Staged;
};

}  // namespace quillon
