#include "launcher/launcher_app_win.h"

#include <shellapi.h>

#include <memory>
#include <string>

#include "engine/log.h"
#include "engine/system_library_win.h"
#include "launcher/dialog_fit_win.h"
#include "launcher/failure_message_win.h"
#include "launcher/main_dialog_win.h"
#include "launcher/resource_ids.h"
#include "launcher/single_instance_win.h"
#include "launcher/start_rules.h"
#include "probe/probe_process_win.h"
#include "settings/config_file.h"

namespace {

const char kConfigPath[] = "Game\\Zurvo.cfg";

// Starts the game by its full path. Given the bare name, the shell would go on searching when
// the game is missing (the launcher's folder, the system folders, PATH) and start whatever
// "skarnavel.exe" it found there.
void StartGame() {
  std::wstring base = CurrentDirectory();
  if (!base.empty() && base.back() != L'\\') {
    base += L'\\';  // "C:\" has one already
  }
  const std::wstring folder = base + L"game";
  const std::wstring game = folder + L"\\skarnavel.exe";
  const DWORD attributes =
      base.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(game.c_str());
  const bool present =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  auto* shellExecute = present ? SYSTEM_FUNCTION("shell32.dll", ShellExecuteW) : nullptr;
  const HINSTANCE result =
      shellExecute != nullptr
          ? shellExecute(nullptr, nullptr, game.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL)
          : nullptr;
  if (reinterpret_cast<INT_PTR>(result) <= 32) {
    const DWORD error = GetLastError();
    if (present && !TellsGameStartFailure(error)) {
      return;
    }
    const std::wstring reason =
        present ? SystemErrorText(error) : FileProblem("game\\skarnavel.exe");
    ShowFailure(nullptr, kGameTitle, L"Не удалось запустить игру: game\\skarnavel.exe", reason);
  }
}

}  // namespace

int RunLauncher(HINSTANCE instance) {
  DeclareDpiAwareness();
  bool alreadyRunning = false;
  const UniqueKernelHandle lock = TakeSingleInstanceLock(alreadyRunning);
  if (alreadyRunning) {
    BringRunningLauncherForward();
    return 0;
  }

  const ConfigFileRead read = ReadConfigurationFile(kConfigPath, GameSettings);
  // The probe can take seconds (creating Direct3D; DirectInput waits on slow controller
  // drivers), a driver can crash or hang in it, and nothing but the settings dialog needs it. So
  // it runs in processes of its own, started as soon as the main dialog is on screen, and
  // "Настройки" waits for it only so long. Its outcome reaches the records on this thread, when
  // "Настройки" first needs it (answers that come later, at the next "Настройки"), and since the
  // file was read before, it switches off what the file asked for but the hardware cannot do.
  // Direct3D and DirectInput never enter this process.
  HardwareProbe hardware(std::make_unique<ProbeProcesses>(
      ThisProgram(), [](const std::string& line) { LogMessage("%s\n", line.c_str()); }));

  LauncherState state{instance, GameSettings, DeviceCaps, DisplayModes, kConfigPath, &hardware};
  state.configUnread = read == ConfigFileRead::kUnreadable;
  const INT_PTR result = RunMainDialog(state);
  // A part that crashed while the player never opened the settings still leaves its line.
  hardware.LogNotes();
  if (result == IDC_START_GAME) {
    StartGame();
  }
  return 0;
}
