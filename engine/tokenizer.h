#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Splits one logical line into tokens at a delimiter (matched as a whole byte sequence).
// With quote handling on, double quotes group bytes, delimiters included, into one token and
// two quotes in a row inside a group stand for one quote.
class Tokenizer {
public:
  Tokenizer(const std::string& line, const std::string& delimiter, bool handleQuotes);
  virtual ~Tokenizer();

  Tokenizer(const Tokenizer&) = delete;
  Tokenizer& operator=(const Tokenizer&) = delete;

  // Makes `token` the next token and returns true; returns false with `token` empty once no
  // bytes are left. An empty token with true is possible (two delimiters in a row).
  bool NextToken(std::string& token);

private:
  // The tokenizer's own copy of the trimmed line. A line of up to kInlineCapacity bytes (nearly
  // every line of a configuration file) is kept inside the object, so that building one
  // tokenizer per line, as the configuration reader does, costs no allocation.
  static constexpr std::size_t kInlineCapacity = 64;
  char inlineText[kInlineCapacity] = {};
  std::unique_ptr<char[]> longText;
  const char* text = inlineText;
  std::size_t textLength = 0;
  std::string delimiter;
  std::int32_t position = 0;
  bool handleQuotes;
};
