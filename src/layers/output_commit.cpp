#include "layers/output_commit.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "reader/messages.h"
#include "reader/native_file.h"

namespace quillon {

namespace fs = std::filesystem;

namespace {

// "d0", "p1": the staging folder's own folders (appended, not prefixed: g++ 12 warns
// of a literal before a string where there is no fault).
std::string Numbered(const char* kind, size_t n) { return std::string(kind).append(std::to_string(n)); }

fs::path FolderOf(const std::string& path) {
  const fs::path p = native::PathOf(path);
  return p.has_parent_path() ? p.parent_path() : fs::path(".");
}

// Whether anything is at a path, a dangling symbolic link included.
bool Occupied(const fs::path& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

// The name of one of the process's open files (/dev/stdout, /dev/fd/1,
// /proc/self/fd/1, or a link to one): its number, -2 for another process's, or -1.
int OpenFileNumberOf(const std::string& path) {
  fs::path p = native::PathOf(path);
  for (int hop = 0; hop < 8; ++hop) {
    const std::string text = native::Utf8Of(p.lexically_normal());
    const std::pair<const char*, int> named[] = {{"/dev/stdin", 0}, {"/dev/stdout", 1}, {"/dev/stderr", 2}};
    for (const auto& [name, number] : named)
      if (text == name) return number;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/"}) {
      const size_t length = std::strlen(prefix);
      if (text.compare(0, length, prefix) == 0 && text.size() > length &&
          text.find_first_not_of("0123456789", length) == std::string::npos)
        return std::atoi(text.c_str() + length);
    }
    if (text.rfind("/proc/", 0) == 0 && text.find("/fd/") != std::string::npos) return -2;
    std::error_code ec;
    if (!fs::is_symlink(p, ec)) return -1;
    const fs::path target = fs::read_symlink(p, ec);
    if (ec) return -1;
    p = target.is_absolute() ? target : p.parent_path() / target;
  }
  return -1;
}

bool IsOpenFileName(const std::string& path) { return OpenFileNumberOf(path) != -1; }

// The formats whose library writes a folder of layers where the name lacks the
// format's extension.
bool MakesFolderWithoutExtension(OutputFormat format) {
  return format == OutputFormat::Shapefile || format == OutputFormat::FlatGeobuf ||
         format == OutputFormat::MapInfoTab || format == OutputFormat::MapInfoMif;
}

// Where a file at `path` is written: a symbolic link's target, so that the link
// stays and the file it names is replaced.
std::string Resolved(const std::string& path) {
  std::error_code ec;
  const fs::path p = native::PathOf(path);
  if (!fs::is_symlink(p, ec)) return path;
  const fs::path target = fs::weakly_canonical(p, ec);
  return ec ? path : native::Utf8Of(target);
}

const char* KindText(PathKind kind) {
  switch (kind) {
    case PathKind::Fifo: return "a named pipe (FIFO)";
    case PathKind::Device: return "a device";
    case PathKind::Folder: return "a folder";
    default: return "not a regular file";
  }
}

}  // namespace

bool IsStreamFormat(OutputFormat format) {
  return format == OutputFormat::Delimited || format == OutputFormat::GeoJson || format == OutputFormat::Kml;
}

int OpenFileNumber(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return -1;
#else
  return std::max(OpenFileNumberOf(path), -1);
#endif
}

bool IsStreamTarget(const std::string& path) {
  const PathKind kind = ExaminePath(path).Kind;
  return kind == PathKind::Fifo || kind == PathKind::Device || kind == PathKind::Other || IsOpenFileName(path);
}

std::string OutputTargetProblem(const std::string& path, OutputFormat format, bool main) {
  const PathKind kind = ExaminePath(path).Kind;
  if (IsOpenFileName(path) && kind != PathKind::Folder) {
    if (main && IsStreamFormat(format)) return {};
    return path + " is a standard stream" +
           (main ? std::string(": ") + InfoOf(format).Title + " is written into a regular file."
                 : std::string(", where the output writes a file of its own."));
  }
  if (main && MakesFolderWithoutExtension(format)) {
    const std::string ext = InfoOf(format).Extension;
    std::string tail = path.size() >= ext.size() ? path.substr(path.size() - ext.size()) : "";
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (tail != ext) return path + " does not end in " + ext + ": " + InfoOf(format).Title + " files are named so.";
  }
  if (kind == PathKind::Missing || kind == PathKind::Regular) return {};
  if (kind == PathKind::Folder)
    return std::string(messages::kOutputFileCannotBeAccessed) + "\n" + SystemReason(path, EISDIR);
  if (main && IsStreamFormat(format)) return {};
  if (main)
    return path + " is " + KindText(kind) + ": " + InfoOf(format).Title + " is written into a regular file.";
  return path + " is " + KindText(kind) + ", where the output writes a file of its own.";
}

void OutputCommit::Dataset(const std::string& path, OutputFormat format) {
  bool main = true;
  const bool stream = IsStreamTarget(path);
  for (const std::string& file : DatasetFiles(stream ? path : Resolved(path), format)) {
    Member m;
    m.Final = file;
    m.Dataset = path;
    m.Main = main;
    m.Format = format;
    m.Stream = main && stream && IsStreamFormat(format);
    Members.push_back(std::move(m));
    main = false;
  }
}

void OutputCommit::Parts(const std::string& folder, std::vector<std::string> earlier) {
  PartFolders.push_back(folder);
  EarlierParts.push_back(std::move(earlier));
}

std::vector<OutputCommit::PlannedPath> OutputCommit::Paths() const {
  std::vector<PlannedPath> paths;
  for (const Member& m : Members) paths.push_back({m.Final, m.Dataset, m.Main, m.Format});
  for (size_t i = 0; i < PartFolders.size(); ++i)
    for (const std::string& part : EarlierParts[i]) paths.push_back({part, PartFolders[i], false, OutputFormat::Delimited});
  return paths;
}

bool OutputCommit::MakeFolder(std::string& error) {
  if (!Folder.empty()) return true;
  const std::string first = Members.empty() ? PartFolders.front() : Members.front().Final;
  const fs::path parent = FolderOf(first);
  std::random_device random;
  std::error_code ec;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, ".quillon-%08x", static_cast<unsigned>(random()));
    const fs::path folder = parent / name;
    if (fs::create_directory(folder, ec)) {
      Folder = native::Utf8Of(folder);
      Replaced = native::Utf8Of(folder / "replaced");
      if (fs::create_directory(native::PathOf(Replaced), ec)) return true;
      Discard();
      break;
    }
    if (ec) break;  // not a name taken, a folder that cannot be written
  }
  error = std::string(messages::kOutputFileCannotBeAccessed) + "\n" +
          (ec ? SystemReason(first, ec) : SystemReason(first, EEXIST));
  return false;
}

// Each dataset has a folder of its own in the staging folder (its files keep their
// names: a library finds side files by name), each parts folder too.
std::string OutputCommit::StagedName(const Member& member) const {
  size_t dataset = 0;  // the number of datasets planned before the member's own
  for (size_t i = 1; i < Members.size() && &Members[i] <= &member; ++i)
    if (Members[i].Main) ++dataset;
  return native::Utf8Of(native::PathOf(Folder) / Numbered("d", dataset) /
                        native::PathOf(member.Final).filename());
}

bool OutputCommit::StagedPath(const std::string& path, std::string& staged, std::string& error) {
  for (size_t i = 0; i < PartFolders.size(); ++i) {
    const fs::path folder = native::PathOf(PartFolders[i]);
    if (FolderOf(path) != folder) continue;
    if (!MakeFolder(error)) return false;
    const fs::path into = native::PathOf(Folder) / Numbered("p", i);
    std::error_code ec;
    fs::create_directories(into, ec);
    staged = native::Utf8Of(into / native::PathOf(path).filename());
    return true;
  }
  for (const Member& m : Members) {
    if (m.Final != path && !(m.Main && m.Dataset == path)) continue;
    if (m.Stream) {
      staged = path;
      return true;
    }
    if (!MakeFolder(error)) return false;
    staged = StagedName(m);
    std::error_code ec;
    fs::create_directories(native::PathOf(staged).parent_path(), ec);
    if (!ec) return true;
    error = std::string(messages::kOutputFileCannotBeAccessed) + "\n" + SystemReason(path, ec);
    return false;
  }
  error = std::string(messages::kOutputFileCannotBeAccessed) + "\n" + path + ": not planned for this output";
  return false;
}

// The earlier dataset is copied whole, its side files too: a GeoPackage's write-ahead
// log holds changes (of a GIS that has it open) not yet in the file itself.
bool OutputCommit::StartFromEarlier(const std::string& path, std::string& error) {
  std::string staged;
  if (!StagedPath(path, staged, error)) return false;
  if (!Occupied(native::PathOf(path))) return true;
  for (const Member& m : Members) {
    if (m.Dataset != path || m.Stream || !Occupied(native::PathOf(m.Final))) continue;
    std::error_code ec;
    fs::copy_file(native::PathOf(m.Final), native::PathOf(StagedName(m)), fs::copy_options::overwrite_existing, ec);
    if (ec) {
      error = std::string(messages::kOutputFileCannotBeAccessed) + "\n" + SystemReason(m.Final, ec);
      return false;
    }
  }
  return true;
}

bool OutputCommit::Move(const std::string& from, const std::string& to, std::string& error) {
  std::error_code ec;
  fs::rename(native::PathOf(from), native::PathOf(to), ec);
  if (ec) {
    error = messages::kUnableToWriteTo + Unstaged(to) + "\n" + SystemReason(Unstaged(to), ec);
    return false;
  }
  Done.emplace_back(from, to);
  return true;
}

void OutputCommit::Undo() {
  std::error_code ec;
  for (auto move = Done.rbegin(); move != Done.rend(); ++move)
    fs::rename(native::PathOf(move->second), native::PathOf(move->first), ec);
  Done.clear();
  for (auto folder = FoldersMade.rbegin(); folder != FoldersMade.rend(); ++folder)
    fs::remove(native::PathOf(*folder), ec);
  FoldersMade.clear();
}

bool OutputCommit::Commit(std::string& error) {
  if (Folder.empty()) return true;  // nothing staged (streams only)
  // What goes where: each staged file to its path, and each earlier file at a path
  // of the commit out of the way first.
  std::vector<std::pair<std::string, std::string>> installs;  // staged, final
  std::vector<std::string> earlier;
  // Every dataset planned was written: its own file is there (with contents, but
  // for delimited text, which may be empty), or nothing is put in place.
  for (const Member& m : Members) {
    if (!m.Main || m.Stream) continue;
    std::error_code ec;
    const fs::path staged = native::PathOf(StagedName(m));
    const bool there = fs::is_regular_file(staged, ec);
    if (!there || (m.Format != OutputFormat::Delimited && fs::file_size(staged, ec) == 0)) {
      error = messages::kUnableToWriteTo + m.Final + "\n" + m.Final + ": the file was not written";
      return false;
    }
  }
  // A dataset whose own file was written replaces every file of the dataset there.
  bool datasetWritten = false;
  for (const Member& m : Members) {
    if (m.Stream) {
      datasetWritten = false;
      continue;
    }
    const std::string staged = StagedName(m);
    const bool written = Occupied(native::PathOf(staged));
    if (m.Main) datasetWritten = written;
    if (!datasetWritten) continue;
    if (Occupied(native::PathOf(m.Final))) earlier.push_back(m.Final);
    if (written) installs.emplace_back(staged, m.Final);
  }
  std::vector<std::string> partFolders;  // those that took part files, to be made when missing
  for (size_t i = 0; i < PartFolders.size(); ++i) {
    const fs::path staged = native::PathOf(Folder) / Numbered("p", i);
    std::error_code ec;
    if (!fs::is_directory(staged, ec)) continue;
    partFolders.push_back(PartFolders[i]);
    for (const auto& entry : fs::directory_iterator(staged, ec))
      installs.emplace_back(native::Utf8Of(entry.path()),
                            native::Utf8Of(native::PathOf(PartFolders[i]) / entry.path().filename()));
    for (const std::string& part : EarlierParts[i])
      if (Occupied(native::PathOf(part))) earlier.push_back(part);
  }
  Done.clear();
  FoldersMade.clear();
  for (const std::string& folder : partFolders) {
    std::error_code ec;
    if (fs::is_directory(native::PathOf(folder), ec)) continue;
    if (!fs::create_directory(native::PathOf(folder), ec)) {
      error = std::string(messages::kCannotCreateDirectory).append("\n").append(SystemReason(folder, ec));
      Undo();
      return false;
    }
    FoldersMade.push_back(folder);
  }
  for (const std::string& file : earlier) {
    const std::string aside = native::Utf8Of(native::PathOf(Replaced) / std::to_string(ReplacedCount++));
    if (!Move(file, aside, error)) return Undo(), false;
  }
  for (const auto& [staged, final] : installs)
    if (!Move(staged, final, error)) return Undo(), false;
  Done.clear();
  FoldersMade.clear();
  Discard();
  return true;
}

void OutputCommit::Discard() {
  if (Folder.empty()) return;
  std::error_code ec;
  fs::remove_all(native::PathOf(Folder), ec);
  Folder.clear();
}

std::string OutputCommit::Unstaged(std::string text) const {
  if (Folder.empty()) return text;
  auto replace = [&text](const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
  };
  for (const Member& m : Members) {
    if (m.Stream) continue;
    replace(StagedName(m), m.Final);
  }
  for (size_t i = 0; i < PartFolders.size(); ++i)
    replace(native::Utf8Of(native::PathOf(Folder) / Numbered("p", i)), PartFolders[i]);
  return text;
}

}  // namespace quillon
