#pragma once

#include <cstdint>

#include "launcher/resource_ids.h"
#include "settings/game_settings.h"

// Every setting of "Game\Zurvo.cfg", once. The reader, the writer, equality, the settings
// dialog's working copy, its presets and its check boxes all walk this table, so a new setting
// is its field in Settings (with its default), a row here and, for a box, a control id and its
// line in launcher.rc.

enum class SettingKind {
  kFlag,    // bool: read as a number that is not 0, written as 0 or 1
  kNumber,  // int32: read and written as the decimal number
  kFloat,   // float: written with two decimals
  kMode,    // int32 set from the display-mode list
  kChoice,  // int32 set from a fixed list (frequencies, sample sizes, antialiasing levels)
};

// What the hardware must offer for a control to be on. Without it the control is off and a
// preset leaves it alone; where the probe could not tell, OK keeps the file's own value.
struct HardwareNeed {
  bool Capabilities::*offered;
  bool Capabilities::*answered;
};

constexpr std::int8_t kPresetLeaves = -1;

struct SettingRow {
  const char* key;                 // as written; the reader compares it without regard to case
  std::int32_t Settings::*number;  // kNumber, kMode, kChoice
  bool Settings::*flag;            // kFlag
  float Settings::*real;           // kFloat
  SettingKind kind;
  // Rows are written in table order; a blank line separates two groups.
  int group;
  // The dialog's control: a check box for a flag or number, a list for a mode or choice; 0 for
  // a setting only the file or the hardware decides.
  int control = 0;
  const HardwareNeed* needs = nullptr;
  bool writtenOnlyWhenOn = false;  // then as "<key> 1", and no line at all when off
  bool boxInverted = false;        // the box shows the opposite of the setting
  // The setting's value after "Нормально", "Хорошо", "Отлично"; kPresetLeaves for none.
  std::int8_t preset[3] = {kPresetLeaves, kPresetLeaves, kPresetLeaves};

  constexpr SettingRow Box(int id, std::int8_t normal, std::int8_t good,
                           std::int8_t excellent) const {
    SettingRow row = *this;
    row.control = id;
    row.preset[0] = normal;
    row.preset[1] = good;
    row.preset[2] = excellent;
    return row;
  }
  constexpr SettingRow List(int id) const {
    SettingRow row = *this;
    row.control = id;
    return row;
  }
  constexpr SettingRow Needs(const HardwareNeed* need) const {
    SettingRow row = *this;
    row.needs = need;
    return row;
  }
  // Inverted box, line written only when on.
  constexpr SettingRow With(bool SettingRow::*option) const {
    SettingRow row = *this;
    row.*option = true;
    return row;
  }

  bool Offered(const Capabilities& caps) const { return needs == nullptr || caps.*needs->offered; }
  bool Answered(const Capabilities& caps) const {
    return needs == nullptr || caps.*needs->answered;
  }
  bool IsCheckBox() const {
    return control != 0 && (kind == SettingKind::kFlag || kind == SettingKind::kNumber);
  }
  // Flags and numbers as one integer (a flag is 0 or 1); floats are not asked this way.
  std::int32_t Get(const Settings& settings) const {
    return flag != nullptr ? (settings.*flag ? 1 : 0) : settings.*number;
  }
  void Set(Settings& settings, std::int32_t value) const {
    if (flag != nullptr) {
      settings.*flag = value != 0;
    } else {
      settings.*number = value;
    }
  }
};

namespace setting_row {

using C = Capabilities;
inline constexpr HardwareNeed kNeedsBloom{&C::bloomAvailable, &C::graphicsKnown};
inline constexpr HardwareNeed kNeedsFsaa{&C::fsaaAvailable, &C::graphicsKnown};
inline constexpr HardwareNeed kNeedsDxt5{&C::dxt5Available, &C::graphicsKnown};
inline constexpr HardwareNeed kNeedsJoystick{&C::joystickAvailable, &C::joystickKnown};

constexpr SettingRow Flag(int group, const char* key, bool Settings::*field) {
  return {key, nullptr, field, nullptr, SettingKind::kFlag, group};
}
constexpr SettingRow Number(int group, const char* key, std::int32_t Settings::*field,
                            SettingKind kind = SettingKind::kNumber) {
  return {key, field, nullptr, nullptr, kind, group};
}
constexpr SettingRow Float(int group, const char* key, float Settings::*field) {
  return {key, nullptr, nullptr, field, SettingKind::kFloat, group};
}

using S = Settings;
using R = SettingRow;
using K = SettingKind;

// In the order the game expects the lines.
// clang-format off
inline constexpr SettingRow kSettingTable[] = {
    Number(0, "ScreenWidth", &S::ScreenWidth, K::kMode).List(IDC_DISPLAY_MODE),
    Number(0, "ScreenHeight", &S::ScreenHeight, K::kMode).List(IDC_DISPLAY_MODE),
    Flag(0, "FullScreen", &S::FullScreen),
    Number(0, "BitsPerPixel", &S::BitsPerPixel, K::kMode).List(IDC_DISPLAY_MODE),
    Number(1, "Channels", &S::Channels),
    Number(1, "Frequency", &S::Frequency, K::kChoice).List(IDC_FREQUENCY),
    Number(1, "BitRate", &S::BitRate, K::kChoice).List(IDC_BITRATE),
    Float(2, "MusicVolume", &S::MusicVolume),
    Float(2, "SoundVolume", &S::SoundVolume),
    Float(2, "MotionBlur", &S::MotionBlur),
    // Presets: the setting's value after "Нормально", "Хорошо", "Отлично".
    Number(2, "Joystick", &S::Joystick).Box(IDC_JOYSTICK, -1, -1, -1).Needs(&kNeedsJoystick),
    Flag(2, "Bloom", &S::Bloom).Box(IDC_BLOOM, 0, 1, 1).Needs(&kNeedsBloom),
    Flag(2, "FSAA", &S::FSAA).Needs(&kNeedsFsaa),  // no control: on where the hardware offers it
    Flag(2, "DXT5", &S::DXT5).Box(IDC_DXT5, 1, 1, 1).Needs(&kNeedsDxt5),
    Float(2, "Mouse", &S::Mouse),
    Flag(2, "Tails", &S::Tails).Box(IDC_TAILS, 0, 1, 1),
    Flag(2, "LowTex", &S::LowTex).Box(IDC_LOWTEX, 1, 0, 0),
    Flag(2, "NoVE", &S::NoVE).Box(IDC_NAV_LIGHTS, 1, 0, 0).With(&R::boxInverted),
    Flag(2, "Invert", &S::Invert).Box(IDC_INVERT, -1, -1, -1),
    Flag(2, "Gibs", &S::Gibs).Box(IDC_GIBS, 0, 1, 1),
    Flag(2, "Rocket", &S::Rocket).Box(IDC_ROCKET, 0, 0, 1),
    Flag(2, "Lens", &S::Lens).Box(IDC_LENS, 0, 1, 1),
    Flag(2, "Smoke", &S::Smoke).Box(IDC_SMOKE, 0, 1, 1),
    Flag(2, "Sparks", &S::Sparks).Box(IDC_SPARKS, 0, 1, 1),
    Flag(2, "Radial", &S::Radial).Box(IDC_RADIAL, 0, 0, 1),
    Number(2, "Quality", &S::Quality, K::kChoice).List(IDC_ANTIALIASING).Needs(&kNeedsFsaa),
    Flag(2, "SimpleControls", &S::SimpleControls).Box(IDC_SIMPLE_CONTROLS, -1, -1, -1),
    // The game treats a missing line as off, so the cheats only appear when they are on.
    Flag(3, "GodMode", &S::GodMode).With(&R::writtenOnlyWhenOn),
    Flag(3, "AllLevels", &S::AllLevels).With(&R::writtenOnlyWhenOn),
};
// clang-format on

}  // namespace setting_row

using setting_row::kSettingTable;
