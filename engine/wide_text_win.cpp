#include "engine/wide_text_win.h"

#include <windows.h>

namespace {

std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) {
    return std::wstring();
  }
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  if (length <= 0) {
    return std::wstring();
  }
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], length);
  return wide;
}

}  // namespace

std::wstring WidenUtf8(const std::string& text) {
  return Widen(text, CP_UTF8);
}

std::wstring WidenAnsi(const std::string& text) {
  return Widen(text, CP_ACP);
}

std::string NarrowAnsi(const std::wstring& text, bool exact) {
  const DWORD flags = exact ? WC_NO_BEST_FIT_CHARS : 0;
  BOOL lossy = FALSE;
  BOOL* const usedDefault = exact ? &lossy : nullptr;
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, nullptr, usedDefault);
  if (length <= 0 || lossy) {
    return std::string();
  }
  std::string narrow(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(CP_ACP, flags, text.data(), size, &narrow[0], length, nullptr,
                          usedDefault) != length ||
      lossy) {
    return std::string();
  }
  return narrow;
}
