#pragma once

#include <string>

// Where Windows really keeps what this program writes into `folder` (absolute): its VirtualStore
// counterpart when this process runs with file virtualization and `folder` is one Windows
// redirects; empty otherwise (Windows XP, a process with a manifest or elevated, UAC off, a
// folder the user may write).
std::wstring VirtualStoreFolderOf(const std::wstring& folder);

// Where the file at `path` (relative to the current directory or absolute) that this program
// has just written really is, as a full path: its VirtualStore copy where Windows put one there;
// empty where it is in place.
std::wstring VirtualStoreCopyOf(const std::wstring& path);

// Whether this process runs with file virtualization. Under Wine, which has none, a test sets
// "ZURVO_TEST_VIRTUALIZED" to "1" to take the path a virtualized process takes.
bool ProcessIsVirtualized();
