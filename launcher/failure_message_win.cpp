#include "launcher/failure_message_win.h"

#include "engine/system_text_win.h"
#include "engine/unique_handle_win.h"
#include "engine/virtual_store_win.h"
#include "engine/wide_text_win.h"
#include "launcher/single_instance_win.h"

namespace {

// The message box being shown, marked as a launcher window for as long as it exists.
HWND g_failureBox = nullptr;

// Watches the windows this thread creates while the box is being shown: the first dialog window
// is the box, marked for a second launcher to find.
LRESULT CALLBACK MarkFailureBox(int code, WPARAM wParam, LPARAM lParam) {
  const auto window = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_CREATEWND && g_failureBox == nullptr && IsDialogWindow(window)) {
    g_failureBox = window;
    MarkLauncherWindow(window);
  } else if (code == HCBT_DESTROYWND && window == g_failureBox) {
    UnmarkLauncherWindow(window);
    g_failureBox = nullptr;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::wstring FolderOf(const std::string& path) {
  const std::string::size_type slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::wstring() : WidenAnsi(path.substr(0, slash));
}

const wchar_t kFolderInPlace[] = L"на месте файла папка.";
const wchar_t kReadOnly[] = L"файл только для чтения.";

// The system's `error` for `path` in plain words; a missing folder is named.
std::wstring SystemReason(const std::string& path, DWORD error) {
  if (error == ERROR_PATH_NOT_FOUND) {
    return L"нет папки " + FolderOf(path) + L".";
  }
  return SystemErrorText(error);
}

}  // namespace

const wchar_t kVirtualStoreLabel[] = L"Записанное программой в эту папку Windows хранит в папке: ";

std::wstring CurrentDirectory() {
  return SystemText([](DWORD size, wchar_t* buffer) { return GetCurrentDirectoryW(size, buffer); });
}

std::wstring SystemErrorText(DWORD code) {
  if (code == 0) {
    return {};
  }
  wchar_t text[512] = {};
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                     text, sizeof text / sizeof text[0], nullptr);
  std::wstring result(text, length);
  while (!result.empty() &&
         (result.back() == L'\r' || result.back() == L'\n' || result.back() == L' ')) {
    result.pop_back();
  }
  if (result.empty()) {
    result = L"ошибка " + WidenUtf8(std::to_string(code)) + L".";
  }
  return result;
}

std::wstring FileProblem(const std::string& path) {
  const std::wstring wide = WidenAnsi(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) {
      return L"файл не найден.";
    }
    return SystemReason(path, error);
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return kFolderInPlace;
  }
  // Opening with every kind of sharing allowed fails only when someone else's open shuts us out
  // (a scanner, a backup tool, the game) or the system refuses; the file is not changed.
  const UniqueFileHandle file(CreateFileW(wide.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.Valid() ? std::wstring() : SystemErrorText(GetLastError());
}

std::wstring WriteFailureReason(const std::string& path, const WriteFailure& failure) {
  switch (failure.kind) {
    case WriteFailure::Kind::kNone:
      return {};
    case WriteFailure::Kind::kReadOnly:
      return kReadOnly;
    case WriteFailure::Kind::kFolderInPlace:
      return kFolderInPlace;
    case WriteFailure::Kind::kInUse:
    case WriteFailure::Kind::kSystem:
      return SystemReason(path, failure.systemError);
  }
  return {};
}

void ShowFailure(HWND owner, const wchar_t* caption, const std::wstring& firstLine,
                 const std::wstring& reason) {
  const std::wstring folder = CurrentDirectory();
  std::wstring text = firstLine + L"\n\nПапка: " + folder;
  // Under Program Files on Vista and later, what the launcher wrote there is not in the folder
  // Explorer shows.
  const std::wstring store = VirtualStoreFolderOf(folder);
  if (!store.empty()) {
    text += L"\n" + std::wstring(kVirtualStoreLabel) + store;
  }
  if (!reason.empty()) {
    text += L"\nПричина: " + reason;
  }
  // Should the hook not be had, the box shows all the same, only unmarked.
  const UniqueHook hook(SetWindowsHookExW(WH_CBT, MarkFailureBox, nullptr, GetCurrentThreadId()));
  MessageBoxW(owner, text.c_str(), caption, MB_OK | MB_ICONERROR);
  g_failureBox = nullptr;
}
