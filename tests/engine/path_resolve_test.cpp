#include "engine/path_resolve.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_files.h"

namespace {

using test_support::TempDir;
using test_support::WriteFileBytes;

namespace fs = std::filesystem;

#ifdef _WIN32

TEST(ResolvePathIgnoringCaseTest, WindowsOpensThePathAsGiven) {
  for (const std::string path : {"game\\zurvo.cfg", "Game/Zurvo.cfg", "", "..\\x"}) {
    EXPECT_EQ(ResolvePathIgnoringCase(path), path);
  }
}

#else

class ResolvePathIgnoringCaseTest : public testing::Test {
protected:
  // The temporary directory's own components exist exactly as written, so they come back
  // unchanged and the results can be compared below this prefix.
  std::string Under(const std::string& relative) const { return root + "/" + relative; }

  TempDir dir;
  const std::string root = dir.Path().string();
};

TEST_F(ResolvePathIgnoringCaseTest, MatchesEachComponentWithoutRegardToCase) {
  fs::create_directories(dir.Path() / "Game" / "Sub");
  WriteFileBytes(dir.Path() / "Game" / "Zurvo.cfg", "");
  WriteFileBytes(dir.Path() / "Game" / "Sub" / "MiXeD.txt", "");
  struct Case {
    std::string path;
    std::string expected;
  };
  const Case cases[] = {
      {"game\\zurvo.cfg", "Game/Zurvo.cfg"},
      {"GAME/ZURVO.CFG", "Game/Zurvo.cfg"},
      {"game\\sub\\mixed.TXT", "Game/Sub/MiXeD.txt"},
      {"game\\.\\zurvo.cfg", "Game/./Zurvo.cfg"},
      {"game\\sub\\..\\zurvo.cfg", "Game/Sub/../Zurvo.cfg"},
      {"game\\\\zurvo.cfg", "Game//Zurvo.cfg"},
      // What matches nothing is kept as written, and so is everything below it.
      {"game\\new\\Zurvo.CFG", "Game/new/Zurvo.CFG"},
      {"game\\zurvo.cfg\\x", "Game/Zurvo.cfg/x"},
      {"nothing\\game", "nothing/game"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolvePathIgnoringCase(Under(c.path)), Under(c.expected)) << "path " << c.path;
  }
}

TEST_F(ResolvePathIgnoringCaseTest, ExactMatchComesFirst) {
  WriteFileBytes(dir.Path() / "zurvo.cfg", "");
  WriteFileBytes(dir.Path() / "Zurvo.cfg", "");
  EXPECT_EQ(ResolvePathIgnoringCase(Under("zurvo.cfg")), Under("zurvo.cfg"));
  EXPECT_EQ(ResolvePathIgnoringCase(Under("Zurvo.cfg")), Under("Zurvo.cfg"));
  const std::string other = ResolvePathIgnoringCase(Under("ZURVO.CFG"));
  EXPECT_TRUE(other == Under("zurvo.cfg") || other == Under("Zurvo.cfg")) << other;
}

TEST_F(ResolvePathIgnoringCaseTest, OnlyAsciiLettersFold) {
  WriteFileBytes(dir.Path() / "\xC0.txt", "");
  EXPECT_EQ(ResolvePathIgnoringCase(Under("\xE0.TXT")), Under("\xE0.TXT"));
  EXPECT_EQ(ResolvePathIgnoringCase(Under("\xC0.TXT")), Under("\xC0.txt"));
}

TEST_F(ResolvePathIgnoringCaseTest, RelativePathsStartAtTheCurrentDirectory) {
  fs::create_directory(dir.Path() / "Game");
  WriteFileBytes(dir.Path() / "Game" / "Zurvo.cfg", "");
  test_support::ScopedCurrentDirectory cwd(dir.Path());
  EXPECT_EQ(ResolvePathIgnoringCase("game\\zurvo.cfg"), "Game/Zurvo.cfg");
  EXPECT_EQ(ResolvePathIgnoringCase(""), "");
}

#endif

}  // namespace
