#include "engine/script_reader.h"

#include <cstring>
#include <new>
#include <string_view>

#include "engine/string_util.h"

namespace {

struct CommentMarks {
  bool lineComment = false;  // "//"
  bool blockOpen = false;    // "/*"
  bool blockClose = false;   // "*/"
};

// Every one of the three marks holds a '/', so one scan for that byte finds them all.
CommentMarks FindCommentMarks(std::string_view text) {
  CommentMarks marks;
  if (text.size() < 2) {
    return marks;
  }
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* slash = begin;
  while (slash != end) {
    const void* found = std::memchr(slash, '/', static_cast<std::size_t>(end - slash));
    if (found == nullptr) {
      break;
    }
    slash = static_cast<const char*>(found);
    if (slash + 1 != end) {
      marks.lineComment = marks.lineComment || slash[1] == '/';
      marks.blockOpen = marks.blockOpen || slash[1] == '*';
    }
    if (slash != begin) {
      marks.blockClose = marks.blockClose || slash[-1] == '*';
    }
    ++slash;
  }
  return marks;
}

// Editors that save "UTF-8 with BOM" put these three bytes before the first line; left there,
// they would become part of the first key and lose its setting.
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr std::int32_t kByteOrderMarkSize = 3;

std::int32_t ByteOrderMarkSize(const char* data, std::int32_t size) {
  return size >= kByteOrderMarkSize && std::memcmp(data, kByteOrderMark, kByteOrderMarkSize) == 0
             ? kByteOrderMarkSize
             : 0;
}

}  // namespace

ScriptReader::ScriptReader(const char* data, std::int32_t size)
    : data(data), size(size), position(ByteOrderMarkSize(data, size)) {}

ScriptReader::~ScriptReader() = default;

std::string_view ScriptReader::NextPhysicalLine() {
  // Up to a line feed (counted) or a zero byte (not counted), or the end. The bytes are viewed in
  // place; only the finished logical line is copied.
  if (position >= size) {
    return {};
  }
  const char* const start = data + position;
  if (nextLineFeed < position) {
    if (*start == '\n') {
      nextLineFeed = position;  // an empty line: not worth a search
    } else {
      const void* lineFeed = std::memchr(start, '\n', static_cast<std::size_t>(size - position));
      nextLineFeed = lineFeed == nullptr
                         ? size
                         : static_cast<std::int32_t>(static_cast<const char*>(lineFeed) - data);
    }
  }
  const void* zero =
      nextLineFeed == position
          ? nullptr
          : std::memchr(start, '\0', static_cast<std::size_t>(nextLineFeed - position));
  std::int32_t length = 0;
  if (zero != nullptr) {
    length = static_cast<std::int32_t>(static_cast<const char*>(zero) - start);
    position += length + 1;
  } else if (nextLineFeed < size) {
    length = nextLineFeed - position;
    position = nextLineFeed + 1;
    ++lineCount;
  } else {
    length = size - position;
    position = size;
  }
  return {start, static_cast<std::size_t>(length)};
}

std::string_view ScriptReader::WithoutComments(std::string_view text) {
  // The order of these tests decides the mixed cases: "//" empties the line before the block
  // markers are looked for, and the line that closes a block comment is dropped whole.
  const CommentMarks marks = FindCommentMarks(text);
  if (marks.lineComment) {
    text = std::string_view();
  } else {
    if (marks.blockOpen) {
      inBlockComment = true;
    }
    if (marks.blockClose) {
      inBlockComment = false;
      text = std::string_view();
    }
  }
  return inBlockComment ? std::string_view() : text;
}

bool ScriptReader::ReadLine(std::string& out) {
  std::string_view current;
  do {
    current = Trimmed(WithoutComments(NextPhysicalLine()));
  } while (current.empty() && position < size);

  if (current.size() >= 2 && current.front() == '[' && current.back() == ']') {
    current = current.substr(1, current.size() - 2);
    isPlainLine = 0;
  } else {
    isPlainLine = 1;
  }

  // The line goes straight into the caller's string, whose storage is reused from call to call.
  try {
    out.assign(current.data(), current.size());
  } catch (const std::bad_alloc&) {
    // A line that cannot be held ends the reading like the end of the text.
    out.clear();
    return false;
  }
  return !out.empty();
}
