#include "reader/native_file.h"

#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillon::native {

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

#ifdef _WIN32

namespace {

std::wstring Wide(const std::string& utf8) { return PathOf(utf8).wstring(); }

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_DIRECTORY: return ENOTDIR;
    default: return EIO;
  }
}

}  // namespace

PathInfo Examine(const std::string& path) {
  PathInfo info;
  const std::wstring wide = Wide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    info.Error = ErrnoOf(GetLastError());
    return info;
  }
  // Folders open only with backup semantics; the handle gives the volume and file number.
  HANDLE h = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION file;
    if (GetFileInformationByHandle(h, &file)) {
      info.Device = file.dwVolumeSerialNumber;
      info.Inode = (static_cast<uint64_t>(file.nFileIndexHigh) << 32) | file.nFileIndexLow;
    }
    const DWORD type = GetFileType(h);
    CloseHandle(h);
    if (type == FILE_TYPE_CHAR) return info.Kind = PathKind::Device, info;
    if (type == FILE_TYPE_PIPE) return info.Kind = PathKind::Fifo, info;
  }
  info.Kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::Regular;
  return info;
}

int64_t SizeOf(int fd) {
  struct _stat64 st;
  if (_fstat64(fd, &st) != 0 || !(st.st_mode & _S_IFREG)) return -1;
  return st.st_size;
}

bool IsRegular(int fd) {
  struct _stat64 st;
  return _fstat64(fd, &st) == 0 && (st.st_mode & _S_IFREG);
}

int OpenForReading(const std::string& path) {
  if (Examine(path).Kind == PathKind::Folder) return errno = EISDIR, -1;
  return _wopen(Wide(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

int OpenForWriting(const std::string& path) {
  if (Examine(path).Kind == PathKind::Folder) return errno = EISDIR, -1;
  return _wopen(Wide(path).c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

long long Read(int fd, void* into, size_t bytes) {
  return _read(fd, into, static_cast<unsigned>(bytes > (1u << 30) ? (1u << 30) : bytes));
}

long long Write(int fd, const void* from, size_t bytes) {
  return _write(fd, from, static_cast<unsigned>(bytes > (1u << 30) ? (1u << 30) : bytes));
}

int Close(int fd) { return _close(fd); }

int Empty(int fd) {
  const errno_t error = _chsize_s(fd, 0);
  if (error == 0) return 0;
  errno = error;
  return -1;
}

int Duplicate(int fd) { return _dup(fd); }

int MakeFolder(const std::string& path) {
  if (CreateDirectoryW(Wide(path).c_str(), nullptr)) return 0;
  errno = ErrnoOf(GetLastError());
  return -1;
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

void UseBinaryStandardStreams() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

#else

PathInfo Examine(const std::string& path) {
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

int64_t SizeOf(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

bool IsRegular(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

int OpenForReading(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return fd;
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

int OpenForWriting(const std::string& path) { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666); }

long long Read(int fd, void* into, size_t bytes) { return ::read(fd, into, bytes); }

long long Write(int fd, const void* from, size_t bytes) { return ::write(fd, from, bytes); }

int Close(int fd) { return ::close(fd); }

int Empty(int fd) { return ::ftruncate(fd, 0); }

int Duplicate(int fd) { return ::fcntl(fd, F_DUPFD_CLOEXEC, 0); }

int MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777); }

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

void UseBinaryStandardStreams() {}

#endif

}  // namespace quillon::native
