#include "reader/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillon {

namespace {
constexpr size_t kBufferSize = 1 << 20;
}

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::string& path) {
  Close();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  Fd = fd;
  FileSize = st.st_size;
  Buffer.resize(kBufferSize);
  Begin = End = 0;
  return true;
}

void InputFile::Close() {
  if (Fd >= 0) ::close(Fd);
  Fd = -1;
  FileSize = 0;
  Begin = End = 0;
}

bool InputFile::Refill() {
  Begin = End = 0;
  if (Fd < 0) return false;
  for (;;) {
    const ssize_t got = ::read(Fd, Buffer.data(), Buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    End = static_cast<size_t>(got);
    return true;
  }
}

size_t InputFile::ReadSlow(uint8_t* dst, size_t n) {
  size_t done = 0;
  while (done < n) {
    if (Begin == End && !Refill()) break;
    const size_t take = std::min(n - done, End - Begin);
    std::memcpy(dst + done, Buffer.data() + Begin, take);
    Begin += take;
    done += take;
  }
  return done;
}

int64_t FileSizeOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

}  // namespace quillon
