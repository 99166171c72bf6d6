#include "launcher/launcher_app_win.h"

#include <shellapi.h>

#include "launcher/main_dialog_win.h"
#include "launcher/resource_ids.h"
#include "launcher/single_instance_win.h"
#include "probe/probe_win.h"
#include "settings/config_file.h"

namespace {

const char kConfigPath[] = "Game\\Zurvo.cfg";

void StartGame() {
  const HINSTANCE result =
      ShellExecuteW(nullptr, nullptr, L"skarnavel.exe", nullptr, L"game", SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(result) <= 32) {
    MessageBoxW(nullptr, L"Не удалось запустить игру: game\\skarnavel.exe", kGameTitle,
                MB_OK | MB_ICONERROR);
  }
}

}  // namespace

int RunLauncher(HINSTANCE instance) {
  bool alreadyRunning = false;
  const UniqueKernelHandle lock = TakeSingleInstanceLock(alreadyRunning);
  if (alreadyRunning) {
    BringRunningLauncherForward();
    return 0;
  }

  // The probe comes after the file so that it can switch off what the file asked for but the
  // hardware cannot do.
  ReadConfiguration(kConfigPath, GameSettings);
  ApplyProbeOutcome(ProbeHardware(instance), GameSettings, DeviceCaps, DisplayModes);

  LauncherState state{instance, GameSettings, DeviceCaps, DisplayModes, kConfigPath};
  if (RunMainDialog(state) == IDC_START_GAME) {
    StartGame();
  }
  return 0;
}
