#pragma once

#include <cstdint>
#include <string>

// Splits one logical line into tokens at a delimiter (matched as a whole byte sequence).
// With quote handling on, double quotes group bytes, delimiters included, into one token and
// two quotes in a row inside a group stand for one quote.
class Tokenizer {
public:
  Tokenizer(const std::string& line, const std::string& delimiter, bool handleQuotes);
  virtual ~Tokenizer();

  // Makes `token` the next token and returns true; returns false with `token` empty once no
  // bytes are left. An empty token with true is possible (two delimiters in a row).
  bool NextToken(std::string& token);

private:
  std::string text;
  std::string delimiter;
  std::int32_t position = 0;
  bool handleQuotes;
};
