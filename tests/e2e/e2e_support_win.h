#pragma once

#include <windows.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

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
    // When given, the stand-in d3d9.dll and dinput8.dll go beside the launcher, and launchers
    // started here load them instead of Wine's, misbehaving as these faults say (a comma-
    // separated list; empty for none).
    const char* driverFaults = nullptr;
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
  // The launcher's log, in the folder it works in.
  std::filesystem::path Log() const { return root_ / "Zurvo.log"; }
  const char* DriverFaults() const { return driverFaults_; }

  void WriteConfig(const std::string& text) const { WriteBytes(Config(), text); }
  std::optional<std::string> ReadConfig() const;

private:
  std::filesystem::path root_;
  std::filesystem::path launcher_;
  const char* driverFaults_;
};

// Starts `exe` in `folder` as a launcher there is started: with the stand-in drivers and their
// faults in its environment when the folder has them.
bool StartIn(const GameFolder& folder, Process& process, const std::filesystem::path& exe);

// One launcher process started in a game folder, with its main dialog found.
class LauncherRun {
public:
  explicit LauncherRun(const GameFolder& folder);
  bool Started() const { return main_ != nullptr; }
  HWND Main() const { return main_; }
  Process& Proc() { return process_; }

  // Clicks "Настройки", as a player does once the probe has done (all but `hungParts` of its
  // processes have ended; on an emulated machine they take seconds to start), and waits for the
  // settings dialog; null when it did not open.
  HWND OpenSettings(std::size_t hungParts = 0);
  // Waits until the launcher has started its probe processes and all but `stillRunning` of them
  // have ended. False on timeout.
  bool WaitForProbe(std::size_t stillRunning);
  // Ends a settings dialog with OK or Cancel and waits until it is gone.
  bool CloseSettings(HWND settings, int buttonId);
  // Waits for the launcher to end; the exit code, or nothing on timeout.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs = kDefaultTimeoutMs);

private:
  Process process_;
  HWND main_ = nullptr;
  ULONGLONG shownAt_ = 0;  // when the main dialog was found
};

// The processes `parentId` started that are still running (a launcher's probe processes), and
// their file names.
std::size_t ChildProcesses(DWORD parentId);
std::vector<std::wstring> ChildProcessNames(DWORD parentId);

// How many pixels of `control`'s client area, as the screen shows it with `window` on top, are
// not `picture`'s; -1 when the sizes differ or the screen could not be read.
long ClientPixelsUnlike(HWND window, HWND control, const Picture& picture);

// Closes the stand-in game's window if one is open and waits for it to end. Returns whether one
// was open.
bool CloseStandInGame(DWORD timeoutMs = kDefaultTimeoutMs);

}  // namespace e2e
