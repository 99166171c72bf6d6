#pragma once

#include <windows.h>

// The launcher from start to end: single-instance lock, configuration, probe, main dialog and
// the start of the game. Always returns 0.
int RunLauncher(HINSTANCE instance);
