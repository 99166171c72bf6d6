// The floor of the start-up benchmark: the launcher's own main dialog (resource 101, same
// resources, same title) and nothing else: no lock, no configuration, no probe. What a launcher
// costs beyond this is what its start-up adds.
#include <windows.h>

#include "launcher/resource_ids.h"

namespace {

const wchar_t kTitle[] = L"SKARNAVEL: Варнелия";

INT_PTR CALLBACK MinimalDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowTextW(dialog, kTitle);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_EXIT || LOWORD(wParam) == IDC_START_GAME) {
        EndDialog(dialog, LOWORD(wParam));
      }
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, IDC_EXIT);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MinimalDialogProc, 0);
  return 0;
}
