#pragma once

#include <cstdint>
#include <vector>

// What the game reads from "Game\Zurvo.cfg". Each field carries its configuration key's name;
// the member initialisers are the defaults in force when no file exists.
struct Settings {
  std::int32_t ScreenWidth = 640;
  std::int32_t ScreenHeight = 480;
  bool FullScreen = false;
  std::int32_t BitsPerPixel = 16;
  std::int32_t Channels = 2;
  std::int32_t Frequency = 22050;
  std::int32_t BitRate = 8;
  float MusicVolume = 0.5f;
  float SoundVolume = 0.5f;
  float MotionBlur = 0.0f;
  std::int32_t Joystick = 1;  // a flag, but kept as the file wrote it
  float Mouse = 0.5f;
  bool Bloom = false;
  bool FSAA = false;
  bool DXT5 = false;
  bool Tails = true;
  bool LowTex = false;
  bool NoVE = false;
  bool Invert = true;
  bool GodMode = false;
  bool AllLevels = false;
  bool Gibs = false;
  bool Rocket = false;
  bool Lens = false;
  bool Smoke = false;
  bool Sparks = false;
  bool Radial = false;
  std::int32_t Quality = 0;
  bool SimpleControls = false;
};

bool operator==(const Settings& a, const Settings& b);
inline bool operator!=(const Settings& a, const Settings& b) {
  return !(a == b);
}

// What the hardware allows; everything counts as available until the probe says otherwise.
struct Capabilities {
  bool bloomAvailable = true;
  bool fsaaAvailable = true;
  bool dxt5Available = true;
  bool joystickAvailable = true;
  std::int32_t aaLevelCount = 0;
  // False when the probe could not tell (the driver crashed or hung before it answered): the
  // matching controls are off as for an absent feature, but the file's own values are kept
  // rather than ones the hardware never gave. Graphics covers bloom, FSAA and DXT5.
  bool graphicsKnown = true;
  bool joystickKnown = true;
};

// One usable full-screen mode. Field order (height first) is the record's layout.
struct DisplayMode {
  std::uint32_t height;
  std::uint32_t width;
  std::uint32_t bitsPerPixel;
};

// Same mode: width, height and bits per pixel all equal.
inline bool operator==(const DisplayMode& a, const DisplayMode& b) {
  return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel;
}
inline bool operator!=(const DisplayMode& a, const DisplayMode& b) {
  return !(a == b);
}

using DisplayModeList = std::vector<DisplayMode>;

// Sets every field to its default.
void ResetToDefaults(Settings& settings);

// The launcher's process-wide records. Only the entry function touches them directly; every
// other function takes the record it works on as a parameter.
extern Settings GameSettings;
extern Capabilities DeviceCaps;
extern DisplayModeList DisplayModes;
