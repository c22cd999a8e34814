#include "reader/shown_text.h"

namespace quillon {

namespace {

// The length of the valid sequence at the start of `text`, or 0.
size_t SequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if ((byte(i) & 0xC0) != 0x80) return 0;
  return length;
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const size_t length = SequenceLength(text);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      text.remove_prefix(1);
    } else {
      out.append(text.substr(0, length));
      text.remove_prefix(length);
    }
  }
  return out;
}

std::string Shortened(std::string_view value, size_t characters) {
  size_t count = 0, cut = value.size();
  for (size_t i = 0; i < value.size(); ++i) {
    if ((static_cast<unsigned char>(value[i]) & 0xC0) == 0x80) continue;  // within a character
    if (count == characters - 3) cut = i;
    if (++count > characters) return std::string(value.substr(0, cut)) + "...";
  }
  return std::string(value);
}

std::string WithLongWordsShortened(std::string_view text, size_t characters) {
  std::string out;
  while (!text.empty()) {
    const size_t blank = text.find_first_of(" \n\t");
    const std::string_view word = text.substr(0, blank);
    out += Shortened(word, characters);
    if (blank == std::string_view::npos) break;
    out += text[blank];
    text.remove_prefix(blank + 1);
  }
  return out;
}

}  // namespace quillon
