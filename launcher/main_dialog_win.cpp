#include "launcher/main_dialog_win.h"

#include <commctrl.h>

#include "engine/system_library_win.h"
#include "launcher/dialog_fit_win.h"
#include "launcher/pad_input_win.h"
#include "launcher/resource_ids.h"
#include "launcher/settings_dialog_win.h"
#include "launcher/single_instance_win.h"
#include "settings/config_file.h"

const wchar_t kGameTitle[] = L"SKARNAVEL: Варнелия";

namespace {

// The system's wait cursor. IDC_WAIT is spelled for the ANSI call in this build (no UNICODE); the
// cursor is the same.
HCURSOR WaitCursor() {
  return LoadCursorA(nullptr, IDC_WAIT);
}

// The dialog's own bookkeeping next to what it was given.
struct MainDialogContext {
  LauncherState& state;
  // "Настройки" is waiting for the probe; a second click must not start another wait.
  bool waitingForProbe = false;
  // EndDialog has been called; the modal loop notices only once the current message returns.
  bool ending = false;
  // Drives this dialog and the settings dialog; polls only while the dialog exists.
  GamePad pad{};
};

void EndMainDialog(HWND dialog, MainDialogContext& context, INT_PTR result) {
  context.ending = true;
  EndDialog(dialog, result);
}

// Brings the probe's outcome into the records, first waiting for the probe if it has not
// settled. The wait keeps the dialog painting and answering, with the wait cursor over it, so
// that "Выход" and the other buttons still work, and it is bounded: whatever has not answered
// when it runs out counts as unknown. Only the first "Настройки" waits; later ones take what has
// come since without waiting. False when the dialog was ended meanwhile.
bool ProbeResultsReady(HWND dialog, MainDialogContext& context) {
  LauncherState& state = context.state;
  if (state.probe == nullptr) {
    return true;
  }
  if (!state.probe->Applied() && !state.probe->Settled()) {
    context.waitingForProbe = true;
    const HCURSOR previous = SetCursor(WaitCursor());
    const HardwareProbe::Wait waited = state.probe->WaitWhilePumping(
        dialog, [&context] { return context.ending; }, state.probePatienceMs);
    context.waitingForProbe = false;
    SetCursor(previous);
    if (waited == HardwareProbe::Wait::kAbandoned) {
      return false;
    }
    if (waited == HardwareProbe::Wait::kTimedOut) {
      state.probe->GiveUp();
    }
  }
  return state.probe->ApplyTo(state.settings, state.caps, state.modes);
}

// Reads the file that could not be read at start-up again, so that a short lock costs the player
// nothing: the settings then come from the file as at start-up, with the probe's switches after
// it (when the records came with the probe's results already, there are none to apply again).
void RereadConfiguration(LauncherState& state) {
  Settings reread;  // the defaults, as before the first reading
  switch (ReadConfigurationFile(state.configPath, reread)) {
    case ConfigFileRead::kRead:
      if (state.probe != nullptr) {
        state.probe->ReapplySwitchesTo(reread);
      }
      state.settings = reread;
      state.configUnread = false;
      break;
    case ConfigFileRead::kNoFile:  // gone meanwhile: nothing left to lose
      state.configUnread = false;
      break;
    case ConfigFileRead::kUnreadable:
      break;
  }
}

void OpenSettings(HWND dialog, MainDialogContext& context) {
  if (context.waitingForProbe || context.ending || !ProbeResultsReady(dialog, context)) {
    return;
  }
  LauncherState& state = context.state;
  if (state.configUnread) {
    RereadConfiguration(state);
  }
  // The settings dialog uses only the standard controls, so it opens even without this.
  if (auto* initCommonControls = SYSTEM_FUNCTION("comctl32.dll", InitCommonControls)) {
    initCommonControls();
  }
  RunSettingsDialog(state.instance, dialog, state.settings, state.caps, state.modes,
                    state.configPath, state.configUnread);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* context = reinterpret_cast<MainDialogContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      SetWindowTextW(dialog, kGameTitle);
      MarkLauncherWindow(dialog);
      CentreOnScreen(dialog);
      return TRUE;
    case WM_COMMAND:
      if (context == nullptr) {
        return TRUE;
      }
      switch (LOWORD(wParam)) {
        case IDC_START_GAME:
          EndMainDialog(dialog, *context, IDC_START_GAME);
          break;
        case IDC_SETTINGS:
          OpenSettings(dialog, *context);
          break;
        case IDC_EXIT:
          EndMainDialog(dialog, *context, IDC_EXIT);
          break;
        default:  // OK and Cancel (Enter, Escape) among them: the dialog has no such buttons
          break;
      }
      return TRUE;
    case kDialogPainted:
      // The probe and the game controller start once the window is on screen and painted, so
      // that starting the probe's processes, which compete for the processor, and loading XInput
      // do not delay the window. Should that never come, "Настройки" starts the probe.
      if (context != nullptr && !context->ending) {
        if (context->state.probe != nullptr && !context->state.probe->Started()) {
          context->state.probe->Start();
        }
        context->pad.Start();
      }
      return TRUE;
    case WM_SETCURSOR:
      // The wait cursor for as long as "Настройки" waits, over the dialog and its buttons alike
      // (a button asks its parent first).
      if (context != nullptr && context->waitingForProbe) {
        SetCursor(WaitCursor());
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      if (context != nullptr) {
        EndMainDialog(dialog, *context, IDC_EXIT);
      } else {
        EndDialog(dialog, IDC_EXIT);
      }
      return TRUE;
    case WM_DESTROY:
      UnmarkLauncherWindow(dialog);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR RunMainDialog(LauncherState& state) {
  MainDialogContext context{state};
  // The title picture may take the dialog above its buttons, inside its margins.
  const DialogPicture picture{IDB_TITLE, RECT{7, 7, 276, 131}};
  return RunFittedDialog(state.instance, IDD_MAIN, nullptr, MainDialogProc,
                         reinterpret_cast<LPARAM>(&context), &picture);
}
