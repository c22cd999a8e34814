// native: the few system calls on files that the engine and the command line make,
// behind one interface for POSIX and Windows. Paths are UTF-8 text everywhere in
// the program; on Windows they become UTF-16 at the system's own calls, so names
// in any script work. Files are always binary (no newline translation). Each call
// that fails returns -1 (or false) with the reason in errno.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "reader/path_check.h"

namespace quillon::native {

// A std::filesystem path of UTF-8 text, and the UTF-8 text of a path.
std::filesystem::path PathOf(const std::string& utf8);
std::string Utf8Of(const std::filesystem::path& path);

// What a path names (links followed): its kind, size, and the volume and file
// number that are equal exactly for the same file (device and inode on POSIX).
PathInfo Examine(const std::string& path);
int64_t SizeOf(int fd);     // of an open regular file, -1 otherwise
bool IsRegular(int fd);

// For reading: a named pipe without a writer is refused at once, never waited for.
int OpenForReading(const std::string& path);
// For writing, created when missing and not emptied.
int OpenForWriting(const std::string& path);
long long Read(int fd, void* into, size_t bytes);
long long Write(int fd, const void* from, size_t bytes);
int Close(int fd);
int Empty(int fd);  // truncates to nothing
// A second descriptor of an open file (the standard output, say), which goes on at
// the same offset and with the same append mode.
int Duplicate(int fd);
// 0, or -1 with errno.
int MakeFolder(const std::string& path);
bool IsTerminal(std::FILE* stream);
// Standard output and error without newline translation (Windows), so that what a
// program prints is the same bytes on every system.
void UseBinaryStandardStreams();

}  // namespace quillon::native
