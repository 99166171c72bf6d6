#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "settings/config_file.h"
#include "settings/game_settings.h"
#include "settings_test_support.h"

namespace {

using settings_test::AllNonDefault;

// One change per field, so that a field forgotten by operator== or ResetToDefaults shows up.
const std::vector<std::pair<std::string, std::function<void(Settings&)>>>& FieldChanges() {
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

TEST(GameSettings, EqualityNoticesEveryField) {
  ASSERT_EQ(FieldChanges().size(), 29u);
  for (const auto& [field, change] : FieldChanges()) {
    Settings changed;
    change(changed);
    EXPECT_FALSE(changed == Settings()) << field;
    EXPECT_TRUE(changed != Settings()) << field;
    EXPECT_TRUE(changed == changed) << field;
  }
}

TEST(GameSettings, ResetToDefaultsRestoresEveryField) {
  Settings settings = AllNonDefault();
  for (const auto& [field, change] : FieldChanges()) {
    change(settings);
  }
  ResetToDefaults(settings);
  EXPECT_TRUE(settings == Settings()) << FormatConfiguration(settings);
}

// The global records hold their initial values before any code runs: nothing in this test
// program writes them.
TEST(GameSettings, GlobalsStartWithDefaults) {
  EXPECT_TRUE(GameSettings == Settings()) << FormatConfiguration(GameSettings);
  EXPECT_TRUE(DeviceCaps.bloomAvailable);
  EXPECT_TRUE(DeviceCaps.fsaaAvailable);
  EXPECT_TRUE(DeviceCaps.dxt5Available);
  EXPECT_TRUE(DeviceCaps.joystickAvailable);
  EXPECT_EQ(DeviceCaps.aaLevelCount, 0);
  EXPECT_TRUE(DisplayModes.empty()) << DisplayModes.size();
}

TEST(GameSettings, DisplayModesCompareAllThreeFields) {
  const DisplayMode mode{600, 800, 32};
  EXPECT_TRUE(mode == (DisplayMode{600, 800, 32}));
  EXPECT_TRUE(mode != (DisplayMode{601, 800, 32}));
  EXPECT_TRUE(mode != (DisplayMode{600, 801, 32}));
  EXPECT_TRUE(mode != (DisplayMode{600, 800, 16}));
  // Height comes first in the record: {800, 600} is a portrait mode, not the same one.
  EXPECT_TRUE(mode != (DisplayMode{800, 600, 32}));
}

}  // namespace
