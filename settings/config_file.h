#pragma once

#include <cstdint>
#include <string>

#include "engine/result_code.h"
#include "settings/game_settings.h"

// Reads an engine-syntax configuration file into `settings`: recognised keys (any case) are
// stored, everything else is skipped, a key given twice keeps its last value. Returns the file
// loader's result; on failure `settings` is untouched.
ResultCode ReadConfiguration(const std::string& path, Settings& settings);

// What a reading of the configuration file found.
enum class ConfigFileRead {
  kRead,        // the file was read into the settings
  kNoFile,      // nothing at the path, or a folder: the defaults stand, OK may create the file
  kUnreadable,  // a file is there but could not be read: it must not be written over
};

// ReadConfiguration, telling a missing file from one that could not be read.
ConfigFileRead ReadConfigurationFile(const std::string& path, Settings& settings);

// The same reading over text already in memory (`size` bytes at `data`, which may be null when
// `size` is 0). Returns false, with `settings` untouched, only when memory runs out.
bool ReadConfigurationFromBytes(const char* data, std::int32_t size, Settings& settings);

// The configuration text for `settings`, with "\n" line ends, exactly as the game expects it.
std::string FormatConfiguration(const Settings& settings);

// Why a save failed, as the step that failed found it at that moment (looking at the file
// afterwards would find whoever held it gone, or something else).
struct WriteFailure {
  enum class Kind {
    kNone,
    kReadOnly,       // the file is marked read-only (may not be written, on POSIX)
    kFolderInPlace,  // a folder stands at the file's path
    kInUse,   // someone else had the file open just then: a scanner, the indexer, a sync tool
    kSystem,  // the system refused for another reason
  };
  Kind kind = Kind::kNone;
  // The system's own code for kInUse and kSystem: GetLastError() on Windows, errno elsewhere;
  // 0 when it gave none.
  std::uint32_t systemError = 0;
};

// Replaces the file at `path` with the text of `settings` in one step: the old file survives
// byte for byte unless the new one was written completely. A replacement refused because the
// file is in use is tried again for about a second. Logs "Cannot write file - <path>" and
// returns false on any failure, telling why in `failure` when one is given.
bool WriteConfiguration(const std::string& path, const Settings& settings,
                        WriteFailure* failure = nullptr);
