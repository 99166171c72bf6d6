#pragma once

#include <windows.h>

#include <string>

// The text a system function writes into the caller's buffer, for the functions that answer a
// buffer too small with the size they need, terminating NUL included: `call(size, buffer)` is
// asked once for the size, then for the text. Empty when either fails or the text grew meanwhile.
template <typename Call>
std::wstring SystemText(Call call) {
  const DWORD needed = call(0, nullptr);
  if (needed == 0) {
    return {};
  }
  std::wstring text(needed, L'\0');
  const DWORD length = call(needed, &text[0]);
  if (length == 0 || length >= needed) {
    return {};
  }
  text.resize(length);
  return text;
}

// `path` (relative to the current directory or absolute) as a full path, as the system would
// take it; empty when it cannot be had.
inline std::wstring FullPathOf(const std::wstring& path) {
  return SystemText([&path](DWORD size, wchar_t* buffer) {
    return GetFullPathNameW(path.c_str(), size, buffer, nullptr);
  });
}
