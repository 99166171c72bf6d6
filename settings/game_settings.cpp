#include "settings/game_settings.h"

// All three records are constant-initialised from their member initialisers, so the defaults
// are in force before any code of the launcher runs, whatever the order of static constructors.
Settings GameSettings;
Capabilities DeviceCaps;
DisplayModeList DisplayModes;

void ResetToDefaults(Settings& settings) {
  settings = Settings();
}

bool operator==(const Settings& a, const Settings& b) {
  return a.ScreenWidth == b.ScreenWidth && a.ScreenHeight == b.ScreenHeight &&
         a.FullScreen == b.FullScreen && a.BitsPerPixel == b.BitsPerPixel &&
         a.Channels == b.Channels && a.Frequency == b.Frequency && a.BitRate == b.BitRate &&
         a.MusicVolume == b.MusicVolume && a.SoundVolume == b.SoundVolume &&
         a.MotionBlur == b.MotionBlur && a.Joystick == b.Joystick && a.Mouse == b.Mouse &&
         a.Bloom == b.Bloom && a.FSAA == b.FSAA && a.DXT5 == b.DXT5 && a.Tails == b.Tails &&
         a.LowTex == b.LowTex && a.NoVE == b.NoVE && a.Invert == b.Invert &&
         a.GodMode == b.GodMode && a.AllLevels == b.AllLevels && a.Gibs == b.Gibs &&
         a.Rocket == b.Rocket && a.Lens == b.Lens && a.Smoke == b.Smoke && a.Sparks == b.Sparks &&
         a.Radial == b.Radial && a.Quality == b.Quality && a.SimpleControls == b.SimpleControls;
}
