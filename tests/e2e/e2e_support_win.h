#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "launcher/picture_scale.h"
#include "tests/e2e/ui_driver_win.h"

namespace e2e {

// The folder the test executable lives in; the launcher and the stand-in game are copied there.
std::filesystem::path ExeDirectory();
// Where screenshots of a test run go: "screenshots" next to the test executable.
std::filesystem::path ScreenshotDirectory();

std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

// A game installation in a fresh temporary folder: the launcher at the top, "Game" with the
// stand-in "skarnavel.exe" (each part optional), removed again at the end.
class GameFolder {
public:
  struct Options {
    bool gameDirectory = true;
    bool game = true;
    // Which launcher program, from next to the tests, goes at the top.
    const char* launcher = "SkarnavelLauncher.exe";
    // How the folder's name begins; players install to folders named in any script.
    const wchar_t* name = L"skarnavel_e2e_";
  };
  GameFolder();
  explicit GameFolder(Options options);
  ~GameFolder();
  GameFolder(const GameFolder&) = delete;
  GameFolder& operator=(const GameFolder&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path GameDirectory() const { return root_ / "Game"; }
  std::filesystem::path Config() const { return root_ / "Game" / "Zurvo.cfg"; }
  std::filesystem::path Launcher() const { return launcher_; }
  // The note the stand-in game leaves in its working directory.
  std::filesystem::path GameNote() const { return root_ / "Game" / "standin_started.txt"; }

  void WriteConfig(const std::string& text) const { WriteBytes(Config(), text); }
  std::optional<std::string> ReadConfig() const;

private:
  std::filesystem::path root_;
  std::filesystem::path launcher_;
};

// One launcher process started in a game folder, with its main dialog found.
class LauncherRun {
public:
  explicit LauncherRun(const GameFolder& folder);
  bool Started() const { return main_ != nullptr; }
  HWND Main() const { return main_; }
  Process& Proc() { return process_; }

  // Clicks "Настройки" and waits for the settings dialog; null when it did not open.
  HWND OpenSettings();
  // Ends a settings dialog with OK or Cancel and waits until it is gone.
  bool CloseSettings(HWND settings, int buttonId);
  // Waits for the launcher to end; the exit code, or nothing on timeout.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs = kDefaultTimeoutMs);

private:
  Process process_;
  HWND main_ = nullptr;
};

// How many pixels of `control`'s client area, as the screen shows it with `window` on top, are
// not `picture`'s; -1 when the sizes differ or the screen could not be read.
long ClientPixelsUnlike(HWND window, HWND control, const Picture& picture);

// Closes the stand-in game's window if one is open and waits for it to end. Returns whether one
// was open.
bool CloseStandInGame(DWORD timeoutMs = kDefaultTimeoutMs);

}  // namespace e2e
