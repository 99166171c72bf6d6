#pragma once

#include <windows.h>

#include "launcher/background_probe_win.h"

// The launcher from start to end: single-instance lock, configuration, the main dialog at once
// with `probe` running on a worker meanwhile, and the start of the game. Always returns 0.
int RunLauncher(HINSTANCE instance, ProbeFunction probe);
