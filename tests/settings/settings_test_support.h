#pragma once

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "settings/game_settings.h"
#include "settings/setting_table.h"
#include "tests/support/temp_files.h"

namespace settings_test {

using test_support::ReadFileBytes;
using test_support::WriteFileBytes;

// What a text-mode "\n" becomes on disk.
inline const std::string kLineEnd = test_support::kTextNewline;

// The bytes a text-mode write of `text` leaves on disk.
inline std::string OnDisk(const std::string& text) {
  std::string bytes;
  for (char c : text) {
    if (c == '\n') {
      bytes += kLineEnd;
    } else {
      bytes += c;
    }
  }
  return bytes;
}

// A fresh directory that is also the current directory for the object's lifetime, since the
// engine resolves its relative paths ("Game\\Zurvo.cfg", "Zurvo.log") from there.
class ScratchDirectory {
public:
  const std::filesystem::path& Path() const { return directory.Path(); }

  // Names of everything in `relative` (a directory below this one), sorted.
  std::vector<std::string> List(const std::string& relative) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Path() / relative)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

private:
  // Declared in this order so that the old current directory is back before the removal.
  test_support::TempDir directory;
  test_support::ScopedCurrentDirectory current{directory.Path()};
};

// Every field away from its default, and every float exactly what "%.2f" reads back as.
inline Settings AllNonDefault() {
  Settings s;
  s.ScreenWidth = 1280;
  s.ScreenHeight = 1024;
  s.FullScreen = true;
  s.BitsPerPixel = 32;
  s.Channels = 1;
  s.Frequency = 44100;
  s.BitRate = 16;
  s.MusicVolume = 0.25f;
  s.SoundVolume = 0.75f;
  s.MotionBlur = 0.4f;
  s.Joystick = 0;
  s.Mouse = 1.25f;
  s.Bloom = true;
  s.FSAA = true;
  s.DXT5 = true;
  s.Tails = false;
  s.LowTex = true;
  s.NoVE = true;
  s.Invert = false;
  s.GodMode = true;
  s.AllLevels = true;
  s.Gibs = true;
  s.Rocket = true;
  s.Lens = true;
  s.Smoke = true;
  s.Sparks = true;
  s.Radial = true;
  s.Quality = 3;
  s.SimpleControls = true;
  return s;
}

// One change per setting, so that a field forgotten by operator==, ResetToDefaults, the reader
// or the writer shows up: a flag flips, a number and a float take a value "%.2f" reads back.
inline std::vector<std::pair<std::string, std::function<void(Settings&)>>> FieldChanges() {
  std::vector<std::pair<std::string, std::function<void(Settings&)>>> changes;
  for (const SettingRow& row : kSettingTable) {
    changes.emplace_back(row.key, [row](Settings& s) {
      if (row.kind == SettingKind::kFloat) {
        s.*row.real = s.*row.real == 0.25f ? 0.75f : 0.25f;
      } else if (row.kind == SettingKind::kFlag) {
        row.Set(s, row.Get(s) == 0 ? 1 : 0);
      } else {
        row.Set(s, row.Get(s) == 5 ? -1 : 5);
      }
    });
  }
  return changes;
}

// What the writer makes of the defaults: the file the game knows, kept here once.
inline const char kDefaultText[] =
    "ScreenWidth 640\n"
    "ScreenHeight 480\n"
    "FullScreen 0\n"
    "BitsPerPixel 16\n"
    "\n"
    "Channels 2\n"
    "Frequency 22050\n"
    "BitRate 8\n"
    "\n"
    "MusicVolume 0.50\n"
    "SoundVolume 0.50\n"
    "MotionBlur 0.00\n"
    "Joystick 1\n"
    "Bloom 0\n"
    "FSAA 0\n"
    "DXT5 0\n"
    "Mouse 0.50\n"
    "Tails 1\n"
    "LowTex 0\n"
    "NoVE 0\n"
    "Invert 1\n"
    "Gibs 0\n"
    "Rocket 0\n"
    "Lens 0\n"
    "Smoke 0\n"
    "Sparks 0\n"
    "Radial 0\n"
    "Quality 0\n"
    "SimpleControls 0\n"
    "\n";

}  // namespace settings_test
