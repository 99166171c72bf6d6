#include "launcher/main_dialog_win.h"

#include <commctrl.h>

#include "launcher/resource_ids.h"
#include "launcher/settings_dialog_win.h"

const wchar_t kGameTitle[] = L"SKARNAVEL: Варнелия";
const wchar_t kLauncherWindowProperty[] = L"SKARNAVELLauncher.Main";

namespace {

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      SetWindowTextW(dialog, kGameTitle);
      SetPropW(dialog, kLauncherWindowProperty, reinterpret_cast<HANDLE>(1));
      CentreOnScreen(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_START_GAME:
          EndDialog(dialog, IDC_START_GAME);
          break;
        case IDC_SETTINGS: {
          auto* state = reinterpret_cast<LauncherState*>(GetWindowLongPtrW(dialog, DWLP_USER));
          if (state != nullptr) {
            InitCommonControls();
            RunSettingsDialog(state->instance, dialog, state->settings, state->caps, state->modes,
                              state->configPath);
          }
          break;
        }
        case IDC_EXIT:
          EndDialog(dialog, IDC_EXIT);
          break;
        default:  // OK and Cancel (Enter, Escape) among them: the dialog has no such buttons
          break;
      }
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, IDC_EXIT);
      return TRUE;
    case WM_DESTROY:
      RemovePropW(dialog, kLauncherWindowProperty);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR RunMainDialog(LauncherState& state) {
  return DialogBoxParamW(state.instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc,
                         reinterpret_cast<LPARAM>(&state));
}
