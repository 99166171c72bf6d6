#pragma once

#include <windows.h>

#include <string>

#include "settings/config_file.h"

// Shows a failure to the player: `firstLine` as the launcher has always put it, then, after a
// blank line, the folder the launcher works in ("Папка: ...", the current directory, which every
// path of the launcher is relative to) and, when known, `reason` ("Причина: ..."). A player who
// started the launcher from elsewhere sees at once where it looked; where Windows keeps what the
// launcher writes there in the VirtualStore, a line after it names that folder too, starting with
// kVirtualStoreLabel. While the box is up, a second launcher brings it to the front.
extern const wchar_t kVirtualStoreLabel[];
void ShowFailure(HWND owner, const wchar_t* caption, const std::wstring& firstLine,
                 const std::wstring& reason);

// Why `path` (relative to the current directory, in the ANSI code page) cannot be opened for
// reading, in plain words; empty when nothing stands in the way that the launcher can see.
std::wstring FileProblem(const std::string& path);

// Why saving to `path` failed, in plain words, from what the writer found when it failed;
// empty when nothing is known.
std::wstring WriteFailureReason(const std::string& path, const WriteFailure& failure);

// The system's own words for an error code, without the closing line break; empty for 0.
std::wstring SystemErrorText(DWORD code);

// The current directory, in UTF-16 so that a folder such as "C:\Игры\SKARNAVEL" reads right on
// any code page; empty when it cannot be had.
std::wstring CurrentDirectory();
