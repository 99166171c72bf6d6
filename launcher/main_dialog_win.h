#pragma once

#include <windows.h>

#include <string>

#include "settings/game_settings.h"

// What the main dialog hands to the settings dialog.
struct LauncherState {
  HINSTANCE instance;
  Settings& settings;
  const Capabilities& caps;
  const DisplayModeList& modes;
  std::string configPath;
};

// The game's full title: window titles and message boxes.
extern const wchar_t kGameTitle[];
// A property on the main dialog by which a second launcher finds the running one.
extern const wchar_t kLauncherWindowProperty[];

// Runs the main dialog (resource 101) modally with no owner. Returns 1000 (start the game), 1002
// (exit or closed), or -1 when the dialog could not be shown.
INT_PTR RunMainDialog(LauncherState& state);
