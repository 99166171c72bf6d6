#include "engine/tokenizer.h"

#include <cstring>
#include <new>

#include "engine/string_util.h"

Tokenizer::Tokenizer(const std::string& line, const std::string& delimiter, bool handleQuotes)
    : handleQuotes(handleQuotes) {
  // Only the trimmed part is copied; the result is that of copying and then trimming.
  std::size_t begin = 0;
  std::size_t end = line.size();
  while (end > begin && IsBlank(line[end - 1])) {
    --end;
  }
  while (begin < end && IsBlank(line[begin])) {
    ++begin;
  }
  const std::size_t length = end - begin;
  char* copy = inlineText;
  if (length > kInlineCapacity) {
    longText.reset(new (std::nothrow) char[length]);
    copy = longText.get();
  }
  try {
    this->delimiter = delimiter;
  } catch (const std::bad_alloc&) {
    copy = nullptr;
  }
  // Without a copy there is nothing to split: every NextToken returns false.
  if (copy != nullptr) {
    std::memcpy(copy, line.data() + begin, length);
    text = copy;
    textLength = length;
  }
}

Tokenizer::~Tokenizer() = default;

bool Tokenizer::NextToken(std::string& token) {
  token.clear();
  const std::size_t length = textLength;
  auto pos = static_cast<std::size_t>(position);
  if (pos >= length) {
    return false;
  }

  const char* const bytes = text;
  const char* const delimiterBytes = delimiter.data();
  const std::size_t delimiterLength = delimiter.size();
  const bool quotes = handleQuotes;
  // The bytes that can end a run of plain text: the quote (when quotes count) and the
  // delimiter's first byte (when there is one). With neither, the rest of the text is one run.
  const bool stopsRun = quotes || delimiterLength > 0;
  const char runStop1 = quotes ? '"' : (delimiterLength > 0 ? delimiterBytes[0] : '\0');
  const char runStop2 = delimiterLength > 0 ? delimiterBytes[0] : runStop1;
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

      if (matched == 0) {
        // A run of bytes that neither open quotes nor start the delimiter goes into the token in
        // one piece.
        std::size_t stop = pos;
        if (!stopsRun) {
          stop = length;
        } else {
          while (stop < length && bytes[stop] != runStop1 && bytes[stop] != runStop2) {
            ++stop;
          }
        }
        if (stop != pos) {
          token.append(bytes + pos, stop - pos);
          pos = stop;
          continue;
        }
      }

      const char c = bytes[pos];
      ++pos;
      if (quotes && c == '"') {
        inQuotes = true;
      } else if (matched < delimiterLength && c == delimiterBytes[matched]) {
        if (++matched == delimiterLength) {
          break;
        }
      } else {
        // A partial match that failed: its bytes were text after all. The byte that broke it
        // does not start a new match.
        token.append(delimiterBytes, matched);
        matched = 0;
        token += c;
      }
    }
  } catch (const std::bad_alloc&) {
    // A token that cannot be held ends the line.
    token.clear();
    position = static_cast<std::int32_t>(length);
    return false;
  }

  position = static_cast<std::int32_t>(pos);
  // A lone space can only come from quotes (" "), and is kept as the token.
  if (token.size() != 1 || token[0] != ' ') {
    TrimWhitespace(token);
  }
  return true;
}
