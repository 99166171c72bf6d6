#include <cfloat>
#include <clocale>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/config_file.h"
#include "settings/game_settings.h"
#include "settings_test_support.h"

namespace {

using settings_test::kDefaultText;

// The text between "<key> " and the end of its line.
std::string ValueOf(const std::string& text, const std::string& key) {
  const std::string::size_type start = text.find("\n" + key + " ");
  if (start == std::string::npos) {
    return "<no " + key + " line>";
  }
  const std::string::size_type value = start + key.size() + 2;
  return text.substr(value, text.find('\n', value) - value);
}

TEST(FormatConfiguration, DefaultsGiveTheThirtyLines) {
  EXPECT_EQ(FormatConfiguration(Settings()), kDefaultText);
}

TEST(FormatConfiguration, EveryFieldReachesItsLine) {
  EXPECT_EQ(FormatConfiguration(settings_test::AllNonDefault()),
            "ScreenWidth 1280\nScreenHeight 1024\nFullScreen 1\nBitsPerPixel 32\n\n"
            "Channels 1\nFrequency 44100\nBitRate 16\n\n"
            "MusicVolume 0.25\nSoundVolume 0.75\nMotionBlur 0.40\nJoystick 0\nBloom 1\nFSAA 1\n"
            "DXT5 1\nMouse 1.25\nTails 0\nLowTex 1\nNoVE 1\nInvert 0\nGibs 1\nRocket 1\nLens 1\n"
            "Smoke 1\nSparks 1\nRadial 1\nQuality 3\nSimpleControls 1\n\n"
            "GodMode 1\nAllLevels 1\n");
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  for (std::string::size_type end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// Each field has its own line: changing one field changes that line (or adds it) and no other.
TEST(FormatConfiguration, EachFieldWritesOnlyItsOwnLine) {
  const std::vector<std::string> defaults = Lines(kDefaultText);
  for (const auto& [field, change] : settings_test::FieldChanges()) {
    Settings settings;
    change(settings);
    std::vector<std::string> changed = Lines(FormatConfiguration(settings));
    std::vector<std::string> differing;
    for (std::size_t i = 0; i < changed.size(); ++i) {
      if (i >= defaults.size() || changed[i] != defaults[i]) {
        differing.push_back(changed[i]);
      }
    }
    ASSERT_EQ(differing.size(), 1u) << field << ":\n" << FormatConfiguration(settings);
    EXPECT_EQ(differing[0].rfind(field + " ", 0), 0u) << field << ": " << differing[0];
  }
}

TEST(FormatConfiguration, CheatLinesOnlyWhenOnAndInOrder) {
  Settings settings;
  settings.AllLevels = true;
  EXPECT_EQ(FormatConfiguration(settings), std::string(kDefaultText) + "AllLevels 1\n");
  settings.AllLevels = false;
  settings.GodMode = true;
  EXPECT_EQ(FormatConfiguration(settings), std::string(kDefaultText) + "GodMode 1\n");
}

TEST(FormatConfiguration, IntegersAsStored) {
  Settings settings;
  settings.Joystick = 5;
  settings.Quality = -1;
  settings.ScreenWidth = std::numeric_limits<std::int32_t>::min();
  settings.Frequency = std::numeric_limits<std::int32_t>::max();
  const std::string text = FormatConfiguration(settings);
  EXPECT_EQ(ValueOf(text, "Joystick"), "5");
  EXPECT_EQ(ValueOf(text, "Quality"), "-1");
  EXPECT_EQ(text.substr(0, 24), "ScreenWidth -2147483648\n");
  EXPECT_EQ(ValueOf(text, "Frequency"), "2147483647");
}

// Two decimals of the exact binary value, ties to even, as "%.2f" rounds in the "C" runtime of
// glibc and mingw-w64; the old Microsoft runtime would write 0.13 for 0.125.
TEST(FormatConfiguration, FloatsWithTwoDecimalsEverywhere) {
  const struct {
    float value;
    const char* text;
  } cases[] = {
      {0.5f, "0.50"},
      {0.0f, "0.00"},
      {-0.0f, "-0.00"},
      {0.125f, "0.12"},  // exact tie: to even
      {0.375f, "0.38"},  // exact tie: to even
      {0.015625f, "0.02"},
      {2.675f, "2.67"},  // stored as 2.67499995...
      {0.005f, "0.00"},  // stored as 0.00499999...
      {-0.001f, "-0.00"},
      {-2.5f, "-2.50"},
      {1e10f, "10000000000.00"},
      {FLT_MAX, "340282346638528859811704183484516925440.00"},
      {-FLT_MAX, "-340282346638528859811704183484516925440.00"},
      {FLT_MIN, "0.00"},
      // Not every C runtime reads "inf" or "nan" back: the nearest values that all of them read.
      {std::numeric_limits<float>::infinity(), "340282346638528859811704183484516925440.00"},
      {-std::numeric_limits<float>::infinity(), "-340282346638528859811704183484516925440.00"},
      {std::numeric_limits<float>::quiet_NaN(), "0.00"},
      {-std::numeric_limits<float>::quiet_NaN(), "0.00"},
  };
  for (const auto& c : cases) {
    Settings settings;
    settings.Mouse = c.value;
    EXPECT_EQ(ValueOf(FormatConfiguration(settings), "Mouse"), c.text) << c.value;
  }
}

// A player whose locale writes decimal commas still gets the file the game can read.
TEST(FormatConfiguration, IgnoresTheUserLocale) {
  const char* const commaLocales[] = {"de_DE.UTF-8",         "de_DE",  "fr_FR.UTF-8",
                                      "German_Germany.1252", "German", "French"};
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  const char* chosen = nullptr;
  for (const char* name : commaLocales) {
    if (std::setlocale(LC_ALL, name) != nullptr && std::localeconv()->decimal_point[0] == ',') {
      chosen = name;
      break;
    }
  }
  if (chosen == nullptr) {
    std::setlocale(LC_ALL, previous.c_str());
    GTEST_SKIP() << "no locale with a decimal comma on this system";
  }
  const std::string text = FormatConfiguration(Settings());
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(text, kDefaultText) << "locale " << chosen;
}

}  // namespace
