#include "tests/e2e/ui_driver_win.h"

#include <cstdint>
#include <cstdio>
#include <utility>

#include "tests/e2e/png_writer.h"

namespace e2e {

namespace {

struct WindowQuery {
  DWORD processId;
  bool visibleOnly;
  std::vector<HWND>* found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM lParam) {
  auto* query = reinterpret_cast<WindowQuery*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == query->processId && (!query->visibleOnly || IsWindowVisible(window))) {
    query->found->push_back(window);
  }
  return TRUE;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(window);
  return TRUE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) {
      return true;
    }
    if (GetTickCount64() >= deadline) {
      return false;
    }
    Sleep(20);
  }
}

Process::~Process() {
  Terminate();
}

bool Process::Start(const std::filesystem::path& exe, const std::filesystem::path& workingDir,
                    const std::wstring& arguments) {
  Terminate();
  std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
  if (!arguments.empty()) {
    commandLine += L" " + arguments;
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  // Wine now and then refuses a process start outright on a busy machine (ERROR_INTERNAL_ERROR);
  // a player would start the program again, and so does the test, saying so.
  for (int attempt = 1;; ++attempt) {
    if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                       workingDir.c_str(), &startup, &info)) {
      break;
    }
    std::fprintf(stderr, "cannot start %ls (error %lu)%s\n", exe.c_str(), GetLastError(),
                 attempt < 3 ? ", trying again" : "");
    if (attempt == 3) {
      return false;
    }
    Sleep(500);
  }
  CloseHandle(info.hThread);
  process_.Reset(info.hProcess);
  id_ = info.dwProcessId;
  return true;
}

bool Process::Running() const {
  return process_.Valid() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

bool Process::WaitForExit(DWORD timeoutMs, DWORD& exitCode) {
  if (!process_.Valid() || WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0) {
    return false;
  }
  return GetExitCodeProcess(process_.Get(), &exitCode) != FALSE;
}

void Process::Terminate() {
  if (Running()) {
    TerminateProcess(process_.Get(), 1);
    WaitForSingleObject(process_.Get(), 10000);
  }
  process_.Reset();
}

std::vector<HWND> TopLevelWindows(DWORD processId, bool visibleOnly) {
  std::vector<HWND> found;
  WindowQuery query{processId, visibleOnly, &found};
  EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&query));
  return found;
}

std::vector<HWND> ThreadWindows(DWORD threadId) {
  std::vector<HWND> found;
  EnumThreadWindows(threadId, CollectWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND WaitForDialog(DWORD processId, const std::wstring& title, HWND owner, DWORD timeoutMs) {
  HWND result = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows(processId, true)) {
          if (ClassName(window) == L"#32770" && WindowText(window) == title &&
              (owner == nullptr || Owner(window) == owner)) {
            result = window;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return result;
}

HWND WaitForWindowOfClass(const std::wstring& className, DWORD timeoutMs) {
  HWND result = nullptr;
  WaitUntil(
      [&] {
        result = FindWindowW(className.c_str(), nullptr);
        return result != nullptr && IsWindowVisible(result);
      },
      timeoutMs);
  return result;
}

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

HWND Owner(HWND window) {
  return GetWindow(window, GW_OWNER);
}

std::wstring ControlText(HWND dialog, int id) {
  return WindowText(GetDlgItem(dialog, id));
}

bool IsChecked(HWND dialog, int id) {
  return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND dialog, int id) {
  return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

std::vector<std::wstring> ListEntries(HWND dialog, int id) {
  std::vector<std::wstring> entries;
  const LRESULT count = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendDlgItemMessageW(dialog, id, CB_GETLBTEXTLEN, i, 0);
    std::wstring text(length < 0 ? 0 : static_cast<std::size_t>(length) + 1, L'\0');
    if (length >= 0) {
      SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
      text.resize(static_cast<std::size_t>(length));
    }
    entries.push_back(text);
  }
  return entries;
}

int ListSelection(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

std::wstring SelectedText(HWND dialog, int id) {
  const int selection = ListSelection(dialog, id);
  const std::vector<std::wstring> entries = ListEntries(dialog, id);
  if (selection < 0 || selection >= static_cast<int>(entries.size())) {
    return L"<none>";
  }
  return entries[static_cast<std::size_t>(selection)];
}

void SelectEntry(HWND dialog, int id, int index) {
  SendDlgItemMessageW(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::vector<std::wstring> ChildTexts(HWND window) {
  std::vector<HWND> children;
  EnumChildWindows(window, CollectWindow, reinterpret_cast<LPARAM>(&children));
  std::vector<std::wstring> texts;
  for (HWND child : children) {
    texts.push_back(WindowText(child));
  }
  return texts;
}

FailureMessage ReadFailureMessage(HWND box) {
  std::wstring message;
  for (const std::wstring& text : ChildTexts(box)) {
    if (text.size() > message.size()) {
      message = text;  // the buttons' texts are shorter
    }
  }
  std::vector<std::wstring> lines;
  std::wstring::size_type start = 0;
  for (;;) {
    const std::wstring::size_type end = message.find(L'\n', start);
    lines.push_back(message.substr(start, end == std::wstring::npos ? end : end - start));
    if (end == std::wstring::npos) {
      break;
    }
    start = end + 1;
  }
  FailureMessage result;
  result.firstLine = Utf8(lines[0]);
  const std::wstring folderLabel = L"Папка: ";
  const std::wstring storeLabel = L"Записанное программой в эту папку Windows хранит в папке: ";
  const std::wstring reasonLabel = L"Причина: ";
  const auto starts = [&lines](std::size_t line, const std::wstring& label) {
    return line < lines.size() && lines[line].compare(0, label.size(), label) == 0;
  };
  std::size_t next = 3;
  if (starts(next, storeLabel)) {
    result.storeFolder = std::filesystem::path(lines[next++].substr(storeLabel.size()));
  }
  if (starts(next, reasonLabel)) {
    result.reason = Utf8(lines[next++].substr(reasonLabel.size()));
  }
  result.layoutOk =
      lines.size() >= 3 && lines.size() == next && lines[1].empty() && starts(2, folderLabel);
  if (result.layoutOk) {
    result.folder = std::filesystem::path(lines[2].substr(folderLabel.size()));
  }
  return result;
}

void Click(HWND dialog, int id) {
  SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void ClickLater(HWND dialog, int id) {
  PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool ClickWithin(HWND dialog, int id, DWORD timeoutMs) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs,
                             &ignored) != 0;
}

bool Answers(HWND window, DWORD timeoutMs) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

bool Repaints(HWND window, DWORD timeoutMs) {
  if (!InvalidateRect(window, nullptr, TRUE)) {
    return false;
  }
  // The update region empties only when the owning thread has handled WM_PAINT.
  return WaitUntil([window] { return GetUpdateRect(window, nullptr, FALSE) == FALSE; }, timeoutMs);
}

void PostCommand(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PostClose(HWND window) {
  PostMessageW(window, WM_CLOSE, 0, 0);
}

void PostKey(HWND window, WPARAM virtualKey) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  HWND target = window;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
      info.hwndFocus != nullptr) {
    target = info.hwndFocus;
  }
  const UINT scanCode = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | (static_cast<LPARAM>(scanCode) << 16);
  const LPARAM up = down | (static_cast<LPARAM>(3) << 30);
  PostMessageW(target, WM_KEYDOWN, virtualKey, down);
  PostMessageW(target, WM_KEYUP, virtualKey, up);
}

namespace {

// What the screen shows in `rect`, as RGB rows; empty when the copy failed.
std::vector<std::uint8_t> CaptureScreen(const RECT& rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) {
    return {};
  }
  UniqueMemoryDc memory(CreateCompatibleDC(screen));
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueGdiObject bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  bool copied = false;
  if (memory && bitmap && bits != nullptr) {
    HGDIOBJ previous = SelectObject(memory.Get(), bitmap.Get());
    copied = BitBlt(memory.Get(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != 0;
    GdiFlush();
    SelectObject(memory.Get(), previous);
  }
  ReleaseDC(nullptr, screen);
  if (!copied) {
    return {};
  }
  const auto* pixels = static_cast<const std::uint8_t*>(bits);
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                                3);
  for (std::size_t i = 0, count = rgb.size() / 3; i < count; ++i) {
    rgb[i * 3] = pixels[i * 4 + 2];
    rgb[i * 3 + 1] = pixels[i * 4 + 1];
    rgb[i * 3 + 2] = pixels[i * 4];
  }
  return rgb;
}

}  // namespace

std::vector<std::uint8_t> ScreenPixels(HWND window, const RECT& rect) {
  // A window that has just appeared may not be painted yet: ask for a paint, let the owning
  // thread handle it, and take the picture once two captures in a row agree.
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  DWORD_PTR ignoredResult = 0;
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignoredResult);
  std::vector<std::uint8_t> rgb;
  for (int attempt = 0; attempt < 20; ++attempt) {
    Sleep(150);
    std::vector<std::uint8_t> next = CaptureScreen(rect);
    if (next.empty()) {
      return next;
    }
    const bool stable = next == rgb;
    rgb = std::move(next);
    if (stable) {
      break;
    }
  }
  return rgb;
}

bool SaveScreenshot(HWND window, const std::filesystem::path& path) {
  RECT rect;
  if (!GetWindowRect(window, &rect) || rect.right <= rect.left || rect.bottom <= rect.top) {
    return false;
  }
  const std::vector<std::uint8_t> rgb = ScreenPixels(window, rect);
  if (rgb.empty()) {
    return false;
  }
  std::error_code ignored;
  std::filesystem::create_directories(path.parent_path(), ignored);
  return WritePng(path, rect.right - rect.left, rect.bottom - rect.top, rgb);
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) {
    return std::string();
  }
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &result[0], length, nullptr, nullptr);
  }
  return result;
}

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) {
    return std::wstring();
  }
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring result(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &result[0], length);
  }
  return result;
}

}  // namespace e2e
