#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/config_file.h"
#include "settings/config_file_system.h"
#include "settings/game_settings.h"
#include "settings_test_support.h"

namespace {

using settings_test::AllNonDefault;
using settings_test::OnDisk;
using settings_test::ReadFileBytes;
using settings_test::ScratchDirectory;
using settings_test::WriteFileBytes;

const char kPath[] = "Game\\Zurvo.cfg";
const char kOldBytes[] = "ScreenWidth 1024\r\nScreenHeight 768\r\n// the old file, byte for byte\n";

std::vector<std::string> Only(const std::string& name) {
  return {name};
}

std::string Describe(const WriteFailure& failure) {
  const char* const kinds[] = {"none", "read-only", "folder in place", "in use", "system"};
  return std::string(kinds[static_cast<int>(failure.kind)]) + " " +
         std::to_string(failure.systemError);
}

#ifdef _WIN32
const std::uint32_t kNoSuchFolder = 3;  // ERROR_PATH_NOT_FOUND
#else
const std::uint32_t kNoSuchFolder = ENOENT;
#endif
// What the fault injection below reports: a full disk, and whoever had the file open.
const WriteFailure kDiskFull{WriteFailure::Kind::kSystem, 112};
const WriteFailure kInUse{WriteFailure::Kind::kInUse, 32};

TEST(WriteConfiguration, DefaultsGiveTheThirtyLinesOnDisk) {
  ScratchDirectory scratch;
  std::filesystem::create_directory("Game");
  ASSERT_TRUE(WriteConfiguration(kPath, Settings()));
  // Every line ends as a text-mode write ends it on this system.
  const std::string expected = OnDisk(settings_test::kDefaultText);
  EXPECT_EQ(ReadFileBytes("Game/Zurvo.cfg"), expected);
  EXPECT_EQ(scratch.List("Game"), Only("Zurvo.cfg"));
  EXPECT_FALSE(std::filesystem::exists("Zurvo.log"));
}

TEST(WriteConfiguration, ReplacesAnOldFileCompletely) {
  ScratchDirectory scratch;
  std::filesystem::create_directory("Game");
  // Longer than the new text, so that a write without truncation would leave a tail behind.
  WriteFileBytes("Game/Zurvo.cfg", std::string(4096, 'x'));
  ASSERT_TRUE(WriteConfiguration(kPath, AllNonDefault()));
  EXPECT_EQ(ReadFileBytes("Game/Zurvo.cfg"), OnDisk(FormatConfiguration(AllNonDefault())));
  EXPECT_EQ(scratch.List("Game"), Only("Zurvo.cfg"));
}

TEST(WriteConfiguration, RoundTripKeepsEveryField) {
  ScratchDirectory scratch;
  std::filesystem::create_directory("Game");
  ASSERT_TRUE(WriteConfiguration(kPath, AllNonDefault()));
  Settings read;
  ASSERT_EQ(ReadConfiguration(kPath, read), S_OK);
  EXPECT_TRUE(read == AllNonDefault()) << FormatConfiguration(read);
}

// One field at a time, so that two fields swapped between writer and reader cannot hide behind
// equal values.
TEST(WriteConfiguration, RoundTripKeepsEachFieldApart) {
  ScratchDirectory scratch;
  std::filesystem::create_directory("Game");
  for (const auto& [field, change] : settings_test::FieldChanges()) {
    Settings written;
    change(written);
    ASSERT_TRUE(WriteConfiguration(kPath, written)) << field;
    Settings read;
    ASSERT_EQ(ReadConfiguration(kPath, read), S_OK) << field;
    EXPECT_TRUE(read == written) << field << ":\n" << FormatConfiguration(read);
  }
}

// A file in the writer's own format comes back out byte for byte, whoever wrote it.
TEST(WriteConfiguration, ReadThenWrittenAgainIsByteIdentical) {
  Settings odd = AllNonDefault();
  odd.Joystick = 5;
  odd.Quality = -1;
  odd.MusicVolume = 0.33f;
  odd.MotionBlur = -12.5f;
  odd.GodMode = false;
  for (const Settings& settings : {Settings(), AllNonDefault(), odd}) {
    ScratchDirectory scratch;
    std::filesystem::create_directory("Game");
    const std::string bytes = OnDisk(FormatConfiguration(settings));
    WriteFileBytes("Game/Zurvo.cfg", bytes);
    Settings read;
    ASSERT_EQ(ReadConfiguration(kPath, read), S_OK);
    ASSERT_TRUE(WriteConfiguration(kPath, read));
    EXPECT_EQ(ReadFileBytes("Game/Zurvo.cfg"), bytes);
  }
}

// "1e39" overflows a float; whatever the C runtime makes of the written value, a second save
// must give the same file.
TEST(WriteConfiguration, OutOfRangeFloatsSettleOnTheFirstSave) {
  ScratchDirectory scratch;
  std::filesystem::create_directory("Game");
  WriteFileBytes("Game/Zurvo.cfg", "MusicVolume 1e39\nSoundVolume -1e39\n");
  Settings first;
  ASSERT_EQ(ReadConfiguration(kPath, first), S_OK);
  ASSERT_TRUE(WriteConfiguration(kPath, first));
  const std::string once = ReadFileBytes("Game/Zurvo.cfg");
  Settings second;
  ASSERT_EQ(ReadConfiguration(kPath, second), S_OK);
  EXPECT_EQ(second.MusicVolume, FLT_MAX);
  EXPECT_EQ(second.SoundVolume, -FLT_MAX);
  ASSERT_TRUE(WriteConfiguration(kPath, second));
  EXPECT_EQ(ReadFileBytes("Game/Zurvo.cfg"), once);
}

// The launcher reads "game\zurvo.cfg" and writes "Game\Zurvo.cfg"; both must reach the file
// that is there, however its name is spelled on disk.
TEST(WriteConfiguration, ReplacesTheFileWhateverItsCase) {
  const struct {
    const char* directory;
    const char* file;
  } spellings[] = {{"Game", "Zurvo.cfg"}, {"game", "zurvo.cfg"}, {"GAME", "ZURVO.CFG"}};
  for (const auto& spelling : spellings) {
    SCOPED_TRACE(std::string(spelling.directory) + "/" + spelling.file);
    ScratchDirectory scratch;
    std::filesystem::create_directory(spelling.directory);
    const std::filesystem::path onDisk = std::filesystem::path(spelling.directory) / spelling.file;
    WriteFileBytes(onDisk, kOldBytes);
    ASSERT_TRUE(WriteConfiguration(kPath, AllNonDefault()));
    EXPECT_EQ(scratch.List("."), Only(spelling.directory));
    EXPECT_EQ(scratch.List(spelling.directory), Only(spelling.file));
    EXPECT_EQ(ReadFileBytes(onDisk), OnDisk(FormatConfiguration(AllNonDefault())));
    Settings read;
    ASSERT_EQ(ReadConfiguration(kPath, read), S_OK);
    EXPECT_TRUE(read == AllNonDefault()) << FormatConfiguration(read);
  }
}

TEST(WriteConfiguration, MissingGameDirectoryIsAFailure) {
  ScratchDirectory scratch;
  WriteFailure failure;
  EXPECT_FALSE(WriteConfiguration(kPath, Settings(), &failure));
  EXPECT_EQ(Describe(failure), Describe({WriteFailure::Kind::kSystem, kNoSuchFolder}));
  EXPECT_FALSE(std::filesystem::exists("Game"));
  EXPECT_FALSE(std::filesystem::exists("game"));
  EXPECT_EQ(scratch.List("."), Only("Zurvo.log"));
  EXPECT_EQ(ReadFileBytes("Zurvo.log"), OnDisk("Cannot write file - Game\\Zurvo.cfg\n"));
}

TEST(WriteConfiguration, DirectoryInTheFilesPlaceIsAFailure) {
  ScratchDirectory scratch;
  std::filesystem::create_directories("Game/Zurvo.cfg");
  WriteFileBytes("Game/Zurvo.cfg/inside", kOldBytes);
  WriteFailure failure;
  EXPECT_FALSE(WriteConfiguration(kPath, Settings(), &failure));
  EXPECT_EQ(Describe(failure), Describe({WriteFailure::Kind::kFolderInPlace, 0}));
  EXPECT_EQ(scratch.List("Game"), Only("Zurvo.cfg"));
  EXPECT_EQ(ReadFileBytes("Game/Zurvo.cfg/inside"), kOldBytes);
  EXPECT_EQ(ReadFileBytes("Zurvo.log"), OnDisk("Cannot write file - Game\\Zurvo.cfg\n"));
}

#ifdef _WIN32
// Windows keeps a read-only attribute that holds for every user; POSIX permission bits do not
// stop root, who runs CI, so there the fault injection below stands in for it.
TEST(WriteConfiguration, ReadOnlyFileIsAFailure) {
  ScratchDirectory scratch;
  std::filesystem::create_directory("Game");
  WriteFileBytes("Game/Zurvo.cfg", kOldBytes);
  std::filesystem::permissions("Game/Zurvo.cfg",
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  WriteFailure failure;
  EXPECT_FALSE(WriteConfiguration(kPath, Settings(), &failure));
  EXPECT_EQ(Describe(failure), Describe({WriteFailure::Kind::kReadOnly, 0}));
  EXPECT_EQ(ReadFileBytes("Game/Zurvo.cfg"), kOldBytes);
  EXPECT_EQ(scratch.List("Game"), Only("Zurvo.cfg"));
  std::filesystem::permissions("Game/Zurvo.cfg", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
}
#endif

enum class Step { kNone, kCreate, kWrite, kFlush, kClose, kReplace };

const char* NameOf(Step step) {
  switch (step) {
    case Step::kNone:
      return "none";
    case Step::kCreate:
      return "create";
    case Step::kWrite:
      return "write";
    case Step::kFlush:
      return "flush";
    case Step::kClose:
      return "close";
    case Step::kReplace:
      return "replace";
  }
  return "?";
}

void PrintTo(Step step, std::ostream* out) {
  *out << NameOf(step);
}

// The real file operations, except that one step fails the way a full disk or a lost device
// makes it fail: after doing part of its work, not before. It fails `times` times, reporting
// `how`, then works again. With `cleanupFails`, removing the temporary file afterwards fails too,
// with a failure of its own. Pauses are counted, not slept.
class FailingFileSystem final : public ConfigFileSystem {
public:
  explicit FailingFileSystem(Step failing, WriteFailure how = kDiskFull, int times = 1000)
      : failing(failing), how(how), failuresLeft(times), real(RealConfigFileSystem()) {}

  bool CreateTemporary(const std::string& target, const std::string& temporary,
                       FileHandle& file) override {
    created = temporary;
    if (!Real(real.CreateTemporary(target, temporary, file))) {
      return false;
    }
    if (Fails(Step::kCreate)) {
      // The file exists, but the caller is told it could not be set up.
      real.Close(file);
      return false;
    }
    return true;
  }

  bool Write(std::FILE* file, const char* data, std::size_t size) override {
    if (Fails(Step::kWrite)) {
      real.Write(file, data, size / 2);
      return false;
    }
    return Real(real.Write(file, data, size));
  }

  bool Flush(std::FILE* file) override {
    const bool flushed = Real(real.Flush(file));
    return !Fails(Step::kFlush) && flushed;
  }

  bool Close(FileHandle& file) override {
    const bool closed = Real(real.Close(file));
    return !Fails(Step::kClose) && closed;
  }

  std::string LinkedFile(const std::string& target) override { return real.LinkedFile(target); }

  bool Replace(const std::string& temporary, const std::string& target) override {
    ++replacements;
    if (Fails(Step::kReplace)) {
      return false;
    }
    return Real(real.Replace(temporary, target));
  }

  bool Remove(const std::string& path) override {
    ++removals;
    const bool removed = Real(real.Remove(path));
    if (cleanupFails) {
      last = WriteFailure{WriteFailure::Kind::kSystem, 6};
      return false;
    }
    return removed;
  }

  WriteFailure LastFailure() const override { return last; }

  void Pause(int milliseconds) override { pauses.push_back(milliseconds); }

  std::string created;
  int removals = 0;
  int replacements = 0;
  std::vector<int> pauses;
  bool cleanupFails = false;

private:
  bool Fails(Step step) {
    if (step != failing || failuresLeft == 0) {
      return false;
    }
    --failuresLeft;
    last = how;
    return true;
  }

  bool Real(bool succeeded) {
    if (!succeeded) {
      last = real.LastFailure();
    }
    return succeeded;
  }

  Step failing;
  WriteFailure how;
  int failuresLeft;
  WriteFailure last;
  ConfigFileSystem& real;
};

class WriterFault : public testing::TestWithParam<Step> {};

// The player is told why the step that failed failed, not what the clean-up after it found.
TEST_P(WriterFault, LeavesTheOldFileAndNoTemporaryAndTellsWhy) {
  ScratchDirectory scratch;
  std::filesystem::create_directory("Game");
  WriteFileBytes("Game/Zurvo.cfg", kOldBytes);
  FailingFileSystem files(GetParam());
  files.cleanupFails = true;
  WriteFailure failure;
  EXPECT_FALSE(WriteConfiguration(kPath, AllNonDefault(), files, &failure));
  EXPECT_EQ(ReadFileBytes("Game/Zurvo.cfg"), kOldBytes);
  EXPECT_EQ(scratch.List("Game"), Only("Zurvo.cfg"));
  EXPECT_EQ(files.removals, 1);
  EXPECT_EQ(ReadFileBytes("Zurvo.log"), OnDisk("Cannot write file - Game\\Zurvo.cfg\n"));
  EXPECT_EQ(Describe(failure), Describe(kDiskFull));
  EXPECT_TRUE(files.pauses.empty()) << "only a file in use is worth waiting for";
}

TEST_P(WriterFault, NoOldFileMeansNoFileAtAll) {
  ScratchDirectory scratch;
  std::filesystem::create_directory("Game");
  FailingFileSystem files(GetParam());
  EXPECT_FALSE(WriteConfiguration(kPath, Settings(), files));
  EXPECT_TRUE(scratch.List("Game").empty()) << scratch.List("Game").front();
}

INSTANTIATE_TEST_SUITE_P(EachStep, WriterFault,
                         testing::Values(Step::kCreate, Step::kWrite, Step::kFlush, Step::kClose,
                                         Step::kReplace),
                         [](const testing::TestParamInfo<Step>& info) {
                           return std::string(NameOf(info.param));
                         });

// A scanner, the indexer or a sync tool opens the freshly written file for a moment and the
// replacement is refused meanwhile: it is tried again, kReplacePauseMs apart, kReplaceAttempts
// times in all. Any other refusal ends the save at once.
TEST(WriteConfiguration, ReplacementRefusedWhileTheFileIsInUseIsTriedAgain) {
  const struct {
    const char* what;
    WriteFailure how;
    int failures;
    bool written;
    int replacements;
  } rows[] = {
      {"in use once", kInUse, 1, true, 2},
      {"in use nine times", kInUse, kReplaceAttempts - 1, true, kReplaceAttempts},
      {"in use throughout", kInUse, 1000, false, kReplaceAttempts},
      {"refused otherwise", kDiskFull, 1, false, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ScratchDirectory scratch;
    std::filesystem::create_directory("Game");
    WriteFileBytes("Game/Zurvo.cfg", kOldBytes);
    FailingFileSystem files(Step::kReplace, row.how, row.failures);
    WriteFailure failure;
    EXPECT_EQ(WriteConfiguration(kPath, AllNonDefault(), files, &failure), row.written);
    EXPECT_EQ(files.replacements, row.replacements);
    EXPECT_EQ(files.pauses, std::vector<int>(row.replacements - 1, kReplacePauseMs));
    EXPECT_EQ(scratch.List("Game"), Only("Zurvo.cfg"));
    if (row.written) {
      EXPECT_EQ(ReadFileBytes("Game/Zurvo.cfg"), OnDisk(FormatConfiguration(AllNonDefault())));
    } else {
      EXPECT_EQ(ReadFileBytes("Game/Zurvo.cfg"), kOldBytes);
      EXPECT_EQ(Describe(failure), Describe(row.how));
    }
  }
}

// The same operations with nothing failing: the temporary file sits next to the target and is
// gone once it has become the target.
TEST(WriteConfiguration, TemporaryFileLivesNextToTheTarget) {
  ScratchDirectory scratch;
  std::filesystem::create_directory("Game");
  WriteFileBytes("Game/Zurvo.cfg", kOldBytes);
  FailingFileSystem files(Step::kNone);
  ASSERT_TRUE(WriteConfiguration(kPath, AllNonDefault(), files));
  const std::filesystem::path temporary(files.created);
  EXPECT_EQ(temporary.parent_path().filename(), "Game") << files.created;
  EXPECT_EQ(files.removals, 0);
  EXPECT_EQ(scratch.List("Game"), Only("Zurvo.cfg"));
  EXPECT_EQ(ReadFileBytes("Game/Zurvo.cfg"), OnDisk(FormatConfiguration(AllNonDefault())));
}

// A crash between writing and renaming leaves the temporary file; the next save must not trip
// over it.
TEST(WriteConfiguration, StaleTemporaryFileIsReused) {
  ScratchDirectory scratch;
  std::filesystem::create_directory("Game");
  FailingFileSystem probe(Step::kNone);
  ASSERT_TRUE(WriteConfiguration(kPath, Settings(), probe));
  WriteFileBytes(probe.created, std::string(8192, 'z'));
  ASSERT_TRUE(WriteConfiguration(kPath, AllNonDefault()));
  EXPECT_EQ(scratch.List("Game"), Only("Zurvo.cfg"));
  EXPECT_EQ(ReadFileBytes("Game/Zurvo.cfg"), OnDisk(FormatConfiguration(AllNonDefault())));
}

// A player who keeps Zurvo.cfg in a synced folder, Game\Zurvo.cfg a symbolic link to it: the save
// replaces the file the link leads to, written beside it first, so that the link stays a link and
// both names show the new settings.
TEST(WriteConfiguration, ALinkedFileStaysALinkAndTheFileItLeadsToGetsTheNewSettings) {
  namespace fs = std::filesystem;
#ifdef _WIN32
  // Windows programs cannot make one under Wine (CreateSymbolicLinkW does nothing there), but a
  // Unix link in a folder Wine reaches is a link to them; the test command makes one.
  const char* made = std::getenv("ZURVO_TEST_LINKED_CONFIG");
  if (made == nullptr) {
    GTEST_SKIP() << "no linked Zurvo.cfg made for this run (ZURVO_TEST_LINKED_CONFIG)";
  }
  const fs::path folder(made);
#else
  ScratchDirectory scratch;
  const fs::path folder = scratch.Path();
  fs::create_directories(folder / "Game");
  fs::create_directories(folder / "synced");
  WriteFileBytes(folder / "synced" / "Zurvo.cfg", kOldBytes);
  fs::create_symlink(fs::path("..") / "synced" / "Zurvo.cfg", folder / "Game" / "Zurvo.cfg");
#endif
  test_support::ScopedCurrentDirectory current(folder);
  WriteFileBytes("synced/Zurvo.cfg", kOldBytes);
  ASSERT_EQ(ReadFileBytes("Game/Zurvo.cfg"), kOldBytes) << "Game\\Zurvo.cfg is no link";

  FailingFileSystem files(Step::kNone);
  WriteFailure failure;
  ASSERT_TRUE(WriteConfiguration(kPath, AllNonDefault(), files, &failure)) << Describe(failure);
  EXPECT_EQ(fs::path(files.created).parent_path().filename(), "synced") << files.created;
  const std::string written = OnDisk(FormatConfiguration(AllNonDefault()));
  EXPECT_EQ(ReadFileBytes("synced/Zurvo.cfg"), written);
  EXPECT_EQ(ReadFileBytes("Game/Zurvo.cfg"), written);
#ifndef _WIN32
  EXPECT_TRUE(fs::is_symlink("Game/Zurvo.cfg"));
#endif
  std::vector<std::string> names;
  for (const char* sub : {"Game", "synced"}) {
    for (const auto& entry : fs::directory_iterator(sub)) {
      names.push_back(std::string(sub) + "/" + entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Game/Zurvo.cfg", "synced/Zurvo.cfg"}));
}

}  // namespace
