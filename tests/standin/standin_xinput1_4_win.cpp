// A stand-in xinput1_4.dll for the end-to-end tests: installed in place of Wine's own in the
// prefix's system folder (Wine prefers it with WINEDLLOVERRIDES=xinput1_4=n,b), it reports the pad
// a test holds in shared memory (standin_pad_win.h). A copy dropped beside the launcher or the
// game must never be loaded; it tells when it was.
#include <windows.h>

#include "launcher/pad_input_win.h"
#include "tests/standin/standin_pad_win.h"

namespace {

HANDLE boardMapping = nullptr;
standin::PadBoard* board = nullptr;

void OpenBoard(HMODULE self) {
  boardMapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, standin::kPadBoardName);
  if (boardMapping == nullptr) {
    return;
  }
  board = static_cast<standin::PadBoard*>(
      MapViewOfFile(boardMapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(standin::PadBoard)));
  if (board == nullptr) {
    return;
  }
  GetModuleFileNameW(self, board->loadedFrom, MAX_PATH);
  InterlockedIncrement(&board->loads);
}

void CloseBoard() {
  if (board != nullptr) {
    UnmapViewOfFile(board);
    board = nullptr;
  }
  if (boardMapping != nullptr) {
    CloseHandle(boardMapping);
    boardMapping = nullptr;
  }
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    OpenBoard(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    CloseBoard();
  }
  return TRUE;
}

extern "C" __declspec(dllexport) DWORD WINAPI XInputGetState(DWORD slot, XInputState* state) {
  if (slot >= 4 || state == nullptr) {
    return ERROR_BAD_ARGUMENTS;
  }
  if (board == nullptr) {
    return ERROR_DEVICE_NOT_CONNECTED;
  }
  InterlockedIncrement(&board->polls[slot]);
  if (slot != 0 || InterlockedCompareExchange(&board->connected, 0, 0) == 0) {
    return ERROR_DEVICE_NOT_CONNECTED;
  }
  *state = XInputState();
  state->packetNumber = static_cast<DWORD>(InterlockedCompareExchange(&board->packet, 0, 0));
  state->buttons = static_cast<WORD>(InterlockedCompareExchange(&board->buttons, 0, 0));
  state->leftStickX = static_cast<SHORT>(InterlockedCompareExchange(&board->stickX, 0, 0));
  state->leftStickY = static_cast<SHORT>(InterlockedCompareExchange(&board->stickY, 0, 0));
  return ERROR_SUCCESS;
}
