#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>
#include <string>
#include <system_error>

#include "engine/log.h"
#include "engine/path_resolve.h"
#include "settings/config_file.h"
#include "settings/config_file_system.h"
#include "settings/setting_table.h"

namespace {

class ConfigText {
public:
  explicit ConfigText(std::string& text) : text(text) {}

  void Integer(const char* key, std::int32_t value) {
    char digits[16];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    Line(key, digits, end.ptr);
  }

  // Two decimals of the value widened to double, as "%.2f" prints it in the "C" locale. The
  // conversion never looks at the user's locale, so a German Windows still writes "0.50", and it
  // rounds the same way (exactly, ties to even) with every C runtime the launcher is built with.
  void Real(const char* key, float value) {
    // The widest value, FLT_MAX, has 39 integer digits.
    char digits[64];
    const std::to_chars_result end =
        std::to_chars(digits, digits + sizeof digits, static_cast<double>(Finite(value)),
                      std::chars_format::fixed, 2);
    Line(key, digits, end.ptr);
  }

  void BlankLine() { text += '\n'; }

private:
  // A value beyond float's range ("1e39" in the file) reads as infinity, and some C runtimes
  // print "inf" or "nan" in a form that their own atof reads back as 0 or 1. The largest float
  // and 0 read back as themselves everywhere, so the file means the same on every machine.
  static float Finite(float value) {
    if (std::isnan(value)) {
      return 0.0f;
    }
    if (std::isinf(value)) {
      return std::copysign(FLT_MAX, value);
    }
    return value;
  }

  void Line(const char* key, const char* begin, const char* end) {
    text += key;
    text += ' ';
    text.append(begin, end);
    text += '\n';
  }

  std::string& text;
};

// Leaves the old file in place and says so; the caller learns that the write failed and
// `seen`, why, as the failing step found it before the clean-up could change that.
bool Fail(ConfigFileSystem& files, const std::string& path, const std::string& temporary,
          FileHandle& file, const WriteFailure& seen, WriteFailure* failure) {
  if (file) {
    files.Close(file);
  }
  if (!temporary.empty()) {
    files.Remove(temporary);
  }
  LogMessage("Cannot write file - %s\n", path.c_str());
  if (failure != nullptr) {
    *failure = seen;
  }
  return false;
}

// A file written a moment ago is opened at once by virus scanners, the search indexer and sync
// tools, each for a moment, and the replacement is refused while they hold it. Only that is
// tried again, for about a second; anything else will not go away by waiting.
bool ReplaceWhenFree(ConfigFileSystem& files, const std::string& temporary,
                     const std::string& target, WriteFailure& seen) {
  for (int attempt = 1;; ++attempt) {
    if (files.Replace(temporary, target)) {
      return true;
    }
    seen = files.LastFailure();
    if (seen.kind != WriteFailure::Kind::kInUse || attempt == kReplaceAttempts) {
      return false;
    }
    files.Pause(kReplacePauseMs);
  }
}

}  // namespace

std::string FormatConfiguration(const Settings& settings) {
  std::string text;
  try {
    text.reserve(512);
    ConfigText out(text);
    for (std::size_t i = 0; i < std::size(kSettingTable); ++i) {
      const SettingRow& row = kSettingTable[i];
      if (i > 0 && row.group != kSettingTable[i - 1].group) {
        out.BlankLine();
      }
      if (row.kind == SettingKind::kFloat) {
        out.Real(row.key, settings.*row.real);
      } else if (!row.writtenOnlyWhenOn || row.Get(settings) != 0) {
        out.Integer(row.key, row.Get(settings));
      }
    }
  } catch (const std::bad_alloc&) {
    // An empty text is never a valid configuration; the writer refuses it.
    text.clear();
  }
  return text;
}

std::string TemporaryPathFor(const std::string& target) {
  // Same directory, so that the final rename never crosses a file system. A leftover from a
  // crash is simply overwritten by the next save.
  return target + ".tmp";
}

bool WriteConfiguration(const std::string& path, const Settings& settings, ConfigFileSystem& files,
                        WriteFailure* failure) {
  FileHandle file;
  std::string temporary;
  // Out of memory, the one failure before the file system is asked; the system says nothing.
  WriteFailure seen{WriteFailure::Kind::kSystem, 0};
  const std::string text = FormatConfiguration(settings);
  // The loader that reads the file back matches names without regard to case; resolve the
  // same way so that both reach the file that is there, whatever its spelling on disk.
  std::string target;
  try {
    const std::string named = ResolvePathIgnoringCase(path);
    if (text.empty() || named.empty()) {
      return Fail(files, path, temporary, file, seen, failure);
    }
    // Replacing a link would cut it off from the file it leads to, which keeps the old settings.
    target = files.LinkedFile(named);
    if (target.empty()) {
      seen = files.LastFailure();
      return Fail(files, path, temporary, file, seen, failure);
    }
    temporary = TemporaryPathFor(target);
  } catch (const std::bad_alloc&) {
    return Fail(files, path, temporary, file, seen, failure);
  }

  if (!files.CreateTemporary(target, temporary, file)) {
    seen = files.LastFailure();
    // Nothing was created, or what was created half-way must go.
    file.reset();
    return Fail(files, path, temporary, file, seen, failure);
  }
  if (!files.Write(file.get(), text.data(), text.size()) || !files.Flush(file.get()) ||
      !files.Close(file)) {
    seen = files.LastFailure();
    return Fail(files, path, temporary, file, seen, failure);
  }
  if (!ReplaceWhenFree(files, temporary, target, seen)) {
    return Fail(files, path, temporary, file, seen, failure);
  }
  return true;
}

bool WriteConfiguration(const std::string& path, const Settings& settings, WriteFailure* failure) {
  return WriteConfiguration(path, settings, RealConfigFileSystem(), failure);
}
