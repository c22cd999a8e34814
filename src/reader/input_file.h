// InputFile: sequential binary reading of a file through large buffers.
// Open() accepts regular files only, and never waits on a named pipe; sizes and
// positions are 64-bit. Once a caller reads past its second buffer the file is read
// ahead by a second thread: while the caller works through one buffer, the next is
// being filled. One thread reads an InputFile.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillon {

class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return Fd >= 0; }
  int64_t Size() const { return FileSize; }
  // Copies up to n bytes; returns the number copied (short at the end or on error).
  size_t Read(uint8_t* dst, size_t n) {
    if (End - Begin >= n) {
      std::memcpy(dst, Buffer.data() + Begin, n);
      Begin += n;
      return n;
    }
    return ReadSlow(dst, n);
  }
  // The bytes buffered and not yet read, without reading any: at most Buffered() of
  // them from Peek() on, then Skip() past those taken.
  const uint8_t* Peek() const { return Buffer.data() + Begin; }
  size_t Buffered() const { return End - Begin; }
  void Skip(size_t n) { Begin += n; }

  static constexpr size_t kBufferSize = size_t{1} << 20;

 private:
  bool Refill();
  size_t ReadSlow(uint8_t* dst, size_t n);
  // Fills a buffer from the file; the byte count, 0 at the end or on an error.
  size_t ReadChunk(std::vector<uint8_t>& into);
  void ReadAheadLoop();
  void StopReadAhead();

  int Fd = -1;
  int64_t FileSize = 0;
  std::vector<uint8_t> Buffer;
  size_t Begin = 0;
  size_t End = 0;
  size_t Refills = 0;
  bool AheadDone = false;  // the read-ahead met the end: nothing more will come

  // Shared with the read-ahead thread, under Lock.
  std::mutex Lock;
  std::condition_variable Changed;
  std::vector<uint8_t> Ahead;
  size_t AheadSize = 0;
  bool AheadWanted = false;  // the thread is to fill Ahead
  bool AheadReady = false;   // Ahead holds AheadSize bytes
  bool Quit = false;
  std::thread ReadAhead;
};

// Size of a regular file in bytes, or -1 when it cannot be examined.
int64_t FileSizeOf(const std::string& path);

}  // namespace quillon
