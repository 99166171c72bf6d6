#pragma once

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "settings/game_settings.h"
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

// One change per field, so that a field forgotten by operator== or ResetToDefaults shows up.
inline const std::vector<std::pair<std::string, std::function<void(Settings&)>>>& FieldChanges() {
  static const std::vector<std::pair<std::string, std::function<void(Settings&)>>> changes = {
      {"ScreenWidth", [](Settings& s) { s.ScreenWidth = 800; }},
      {"ScreenHeight", [](Settings& s) { s.ScreenHeight = 600; }},
      {"FullScreen", [](Settings& s) { s.FullScreen = true; }},
      {"BitsPerPixel", [](Settings& s) { s.BitsPerPixel = 32; }},
      {"Channels", [](Settings& s) { s.Channels = 1; }},
      {"Frequency", [](Settings& s) { s.Frequency = 44100; }},
      {"BitRate", [](Settings& s) { s.BitRate = 16; }},
      {"MusicVolume", [](Settings& s) { s.MusicVolume = 0.25f; }},
      {"SoundVolume", [](Settings& s) { s.SoundVolume = 0.25f; }},
      {"MotionBlur", [](Settings& s) { s.MotionBlur = 0.25f; }},
      {"Joystick", [](Settings& s) { s.Joystick = 5; }},
      {"Mouse", [](Settings& s) { s.Mouse = 0.25f; }},
      {"Bloom", [](Settings& s) { s.Bloom = true; }},
      {"FSAA", [](Settings& s) { s.FSAA = true; }},
      {"DXT5", [](Settings& s) { s.DXT5 = true; }},
      {"Tails", [](Settings& s) { s.Tails = false; }},
      {"LowTex", [](Settings& s) { s.LowTex = true; }},
      {"NoVE", [](Settings& s) { s.NoVE = true; }},
      {"Invert", [](Settings& s) { s.Invert = false; }},
      {"GodMode", [](Settings& s) { s.GodMode = true; }},
      {"AllLevels", [](Settings& s) { s.AllLevels = true; }},
      {"Gibs", [](Settings& s) { s.Gibs = true; }},
      {"Rocket", [](Settings& s) { s.Rocket = true; }},
      {"Lens", [](Settings& s) { s.Lens = true; }},
      {"Smoke", [](Settings& s) { s.Smoke = true; }},
      {"Sparks", [](Settings& s) { s.Sparks = true; }},
      {"Radial", [](Settings& s) { s.Radial = true; }},
      {"Quality", [](Settings& s) { s.Quality = -1; }},
      {"SimpleControls", [](Settings& s) { s.SimpleControls = true; }},
  };
  return changes;
}

}  // namespace settings_test
