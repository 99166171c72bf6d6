#include <cstdlib>
#include <new>
#include <string>

#include "engine/file_loader.h"
#include "engine/script_reader.h"
#include "engine/string_util.h"
#include "engine/tokenizer.h"
#include "settings/config_file.h"
#include "settings/setting_table.h"

namespace {

// `lowered` was lowered with ToLowerInPlace; the table spells its keys in capitalised words.
bool SameKey(const std::string& lowered, const char* key) {
  std::size_t i = 0;
  for (; i < lowered.size() && key[i] != '\0'; ++i) {
    if (lowered[i] != LowerAscii(key[i])) {
      return false;
    }
  }
  return i == lowered.size() && key[i] == '\0';
}

void StoreValue(const std::string& key, const std::string& value, Settings& settings) {
  // The C runtime's conversions, so that odd values ("2.5", "abc", "5e-1") read as the game
  // reads them. Flags come from the integer conversion, never from the float one.
  const std::int32_t integer = std::atoi(value.c_str());
  const float real = static_cast<float>(std::atof(value.c_str()));
  for (const SettingRow& row : kSettingTable) {
    if (!SameKey(key, row.key)) {
      continue;
    }
    if (row.kind == SettingKind::kFloat) {
      settings.*row.real = real;
    } else {
      row.Set(settings, integer);  // Joystick is kept as written, not reduced to 0 or 1
    }
    return;
  }
}

}  // namespace

bool ReadConfigurationFromBytes(const char* data, std::int32_t size, Settings& settings) {
  try {
    // Work on a copy so that running out of memory halfway leaves the caller's record whole.
    Settings read = settings;
    ScriptReader reader(data, size);
    std::string line;
    std::string key;
    std::string value;
    while (reader.ReadLine(line)) {
      Tokenizer tokenizer(line, " ", true);
      if (!tokenizer.NextToken(key) || !tokenizer.NextToken(value)) {
        continue;
      }
      StoreValue(ToLowerInPlace(key), value, read);
    }
    settings = read;
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

ConfigFileRead ReadConfigurationFile(const std::string& path, Settings& settings) {
  try {
    FileLoader loader(path, 1);
    if (loader.Load() < 0) {
      return loader.FoundNoFile() ? ConfigFileRead::kNoFile : ConfigFileRead::kUnreadable;
    }
    // Out of memory halfway: the settings are as before, and the file has not been read.
    return ReadConfigurationFromBytes(loader.Data(), loader.Size(), settings)
               ? ConfigFileRead::kRead
               : ConfigFileRead::kUnreadable;
  } catch (const std::bad_alloc&) {
    return ConfigFileRead::kUnreadable;
  }
}

ResultCode ReadConfiguration(const std::string& path, Settings& settings) {
  return ReadConfigurationFile(path, settings) == ConfigFileRead::kRead ? S_OK : E_FAIL;
}
