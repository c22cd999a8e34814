// OutputFile: a delimited text output written through large buffers.
// Text is appended to Pending(): by Raw(), Char(), LineEnd(), Text() (which stores
// every line feed as CR LF) or by a renderer appending straight into it, followed
// by Appended(). Once a buffer holds a megabyte it is queued for a writer thread
// and filling goes on in another, so formatting and the writes overlap; at most
// kMaxQueued buffers wait, so memory stays bounded whatever the file size. A write
// error is remembered, and Close() reports whether every byte reached the file.
// One thread fills an OutputFile; the writer thread only ever writes.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "reader/text_buffer.h"

namespace quillon {

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file (a run's files are new ones, in its staging folder) or opens a
  // stream (a pipe, a device, /dev/stdout); false when it cannot be opened.
  bool Open(const std::string& path);
  bool IsOpen() const { return Fd >= 0; }

  // The text waiting to be written; append to it, then call Appended().
  TextBuffer& Pending() { return Filling; }
  void Appended() {
    if (Filling.size() >= kHandOffSize) HandOff();
  }

  void Raw(const char* data, size_t n) {
    Filling.append(data, n);
    Appended();
  }
  void Text(const char* data, size_t n);
  void Text(const std::string& s) { Text(s.data(), s.size()); }
  void Char(char c) {
    Filling.push_back(c);
    Appended();
  }
  void LineEnd() { Raw("\r\n", 2); }
  // True once a write has failed (a failure in the writer thread shows by Close() at the latest).
  bool Failed();
  // Writes what is left, waits for the writer and closes; false when any write failed.
  bool Close();
  // The system's error number of the failed open or write (after Open() or Close()).
  int ErrorNumber() const { return SystemError; }

  static constexpr size_t kHandOffSize = size_t{1} << 20;
  static constexpr size_t kMaxQueued = 64;

 private:
  void StartWriter();
  void HandOff();
  void WriterLoop();
  void WriteAll(const TextBuffer& text);
  void StopWriter();
  void Fail(int error);

  int Fd = -1;
  TextBuffer Filling;
  // Shared with the writer thread, under Lock.
  std::mutex Lock;
  std::condition_variable Changed;
  std::deque<TextBuffer> Queue;
  std::vector<TextBuffer> Spare;
  bool Writing = false;
  bool Quit = false;
  bool Error = false;
  int SystemError = 0;
  std::thread Writer;
};

}  // namespace quillon
