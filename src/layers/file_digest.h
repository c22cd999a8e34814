// File digest: the SHA-256 of a file's bytes, by which a database tells a log it
// has loaded before from another (whatever its name or folder), in lower-case hex.
#pragma once
#include <cstdint>
#include <string>

namespace quillon {

struct FileDigest {
  std::string Sha256;  // 64 hex digits
  int64_t Size = 0;    // bytes read
};

// False with the system's reason when the file cannot be read to its end.
bool DigestOfFile(const std::string& path, FileDigest& digest, std::string& error);

}  // namespace quillon
