// Text shown to the user or stored as text. Valid UTF-8 from any bytes: file names on POSIX systems are bytes, and a name in
// Latin-1 (Montr\xe9al.klf) is no UTF-8. Each byte that does not begin a valid
// sequence (overlong forms, surrogates and code points past U+10FFFF are invalid)
// becomes U+FFFD, the replacement character; valid text comes back unchanged. The
// files themselves are still opened by their real names: this is for what is shown
// or stored as text.
#pragma once
#include <string>
#include <string_view>

namespace quillon {

std::string ValidUtf8(std::string_view text);

// A value as a message shows it: at most `characters` characters (UTF-8 sequences
// count as one), a longer one cut with "..." so that the reason after it stays
// readable.
std::string Shortened(std::string_view value, size_t characters = 40);
// A message with each run of more than `characters` characters without a blank
// (a value a user typed) shortened so.
std::string WithLongWordsShortened(std::string_view text, size_t characters = 60);

}  // namespace quillon
