// A stand-in for the game: started by the launcher as "skarnavel.exe" in the game's folder, it
// shows the settings it read from "Zurvo.cfg" and leaves a note of where it ran, so tests and
// the demo can see that the launcher started it correctly.
#include <windows.h>

#include <fstream>
#include <string>

#include "settings/config_file.h"

namespace {

const wchar_t kWindowClass[] = L"SkarnavelStandInGame";
const char kNoteFile[] = "standin_started.txt";

std::wstring shownText;

std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) {
    return std::wstring();
  }
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) {
    MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], length);
  }
  return wide;
}

std::string Narrow(const std::wstring& text) {
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &narrow[0], length, nullptr, nullptr);
  }
  return narrow;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(255, 214, 120));
      SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
      InflateRect(&client, -12, -12);
      DrawTextW(dc, shownText.c_str(), -1, &client, DT_LEFT | DT_TOP | DT_NOPREFIX);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  wchar_t directory[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, directory);

  Settings settings;
  const bool found = ReadConfiguration("Zurvo.cfg", settings) >= 0;
  {
    std::ofstream note(kNoteFile, std::ios::binary);
    note << "cwd=" << Narrow(directory) << "\n";
    note << "config=" << (found ? "read" : "missing") << "\n";
  }

  std::string text = "SKARNAVEL stand-in game\n\nWorking directory: " + Narrow(directory) +
                     "\nZurvo.cfg: " + (found ? "read" : "not found, defaults in use") + "\n\n";
  std::string config = FormatConfiguration(settings);
  std::string lines;
  for (char c : config) {
    lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
  }
  shownText = Widen(text, CP_UTF8) + Widen(lines, CP_ACP);

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.lpszClassName = kWindowClass;
  RegisterClassW(&windowClass);
  HWND window = CreateWindowW(kWindowClass, L"SKARNAVEL (stand-in game)",
                              WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 60, 40, 560,
                              700, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    return 1;
  }
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
