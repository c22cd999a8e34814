#include "convert/output_split.h"

#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <filesystem>

#include "layers/output_file.h"
#include "reader/input_file.h"
#include "reader/native_file.h"
#include "reader/path_check.h"

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

std::string SplitFolder(const std::string& outputPath) { return DropLastCharacters(outputPath, 4); }

namespace {

// Part files are named with the system's own separator ("\\" on Windows).
constexpr char kSeparator = std::filesystem::path::preferred_separator;

std::string BaseOf(const std::string& folder) {
  const size_t slash = folder.find_last_of(kSeparator == '/' ? "/" : "/\\");
  return slash == std::string::npos ? folder : folder.substr(slash + 1);
}

// "<base>-<n>.out" with n from 1, written without leading zeros.
bool IsPartName(const std::string& name, const std::string& base) {
  const std::string head = base + "-", tail = ".out";
  if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
      name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  const std::string digits = name.substr(head.size(), name.size() - head.size() - tail.size());
  return digits[0] != '0' && digits.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::string SplitPartName(const std::string& folder, int part) {
  return folder + kSeparator + BaseOf(folder) + "-" + std::to_string(part) + ".out";
}

bool IsSplitPart(const std::string& path, const std::string& outputPath) {
  const std::string folder = SplitFolder(outputPath);
  if (folder.empty()) return false;
  const std::filesystem::path candidate = native::PathOf(path);
  const std::string parent = candidate.has_parent_path() ? native::Utf8Of(candidate.parent_path()) : std::string(".");
  return IsPartName(native::Utf8Of(candidate.filename()), BaseOf(folder)) && SameFile(parent, folder);
}

std::vector<std::string> ExistingSplitParts(const std::string& outputPath) {
  std::vector<std::string> parts;
  const std::string folder = SplitFolder(outputPath);
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(native::PathOf(folder), ec)) return parts;
  const std::string base = BaseOf(folder);
  for (std::filesystem::directory_iterator entries(native::PathOf(folder), ec);
       !ec && entries != std::filesystem::directory_iterator(); entries.increment(ec)) {
    const std::string name = native::Utf8Of(entries->path().filename());
    if (IsPartName(name, base)) parts.push_back(folder + kSeparator + name);
  }
  return parts;
}

SplitOutcome SplitOutputFile(const std::string& outputPath, const std::string& finalPath,
                             const std::string& partsFolder, const std::function<void(int)>& progress,
                             const std::function<bool()>& stopRequested) {
  const std::string base = BaseOf(SplitFolder(finalPath));
  PieceReader reader;
  progress(0);
  if (!reader.Open(outputPath)) return {SplitResult::OutputNotReadable, outputPath, errno};
  const uint64_t total = static_cast<uint64_t>(reader.Size());
  uint64_t copied = 0;
  progress(100);
  int shown = 100;
  std::string piece;
  bool endReached = false;
  for (int part = 1; !endReached; ++part) {
    if (stopRequested()) return {SplitResult::Cancelled, {}, 0};
    OutputFile out;
    const std::string name = partsFolder + kSeparator + base + "-" + std::to_string(part) + ".out";
    if (!out.Open(name)) return {SplitResult::PartNotCreated, name, out.ErrorNumber()};
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
    if (!out.Close()) return {SplitResult::PartNotWritten, name, out.ErrorNumber()};
  }
  return {};
}

}  // namespace quillon
