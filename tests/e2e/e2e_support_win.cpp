#include "tests/e2e/e2e_support_win.h"

#include <tlhelp32.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace e2e {

fs::path ExeDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path();
}

fs::path ScreenshotDirectory() {
  return ExeDirectory() / "screenshots";
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

GameFolder::GameFolder() : GameFolder(Options{}) {}

GameFolder::GameFolder(Options options) {
  static std::atomic<int> counter{0};
  root_ = fs::temp_directory_path() / (options.name + std::to_wstring(GetCurrentProcessId()) +
                                       L"_" + std::to_wstring(counter++));
  std::error_code ignored;
  fs::remove_all(root_, ignored);
  fs::create_directories(root_);
  launcher_ = root_ / options.launcher;
  fs::copy_file(ExeDirectory() / options.launcher, launcher_);
  driverFaults_ = options.driverFaults;
  if (driverFaults_ != nullptr) {
    for (const char* library : {"d3d9.dll", "dinput8.dll"}) {
      fs::copy_file(ExeDirectory() / "standin" / library, root_ / library);
    }
  }
  if (options.gameDirectory) {
    fs::create_directories(GameDirectory());
    if (options.game) {
      fs::copy_file(ExeDirectory() / "skarnavel.exe", GameDirectory() / "skarnavel.exe");
    }
  }
}

GameFolder::~GameFolder() {
  std::error_code ignored;
  // A process that just ended may hold its files a moment longer.
  for (int attempt = 0; attempt < 50 && fs::exists(root_, ignored); ++attempt) {
    fs::remove_all(root_, ignored);
    if (fs::exists(root_, ignored)) {
      Sleep(100);
    }
  }
}

std::optional<std::string> GameFolder::ReadConfig() const {
  std::error_code error;
  if (!fs::is_regular_file(Config(), error)) {
    return std::nullopt;
  }
  return ReadBytes(Config());
}

bool StartIn(const GameFolder& folder, Process& process, const fs::path& exe) {
  if (folder.DriverFaults() == nullptr) {
    return process.Start(exe, folder.Root());
  }
  // Set here for the child to inherit (Wine takes WINEDLLOVERRIDES from the test's own
  // environment, see CMakeLists.txt), and taken back at once.
  const std::string faults = folder.DriverFaults();
  SetEnvironmentVariableW(L"ZURVO_STANDIN_FAULTS",
                          std::wstring(faults.begin(), faults.end()).c_str());
  const bool started = process.Start(exe, folder.Root());
  SetEnvironmentVariableW(L"ZURVO_STANDIN_FAULTS", nullptr);
  return started;
}

LauncherRun::LauncherRun(const GameFolder& folder) {
  if (StartIn(folder, process_, folder.Launcher())) {
    main_ = WaitForDialog(process_.Id(), L"SKARNAVEL: Варнелия", nullptr, 60000);
    shownAt_ = GetTickCount64();
  }
}

bool LauncherRun::WaitForProbe(std::size_t stillRunning) {
  // The launcher starts them as soon as its window is up; on a fast machine they may come and go
  // between two looks, so none seen for a few seconds after the window appeared counts as done.
  bool seen = false;
  return WaitUntil(
      [&] {
        const std::size_t running = ChildProcesses(process_.Id());
        seen = seen || running > 0;
        return seen ? running <= stillRunning : GetTickCount64() - shownAt_ > 3000;
      },
      120000);
}

HWND LauncherRun::OpenSettings(std::size_t hungParts) {
  if (!WaitForProbe(hungParts)) {
    std::string running;
    for (const std::wstring& name : ChildProcessNames(process_.Id())) {
      running += " " + Utf8(name);
    }
    std::fprintf(stderr, "the probe did not settle; the launcher's processes still running:%s\n",
                 running.c_str());
    return nullptr;
  }
  ClickLater(main_, 1001);
  return WaitForDialog(process_.Id(), L"Настройки", main_);
}

bool LauncherRun::CloseSettings(HWND settings, int buttonId) {
  ClickLater(settings, buttonId);
  return WaitUntil([&] { return !IsWindow(settings); });
}

std::optional<DWORD> LauncherRun::WaitForExit(DWORD timeoutMs) {
  DWORD code = 0;
  if (!process_.WaitForExit(timeoutMs, code)) {
    return std::nullopt;
  }
  return code;
}

namespace {

// When process `processId` was created, or 0 when that cannot be said.
ULONGLONG CreatedAt(DWORD processId) {
  const UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
  FILETIME created;
  FILETIME exited;
  FILETIME kernel;
  FILETIME user;
  if (!process || !GetProcessTimes(process.Get(), &created, &exited, &kernel, &user)) {
    return 0;
  }
  return static_cast<ULONGLONG>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

}  // namespace

std::vector<std::wstring> ChildProcessNames(DWORD parentId) {
  std::vector<std::wstring> names;
  // A process keeps its parent's id after the parent has gone, and Wine soon gives that id to a
  // new process: a "child" older than its parent is an earlier process's.
  const ULONGLONG parentCreated = CreatedAt(parentId);
  UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
       more = Process32NextW(snapshot.Get(), &entry)) {
    if (entry.th32ParentProcessID == parentId &&
        (parentCreated == 0 || CreatedAt(entry.th32ProcessID) >= parentCreated)) {
      names.push_back(entry.szExeFile);
    }
  }
  return names;
}

std::size_t ChildProcesses(DWORD parentId) {
  return ChildProcessNames(parentId).size();
}

bool CloseStandInGame(DWORD timeoutMs) {
  HWND window = FindWindowW(L"SkarnavelStandInGame", nullptr);
  if (window == nullptr) {
    return false;
  }
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  UniqueKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  PostClose(window);
  if (process) {
    WaitForSingleObject(process.Get(), timeoutMs);
  }
  return true;
}

long ClientPixelsUnlike(HWND window, HWND control, const Picture& picture) {
  RECT client;
  POINT origin = {0, 0};
  if (!GetClientRect(control, &client) || !ClientToScreen(control, &origin) ||
      client.right != picture.width || client.bottom != picture.height) {
    return -1;
  }
  const std::vector<std::uint8_t> rgb = ScreenPixels(
      window, RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
  if (rgb.size() != picture.pixels.size()) {
    return -1;
  }
  long unlike = 0;
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    // The picture is blue, green, red; the screen red, green, blue.
    if (rgb[i] != picture.pixels[i + 2] || rgb[i + 1] != picture.pixels[i + 1] ||
        rgb[i + 2] != picture.pixels[i]) {
      ++unlike;
    }
  }
  return unlike;
}

}  // namespace e2e
