#include "launcher/launcher_app_win.h"

#include <shellapi.h>

#include "engine/system_library_win.h"
#include "launcher/main_dialog_win.h"
#include "launcher/resource_ids.h"
#include "launcher/single_instance_win.h"
#include "settings/config_file.h"

namespace {

const char kConfigPath[] = "Game\\Zurvo.cfg";

void StartGame() {
  auto* shellExecute = SYSTEM_FUNCTION("shell32.dll", ShellExecuteW);
  const HINSTANCE result =
      shellExecute != nullptr
          ? shellExecute(nullptr, nullptr, L"skarnavel.exe", nullptr, L"game", SW_SHOWNORMAL)
          : nullptr;
  if (reinterpret_cast<INT_PTR>(result) <= 32) {
    MessageBoxW(nullptr, L"Не удалось запустить игру: game\\skarnavel.exe", kGameTitle,
                MB_OK | MB_ICONERROR);
  }
}

// Loads the probe's system libraries on this, the UI thread, once the main dialog is on screen:
// they are found at run time so that they cost the window nothing, but their initialisation stays
// on the UI thread. Under Wine, Direct3D's libraries initialising on the worker while this thread
// creates windows can deadlock the two threads on the loader lock. They stay loaded for good.
void LoadProbeLibraries() {
  FindSystemFunction("d3d9.dll", "Direct3DCreate9");
  FindSystemFunction("dinput8.dll", "DirectInput8Create");
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
  // drivers), and nothing but the settings dialog needs it: the main dialog shows first and
  // starts it on a worker as soon as it is on screen. Its outcome reaches the records on this
  // thread, when "Настройки" first needs it, and since the file was read before, it switches off
  // what the file asked for but the hardware cannot do.
  BackgroundProbe hardware([instance, probe] { return probe(instance); }, LoadProbeLibraries);

  LauncherState state{instance, GameSettings, DeviceCaps, DisplayModes, kConfigPath, &hardware};
  if (RunMainDialog(state) == IDC_START_GAME) {
    StartGame();
  }
  return 0;
}
