#include "reader/input_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "reader/native_file.h"

namespace quillon {

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::string& path) {
  Close();
  // Opened without blocking, so that a named pipe without a writer is refused at
  // once instead of holding the caller; regular files never block anyway.
  const int fd = native::OpenForReading(path);
  if (fd < 0) return false;
  const int64_t size = native::SizeOf(fd);
  if (size < 0) {
    const int error = ExaminePath(path).Kind == PathKind::Folder ? EISDIR : EINVAL;
    native::Close(fd);
    errno = error;
    return false;
  }
  Fd = fd;
  FileSize = size;
  Buffer.resize(kBufferSize);
  Begin = End = 0;
  Refills = 0;
  AheadDone = false;
  return true;
}

void InputFile::StopReadAhead() {
  if (!ReadAhead.joinable()) return;
  {
    std::lock_guard<std::mutex> hold(Lock);
    Quit = true;
    Changed.notify_all();
  }
  ReadAhead.join();
  AheadWanted = AheadReady = Quit = false;
}

void InputFile::Close() {
  StopReadAhead();
  if (Fd >= 0) native::Close(Fd);
  Fd = -1;
  FileSize = 0;
  Begin = End = 0;
}

size_t InputFile::ReadChunk(std::vector<uint8_t>& into) {
  size_t got = 0;
  while (got < into.size()) {
    const long long n = native::Read(Fd, into.data() + got, into.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
    break;  // a short read is taken as it is; the next refill reads on
  }
  return got;
}

void InputFile::ReadAheadLoop() {
  std::unique_lock<std::mutex> hold(Lock);
  for (;;) {
    Changed.wait(hold, [this] { return AheadWanted || Quit; });
    if (Quit) return;
    AheadWanted = false;
    hold.unlock();
    const size_t got = ReadChunk(Ahead);
    hold.lock();
    AheadSize = got;
    AheadReady = true;
    Changed.notify_all();
  }
}

// The first two buffers are read here (a caller that reads only the start of a file
// never starts a thread); from the third on, the read-ahead thread has been
// filling the next one meanwhile.
bool InputFile::Refill() {
  Begin = End = 0;
  if (Fd < 0) return false;
  ++Refills;
  if (!ReadAhead.joinable()) {
    End = ReadChunk(Buffer);
    if (Refills == 2 && End > 0) {
      Ahead.resize(kBufferSize);
      AheadWanted = true;
      AheadReady = false;
      ReadAhead = std::thread(&InputFile::ReadAheadLoop, this);
    }
    return End > 0;
  }
  if (AheadDone) return false;
  std::unique_lock<std::mutex> hold(Lock);
  Changed.wait(hold, [this] { return AheadReady; });
  Buffer.swap(Ahead);
  End = AheadSize;
  AheadReady = false;
  AheadWanted = End > 0;
  AheadDone = End == 0;
  Changed.notify_all();
  return End > 0;
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
  if (ExaminePath(path).Kind != PathKind::Regular) return -1;
  std::error_code ec;
  const auto size = std::filesystem::file_size(native::PathOf(path), ec);
  return ec ? -1 : static_cast<int64_t>(size);
}

}  // namespace quillon
