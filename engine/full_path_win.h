#pragma once

#include <string>

// `path` (relative to the current directory or absolute) as a full path, as the system would
// take it; empty when it cannot be had.
std::wstring FullPathOf(const std::wstring& path);
