#include "engine/tokenizer.h"

#include <cstring>
#include <new>

#include "engine/string_util.h"

Tokenizer::Tokenizer(const std::string& line, const std::string& delimiter, bool handleQuotes)
    : handleQuotes(handleQuotes) {
  try {
    text = line;
    this->delimiter = delimiter;
  } catch (const std::bad_alloc&) {
    // Without a copy there is nothing to split: every NextToken returns false.
    text.clear();
    this->delimiter.clear();
  }
  TrimWhitespace(text);
}

Tokenizer::~Tokenizer() = default;

bool Tokenizer::NextToken(std::string& token) {
  token.clear();
  const std::size_t length = text.size();
  auto pos = static_cast<std::size_t>(position);
  if (pos >= length) {
    return false;
  }

  const char* const bytes = text.data();
  const std::size_t delimiterLength = delimiter.size();
  bool inQuotes = false;
  // Bytes of a partly matched delimiter are always its first `matched` bytes, so they need no
  // storage of their own.
  std::size_t matched = 0;

  try {
    while (pos < length) {
      if (inQuotes) {
        // Everything up to the next quote belongs to the token, delimiters included.
        const void* quote = std::memchr(bytes + pos, '"', length - pos);
        const std::size_t stop =
            quote == nullptr ? length
                             : static_cast<std::size_t>(static_cast<const char*>(quote) - bytes);
        token.append(bytes + pos, stop - pos);
        pos = stop;
        if (pos == length) {
          break;
        }
        if (pos + 1 < length && bytes[pos + 1] == '"') {
          token += '"';
          pos += 2;
        } else {
          inQuotes = false;
          ++pos;
        }
        continue;
      }

      const char c = bytes[pos];
      if (handleQuotes && c == '"') {
        inQuotes = true;
        ++pos;
        continue;
      }
      if (matched < delimiterLength && c == delimiter[matched]) {
        ++pos;
        if (++matched == delimiterLength) {
          break;
        }
        continue;
      }
      if (matched > 0) {
        // A partial match that failed: its bytes were text after all. The byte that broke it
        // does not start a new match.
        token.append(delimiter, 0, matched);
        matched = 0;
        token += c;
        ++pos;
        continue;
      }

      // A run of ordinary bytes goes into the token in one piece.
      std::size_t stop = pos + 1;
      while (stop < length) {
        const char next = bytes[stop];
        if ((handleQuotes && next == '"') || (delimiterLength > 0 && next == delimiter[0])) {
          break;
        }
        ++stop;
      }
      token.append(bytes + pos, stop - pos);
      pos = stop;
    }
  } catch (const std::bad_alloc&) {
    // A token that cannot be held ends the line.
    token.clear();
    position = static_cast<std::int32_t>(length);
    return false;
  }

  position = static_cast<std::int32_t>(pos);
  if (token != " ") {
    TrimWhitespace(token);
  }
  return true;
}
