#pragma once

#include <string>
#include <vector>

// A 32-bit program without a manifest runs, from Windows Vista on with UAC, with file
// virtualization: what it writes into a folder that only administrators may change (Program
// Files, the Windows folder, ProgramData) lands in the user's VirtualStore instead, and the
// program reads it back from there as if it were in place. Windows Explorer shows the real
// folder, without it. Wherever the player is told where a file is, the VirtualStore path is said.

// The folders Windows redirects, and the user's local application data folder, all absolute.
struct RedirectedFolders {
  std::vector<std::wstring> roots;
  std::wstring localAppData;
};

// Where Windows keeps what a virtualized program writes into `folder` (absolute, with
// backslashes): "<localAppData>\VirtualStore\<folder without its drive>". Empty when `folder` is
// not one of `redirected`'s roots or below one, or is not on a drive, or the local application
// data folder is not known.
std::wstring VirtualStoreFolder(const std::wstring& folder, const RedirectedFolders& redirected);
