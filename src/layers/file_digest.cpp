#include "layers/file_digest.h"

#include <openssl/evp.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "reader/native_file.h"
#include "reader/path_check.h"

namespace quillon {

bool DigestOfFile(const std::string& path, FileDigest& digest, std::string& error) {
  const int fd = native::OpenForReading(path);
  if (fd < 0) {
    error = SystemReason(path, errno);
    return false;
  }
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  bool good = context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
  std::vector<unsigned char> block(1 << 20);
  digest.Size = 0;
  long long got = 0;
  while (good && (got = native::Read(fd, block.data(), block.size())) > 0) {
    good = EVP_DigestUpdate(context.get(), block.data(), static_cast<size_t>(got)) == 1;
    digest.Size += got;
  }
  const int readError = got < 0 ? errno : 0;
  native::Close(fd);
  unsigned char sum[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (readError != 0) {
    error = SystemReason(path, readError);
    return false;
  }
  if (!good || EVP_DigestFinal_ex(context.get(), sum, &length) != 1) {
    error = "the SHA-256 of " + path + " could not be computed";
    return false;
  }
  static const char hex[] = "0123456789abcdef";
  digest.Sha256.clear();
  for (unsigned int i = 0; i < length; ++i) {
    digest.Sha256 += hex[sum[i] >> 4];
    digest.Sha256 += hex[sum[i] & 15];
  }
  return true;
}

}  // namespace quillon
