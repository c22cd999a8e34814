#include "reader/path_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "reader/messages.h"

namespace quillon {

PathInfo ExaminePath(const std::string& path) {
  PathInfo info;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    info.Error = errno;
    return info;
  }
  info.Device = static_cast<uint64_t>(st.st_dev);
  info.Inode = static_cast<uint64_t>(st.st_ino);
  if (S_ISREG(st.st_mode)) info.Kind = PathKind::Regular;
  else if (S_ISDIR(st.st_mode)) info.Kind = PathKind::Folder;
  else if (S_ISFIFO(st.st_mode)) info.Kind = PathKind::Fifo;
  else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) info.Kind = PathKind::Device;
  else info.Kind = PathKind::Other;
  return info;
}

std::string FileIdentity(const std::string& path) {
  const PathInfo info = ExaminePath(path);
  if (info.Kind != PathKind::Missing) return "#" + std::to_string(info.Device) + ":" + std::to_string(info.Inode);
  std::error_code ec;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
  return "/" + (ec ? path : resolved.string());
}

std::string SystemReason(const std::string& path, int error) { return path + ": " + std::strerror(error); }

std::string ReadProblem(const std::string& path) {
  const PathInfo info = ExaminePath(path);
  switch (info.Kind) {
    case PathKind::Missing: return SystemReason(path, info.Error);
    case PathKind::Folder: return SystemReason(path, EISDIR);
    case PathKind::Regular: break;
    default: return path + ": Not a regular file";
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return SystemReason(path, errno);
  ::close(fd);
  return {};
}

std::string InputProblem(const std::string& path) {
  switch (ExaminePath(path).Kind) {
    case PathKind::Folder: return path + " is a folder, not a log file.";
    case PathKind::Fifo: return path + " is a named pipe (FIFO), not a log file.";
    case PathKind::Device: return path + " is a device, not a log file.";
    case PathKind::Other: return path + " is not a regular file.";
    default: break;
  }
  const std::string reason = ReadProblem(path);
  return reason.empty() ? reason : messages::kInputFileDoesNotExist + ("\n" + reason);
}

std::string DropLastCharacters(const std::string& text, size_t n) {
  size_t end = text.size();
  for (size_t dropped = 0; dropped < n && end > 0; ++dropped) {
    --end;
    // Step back over the continuation bytes of a UTF-8 sequence.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  }
  return text.substr(0, end);
}

}  // namespace quillon
