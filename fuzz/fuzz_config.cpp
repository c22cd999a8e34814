// Fuzz target: arbitrary bytes as a configuration file, through restore and save.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/configuration.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string dir = [] {
    char pattern[] = "/tmp/quillon-fuzz-cfg-XXXXXX";
    return std::string(::mkdtemp(pattern));
  }();
  const std::string path = dir + "/a.cfg";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  Settings s = DefaultSettings();
  std::string message;
  if (RestoreConfiguration(path, s, message)) SaveConfiguration(s, path, message);
  Settings again;
  RestoreConfiguration(path, again, message);
  return 0;
}
