#pragma once

#include <windows.h>

#include "launcher/dialog_layout.h"
#include "launcher/dialog_picture_win.h"

// Makes the launcher's dialogs suit the player's screen and fonts, around their own dialog
// procedures.

// Tells Windows that the launcher draws for the screen's real resolution, so that Windows 8.1 to
// 11 do not stretch its windows into a blur above 100%: per monitor (v2) where Windows has it,
// for the whole system on Vista to Windows 10 1607, nothing on Windows XP. Found at run time, so
// the program still starts on XP. Call once, before the first window.
void DeclareDpiAwareness();

// The primary screen, and its work area (the screen less the task bar), where the launcher's
// dialogs go.
PixelRect PrimaryScreen();
PixelRect PrimaryWorkArea();

// Runs dialog resource `resourceId` modally, as DialogBoxParamW does with `procedure` and `param`,
// created once from its template laid out for this machine first (launcher/dialog_font_win.h:
// the fallback face where the template's cannot show the texts, a smaller point size where the
// dialog would not fit the work area), and before it shows:
// - gives the first tab stop the focus through the dialog manager, so that a focused push button
//   is the one Enter presses;
// - with `picture`, scales the picture to fill its sunken frame: its own size at 96 dpi, larger
//   with the screen's resolution as far as the room allows, again when the resolution changes;
// and once it is first painted, shows the game's icon (resource 113) for it, large and small,
// then sends `procedure` kDialogPainted, for work the window need not wait for. Timers of the
// dialog's own count from 2.
// Returns what the dialog ended with, or -1 when it could not be shown.
const UINT kDialogPainted = WM_APP + 2;
INT_PTR RunFittedDialog(HINSTANCE instance, int resourceId, HWND owner, DLGPROC procedure,
                        LPARAM param, const DialogPicture* picture = nullptr);
