#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

#include "engine/file_loader.h"
#include "engine/script_reader.h"
#include "engine/string_util.h"
#include "engine/tokenizer.h"
#include "settings/config_file.h"

namespace {

// One recognised key and the field it sets. Exactly one of the three members is set; which one
// decides the conversion: flags come from the integer conversion, never from the float one.
struct KeyField {
  std::string_view key;
  std::int32_t Settings::*integer;
  bool Settings::*flag;
  float Settings::*real;
};

constexpr KeyField Integer(std::string_view key, std::int32_t Settings::*field) {
  return {key, field, nullptr, nullptr};
}
constexpr KeyField Flag(std::string_view key, bool Settings::*field) {
  return {key, nullptr, field, nullptr};
}
constexpr KeyField Real(std::string_view key, float Settings::*field) {
  return {key, nullptr, nullptr, field};
}

// Keys in lower case, in the order the game's own reader tries them.
constexpr KeyField kKeys[] = {
    Integer("screenwidth", &Settings::ScreenWidth),
    Integer("screenheight", &Settings::ScreenHeight),
    Flag("fullscreen", &Settings::FullScreen),
    Integer("bitsperpixel", &Settings::BitsPerPixel),
    Integer("channels", &Settings::Channels),
    Integer("frequency", &Settings::Frequency),
    Integer("bitrate", &Settings::BitRate),
    Real("musicvolume", &Settings::MusicVolume),
    Real("soundvolume", &Settings::SoundVolume),
    Real("motionblur", &Settings::MotionBlur),
    Integer("joystick", &Settings::Joystick),  // kept as written, not reduced to 0 or 1
    Flag("fsaa", &Settings::FSAA),
    Flag("bloom", &Settings::Bloom),
    Flag("dxt5", &Settings::DXT5),
    Real("mouse", &Settings::Mouse),
    Flag("tails", &Settings::Tails),
    Flag("lowtex", &Settings::LowTex),
    Flag("nove", &Settings::NoVE),
    Flag("invert", &Settings::Invert),
    Flag("gibs", &Settings::Gibs),
    Flag("rocket", &Settings::Rocket),
    Flag("lens", &Settings::Lens),
    Flag("smoke", &Settings::Smoke),
    Flag("sparks", &Settings::Sparks),
    Flag("radial", &Settings::Radial),
    Integer("quality", &Settings::Quality),
    Flag("simplecontrols", &Settings::SimpleControls),
    Flag("godmode", &Settings::GodMode),
    Flag("alllevels", &Settings::AllLevels),
};

void StoreValue(const std::string& key, const std::string& value, Settings& settings) {
  // The C runtime's conversions, so that odd values ("2.5", "abc", "5e-1") read as the game
  // reads them.
  const std::int32_t integer = std::atoi(value.c_str());
  const float real = static_cast<float>(std::atof(value.c_str()));
  for (const KeyField& entry : kKeys) {
    if (entry.key != key) {
      continue;
    }
    if (entry.integer != nullptr) {
      settings.*entry.integer = integer;
    } else if (entry.flag != nullptr) {
      settings.*entry.flag = integer != 0;
    } else {
      settings.*entry.real = real;
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
