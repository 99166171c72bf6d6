#include "engine/string_util.h"

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  return text;
}

std::string& TrimWhitespace(std::string& text) {
  const std::string_view kept = Trimmed(text);
  const auto begin = static_cast<std::size_t>(kept.data() - text.data());
  // Shrinking never allocates, so neither call can throw.
  text.erase(begin + kept.size());
  text.erase(0, begin);
  return text;
}

std::string& ToLowerInPlace(std::string& text) {
  for (char& c : text) {
    c = LowerAscii(c);
  }
  return text;
}
