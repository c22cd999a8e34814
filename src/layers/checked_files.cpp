#include "layers/checked_files.h"

#include <cpl_string.h>
#include <cpl_vsi.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <string_view>

#include "layers/output_commit.h"

namespace quillon {

namespace {

constexpr char kPrefix[] = "/vsiquillon/";
// Before a path, a stream into a pipe or a device: it is opened as it is, but is
// said not to exist, so that a driver that will not write over a file writes into it.
constexpr char kStream[] = "stream:";
constexpr size_t kStreamLength = sizeof kStream - 1;

const char* RealName(const char* name) {
  return std::string_view(name).substr(0, kStreamLength) == kStream ? name + kStreamLength : name;
}

std::mutex Lock;
std::map<std::string, int>& Errors() {
  static std::map<std::string, int> errors;
  return errors;
}

std::string FolderOf(const std::string& path) {
  const std::filesystem::path p(path);
  return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

void Record(const std::string& file, int error) {
  std::lock_guard<std::mutex> hold(Lock);
  Errors().emplace(FolderOf(file), error ? error : EIO);  // the first error stays
}

struct Handle {
  std::FILE* File;
  std::string Path;
  bool Written = false;
};

void* Open(void*, const char* name, const char* access) {
  if (RealName(name) != name && access[0] == 'r') {  // a stream is written, never read
    errno = ENOENT;
    return nullptr;
  }
  const bool stream = RealName(name) != name;
  name = RealName(name);
  const int number = stream ? OpenFileNumber(name) : -1;
  std::FILE* file = number >= 0 ? fdopen(::dup(number), "w") : std::fopen(name, access);
  if (!file) return nullptr;
  return new Handle{file, name};
}

vsi_l_offset Tell(void* h) { return static_cast<vsi_l_offset>(ftello(static_cast<Handle*>(h)->File)); }

int Seek(void* h, vsi_l_offset offset, int whence) {
  return fseeko(static_cast<Handle*>(h)->File, static_cast<off_t>(offset), whence);
}

size_t Read(void* h, void* buffer, size_t size, size_t count) {
  return std::fread(buffer, size, count, static_cast<Handle*>(h)->File);
}

int Eof(void* h) { return std::feof(static_cast<Handle*>(h)->File); }

size_t Write(void* h, const void* buffer, size_t size, size_t count) {
  Handle& handle = *static_cast<Handle*>(h);
  handle.Written = true;
  const size_t done = std::fwrite(buffer, size, count, handle.File);
  if (done != count) Record(handle.Path, errno);
  return done;
}

int Flush(void* h) {
  Handle& handle = *static_cast<Handle*>(h);
  if (std::fflush(handle.File) == 0) return 0;
  Record(handle.Path, errno);
  return -1;
}

int Truncate(void* h, vsi_l_offset size) {
  Handle& handle = *static_cast<Handle*>(h);
  if (std::fflush(handle.File) == 0 && ftruncate(fileno(handle.File), static_cast<off_t>(size)) == 0) return 0;
  Record(handle.Path, errno);
  return -1;
}

// A file written is flushed to disk before it is closed: a disk that fills up
// late (delayed allocation, a network file system) says so here. Pipes and
// devices take no flush to disk.
int Close(void* h) {
  Handle* handle = static_cast<Handle*>(h);
  int status = 0;
  if (handle->Written) {
    struct stat st;
    const bool regular = fstat(fileno(handle->File), &st) == 0 && S_ISREG(st.st_mode);
    if (std::fflush(handle->File) != 0 || (regular && fsync(fileno(handle->File)) != 0)) {
      Record(handle->Path, errno);
      status = -1;
    }
  }
  if (std::fclose(handle->File) != 0 && handle->Written) {
    Record(handle->Path, errno);
    status = -1;
  }
  delete handle;
  return status;
}

int Stat(void*, const char* name, VSIStatBufL* buffer, int) {
  if (RealName(name) != name) return -1;
  struct stat st;
  if (::stat(name, &st) != 0) return -1;
  *buffer = VSIStatBufL();
  buffer->st_mode = st.st_mode;
  buffer->st_size = st.st_size;
  buffer->st_mtime = st.st_mtime;
  buffer->st_dev = st.st_dev;
  buffer->st_ino = st.st_ino;
  return 0;
}

int Unlink(void*, const char* name) { return ::unlink(name); }
int Rename(void*, const char* from, const char* to) { return std::rename(from, to); }
int MakeFolder(void*, const char* name, long mode) { return ::mkdir(name, static_cast<mode_t>(mode)); }
int RemoveFolder(void*, const char* name) { return ::rmdir(name); }

char** ReadFolder(void*, const char* name, int most) {
  DIR* folder = ::opendir(name);
  if (!folder) return nullptr;
  CPLStringList names;
  while (const dirent* entry = ::readdir(folder)) {
    names.AddString(entry->d_name);
    if (most > 0 && names.size() >= most) break;
  }
  ::closedir(folder);
  return names.StealList();
}

void Install() {
  VSIFilesystemPluginCallbacksStruct* calls = VSIAllocFilesystemPluginCallbacksStruct();
  calls->open = Open;
  calls->tell = Tell;
  calls->seek = Seek;
  calls->read = Read;
  calls->eof = Eof;
  calls->write = Write;
  calls->flush = Flush;
  calls->truncate = Truncate;
  calls->close = Close;
  calls->stat = Stat;
  calls->unlink = Unlink;
  calls->rename = Rename;
  calls->mkdir = MakeFolder;
  calls->rmdir = RemoveFolder;
  calls->read_dir = ReadFolder;
  VSIInstallPluginHandler(kPrefix, calls);
  VSIFreeFilesystemPluginCallbacksStruct(calls);
}

}  // namespace

std::string CheckedPath(const std::string& path) {
  static std::once_flag installed;
  std::call_once(installed, Install);
  return kPrefix + (IsStreamTarget(path) ? kStream + path : path);
}

std::string WithoutCheckedPrefix(std::string message) {
  for (const std::string_view marker : {std::string_view(kPrefix), std::string_view(kStream)})
    for (size_t at = message.find(marker); at != std::string::npos; at = message.find(marker, at))
      message.erase(at, marker.size());
  return message;
}

int TakeWriteError(const std::string& folder) {
  std::lock_guard<std::mutex> hold(Lock);
  const auto found = Errors().find(FolderOf(folder + "/x"));
  if (found == Errors().end()) return 0;
  const int error = found->second;
  Errors().erase(found);
  return error;
}

}  // namespace quillon
