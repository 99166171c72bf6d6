#pragma once

#include <windows.h>

#include <string>

#include "launcher/hardware_probe_win.h"
#include "settings/game_settings.h"

// What the main dialog hands to the settings dialog.
struct LauncherState {
  HINSTANCE instance;
  Settings& settings;
  Capabilities& caps;
  DisplayModeList& modes;
  std::string configPath;
  // The hardware probe, which the dialog starts once it is on screen; its outcome goes into the
  // records before the settings dialog first shows them. Null when the records already hold the
  // probe's results.
  HardwareProbe* probe = nullptr;
  // How long "Настройки" waits for a probe that has not settled; what has not answered by then
  // counts as unknown until it does (from the next "Настройки" on).
  DWORD probePatienceMs = kProbePatienceMs;
  // The configuration file is there but could not be read (held open by a scanner, say). Until
  // it has been read, "Настройки" tries again, and OK writes nothing over it.
  bool configUnread = false;
};

// The game's full title: window titles and message boxes.
extern const wchar_t kGameTitle[];

// Runs the main dialog (resource 101) modally with no owner. Returns 1000 (start the game), 1002
// (exit or closed), or -1 when the dialog could not be shown. "Настройки" waits for
// `state.probe` if it has not settled yet, up to `state.probePatienceMs`; the other buttons and a
// close request never do.
INT_PTR RunMainDialog(LauncherState& state);
