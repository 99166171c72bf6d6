#include "launcher/single_instance_win.h"

#include "launcher/start_rules.h"

static_assert(kErrorAccessDenied == ERROR_ACCESS_DENIED &&
                  kErrorAlreadyExists == ERROR_ALREADY_EXISTS && kErrorCancelled == ERROR_CANCELLED,
              "the start rules' error codes are Windows' own");

namespace {

// The mark by which a second launcher finds the running one's windows.
const wchar_t kLauncherWindowProperty[] = L"SKARNAVELLauncher.Main";

BOOL CALLBACK FindLauncherWindow(HWND window, LPARAM lParam) {
  if (IsDialogWindow(window) && GetPropW(window, kLauncherWindowProperty) != nullptr) {
    *reinterpret_cast<HWND*>(lParam) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

void MarkLauncherWindow(HWND window) {
  SetPropW(window, kLauncherWindowProperty, reinterpret_cast<HANDLE>(1));
}

void UnmarkLauncherWindow(HWND window) {
  RemovePropW(window, kLauncherWindowProperty);
}

bool IsDialogWindow(HWND window) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  return lstrcmpW(className, L"#32770") == 0;
}

UniqueKernelHandle TakeSingleInstanceLock(bool& alreadyRunning) {
  UniqueKernelHandle event(CreateEventW(nullptr, FALSE, FALSE, L"SKARNAVELLauncher_started"));
  alreadyRunning =
      DecideSingleInstance(event.Valid(), GetLastError()) == SingleInstance::kAlreadyRunning;
  if (alreadyRunning) {
    event.Reset();
  }
  return event;
}

void BringRunningLauncherForward() {
  const int kAttempts = 50;
  const DWORD kPauseMs = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    HWND mainDialog = nullptr;
    EnumWindows(FindLauncherWindow, reinterpret_cast<LPARAM>(&mainDialog));
    if (mainDialog != nullptr) {
      if (IsIconic(mainDialog)) {
        ShowWindow(mainDialog, SW_RESTORE);
      }
      // The settings dialog, when open, is the main dialog's last active pop-up.
      SetForegroundWindow(GetLastActivePopup(mainDialog));
      return;
    }
    Sleep(kPauseMs);
  }
}
