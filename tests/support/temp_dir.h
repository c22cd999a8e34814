// Test helpers: a temporary folder removed at the end of a test, file contents,
// and a log written from a LogWriter.
#pragma once
#include <string>

#include "klf-synth/log_writer.h"

namespace quillon::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& Path() const { return Root; }
  std::string File(const std::string& name) const { return Root + "/" + name; }

 private:
  std::string Root;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// Writes the log and returns its path.
std::string WriteLog(const TempDir& dir, const std::string& name, const klf::LogWriter& log, long long dataLength = -1);

}  // namespace quillon::testing
