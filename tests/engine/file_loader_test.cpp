#include "engine/file_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>

#include "tests/support/temp_files.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using test_support::kTextNewline;
using test_support::ReadFileBytes;
using test_support::ScopedCurrentDirectory;
using test_support::TempDir;
using test_support::WriteFileBytes;

namespace fs = std::filesystem;

// Sets a file's length without writing its bytes. The 32-bit MinGW runtime's
// std::filesystem::resize_file stops below 2 GiB, so Windows sets the end of file itself.
void ResizeFile(const fs::path& path, unsigned long long size) {
#ifdef _WIN32
  const HANDLE file = CreateFileW(path.wstring().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  const bool resized = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  const DWORD error = GetLastError();
  CloseHandle(file);
  ASSERT_TRUE(resized) << "error " << error;
#else
  fs::resize_file(path, size);
#endif
}

std::string Loaded(const FileLoader& loader) {
  if (loader.Data() == nullptr) {
    return std::string();
  }
  return std::string(loader.Data(), static_cast<std::size_t>(loader.Size()));
}

// Works in a temporary current directory, where the loader's log and archive live, and leaves
// the process-wide archive directory as empty as it found it.
class FileLoaderTest : public testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(ArchiveDirectory.empty()); }
  void TearDown() override { ArchiveDirectory.clear(); }

  std::string Log() const { return ReadFileBytes(dir.Path() / "Zurvo.log"); }
  bool LogExists() const { return fs::exists(dir.Path() / "Zurvo.log"); }
  std::string LogLine(const std::string& text) const { return text + kTextNewline; }

  void WriteConfig(const std::string& bytes) {
    fs::create_directory(dir.Path() / "Game");
    WriteFileBytes(dir.Path() / "Game" / "Zurvo.cfg", bytes);
  }

  TempDir dir;
  ScopedCurrentDirectory cwd{dir.Path()};
};

TEST_F(FileLoaderTest, MissingFileIsReportedUnderItsLowercasedPath) {
  FileLoader loader("Game\\Zurvo.cfg", 1);
  EXPECT_EQ(loader.Load(), E_FAIL);
  EXPECT_LT(loader.Load(), 0);
  EXPECT_EQ(loader.Size(), 0);
  EXPECT_EQ(loader.Data(), nullptr);
  EXPECT_EQ(Log(), LogLine("File - game\\zurvo.cfg not found") +
                       LogLine("File - game\\zurvo.cfg not found"));
}

// A file that is there but cannot be read must never pass for a missing one: the launcher
// would write the defaults over it.
TEST_F(FileLoaderTest, NoFileIsToldFromAFileThatCouldNotBeRead) {
  enum class Setup { kNoGameFolder, kNoFile, kFolderAtThePath, kUnreadable };
  struct Case {
    const char* name;
    Setup setup;
    bool noFile;
    const char* logged;
  };
  const Case cases[] = {
      {"no Game folder", Setup::kNoGameFolder, true, "File - game\\zurvo.cfg not found"},
      {"no file", Setup::kNoFile, true, "File - game\\zurvo.cfg not found"},
      {"a folder at the path", Setup::kFolderAtThePath, true, "File - game\\zurvo.cfg not found"},
      {"a file that cannot be read", Setup::kUnreadable, false,
       "Unknown error in file - game\\zurvo.cfg"},
  };
  const fs::path config = dir.Path() / "Game" / "Zurvo.cfg";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir.Path() / "Game");
    fs::remove(dir.Path() / "Zurvo.log");
    if (c.setup != Setup::kNoGameFolder) {
      fs::create_directory(dir.Path() / "Game");
    }
    if (c.setup == Setup::kFolderAtThePath) {
      fs::create_directory(config);
    }
#ifdef _WIN32
    // Held open without sharing, as a virus scanner or a backup tool holds it.
    HANDLE held = INVALID_HANDLE_VALUE;
    if (c.setup == Setup::kUnreadable) {
      WriteFileBytes(config, "Bloom 1\n");
      held = CreateFileW(config.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(held, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    }
#else
    // A link that leads to itself: something is there, and nothing can be read through it.
    if (c.setup == Setup::kUnreadable) {
      fs::create_symlink("Zurvo.cfg", config);
    }
#endif
    FileLoader loader("Game\\Zurvo.cfg", 1);
    EXPECT_EQ(loader.Load(), E_FAIL);
    EXPECT_EQ(loader.FoundNoFile(), c.noFile);
    EXPECT_EQ(loader.Size(), 0);
    EXPECT_EQ(Log(), LogLine(c.logged));
#ifdef _WIN32
    if (held != INVALID_HANDLE_VALUE) {
      CloseHandle(held);
    }
#endif
  }
}

TEST_F(FileLoaderTest, FindsTheFileWhateverTheCaseOnDisk) {
  WriteConfig("ScreenWidth 1024\r\n");
  FileLoader loader("Game\\Zurvo.cfg", 1);
  ASSERT_EQ(loader.Load(), S_OK);
  EXPECT_EQ(Loaded(loader), "ScreenWidth 1024\r\n");
  EXPECT_FALSE(LogExists());
}

TEST_F(FileLoaderTest, BytesArriveExactlyAsStored) {
  const std::string bytes(
      "a\r\nb\0c\n\r\x1A\xFF"
      "end",
      13);
  WriteConfig(bytes);
  FileLoader loader("GAME\\ZURVO.CFG", 1);
  ASSERT_EQ(loader.Load(), S_OK);
  EXPECT_EQ(loader.Size(), 13);
  EXPECT_EQ(Loaded(loader), bytes);
}

TEST_F(FileLoaderTest, EmptyFileLoadsWithoutStorage) {
  WriteConfig("");
  FileLoader loader("Game\\Zurvo.cfg", 1);
  EXPECT_EQ(loader.Load(), S_OK);
  EXPECT_EQ(loader.Size(), 0);
  EXPECT_EQ(loader.Data(), nullptr);
}

TEST_F(FileLoaderTest, EveryLoadReadsAfreshIntoTheSameStorage) {
  WriteConfig(std::string(100, 'a'));
  FileLoader loader("Game\\Zurvo.cfg", 1);
  ASSERT_EQ(loader.Load(), S_OK);
  const char* const storage = loader.Data();

  WriteConfig("short");
  ASSERT_EQ(loader.Load(), S_OK);
  EXPECT_EQ(Loaded(loader), "short");
  EXPECT_EQ(loader.Data(), storage);

  fs::remove(dir.Path() / "Game" / "Zurvo.cfg");
  EXPECT_EQ(loader.Load(), E_FAIL);
  EXPECT_EQ(loader.Size(), 0);
}

TEST_F(FileLoaderTest, PathsGoToTheLogAsArgumentsNeverAsFormats) {
  struct Case {
    std::string path;
    std::string logged;
  };
  const Case cases[] = {
      {"", "File -  not found"},
      {"100%S%n.CFG", "File - 100%s%n.cfg not found"},
      // Longer than the log's limit: the line is cut, nothing overruns.
      {std::string(600, 'P'), ("File - " + std::string(600, 'p')).substr(0, 511)},
  };
  for (const Case& c : cases) {
    fs::remove(dir.Path() / "Zurvo.log");
    FileLoader loader(c.path, 1);
    EXPECT_EQ(loader.Load(), E_FAIL) << "path '" << c.path << "'";
    const std::string newline = c.logged.size() < 511 ? kTextNewline : "";
    EXPECT_EQ(Log(), c.logged + newline) << "path '" << c.path << "'";
  }
}

TEST_F(FileLoaderTest, FilesOfTwoGibibytesAndMoreAreRefused) {
  fs::create_directory(dir.Path() / "Game");
  const fs::path big = dir.Path() / "Game" / "Zurvo.cfg";
  WriteFileBytes(big, "");
  ASSERT_NO_FATAL_FAILURE(ResizeFile(big, 0x80000000ULL));  // nothing is written
  FileLoader loader("Game\\Zurvo.cfg", 1);
  EXPECT_EQ(loader.Load(), E_FAIL);
  EXPECT_EQ(loader.Size(), 0);
  EXPECT_EQ(Log(), LogLine("Unknown error in file - game\\zurvo.cfg"));
}

TEST_F(FileLoaderTest, WithoutEntriesTheArchiveIsNeverOpened) {
  WriteConfig("from disk");
  // Whether or not an archive lies there, an unlisted path comes from disk.
  for (const bool archivePresent : {false, true}) {
    if (archivePresent) {
      WriteFileBytes(dir.Path() / "Zurvo.dat", "from archive");
    }
    FileLoader loader("Game\\Zurvo.cfg", 1);
    ASSERT_EQ(loader.Load(), S_OK);
    EXPECT_EQ(Loaded(loader), "from disk");
  }
  EXPECT_FALSE(LogExists());
}

TEST_F(FileLoaderTest, ListedPathIsReadFromTheArchive) {
  WriteConfig("from disk");
  WriteFileBytes(dir.Path() / "Zurvo.dat",
                 "HEADER"
                 "payload\r\n"
                 "TAIL");
  ArchiveDirectory["game\\zurvo.cfg"] = ArchiveEntry{6, 9};
  FileLoader loader("Game\\ZURVO.cfg", 1);
  ASSERT_EQ(loader.Load(), S_OK);
  EXPECT_EQ(Loaded(loader), "payload\r\n");
  EXPECT_FALSE(LogExists());

  ArchiveDirectory["game\\empty"] = ArchiveEntry{0, 0};
  FileLoader empty("Game\\Empty", 1);
  EXPECT_EQ(empty.Load(), S_OK);
  EXPECT_EQ(empty.Size(), 0);
}

TEST_F(FileLoaderTest, ArchiveKeysAreComparedWhole) {
  WriteFileBytes(dir.Path() / "Zurvo.dat", "archive");
  ArchiveDirectory["Game\\Zurvo.cfg"] = ArchiveEntry{0, 7};  // capitals: never looked up
  ArchiveDirectory["game/zurvo.cfg"] = ArchiveEntry{0, 7};   // other separator
  FileLoader loader("Game\\Zurvo.cfg", 1);
  EXPECT_EQ(loader.Load(), E_FAIL);
  EXPECT_EQ(Log(), LogLine("File - game\\zurvo.cfg not found"));
}

struct ArchiveFailure {
  const char* name;
  bool archivePresent;
  ArchiveEntry entry;
  std::string logged;
  std::string buffer;  // what the loader holds afterwards
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ArchiveFailure& c, std::ostream* out) {
  *out << c.name;
}

class ArchiveFailures : public FileLoaderTest,
                        public testing::WithParamInterface<ArchiveFailure> {};

TEST_P(ArchiveFailures, AreReportedUnderTheArchivesName) {
  const ArchiveFailure& c = GetParam();
  WriteConfig("on disk");
  if (c.archivePresent) {
    WriteFileBytes(dir.Path() / "Zurvo.dat", "0123456789");
  }
  ArchiveDirectory["game\\zurvo.cfg"] = c.entry;
  FileLoader loader("Game\\Zurvo.cfg", 1);
  EXPECT_EQ(loader.Load(), E_FAIL);
  EXPECT_EQ(Log(), LogLine(c.logged));
  EXPECT_EQ(Loaded(loader), c.buffer);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ArchiveFailures,
    testing::Values(
        ArchiveFailure{"NoArchive", false, {0, 4}, "File - Zurvo.dat not found", ""},
        ArchiveFailure{"EntryPastTheEnd",
                       true,
                       {6, 8},
                       "Unknown error in file - Zurvo.dat",
                       std::string("6789\0\0\0\0", 8)},
        ArchiveFailure{"EntryBehindTheEnd",
                       true,
                       {20, 3},
                       "Unknown error in file - Zurvo.dat",
                       std::string(3, '\0')},
        ArchiveFailure{"NegativeOffset", true, {-1, 3}, "Unknown error in file - Zurvo.dat", ""},
        ArchiveFailure{
            "TwoGibibytesOrMore", true, {0, 0x80000000u}, "Unknown error in file - Zurvo.dat", ""}),
    [](const testing::TestParamInfo<ArchiveFailure>& info) {
      return std::string(info.param.name);
    });

}  // namespace
