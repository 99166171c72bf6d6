#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Walks an engine text held in memory and hands out its logical lines: comments dropped,
// blanks trimmed, empty lines skipped, "[name]" section lines reduced to the name.
// The reader borrows the bytes: they must outlive it and stay unchanged.
class ScriptReader {
public:
  ScriptReader(const char* data, std::int32_t size);
  virtual ~ScriptReader();

  ScriptReader(const ScriptReader&) = delete;
  ScriptReader& operator=(const ScriptReader&) = delete;

  // Copies the next non-empty logical line into `out` and returns true; at the end of the text
  // (or at a line holding only "[]") returns false and leaves `out` empty.
  bool ReadLine(std::string& out);

  // Line feeds consumed so far, skipped lines included.
  std::int32_t LineCount() const { return lineCount; }
  // False when the last line produced was a section header.
  bool IsPlainLine() const { return isPlainLine != 0; }

private:
  // Consumes one physical line and returns a view of its bytes.
  std::string_view NextPhysicalLine();
  // Applies the comment rules to one physical line, updating inBlockComment; returns what is
  // left of the line (all of it or nothing).
  std::string_view WithoutComments(std::string_view text);

  const char* data;
  std::int32_t size;
  std::int32_t position = 0;
  std::int32_t lineCount = 0;
  bool inBlockComment = false;
  std::int32_t isPlainLine = 0;
  // Index of the first line feed at or after `position` (`size` when none is left); -1 until
  // looked for. Kept so that text split by zero bytes is not rescanned to its next line feed.
  std::int32_t nextLineFeed = -1;
};
