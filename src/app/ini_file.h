// IniFile: settings files of the INI form. Sections in square brackets, key=value
// lines below them; section and key names match without regard to letter case
// (the first of duplicate keys counts); on reading, blanks around a value and a pair
// of enclosing quotation marks are dropped and at most 2047 characters are kept.
// Integers are decimal, or hexadecimal after 0x, 0X or $; a value that is not a
// number reads as the default. Writing a key replaces its value in place (or adds
// it at the end of its section, or adds the section at the end of the file) and
// leaves every other line as it was. Save() writes a temporary file beside the
// target and renames it into place, so a failed save never damages the old file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

class IniFile {
 public:
  // Loads an existing file; a missing file is an empty one. False when it exists
  // but cannot be read.
  bool Load(const std::string& path);
  // False, with errno telling why, when the file cannot be written.
  bool Save(const std::string& path) const;

  std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) const;
  long long ReadInteger(const std::string& section, const std::string& key, long long fallback) const;
  bool ReadBool(const std::string& section, const std::string& key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
  }
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, long long value) {
    WriteString(section, key, std::to_string(value));
  }
  void WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
  }

  const std::vector<std::string>& Lines() const { return LineList; }

 private:
  // Index of the section's header line, or -1.
  long FindSection(const std::string& section) const;
  // Index of the key's line within the section starting at header, or -1.
  long FindKey(long header, const std::string& key) const;
  // One past the section's last line.
  size_t SectionEnd(long header) const;

  std::vector<std::string> LineList;
  std::string LineEnd = "\r\n";
};

// Text of an integer value: decimal, 0x / 0X / $ hexadecimal; false when not a number.
bool ParseIniInteger(const std::string& text, long long& value);

}  // namespace quillon
