#include "layers/output_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "reader/native_file.h"

namespace quillon {

namespace {
// A buffer is handed off once it holds kHandOffSize; the rest takes the row that
// crossed the mark without growing.
constexpr size_t kFillingCapacity = OutputFile::kHandOffSize + 64 * 1024;
}  // namespace

OutputFile::~OutputFile() { Close(); }

// An existing file is emptied by the writer thread, which starts at once for it:
// emptying frees the old file's pages, a cost that grows with the old file, and
// formatting goes on meanwhile.
bool OutputFile::Open(const std::string& path) {
  Close();
  Fd = native::OpenForWriting(path);
  Error = false;
  SystemError = Fd < 0 ? errno : 0;
  Filling.clear();
  Written = 0;
  if (Fd < 0) return false;
  TruncatePending = native::SizeOf(Fd) > 0;  // devices and pipes are written as they are
  Replacing = TruncatePending;
  Filling.Reserve(kFillingCapacity);
  if (TruncatePending) StartWriter();
  return true;
}

void OutputFile::StartWriter() {
  if (Writer.joinable()) return;
  Quit = false;
  Writer = std::thread(&OutputFile::WriterLoop, this);
}

void OutputFile::WriteAll(const TextBuffer& text) {
  if (TruncatePending) {
    TruncatePending = false;
    if (native::Empty(Fd) != 0) {
      Fail(errno);
      return;
    }
  }
  size_t done = 0;
  while (done < text.size()) {
    const long long n = native::Write(Fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Fail(n < 0 ? errno : ENOSPC);
      return;
    }
    done += static_cast<size_t>(n);
  }
  // A file emptied and written again is flushed as a whole when it is closed (the
  // file system protects the old contents that way): its disk writes are started
  // piece by piece here instead. A new file is left to the system's write-back.
  if (done > 0 && Replacing) native::StartWriteBack(Fd, static_cast<int64_t>(Written), static_cast<int64_t>(done));
  Written += done;
}

void OutputFile::Fail(int error) {
  std::lock_guard<std::mutex> hold(Lock);
  if (!Error) SystemError = error;
  Error = true;
}

void OutputFile::WriterLoop() {
  static const TextBuffer kNothing;
  {
    std::lock_guard<std::mutex> hold(Lock);
    Writing = true;
  }
  WriteAll(kNothing);  // empties a replaced file before anything else
  std::unique_lock<std::mutex> hold(Lock);
  Writing = false;
  Changed.notify_all();
  for (;;) {
    Changed.wait(hold, [this] { return !Queue.empty() || Quit; });
    if (Queue.empty()) return;
    TextBuffer text = std::move(Queue.front());
    Queue.pop_front();
    Writing = true;
    const bool failed = Error;
    hold.unlock();
    if (!failed) WriteAll(text);  // after a failure the rest is not attempted
    text.clear();
    hold.lock();
    Spare.push_back(std::move(text));  // reused: no fresh pages to fault in
    Writing = false;
    Changed.notify_all();
  }
}

// Queues the full buffer for the writer thread (started on the first hand-off, so
// small outputs never start one) and goes on filling a spare one.
void OutputFile::HandOff() {
  if (Fd < 0) {
    Filling.clear();
    return;
  }
  std::unique_lock<std::mutex> hold(Lock);
  StartWriter();
  Changed.wait(hold, [this] { return Queue.size() < kMaxQueued; });
  Queue.push_back(std::move(Filling));
  if (Spare.empty()) {
    Filling = TextBuffer();
  } else {
    Filling = std::move(Spare.back());
    Spare.pop_back();
  }
  Changed.notify_all();
  hold.unlock();
  Filling.clear();
  Filling.Reserve(kFillingCapacity);
}

void OutputFile::StopWriter() {
  if (!Writer.joinable()) return;
  {
    std::unique_lock<std::mutex> hold(Lock);
    Changed.wait(hold, [this] { return Queue.empty() && !Writing; });
    Quit = true;
    Changed.notify_all();
  }
  Writer.join();
  Spare.clear();
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

bool OutputFile::Failed() {
  std::lock_guard<std::mutex> hold(Lock);
  return Error;
}

bool OutputFile::Close() {
  StopWriter();
  if (Fd < 0) return !Error;
  if (!Error) WriteAll(Filling);  // also empties a replaced file that no hand-off reached
  Filling.clear();
  if (native::Close(Fd) != 0 && !Error) {
    Error = true;
    SystemError = errno;
  }
  Fd = -1;
  return !Error;
}

}  // namespace quillon
