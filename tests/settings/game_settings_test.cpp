#include <gtest/gtest.h>

#include "settings/config_file.h"
#include "settings/game_settings.h"
#include "settings_test_support.h"

namespace {

using settings_test::AllNonDefault;
using settings_test::FieldChanges;

TEST(GameSettings, EqualityNoticesEveryField) {
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
