// Path checks shared by the runs and the configuration file: what a path names
// (a regular file, a folder, a named pipe, a device), whether two paths name the
// same file (by device and inode, so through hard and symbolic links), and the
// texts that tell the user why a file cannot be used. A reason is written as
// "<path>: <the system's reason>", the second line under a message's first line.
#pragma once
#include <cstdint>
#include <string>
#include <system_error>

namespace quillon {

enum class PathKind { Missing, Regular, Folder, Fifo, Device, Other };

struct PathInfo {
  PathKind Kind = PathKind::Missing;
  int Error = 0;  // the system's error number when Missing
  uint64_t Device = 0;
  uint64_t Inode = 0;
};

// Follows symbolic links.
PathInfo ExaminePath(const std::string& path);

// A text that is equal for two paths exactly when they name the same file: the
// device and inode of a file that exists, else the path with "." and ".." and the
// links of its existing part resolved.
std::string FileIdentity(const std::string& path);
inline bool SameFile(const std::string& a, const std::string& b) { return FileIdentity(a) == FileIdentity(b); }

// "<path>: <reason>" for a system error number.
std::string SystemReason(const std::string& path, int error);
// The same for an error of std::filesystem, by the errno it stands for (on Windows
// its own codes are the system's, not errno values).
std::string SystemReason(const std::string& path, const std::error_code& error);

// Why a file cannot be read: empty when it is a regular file that opens for
// reading, else "<path>: <reason>".
std::string ReadProblem(const std::string& path);

// Why a file cannot be read as a log: empty when it can be opened for reading.
// A missing or unreadable file gives "Input File Does Not Exist!" with the reason
// on a second line; a folder, a named pipe or a device says what it is.
std::string InputProblem(const std::string& path);

// The text of a name without its last n characters (UTF-8 sequences count as one).
std::string DropLastCharacters(const std::string& text, size_t n);

}  // namespace quillon
