#pragma once

#include <windows.h>

#include <string>

#include "settings/game_settings.h"

// Runs the settings dialog (resource 105 of `instance`) modally over `owner`. OK writes
// `configPath` and, once the file is written, stores the choices into `settings`; a failed write
// shows an error box and keeps the dialog open. With `fileUnread` (the file is there but could not
// be read), OK writes nothing and says so. Returns 1 (OK), 2 (Cancel), 1002 (closed), or -1
// when the dialog could not be shown.
INT_PTR RunSettingsDialog(HINSTANCE instance, HWND owner, Settings& settings,
                          const Capabilities& caps, const DisplayModeList& modes,
                          const std::string& configPath, bool fileUnread);

// Places `window` in the middle of the primary screen, keeping its size. Integer division, so an
// odd remainder leaves the extra pixel at the right and bottom. Where that would reach under the
// task bar or off the screen, it is moved into the work area, its caption first.
void CentreOnScreen(HWND window);
