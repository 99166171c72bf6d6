#include "engine/script_reader.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

struct Line {
  std::string text;
  bool plain;
  bool operator==(const Line& other) const { return text == other.text && plain == other.plain; }
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
  return out << (line.plain ? "" : "section ") << "'" << line.text << "'";
}

Line Plain(const std::string& text) {
  return {text, true};
}
Line Section(const std::string& text) {
  return {text, false};
}

struct ReaderCase {
  const char* name;
  std::string text;
  std::vector<Line> lines;  // what ReadLine returns until it returns false
  int lineCount;            // line feeds consumed at that point
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ReaderCase& c, std::ostream* out) {
  *out << c.name;
}

// Reads until false; the false call must leave the caller's string empty.
std::vector<Line> ReadAll(ScriptReader& reader) {
  std::vector<Line> lines;
  std::string out = "left over";
  while (reader.ReadLine(out)) {
    lines.push_back({out, reader.IsPlainLine()});
    out = "left over";
  }
  EXPECT_EQ(out, "");
  return lines;
}

const std::string kNul(1, '\0');
const std::string kBom = "\xEF\xBB\xBF";  // UTF-8 byte order mark

const ReaderCase kCases[] = {
    {"CrLfLines",
     "ScreenWidth 1024\r\nFullScreen 1\r\n",
     {Plain("ScreenWidth 1024"), Plain("FullScreen 1")},
     2},
    {"LastLineWithoutLineFeed", "a\nb", {Plain("a"), Plain("b")}, 1},
    {"EmptyText", "", {}, 0},
    {"BlankLinesSkipped", "\n  \t\n\r\n a \n\n", {Plain("a")}, 5},
    {"OnlyBlankLines", "\n\n \n", {}, 3},
    {"LineCommentDropsWholeLine", "Bloom 1 // on\nNext 2\n", {Plain("Next 2")}, 2},
    {"LineCommentInsideQuotes", "Name \"a//b\"\nx\n", {Plain("x")}, 2},
    {"BlockCommentOverLines", "/* a\nb\nc */ d\ne\n", {Plain("e")}, 4},
    {"BlockCommentOnOneLine", "x /* y */ z\nw\n", {Plain("w")}, 2},
    {"CloseBeforeOpenOnOneLine", "x */ y /* z\nw\n", {Plain("w")}, 2},
    {"LineCommentStopsBlockOpening", "x /* y // z\nw\n", {Plain("w")}, 2},
    {"LineCommentStopsBlockClosing", "/* a\n*/ // z\nb\n*/\nc\n", {Plain("c")}, 5},
    {"StrayCloseDropsOnlyItsLine", "a\nb */\nc\n", {Plain("a"), Plain("c")}, 3},
    {"UnterminatedBlockOnFirstLine", "/* open\nScreenWidth 1\nx\n", {}, 3},
    {"UnterminatedBlockLater", "a\n/*\nb\n", {Plain("a")}, 3},
    {"SlashStarSharingSlash", "a/*/b\nc\n", {Plain("c")}, 2},
    {"SectionTrimmed", "  [Video]  \n", {Section("Video")}, 1},
    {"SectionKeepsInnerBlanks", "[ a ]\n", {Section(" a ")}, 1},
    {"SectionOnlyOuterBrackets", "[a]b]\n", {Section("a]b")}, 1},
    {"EmptySectionStopsReading", "a\n[]\nb\n", {Plain("a")}, 2},
    {"LoneBracketIsPlain", "[\n", {Plain("[")}, 1},
    {"TextAfterBracketIsPlain", "[a] b\n", {Plain("[a] b")}, 1},
    {"SectionsAndValues", "[A]\nk v\n[B]\n", {Section("A"), Plain("k v"), Section("B")}, 3},
    {"ZeroByteEndsPhysicalLine",
     "ab" + kNul + "cd\nef",
     {Plain("ab"), Plain("cd"), Plain("ef")},
     1},
    {"ZeroBytesOnly", kNul + kNul + kNul, {}, 0},
    {"CarriageReturnInsideLineStays", "a\rb\r\n", {Plain("a\rb")}, 1},
    {"TabsAndCarriageReturnsTrimmed", "\t a b \r\n", {Plain("a b")}, 1},
    {"HighBytesUntouched", "\xC8\xE3\xF0\xE0 1\n", {Plain("\xC8\xE3\xF0\xE0 1")}, 1},
    {"ByteOrderMarkBeforeFirstLineSkipped",
     kBom + "ScreenWidth 1024\nScreenHeight 768\n",
     {Plain("ScreenWidth 1024"), Plain("ScreenHeight 768")},
     2},
    {"ByteOrderMarkAlone", kBom, {}, 0},
    {"ByteOrderMarkElsewhereKept",
     "a " + kBom + "\n" + kBom + "b\n",
     {Plain("a " + kBom), Plain(kBom + "b")},
     2},
    {"OnlyTheFirstOfTwoByteOrderMarksSkipped", kBom + kBom + "a\n", {Plain(kBom + "a")}, 1},
    {"PartOfAByteOrderMarkKept", kBom.substr(0, 2) + "a\n", {Plain(kBom.substr(0, 2) + "a")}, 1},
};

class ScriptReaderCases : public testing::TestWithParam<ReaderCase> {};

TEST_P(ScriptReaderCases, ProducesTheLogicalLines) {
  const ReaderCase& c = GetParam();
  ScriptReader reader(c.text.data(), static_cast<std::int32_t>(c.text.size()));
  EXPECT_EQ(ReadAll(reader), c.lines);
  EXPECT_EQ(reader.LineCount(), c.lineCount);
}

INSTANTIATE_TEST_SUITE_P(Texts, ScriptReaderCases, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ReaderCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(ScriptReaderTest, KeepsReturningFalseAtTheEnd) {
  const std::string text = "[S]\n";
  ScriptReader reader(text.data(), static_cast<std::int32_t>(text.size()));
  std::string out;
  ASSERT_TRUE(reader.ReadLine(out));
  EXPECT_FALSE(reader.IsPlainLine());
  for (int i = 0; i < 3; ++i) {
    out = "junk";
    EXPECT_FALSE(reader.ReadLine(out));
    EXPECT_EQ(out, "");
    EXPECT_TRUE(reader.IsPlainLine());
  }
  EXPECT_EQ(reader.LineCount(), 1);
}

TEST(ScriptReaderTest, EmptySectionIsASectionThatReturnsFalse) {
  const std::string text = "[]\nafter\n";
  ScriptReader reader(text.data(), static_cast<std::int32_t>(text.size()));
  std::string out = "junk";
  EXPECT_FALSE(reader.ReadLine(out));
  EXPECT_EQ(out, "");
  EXPECT_FALSE(reader.IsPlainLine());
  // The text behind it is still there for a caller that goes on.
  EXPECT_TRUE(reader.ReadLine(out));
  EXPECT_EQ(out, "after");
}

TEST(ScriptReaderTest, NullBufferOfSizeZero) {
  ScriptReader reader(nullptr, 0);
  std::string out = "junk";
  EXPECT_FALSE(reader.ReadLine(out));
  EXPECT_EQ(out, "");
}

TEST(ScriptReaderTest, ReadsOnlyTheGivenSize) {
  const std::string text = "abc\ndef\n";
  ScriptReader reader(text.data(), 5);  // "abc\nd"
  EXPECT_EQ(ReadAll(reader), (std::vector<Line>{Plain("abc"), Plain("d")}));
}

TEST(ScriptReaderTest, BlockCommentStateCarriesAcrossCalls) {
  const std::string text = "a\n/*\nb\n*/\nc\n";
  ScriptReader reader(text.data(), static_cast<std::int32_t>(text.size()));
  std::string out;
  ASSERT_TRUE(reader.ReadLine(out));
  EXPECT_EQ(out, "a");
  EXPECT_EQ(reader.LineCount(), 1);
  ASSERT_TRUE(reader.ReadLine(out));
  EXPECT_EQ(out, "c");
  EXPECT_EQ(reader.LineCount(), 5);
}

}  // namespace
