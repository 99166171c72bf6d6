#include "engine/tokenizer.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct TokenCase {
  const char* name;
  std::string line;
  std::string delimiter;
  bool handleQuotes;
  std::vector<std::string> tokens;  // what NextToken returns until it returns false
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const TokenCase& c, std::ostream* out) {
  *out << c.name;
}

// Splits until false; the false call must leave the caller's string empty.
std::vector<std::string> SplitAll(Tokenizer& tokenizer) {
  std::vector<std::string> tokens;
  std::string token = "left over";
  while (tokenizer.NextToken(token)) {
    tokens.push_back(token);
    token = "left over";
    if (tokens.size() > 100) {
      ADD_FAILURE() << "NextToken never returned false";
      break;
    }
  }
  EXPECT_EQ(token, "");
  return tokens;
}

const std::string Q = "\"";

const TokenCase kCases[] = {
    {"KeyAndValue", "ScreenWidth 1024", " ", true, {"ScreenWidth", "1024"}},
    {"LineTrimmedAtConstruction", "  MusicVolume 0.50  ", " ", true, {"MusicVolume", "0.50"}},
    {"EmptyLine", "", " ", true, {}},
    {"BlanksOnly", " \t \r\n", " ", true, {}},
    {"TwoSpacesGiveEmptyToken", "a  b", " ", true, {"a", "", "b"}},
    {"TabIsNoDelimiter", "a\tb", " ", true, {"a\tb"}},
    {"QuotedValue", "name " + Q + "two words" + Q, " ", true, {"name", "two words"}},
    {"QuotesInsideToken", "ab" + Q + "c d" + Q + "e", " ", true, {"abc de"}},
    {"DoubledQuotes", Q + "say " + Q + Q + "hi" + Q + Q + Q, " ", true, {"say " + Q + "hi" + Q}},
    {"EmptyQuotes", Q + Q, " ", true, {""}},
    {"QuotedSpaceKeptUntrimmed", Q + " " + Q, " ", true, {" "}},
    {"QuotedBlanksTrimmed", Q + "  x  " + Q, " ", true, {"x"}},
    {"UnterminatedQuote", Q + "abc def", " ", true, {"abc def"}},
    {"QuotesOff", Q + "a b" + Q, " ", false, {Q + "a", "b" + Q}},
    {"QuoteAfterDelimiter", "a " + Q + "b c" + Q + " d", " ", true, {"a", "b c", "d"}},
    {"UnterminatedQuoteInSecondToken", Q + "x" + Q + " y" + Q + " z", " ", true, {"x", "y z"}},
    {"CommaDelimiter", "a,,b", ",", true, {"a", "", "b"}},
    {"DelimiterAtEndGivesNoEmptyToken", "a,", ",", true, {"a"}},
    {"TwoByteDelimiter", "a::b", "::", true, {"a", "b"}},
    {"PartialTwoByteDelimiterIsText", "a:b", "::", true, {"a:b"}},
    {"ThreeColonsWithTwoByteDelimiter", "x:::y", "::", true, {"x", ":y"}},
    {"ThreeByteDelimiter", "a:::b", ":::", true, {"a", "b"}},
    {"BreakingByteStartsNoNewMatch", "aab", "ab", true, {"aab"}},
    {"EmptyDelimiterNeverMatches", "a b c", "", true, {"a b c"}},
    {"InnerTokenBlanksTrimmed", "a, b ,c", ",", true, {"a", "b", "c"}},
    {"HighBytes", "\xCA\xEB\xFE\xF7 \xE7\xED", " ", true, {"\xCA\xEB\xFE\xF7", "\xE7\xED"}},
};

class TokenizerCases : public testing::TestWithParam<TokenCase> {};

TEST_P(TokenizerCases, SplitsTheLine) {
  const TokenCase& c = GetParam();
  Tokenizer tokenizer(c.line, c.delimiter, c.handleQuotes);
  EXPECT_EQ(SplitAll(tokenizer), c.tokens) << "line '" << c.line << "'";
}

INSTANTIATE_TEST_SUITE_P(Lines, TokenizerCases, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<TokenCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(TokenizerTest, KeepsNoReferenceToTheCallersStrings) {
  std::string line = "key value";
  auto delimiter = std::make_unique<std::string>(" ");
  Tokenizer tokenizer(line, *delimiter, true);
  delimiter.reset();
  line = "changed entirely";
  std::string token;
  ASSERT_TRUE(tokenizer.NextToken(token));
  EXPECT_EQ(token, "key");
  ASSERT_TRUE(tokenizer.NextToken(token));
  EXPECT_EQ(token, "value");
}

TEST(TokenizerTest, FalseForeverAfterTheEnd) {
  Tokenizer tokenizer("a", " ", true);
  std::string token;
  ASSERT_TRUE(tokenizer.NextToken(token));
  for (int i = 0; i < 3; ++i) {
    token = "junk";
    EXPECT_FALSE(tokenizer.NextToken(token));
    EXPECT_EQ(token, "");
  }
}

}  // namespace
