#include "settings/game_settings.h"

#include "settings/setting_table.h"

// All three records are constant-initialised from their member initialisers, so the defaults
// are in force before any code of the launcher runs, whatever the order of static constructors.
Settings GameSettings;
Capabilities DeviceCaps;
DisplayModeList DisplayModes;

void ResetToDefaults(Settings& settings) {
  settings = Settings();
}

bool operator==(const Settings& a, const Settings& b) {
  for (const SettingRow& row : kSettingTable) {
    // Floats compare as floats: a NaN read from the file equals nothing, as before.
    if (row.kind == SettingKind::kFloat ? a.*row.real != b.*row.real : row.Get(a) != row.Get(b)) {
      return false;
    }
  }
  return true;
}
