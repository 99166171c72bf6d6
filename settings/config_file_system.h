#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "engine/file_handle.h"
#include "settings/config_file.h"
#include "settings/game_settings.h"

// The few file operations the configuration writer performs, one call per step, so that each
// step can be made to fail on purpose. Every operation reports success as true and never
// throws; none of them logs. One that fails keeps why, as the system said it then, for
// LastFailure().
class ConfigFileSystem {
public:
  virtual ~ConfigFileSystem() = default;

  // Opens `temporary` (a new name in the directory of `target`) for writing in text mode, empty.
  // Fails when the directory does not exist or when `target` exists but may not be written.
  virtual bool CreateTemporary(const std::string& target, const std::string& temporary,
                               FileHandle& file) = 0;
  // Writes all `size` bytes.
  virtual bool Write(std::FILE* file, const char* data, std::size_t size) = 0;
  // Pushes the buffered text out and has the system put it on the disk.
  virtual bool Flush(std::FILE* file) = 0;
  // Closes the file, whatever happens, and reports whether the close succeeded.
  virtual bool Close(FileHandle& file) = 0;
  // Puts `temporary` in the place of `target` in one step: afterwards `target` names either the
  // old file or the complete new one, never anything in between.
  virtual bool Replace(const std::string& temporary, const std::string& target) = 0;
  virtual bool Remove(const std::string& path) = 0;
  // The file the configuration really is: where `target` is a symbolic link (a player who keeps
  // the settings in a synced folder), the file it leads to, so that the new file is written
  // beside that one and replaces it, and the link stays a link; `target` itself otherwise, also
  // when nothing is there yet. Empty when the file it leads to cannot be named in the writer's
  // 8-bit paths (LastFailure says why). A file system without links has nothing to follow.
  virtual std::string LinkedFile(const std::string& target) { return target; }

  // Why the last operation that failed did.
  virtual WriteFailure LastFailure() const = 0;
  // Waits before a step is tried again.
  virtual void Pause(int milliseconds) = 0;
};

// The platform's real file operations.
ConfigFileSystem& RealConfigFileSystem();

// WriteConfiguration over the given operations: the real writer passes RealConfigFileSystem().
bool WriteConfiguration(const std::string& path, const Settings& settings, ConfigFileSystem& files,
                        WriteFailure* failure = nullptr);

// How often, and how far apart, the writer tries the replacement while the file is in use.
constexpr int kReplaceAttempts = 10;
constexpr int kReplacePauseMs = 100;

// The name of the temporary file the writer uses for `target` (already resolved).
std::string TemporaryPathFor(const std::string& target);
