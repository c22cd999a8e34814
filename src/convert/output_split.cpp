#include "convert/output_split.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdint>

#include "convert/output_file.h"
#include "reader/input_file.h"

namespace quillon {

namespace {

constexpr size_t kMaxLineCharacters = 4095;

// Reads an output file piece by piece: a piece runs up to and including its line
// end (CR LF counts as one character, as a text-mode read sees it), at most 4095
// characters.
class PieceReader {
 public:
  bool Open(const std::string& path) { return File.Open(path); }
  int64_t Size() const { return File.Size(); }
  // False when the read fails at the end of the file.
  bool Next(std::string& piece) {
    piece.clear();
    size_t characters = 0;
    int c;
    while (characters < kMaxLineCharacters && (c = Get()) >= 0) {
      piece += static_cast<char>(c);
      if (c == '\n') return true;
      if (c == '\r') {
        const int d = Get();
        if (d == '\n') {
          piece += '\n';
          return true;
        }
        Unget(d);
      }
      ++characters;
    }
    return !piece.empty();
  }

 private:
  int Get() {
    if (Pending >= 0) {
      const int c = Pending;
      Pending = -1;
      return c;
    }
    uint8_t byte;
    return File.Read(&byte, 1) == 1 ? byte : -1;
  }
  void Unget(int c) { Pending = c; }

  InputFile File;
  int Pending = -1;
};

}  // namespace

std::string SplitFolder(const std::string& outputPath) {
  return outputPath.size() > 4 ? outputPath.substr(0, outputPath.size() - 4) : std::string();
}

std::string SplitPartName(const std::string& folder, int part) {
  const size_t slash = folder.find_last_of('/');
  const std::string base = slash == std::string::npos ? folder : folder.substr(slash + 1);
  return folder + "/" + base + "-" + std::to_string(part) + ".out";
}

SplitOutcome SplitOutputFile(const std::string& outputPath, const std::function<void(int)>& progress) {
  SplitOutcome outcome;
  const std::string folder = SplitFolder(outputPath);
  struct stat st;
  const bool folderReady = !folder.empty() && (::stat(folder.c_str(), &st) == 0 ? S_ISDIR(st.st_mode)
                                                                              : ::mkdir(folder.c_str(), 0777) == 0);
  if (!folderReady) {
    outcome.Result = SplitResult::CannotCreateDirectory;
    return outcome;
  }
  PieceReader reader;
  progress(0);
  if (!reader.Open(outputPath)) {
    outcome.Result = SplitResult::OutputNotReadable;
    return outcome;
  }
  const uint64_t total = static_cast<uint64_t>(reader.Size());
  uint64_t copied = 0;
  progress(100);
  int shown = 100;
  std::string piece;
  bool endReached = false;
  for (int part = 1; !endReached; ++part) {
    OutputFile out;
    const std::string name = SplitPartName(folder, part);
    if (!out.Open(name)) return {SplitResult::PartNotCreated, name};
    for (long lines = 0; lines < kSplitLines; ++lines) {
      if (!reader.Next(piece)) {
        endReached = true;
        break;
      }
      out.Raw(piece.data(), piece.size());
      copied += piece.size();
      const int percent = total ? static_cast<int>(copied * 100 / total) : 100;
      if (percent != shown) {
        progress(percent);
        shown = percent;
      }
    }
    if (!out.Close()) return {SplitResult::PartNotWritten, name};
  }
  return outcome;
}

}  // namespace quillon
