#include "convert/staged_output.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <filesystem>
#include <system_error>

#include "reader/path_check.h"

namespace quillon {

namespace fs = std::filesystem;

bool StagedOutput::Begin(const std::string& output, std::string& error) {
  Discard();
  Output = output;
  const fs::path target(output);
  const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::random_device random;
  std::error_code ec;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, ".quillon-%08x", static_cast<unsigned>(random()));
    const fs::path folder = parent / name;
    if (fs::create_directory(folder, ec)) {
      Folder = folder.string();
      Staged = (folder / target.filename()).string();
      return true;
    }
    if (ec) break;  // not a name taken, a folder that cannot be written
  }
  error = SystemReason(output, ec ? ec.value() : EEXIST);
  return false;
}

bool StagedOutput::Commit(std::string& error) {
  if (Folder.empty()) return true;
  const fs::path destination = fs::path(Output).has_parent_path() ? fs::path(Output).parent_path() : fs::path(".");
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(Folder, ec)) {
    const fs::path to = destination / entry.path().filename();
    fs::rename(entry.path(), to, ec);
    if (ec) {
      error = SystemReason(to.string(), ec.value());
      return false;
    }
  }
  Discard();
  return true;
}

void StagedOutput::Discard() {
  if (Folder.empty()) return;
  std::error_code ec;
  fs::remove_all(Folder, ec);
  Folder.clear();
  Staged.clear();
}

}  // namespace quillon
