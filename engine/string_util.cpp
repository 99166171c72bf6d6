#include "engine/string_util.h"

std::string& TrimWhitespace(std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) {
    --end;
  }
  std::size_t begin = 0;
  while (begin < end && IsBlank(text[begin])) {
    ++begin;
  }
  // Shrinking never allocates, so neither call can throw.
  if (end < text.size()) {
    text.erase(end);
  }
  if (begin > 0) {
    text.erase(0, begin);
  }
  return text;
}

std::string& ToLowerInPlace(std::string& text) {
  // Only A..Z: the C runtime's tolower would follow the locale and touch bytes 0x80..0xFF.
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c + ('a' - 'A'));
    }
  }
  return text;
}
