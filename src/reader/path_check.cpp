#include "reader/path_check.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "reader/messages.h"
#include "reader/native_file.h"

namespace quillon {

PathInfo ExaminePath(const std::string& path) { return native::Examine(path); }

std::string FileIdentity(const std::string& path) {
  const PathInfo info = ExaminePath(path);
  // Built by appending: g++ 12 warns falsely of an overlap in "#" + std::string.
  std::string identity;
  if (info.Kind != PathKind::Missing) {
    identity = "#";
    identity += std::to_string(info.Device);
    identity += ':';
    identity += std::to_string(info.Inode);
    return identity;
  }
  std::error_code ec;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(native::PathOf(path), ec);
  identity = "/";
  identity += ec ? path : native::Utf8Of(resolved);
  return identity;
}

std::string SystemReason(const std::string& path, int error) { return path + ": " + std::strerror(error); }

std::string SystemReason(const std::string& path, const std::error_code& error) {
  return SystemReason(path, error.default_error_condition().value());
}

std::string ReadProblem(const std::string& path) {
  const PathInfo info = ExaminePath(path);
  switch (info.Kind) {
    case PathKind::Missing: return SystemReason(path, info.Error);
    case PathKind::Folder: return SystemReason(path, EISDIR);
    case PathKind::Regular: break;
    default: return path + ": Not a regular file";
  }
  const int fd = native::OpenForReading(path);
  if (fd < 0) return SystemReason(path, errno);
  native::Close(fd);
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
