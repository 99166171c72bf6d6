#pragma once

#include <windows.h>

// A 64-bit millisecond count on every Windows the launcher runs on. Windows XP has no
// GetTickCount64; the static thread library behind std::thread and the C++ runtime's own locks
// call it for their timed waits, and an exe importing it is refused by XP's loader before any of
// our code runs. The shipped programs link tick_count_win.cpp so that those callers reach
// TickCount64 instead of an import.

// The real GetTickCount64 where kernel32 has it (Vista and later), otherwise
// TickCount64FromTickCount.
ULONGLONG WINAPI TickCount64();

// Windows XP's stand-in: GetTickCount, counted on past its wrap every 49.7 days.
ULONGLONG WINAPI TickCount64FromTickCount();
