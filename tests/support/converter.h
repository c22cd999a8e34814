// The command that runs quillon-convert in the command-line tests: the build's own,
// or QUILLON_CONVERT_COMMAND (the Windows build under Wine, say), which takes the
// same arguments.
#pragma once
#include <cstdlib>
#include <string>

inline std::string Converter() {
  const char* command = std::getenv("QUILLON_CONVERT_COMMAND");
  return command && *command ? command : QUILLON_CONVERT;
}

// QUILLON_CONVERT_WINDOWS set: the converter is the Windows build, whose paths it
// joins with "\\" and which meets no named pipes or devices in the file system.
inline bool ConverterOnWindows() {
  const char* windows = std::getenv("QUILLON_CONVERT_WINDOWS");
  return windows && *windows;
}
