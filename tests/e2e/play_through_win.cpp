// Takes a player's usual path through the launcher installed in the current directory: opens
// the settings, picks "Отлично", confirms, and starts the game; saves screenshots of the main
// dialog, the settings dialog and the stand-in game into "screenshots". scripts/run uses it when
// there is no display to show the launcher on.
#include <windows.h>

#include <cstdio>
#include <filesystem>

#include "launcher/resource_ids.h"
#include "tests/e2e/e2e_support_win.h"
#include "tests/e2e/ui_driver_win.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

int Fail(const char* what) {
  std::printf("play-through: %s\n", what);
  return 1;
}

void Save(HWND window, const fs::path& path) {
  if (SaveScreenshot(window, path)) {
    std::printf("play-through: saved %s\n", path.filename().string().c_str());
  } else {
    std::printf("play-through: could not save %s\n", path.filename().string().c_str());
  }
}

}  // namespace

int main() {
  const fs::path installation = fs::current_path();
  const fs::path shots = installation / "screenshots";

  Process launcher;
  if (!launcher.Start(installation / "SkarnavelLauncher.exe", installation)) {
    return Fail("SkarnavelLauncher.exe did not start");
  }
  HWND main = WaitForDialog(launcher.Id(), L"SKARNAVEL: Варнелия", nullptr, 60000);
  if (main == nullptr) {
    return Fail("the main dialog did not appear");
  }
  Save(main, shots / "main_dialog.png");

  ClickLater(main, IDC_SETTINGS);
  HWND settings = WaitForDialog(launcher.Id(), L"Настройки", main);
  if (settings == nullptr) {
    return Fail("the settings dialog did not open");
  }
  Click(settings, IDC_PRESET_EXCELLENT);
  Save(settings, shots / "settings_dialog.png");
  ClickLater(settings, IDOK);
  if (!WaitUntil([&] { return !IsWindow(settings); }, 10000)) {
    return Fail("OK did not close the settings dialog (could Game\\Zurvo.cfg not be written?)");
  }
  std::printf("play-through: settings confirmed with \"Отлично\"\n");

  ClickLater(main, IDC_START_GAME);
  DWORD exitCode = 1;
  if (!launcher.WaitForExit(kDefaultTimeoutMs, exitCode)) {
    return Fail("the launcher did not end after starting the game");
  }
  std::printf("play-through: launcher ended with exit code %lu\n", exitCode);
  HWND game = WaitForWindowOfClass(L"SkarnavelStandInGame");
  if (game == nullptr) {
    return Fail("the game did not start");
  }
  Save(game, shots / "stand_in_game.png");
  CloseStandInGame();
  return exitCode == 0 ? 0 : 1;
}
