#include "engine/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/engine/debugger_output_capture.h"
#include "tests/support/temp_files.h"

namespace {

using test_support::DebuggerOutputCapture;
using test_support::kTextNewline;
using test_support::ReadFileBytes;
using test_support::ScopedCurrentDirectory;
using test_support::TempDir;
using test_support::WriteFileBytes;

class LogTest : public testing::Test {
protected:
  TempDir dir;
  ScopedCurrentDirectory cwd{dir.Path()};
  const std::filesystem::path logPath = dir.Path() / "Zurvo.log";
};

TEST_F(LogTest, FirstMessageCreatesTheLog) {
  ASSERT_FALSE(std::filesystem::exists(logPath));
  DebuggerOutputCapture debugger;
  LogMessage("File - %s not found\n", "game\\zurvo.cfg");
  EXPECT_EQ(debugger.Text(), "File - game\\zurvo.cfg not found\n");
  EXPECT_EQ(ReadFileBytes(logPath), std::string("File - game\\zurvo.cfg not found") + kTextNewline);
}

TEST_F(LogTest, AppendsBelowEarlierRuns) {
  WriteFileBytes(logPath, std::string("earlier run") + kTextNewline);
  LogMessage("File - %s not found\n", "a");
  LogMessage("Unknown error in file - %s\n", "b");
  EXPECT_EQ(ReadFileBytes(logPath), std::string("earlier run") + kTextNewline +
                                        "File - a not found" + kTextNewline +
                                        "Unknown error in file - b" + kTextNewline);
}

TEST_F(LogTest, EveryLineFeedOfAMessageBecomesATextModeLineEnd) {
  LogMessage("one\ntwo\n");
  EXPECT_EQ(ReadFileBytes(logPath), std::string("one") + kTextNewline + "two" + kTextNewline);
}

TEST_F(LogTest, MessageWithoutLineFeedLeavesTheLineOpen) {
  LogMessage("abc");
  LogMessage("%d%s\n", 42, "def");
  EXPECT_EQ(ReadFileBytes(logPath), std::string("abc42def") + kTextNewline);
}

TEST_F(LogTest, EmptyMessageCreatesTheFileAndWritesNothing) {
  DebuggerOutputCapture debugger;
  LogMessage("%s", "");
  EXPECT_EQ(debugger.Text(), "");
  ASSERT_TRUE(std::filesystem::exists(logPath));
  EXPECT_EQ(std::filesystem::file_size(logPath), 0u);
}

TEST_F(LogTest, LongMessagesAreCutTo511Characters) {
  struct Case {
    std::size_t length;
    std::size_t kept;
  };
  const Case cases[] = {{510, 510}, {511, 511}, {512, 511}, {2000, 511}};
  for (const Case& c : cases) {
    std::filesystem::remove(logPath);
    const std::string message(c.length, 'x');
    DebuggerOutputCapture debugger;
    LogMessage("%s", message.c_str());
    EXPECT_EQ(debugger.Text(), std::string(c.kept, 'x')) << "message of " << c.length;
    EXPECT_EQ(ReadFileBytes(logPath), std::string(c.kept, 'x')) << "message of " << c.length;
  }
}

TEST_F(LogTest, LogThatCannotBeOpenedStillReachesTheDebugger) {
  // A directory in the log file's place cannot be opened for appending on any platform.
  std::filesystem::create_directory(logPath);
  DebuggerOutputCapture debugger;
  LogMessage("File - %s not found\n", "x");
  EXPECT_EQ(debugger.Text(), "File - x not found\n");
  EXPECT_TRUE(std::filesystem::is_directory(logPath));
}

}  // namespace
