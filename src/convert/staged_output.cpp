#include "convert/staged_output.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <filesystem>
#include <system_error>

#include "reader/native_file.h"
#include "reader/path_check.h"

namespace quillon {

namespace fs = std::filesystem;

bool StagedOutput::Begin(const std::string& output, std::string& error) {
  Discard();
  Output = output;
  const fs::path target = native::PathOf(output);
  const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::random_device random;
  std::error_code ec;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, ".quillon-%08x", static_cast<unsigned>(random()));
    const fs::path folder = parent / name;
    if (fs::create_directory(folder, ec)) {
      Folder = native::Utf8Of(folder);
      Staged = native::Utf8Of(folder / target.filename());
      return true;
    }
    if (ec) break;  // not a name taken, a folder that cannot be written
  }
  error = ec ? SystemReason(output, ec) : SystemReason(output, EEXIST);
  return false;
}

bool StagedOutput::Commit(std::string& error) {
  if (Folder.empty()) return true;
  const fs::path output = native::PathOf(Output);
  const fs::path destination = output.has_parent_path() ? output.parent_path() : fs::path(".");
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(native::PathOf(Folder), ec)) {
    const fs::path to = destination / entry.path().filename();
    fs::rename(entry.path(), to, ec);
    if (ec) {
      error = SystemReason(native::Utf8Of(to), ec);
      return false;
    }
  }
  Discard();
  return true;
}

void StagedOutput::Discard() {
  if (Folder.empty()) return;
  std::error_code ec;
  fs::remove_all(native::PathOf(Folder), ec);
  Folder.clear();
  Staged.clear();
}

}  // namespace quillon
