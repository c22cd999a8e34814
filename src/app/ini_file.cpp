#include "app/ini_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "reader/native_file.h"
#include "reader/path_check.h"

namespace quillon {

namespace {

constexpr size_t kMaxValue = 2047;

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  const size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

bool SameName(const std::string& a, const std::string& b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// The section name of a "[name]" line, or false.
bool SectionName(const std::string& line, std::string& name) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
  name = Trim(t.substr(1, t.size() - 2));
  return true;
}

}  // namespace

bool ParseIniInteger(const std::string& text, long long& value) {
  std::string t = Trim(text);
  bool negative = false;
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
    negative = t[0] == '-';
    t.erase(0, 1);
  }
  int base = 10;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    t.erase(0, 2);
  } else if (t.size() > 1 && t[0] == '$') {
    base = 16;
    t.erase(0, 1);
  }
  if (t.empty() || !std::isxdigit(static_cast<unsigned char>(t[0]))) return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(t.c_str(), &end, base);
  if (errno != 0 || *end != '\0' || v > 0x7fffffffffffffffULL) return false;
  value = negative ? -static_cast<long long>(v) : static_cast<long long>(v);
  return true;
}

bool IniFile::Load(const std::string& path) {
  LineList.clear();
  LineEnd = "\r\n";
  std::ifstream in(native::PathOf(path), std::ios::binary);
  if (!in) return ExaminePath(path).Kind == PathKind::Missing;  // a missing file is an empty one
  std::stringstream content;
  content << in.rdbuf();
  if (in.bad()) return false;
  const std::string text = content.str();
  size_t at = 0;
  bool first = true;
  while (at < text.size()) {
    size_t lf = text.find('\n', at);
    if (lf == std::string::npos) lf = text.size();
    std::string line = text.substr(at, lf - at);
    const bool crlf = !line.empty() && line.back() == '\r';
    if (crlf) line.pop_back();
    if (first && lf < text.size()) LineEnd = crlf ? "\r\n" : "\n";
    first = false;
    LineList.push_back(std::move(line));
    at = lf + 1;
  }
  return true;
}

bool IniFile::Save(const std::string& path) const {
  const std::string temporary = path + ".tmp~";
  const auto fail = [&](int error) {
    std::error_code ignored;
    std::filesystem::remove(native::PathOf(temporary), ignored);
    errno = error;
    return false;
  };
  {
    std::ofstream out(native::PathOf(temporary), std::ios::binary | std::ios::trunc);
    if (!out) return fail(errno ? errno : EACCES);
    for (const std::string& line : LineList) out << line << LineEnd;
    out.flush();
    if (!out) {
      const int error = errno ? errno : EIO;
      out.close();
      return fail(error);
    }
  }
  std::error_code renamed;  // replaces an existing file on every system
  std::filesystem::rename(native::PathOf(temporary), native::PathOf(path), renamed);
  if (renamed) return fail(renamed.default_error_condition().value());
  return true;
}

long IniFile::FindSection(const std::string& section) const {
  std::string name;
  for (size_t i = 0; i < LineList.size(); ++i)
    if (SectionName(LineList[i], name) && SameName(name, section)) return static_cast<long>(i);
  return -1;
}

size_t IniFile::SectionEnd(long header) const {
  std::string name;
  size_t i = static_cast<size_t>(header) + 1;
  while (i < LineList.size() && !SectionName(LineList[i], name)) ++i;
  return i;
}

long IniFile::FindKey(long header, const std::string& key) const {
  const size_t end = SectionEnd(header);
  for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
    const size_t eq = LineList[i].find('=');
    if (eq != std::string::npos && SameName(Trim(LineList[i].substr(0, eq)), key)) return static_cast<long>(i);
  }
  return -1;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& fallback) const {
  const long header = FindSection(section);
  if (header < 0) return fallback;
  const long line = FindKey(header, key);
  if (line < 0) return fallback;
  const std::string& text = LineList[static_cast<size_t>(line)];
  std::string value = Trim(text.substr(text.find('=') + 1));
  if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') || (value.front() == '\'' && value.back() == '\'')))
    value = value.substr(1, value.size() - 2);
  if (value.size() > kMaxValue) value.resize(kMaxValue);
  return value;
}

long long IniFile::ReadInteger(const std::string& section, const std::string& key, long long fallback) const {
  long long value;
  return ParseIniInteger(ReadString(section, key, ""), value) ? value : fallback;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  long header = FindSection(section);
  if (header < 0) {
    LineList.push_back("[" + section + "]");
    header = static_cast<long>(LineList.size()) - 1;
  }
  const long line = FindKey(header, key);
  if (line >= 0) {
    std::string& text = LineList[static_cast<size_t>(line)];
    text = text.substr(0, text.find('=') + 1) + value;
    return;
  }
  // New keys go after the section's last non-blank line.
  size_t at = SectionEnd(header);
  while (at > static_cast<size_t>(header) + 1 && Trim(LineList[at - 1]).empty()) --at;
  LineList.insert(LineList.begin() + static_cast<long>(at), key + "=" + value);
}

}  // namespace quillon
