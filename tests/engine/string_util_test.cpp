#include "engine/string_util.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(IsBlankTest, ExactlyTabLineFeedCarriageReturnAndSpace) {
  for (int value = 0; value < 256; ++value) {
    const bool expected = value == 0x09 || value == 0x0A || value == 0x0D || value == 0x20;
    EXPECT_EQ(IsBlank(static_cast<char>(value)), expected) << "byte " << value;
  }
}

struct TrimCase {
  std::string input;
  std::string expected;
};

TEST(TrimWhitespaceTest, RemovesBlanksAtBothEndsOnly) {
  const TrimCase cases[] = {
      {" \t a b \r\n", "a b"},
      {"", ""},
      {" \t\r\n ", ""},
      {"x", "x"},
      {"a \t b", "a \t b"},
      {"\va\f", "\va\f"},  // vertical tab and form feed are not blank here
      {std::string("\0a\0", 3), std::string("\0a\0", 3)},
      {"\xA0word\xA0", "\xA0word\xA0"},  // no character set: 0xA0 is an ordinary byte
  };
  for (const TrimCase& c : cases) {
    std::string text = c.input;
    EXPECT_EQ(Trimmed(text), c.expected) << "input '" << c.input << "'";
    EXPECT_EQ(TrimWhitespace(text), c.expected) << "input '" << c.input << "'";
    EXPECT_EQ(text, c.expected) << "input '" << c.input << "'";
  }
}

TEST(TrimWhitespaceTest, ReturnsTheSameString) {
  std::string text = "  a  ";
  EXPECT_EQ(&TrimWhitespace(text), &text);
}

TEST(ToLowerInPlaceTest, LowersOnlyAsciiCapitals) {
  std::string text = "ScreenWidth";
  EXPECT_EQ(&ToLowerInPlace(text), &text);
  EXPECT_EQ(text, "screenwidth");

  std::string all;
  for (int value = 0; value < 256; ++value) {
    all += static_cast<char>(value);
  }
  ToLowerInPlace(all);
  ASSERT_EQ(all.size(), 256u);
  for (int value = 0; value < 256; ++value) {
    const int expected = value >= 'A' && value <= 'Z' ? value + 32 : value;
    EXPECT_EQ(static_cast<unsigned char>(all[static_cast<std::size_t>(value)]), expected)
        << "byte " << value;
  }
}

}  // namespace
