#include "launcher/pad_input_win.h"

#include <string>
#include <type_traits>

#include "engine/log.h"
#include "engine/system_library_win.h"
#include "engine/wide_text_win.h"
#include "launcher/resource_ids.h"

namespace {

// 1.4 comes with Windows 8 and later; 1.3 with the DirectX runtime that games install (on XP the
// only one); 9.1.0, the reduced one, with Vista and 7. Only ever from the system folder: an
// xinput*.dll beside the launcher or the game is a wrapper some player dropped there for another
// game, foreign code the launcher has no business running.
const wchar_t* const kXInputLibraries[] = {L"xinput1_4.dll", L"xinput1_3.dll", L"xinput9_1_0.dll"};

// Activation is announced just before the window comes to the front; a tick that soon after
// still sees another window in front keeps the timer.
const DWORD kActivationGraceMs = 500;

// The one GamePad polling, for the timer and the hook, which carry no pointer of ours.
GamePad* runningPad = nullptr;

void CALLBACK PadTimerProc(HWND /*window*/, UINT /*message*/, UINT_PTR /*id*/, DWORD /*time*/) {
  if (runningPad != nullptr) {
    runningPad->Tick();
  }
}

LRESULT CALLBACK PadActivationHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && runningPad != nullptr) {
    runningPad->Activated();
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool IsOfClass(HWND window, const wchar_t* className) {
  wchar_t name[16] = {};
  return GetClassNameW(window, name, 16) > 0 && lstrcmpiW(name, className) == 0;
}

// A key press as the keyboard delivers it, through the dialog's own loop.
void PostKey(HWND control, WPARAM key) {
  PostMessageW(control, WM_KEYDOWN, key, 1);
  PostMessageW(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001UL));
}

// Clicks the dialog's button `id` as the keyboard's Enter or Escape does; false when the dialog
// has no such button or it is off.
bool PressDialogButton(HWND dialog, int id) {
  const HWND button = GetDlgItem(dialog, id);
  if (button == nullptr || IsWindowEnabled(button) == FALSE) {
    return false;
  }
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  return true;
}

}  // namespace

GamePad::~GamePad() {
  timer_.Reset();
  activationHook_.Reset();
  if (runningPad == this) {
    runningPad = nullptr;
  }
}

void GamePad::Start() {
  if (started_ || runningPad != nullptr) {
    return;
  }
  started_ = true;
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  for (const wchar_t* name : kXInputLibraries) {
    if (length == 0 || length >= MAX_PATH) {
      break;
    }
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    // The library's own imports are looked for beside it, not beside the launcher.
    UniqueLibrary library(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    const FARPROC address =
        library ? GetProcAddress(library.Get(), "XInputGetState") : FARPROC(nullptr);
    if (address != nullptr) {
      getState_ = FunctionAt<std::remove_pointer_t<GetStateFunction>>(address);
      library_ = std::move(library);
      LogMessage("Game controller - XInput from %s\n", NarrowAnsi(path).c_str());
      break;
    }
  }
  if (getState_ == nullptr) {
    LogMessage("Game controller - no XInput in the system folder; keyboard and mouse only\n");
    return;
  }
  runningPad = this;
  activationHook_.Reset(
      SetWindowsHookExW(WH_CBT, PadActivationHook, nullptr, GetCurrentThreadId()));
  Activated();
}

void GamePad::Activated() {
  activatedAt_ = GetTickCount();
  if (timer_) {
    return;  // one of our windows followed another
  }
  // Whatever happened on the pad meanwhile was meant for another program.
  schedule_.Restart();
  for (PadMapper& mapper : mappers_) {
    mapper.Reset();
  }
  StartTimer(kPadConnectedPollMs);
}

void GamePad::StartTimer(UINT intervalMs) {
  timer_.Reset(SetTimer(nullptr, 0, intervalMs, PadTimerProc));
  timerIntervalMs_ = timer_ ? intervalMs : 0;
}

void GamePad::Tick() {
  const DWORD now = GetTickCount();
  const HWND front = GetForegroundWindow();
  if (front == nullptr || GetWindowThreadProcessId(front, nullptr) != GetCurrentThreadId()) {
    if (now - activatedAt_ > kActivationGraceMs) {
      timer_.Reset();
      timerIntervalMs_ = 0;
    }
    return;
  }
  for (int slot = 0; slot < kPadSlots; ++slot) {
    if (!schedule_.Due(slot, now)) {
      continue;
    }
    XInputState state = {};
    const bool connected = getState_(static_cast<DWORD>(slot), &state) == ERROR_SUCCESS;
    schedule_.Asked(slot, connected, now);
    PadMapper& mapper = mappers_[slot];
    if (!connected) {
      mapper.Reset();
      continue;
    }
    mapper.Update(PadState{state.buttons, state.leftStickX, state.leftStickY}, now, actions_);
  }
  for (const PadAction action : actions_) {
    Act(front, action);
  }
  actions_.clear();
  if (schedule_.IntervalMs() != timerIntervalMs_) {
    StartTimer(schedule_.IntervalMs());
  }
}

void GamePad::Act(HWND dialog, PadAction action) {
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(dialog, focus) == FALSE) {
    focus = nullptr;
  }
  const HWND list = focus != nullptr && IsOfClass(focus, L"ComboBox") ? focus : nullptr;
  const bool listOpen = list != nullptr && SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
  // The focus shows from now on, as after a key press.
  PostMessageW(dialog, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  switch (action) {
    case PadAction::kPrevious:
    case PadAction::kNext: {
      const bool previous = action == PadAction::kPrevious;
      if (listOpen) {
        PostKey(list, previous ? VK_UP : VK_DOWN);
      } else {
        // Tab and Shift+Tab: every control a player can use, in dialog order, across groups,
        // skipping what is off.
        PostMessageW(dialog, WM_NEXTDLGCTL, previous ? 1 : 0, FALSE);
      }
      break;
    }
    case PadAction::kAccept:
      if (listOpen) {
        PostKey(list, VK_RETURN);
      } else if (list != nullptr) {
        PostMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
      } else if (focus != nullptr && IsOfClass(focus, L"Button") && IsWindowEnabled(focus)) {
        PostMessageW(focus, BM_CLICK, 0, 0);
      }
      break;
    case PadAction::kBack:
      if (listOpen) {
        PostKey(list, VK_ESCAPE);
      } else {
        // The main dialog has no Cancel: a stray B must not end the launcher.
        PressDialogButton(dialog, IDCANCEL);
      }
      break;
    case PadAction::kStart:
      if (listOpen) {
        PostKey(list, VK_RETURN);  // the entry the player is on counts
      }
      if (!PressDialogButton(dialog, IDOK)) {
        PressDialogButton(dialog, IDC_START_GAME);
      }
      break;
  }
}
