#include "convert/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillon {

namespace {
constexpr size_t kBufferSize = 1 << 20;
}

OutputFile::~OutputFile() { Close(); }

bool OutputFile::Open(const std::string& path) {
  Close();
  Fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  Error = false;
  Used = 0;
  if (Fd < 0) return false;
  Buffer.resize(kBufferSize);
  return true;
}

void OutputFile::Flush() {
  size_t done = 0;
  while (done < Used && !Error) {
    const ssize_t n = ::write(Fd, Buffer.data() + done, Used - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Error = true;
    else done += static_cast<size_t>(n);
  }
  Used = 0;
}

void OutputFile::RawSlow(const char* data, size_t n) {
  while (n > 0) {
    if (Used == Buffer.size()) Flush();
    const size_t take = std::min(n, Buffer.size() - Used);
    std::memcpy(Buffer.data() + Used, data, take);
    Used += take;
    data += take;
    n -= take;
  }
}

void OutputFile::Text(const char* data, size_t n) {
  for (;;) {
    const char* lf = static_cast<const char*>(std::memchr(data, '\n', n));
    if (!lf) {
      Raw(data, n);
      return;
    }
    Raw(data, static_cast<size_t>(lf - data));
    LineEnd();
    n -= static_cast<size_t>(lf - data) + 1;
    data = lf + 1;
  }
}

bool OutputFile::Close() {
  if (Fd < 0) return !Error;
  Flush();
  if (::close(Fd) != 0) Error = true;
  Fd = -1;
  return !Error;
}

}  // namespace quillon
