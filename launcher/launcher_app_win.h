#pragma once

#include <windows.h>

// The launcher from start to end: single-instance lock, configuration, the main dialog at once
// with the hardware probe running in processes of its own meanwhile, and the start of the game.
// Always returns 0.
int RunLauncher(HINSTANCE instance);
