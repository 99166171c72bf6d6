#include "launcher/dialog_fit_win.h"

#include <memory>

#include "engine/system_library_win.h"
#include "engine/unique_handle_win.h"
#include "launcher/dialog_font_win.h"
#include "launcher/resource_ids.h"

namespace {

const wchar_t kFitProperty[] = L"SkarnavelDialogFit";
// Windows 8.1 and later: the window's monitor changed resolution, or the window moved to a
// monitor of another.
const UINT kDpiChanged = 0x02E0;
// Posted by the dialog to itself on kDpiChanged, so that the picture is fitted once the dialog
// manager has laid the dialog out anew.
const UINT kRefitPicture = WM_APP + 1;
// Fires once the dialog is on screen and painted: a timer set as it shows fires only after the
// paints that showing the window queues.
const UINT_PTR kPaintedTimer = 1;

// Windows 10 1703 and later, found at run time.
using SetDpiAwarenessContextFunction = BOOL WINAPI(HANDLE);
// Windows Vista and later.
using SetDpiAwareFunction = BOOL WINAPI();

// What the fitting adds to one dialog, from its WM_INITDIALOG to its WM_DESTROY.
struct FitRun {
  HINSTANCE instance;
  DLGPROC procedure;
  LPARAM param;
  std::unique_ptr<FittedPicture> picture;
  UniqueIcon bigIcon;
  UniqueIcon smallIcon;
};

void ShowGameIcon(HWND dialog, FitRun& run) {
  const auto load = [&run](int sizeMetric) {
    const int size = GetSystemMetrics(sizeMetric);
    return static_cast<HICON>(
        LoadImageW(run.instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, 0));
  };
  run.bigIcon.Reset(load(SM_CXICON));
  run.smallIcon.Reset(load(SM_CXSMICON));
  SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(run.bigIcon.Get()));
  SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(run.smallIcon.Get()));
}

INT_PTR StartDialog(HWND dialog, FitRun& run, WPARAM defaultFocus) {
  const INT_PTR wantsDefaultFocus = run.procedure(dialog, WM_INITDIALOG, defaultFocus, run.param);
  if (run.picture) {
    run.picture->Fit(dialog);
  }
  // Through the dialog manager rather than by returning TRUE: Wine then only sets the focus,
  // and a focused push button would not become the one Enter presses.
  if (wantsDefaultFocus != FALSE) {
    if (HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE)) {
      SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    }
  }
  return FALSE;
}

INT_PTR CALLBACK FittedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* run = reinterpret_cast<FitRun*>(lParam);
    SetPropW(dialog, kFitProperty, run);
    return StartDialog(dialog, *run, wParam);
  }
  auto* run = static_cast<FitRun*>(GetPropW(dialog, kFitProperty));
  if (run == nullptr) {
    return FALSE;
  }
  switch (message) {
    case kDpiChanged:
      PostMessageW(dialog, kRefitPicture, 0, 0);
      break;
    case kRefitPicture:
      if (run->picture) {
        run->picture->Fit(dialog);
      }
      return TRUE;
    case WM_SHOWWINDOW:
      // Neither dialog has a system menu, so the icon shows only in the task bar and Alt+Tab, and
      // handing it to the window system costs Wine milliseconds: it comes once the dialog is
      // painted. Without the timer, the dialog is never told it was painted.
      if (wParam != FALSE && !run->bigIcon &&
          SetTimer(dialog, kPaintedTimer, USER_TIMER_MINIMUM, nullptr) == 0) {
        ShowGameIcon(dialog, *run);
      }
      break;
    case WM_TIMER:
      if (wParam != kPaintedTimer) {
        break;
      }
      KillTimer(dialog, kPaintedTimer);
      ShowGameIcon(dialog, *run);
      run->procedure(dialog, kDialogPainted, 0, 0);
      return TRUE;
    case WM_DESTROY: {
      const INT_PTR result = run->procedure(dialog, message, wParam, lParam);
      run->picture.reset();  // the frame gets its own bitmap back while it is still there
      RemovePropW(dialog, kFitProperty);
      return result;
    }
    default:
      break;
  }
  return run->procedure(dialog, message, wParam, lParam);
}

}  // namespace

void DeclareDpiAwareness() {
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  const auto perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
  if (auto* setContext = SystemFunction<SetDpiAwarenessContextFunction>(
          "user32.dll", "SetProcessDpiAwarenessContext", false)) {
    if (setContext(perMonitorV2) != FALSE) {
      return;
    }
  }
  if (auto* setAware =
          SystemFunction<SetDpiAwareFunction>("user32.dll", "SetProcessDPIAware", false)) {
    setAware();
  }
}

PixelRect PrimaryScreen() {
  return PixelRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

PixelRect PrimaryWorkArea() {
  RECT area;
  if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0) == FALSE) {
    return PrimaryScreen();
  }
  return PixelRect{area.left, area.top, area.right, area.bottom};
}

INT_PTR RunFittedDialog(HINSTANCE instance, int resourceId, HWND owner, DLGPROC procedure,
                        LPARAM param, const DialogPicture* picture) {
  const HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(5));
  const HGLOBAL loaded = resource == nullptr ? nullptr : LoadResource(instance, resource);
  const void* data = loaded == nullptr ? nullptr : LockResource(loaded);
  DialogTemplateBytes layout(data, data == nullptr ? 0 : SizeofResource(instance, resource));
  if (!layout.Valid()) {
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(resourceId), owner, procedure, param);
  }
  FitTemplate(layout, PrimaryWorkArea());
  FitRun run{instance, procedure, param, nullptr, UniqueIcon(), UniqueIcon()};
  if (picture != nullptr) {
    run.picture = std::make_unique<FittedPicture>(instance, *picture);
  }
  return DialogBoxIndirectParamW(instance, static_cast<LPCDLGTEMPLATEW>(layout.Data()), owner,
                                 FittedDialogProc, reinterpret_cast<LPARAM>(&run));
}
