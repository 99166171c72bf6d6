#pragma once

#include <string>
#include <string_view>

// Byte-string helpers shared by the engine's text services. No character set is interpreted:
// only the letters A to Z have a lower case, and exactly four bytes count as blank.

// True for tab, line feed, carriage return and space. Inline: the readers call it per byte.
inline bool IsBlank(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

// A..Z as a..z, every other byte as it is. Not the C runtime's tolower, which follows the locale
// and touches bytes 0x80..0xFF.
inline char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// `text` without its leading and trailing blank bytes.
std::string_view Trimmed(std::string_view text);

// Removes leading and trailing blank bytes in place; returns the same string.
std::string& TrimWhitespace(std::string& text);

// Turns A..Z into a..z in place, every other byte unchanged; returns the same string.
std::string& ToLowerInPlace(std::string& text);
