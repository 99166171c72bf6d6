#pragma once

#include <string>

// Byte-string helpers shared by the engine's text services. No character set is interpreted:
// only the letters A to Z have a lower case, and exactly four bytes count as blank.

// True for tab, line feed, carriage return and space. Inline: the readers call it per byte.
inline bool IsBlank(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

// Removes leading and trailing blank bytes in place; returns the same string.
std::string& TrimWhitespace(std::string& text);

// Turns A..Z into a..z in place, every other byte unchanged; returns the same string.
std::string& ToLowerInPlace(std::string& text);
