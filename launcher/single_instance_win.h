#pragma once

#include "engine/unique_handle_win.h"

// The launcher's single-instance lock: the named event "SKARNAVELLauncher_started", held for as
// long as the returned owner lives. `alreadyRunning` is set when another launcher holds it, the
// returned owner is then empty (DecideSingleInstance in start_rules.h says when that is).
UniqueKernelHandle TakeSingleInstanceLock(bool& alreadyRunning);

// Marks `window`, a dialog of this launcher (the main dialog, a failure message), as one that a
// second launcher brings forward. Unmark it before it is destroyed.
void MarkLauncherWindow(HWND window);
void UnmarkLauncherWindow(HWND window);
// Whether `window` is a dialog window (class "#32770"), as the marked windows are.
bool IsDialogWindow(HWND window);

// Brings the running launcher's window (the settings dialog when it is open, else the main
// dialog) to the foreground. Waits a little for the main dialog, which the running launcher shows
// only after it has read its configuration; gives up quietly.
void BringRunningLauncherForward();
