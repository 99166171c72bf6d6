#include "launcher/launcher_app_win.h"

#include <shellapi.h>

#include "launcher/main_dialog_win.h"
#include "launcher/resource_ids.h"
#include "launcher/single_instance_win.h"
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

int RunLauncher(HINSTANCE instance, ProbeFunction probe) {
  bool alreadyRunning = false;
  const UniqueKernelHandle lock = TakeSingleInstanceLock(alreadyRunning);
  if (alreadyRunning) {
    BringRunningLauncherForward();
    return 0;
  }

  ReadConfiguration(kConfigPath, GameSettings);
  // The probe can take seconds (creating Direct3D; DirectInput waits on slow controller
  // drivers), and nothing but the settings dialog needs it: it runs on a worker while the main
  // dialog is already up. Its outcome reaches the records on this thread, when "Настройки" first
  // needs it, and since the file was read before, it switches off what the file asked for but
  // the hardware cannot do.
  BackgroundProbe hardware([instance, probe] { return probe(instance); });

  LauncherState state{instance, GameSettings, DeviceCaps, DisplayModes, kConfigPath, &hardware};
  if (RunMainDialog(state) == IDC_START_GAME) {
    StartGame();
  }
  return 0;
}
