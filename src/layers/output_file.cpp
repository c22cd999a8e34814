#include "layers/output_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "layers/output_commit.h"
#include "reader/native_file.h"

namespace quillon {

namespace {
// A buffer is handed off once it holds kHandOffSize; the rest takes the row that
// crossed the mark without growing.
constexpr size_t kFillingCapacity = OutputFile::kHandOffSize + 64 * 1024;
}  // namespace

OutputFile::~OutputFile() { Close(); }

// The run writes a new file (its staging folder's) or a stream; a name of one of
// the program's open files (/dev/stdout) is written through that file, so that it
// goes on where the shell left it (appending, say) instead of starting over.
bool OutputFile::Open(const std::string& path) {
  Close();
  const int number = OpenFileNumber(path);
  Fd = number >= 0 ? native::Duplicate(number) : native::OpenForWriting(path);
  Error = false;
  SystemError = Fd < 0 ? errno : 0;
  Filling.clear();
  if (Fd < 0) return false;
  // A regular file that has contents is emptied first (pipes and devices are
  // written as they are, the standard output where it stands).
  if (number < 0 && native::SizeOf(Fd) > 0 && native::Empty(Fd) != 0) {
    SystemError = errno;
    native::Close(Fd);
    Fd = -1;
    return false;
  }
  Filling.Reserve(kFillingCapacity);
  return true;
}

void OutputFile::StartWriter() {
  if (Writer.joinable()) return;
  Quit = false;
  Writer = std::thread(&OutputFile::WriterLoop, this);
}

void OutputFile::WriteAll(const TextBuffer& text) {
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
}

void OutputFile::Fail(int error) {
  std::lock_guard<std::mutex> hold(Lock);
  if (!Error) SystemError = error;
  Error = true;
}

void OutputFile::WriterLoop() {
  std::unique_lock<std::mutex> hold(Lock);
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
  if (!Error) WriteAll(Filling);
  Filling.clear();
  if (native::Close(Fd) != 0 && !Error) {
    Error = true;
    SystemError = errno;
  }
  Fd = -1;
  return !Error;
}

}  // namespace quillon
