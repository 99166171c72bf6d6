#include "engine/tokenizer.h"

#include <cstring>
#include <new>

#include "engine/string_util.h"

namespace {

// The bytes that can end a run of plain text outside quotes: the quote (when quotes count) and
// the delimiter's first byte (when there is one). With neither, the rest of the text is one run.
class RunStops {
public:
  RunStops(bool quotes, const std::string& delimiter)
      : any(quotes || !delimiter.empty()),
        first(quotes ? '"' : (delimiter.empty() ? '\0' : delimiter[0])),
        second(delimiter.empty() ? first : delimiter[0]) {}

  std::size_t RunEnd(const char* bytes, std::size_t pos, std::size_t length) const {
    if (!any) {
      return length;
    }
    while (pos < length && bytes[pos] != first && bytes[pos] != second) {
      ++pos;
    }
    return pos;
  }

private:
  bool any;
  char first;
  char second;
};

// Inside quotes everything up to the next quote belongs to the token, delimiters included; a
// doubled quote stands for one, a single one ends the quoted run. Returns the new position.
std::size_t AppendQuotedRun(const char* bytes, std::size_t length, std::size_t pos,
                            std::string& token, bool& inQuotes) {
  const void* quote = std::memchr(bytes + pos, '"', length - pos);
  const std::size_t stop =
      quote == nullptr ? length : static_cast<std::size_t>(static_cast<const char*>(quote) - bytes);
  token.append(bytes + pos, stop - pos);
  if (stop == length) {
    return length;
  }
  if (stop + 1 < length && bytes[stop + 1] == '"') {
    token += '"';
    return stop + 2;
  }
  inQuotes = false;
  return stop + 1;
}

}  // namespace

Tokenizer::Tokenizer(const std::string& line, const std::string& delimiter, bool handleQuotes)
    : handleQuotes(handleQuotes) {
  // Only the trimmed part is copied; the result is that of copying and then trimming.
  const std::string_view trimmed = Trimmed(line);
  const std::size_t length = trimmed.size();
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
    std::memcpy(copy, trimmed.data(), length);
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
  const RunStops stops(handleQuotes, delimiter);
  bool inQuotes = false;
  // Bytes of a partly matched delimiter are always its first `matched` bytes, so they need no
  // storage of their own.
  std::size_t matched = 0;

  try {
    while (pos < length) {
      if (inQuotes) {
        pos = AppendQuotedRun(bytes, length, pos, token, inQuotes);
        continue;
      }
      if (matched == 0) {
        const std::size_t stop = stops.RunEnd(bytes, pos, length);
        if (stop != pos) {
          token.append(bytes + pos, stop - pos);
          pos = stop;
          continue;
        }
      }
      const char c = bytes[pos];
      ++pos;
      if (handleQuotes && c == '"') {
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
