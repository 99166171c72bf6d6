// The real SkarnavelLauncher.exe, started in a temporary game folder and driven like a player
// would: through its windows only. The stand-in game tells where it was started.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/system_library_win.h"
#include "launcher/dialog_fit_win.h"
#include "launcher/resource_ids.h"
#include "probe/probe_win.h"
#include "settings/config_file.h"
#include "tests/e2e/e2e_support_win.h"
#include "tests/e2e/ui_driver_win.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

const wchar_t kSettingsTitle[] = L"Настройки";

// What the launcher will find on this machine: the same probe, run here.
const ProbeOutcome& Hardware() {
  static const ProbeOutcome outcome = ProbeHardware(GetModuleHandleW(nullptr));
  return outcome;
}

// The record a launcher started in `folder` holds after reading its file and probing.
Settings LoadedSettings(const GameFolder& folder) {
  Settings settings;
  ReadConfiguration(folder.Config().string(), settings);
  Capabilities caps;
  DisplayModeList modes;
  ApplyProbeOutcome(Hardware(), settings, caps, modes);
  return settings;
}

std::string ModeText(const DisplayMode& mode) {
  return std::to_string(mode.width) + " x " + std::to_string(mode.height) + " x " +
         std::to_string(mode.bitsPerPixel);
}

// The three presets as the player is told they work.
struct Preset {
  const char* name;
  int button;
  bool bloom, dxt5, tails, navigationLights, lowTex, gibs, rocket, lens, smoke, sparks, radial;
  bool highestQuality;
  bool prefer1024x768x32;
  std::int32_t frequency, bitRate;
};

const Preset kPresets[] = {
    {"Нормально", IDC_PRESET_NORMAL, false, true, false, false, true, false, false, false, false,
     false, false, false, false, 11025, 8},
    {"Хорошо", IDC_PRESET_GOOD, true, true, true, true, false, true, false, true, true, true, false,
     false, true, 22050, 8},
    {"Отлично", IDC_PRESET_EXCELLENT, true, true, true, true, false, true, true, true, true, true,
     true, true, true, 44100, 16},
};

// What OK stores after `preset` was pressed on a dialog opened over `before`.
Settings AfterPreset(Settings before, const Preset& preset) {
  const Capabilities& caps = Hardware().caps;
  const DisplayModeList& modes = Hardware().modes;
  Settings s = before;
  if (caps.bloomAvailable) {
    s.Bloom = preset.bloom;
  }
  if (caps.dxt5Available) {
    s.DXT5 = preset.dxt5;
  }
  s.Tails = preset.tails;
  s.NoVE = !preset.navigationLights;
  s.LowTex = preset.lowTex;
  s.Gibs = preset.gibs;
  s.Rocket = preset.rocket;
  s.Lens = preset.lens;
  s.Smoke = preset.smoke;
  s.Sparks = preset.sparks;
  s.Radial = preset.radial;
  s.FSAA = caps.fsaaAvailable;
  if (caps.fsaaAvailable && caps.aaLevelCount > 1) {
    s.Quality = preset.highestQuality ? caps.aaLevelCount - 1 : 0;
  } else {
    s.Quality = -1;
  }
  if (!modes.empty()) {
    DisplayMode chosen = modes.front();
    if (preset.prefer1024x768x32) {
      for (const DisplayMode& mode : modes) {
        if (mode.width == 1024 && mode.height == 768 && mode.bitsPerPixel == 32) {
          chosen = mode;
          break;
        }
      }
    }
    s.ScreenWidth = static_cast<std::int32_t>(chosen.width);
    s.ScreenHeight = static_cast<std::int32_t>(chosen.height);
    s.BitsPerPixel = static_cast<std::int32_t>(chosen.bitsPerPixel);
  }
  s.Frequency = preset.frequency;
  s.BitRate = preset.bitRate;
  s.Joystick = s.Joystick != 0 ? 1 : 0;
  return s;
}

std::string WithoutCarriageReturns(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

void ExpectFileHolds(const GameFolder& folder, const Settings& expected) {
  const std::optional<std::string> written = folder.ReadConfig();
  ASSERT_TRUE(written.has_value()) << "no configuration file";
  EXPECT_EQ(WithoutCarriageReturns(*written), FormatConfiguration(expected));
}

// The boxes as they show `settings` (navigation lights inverted).
void ExpectBoxesShow(HWND dialog, const Settings& settings) {
  const std::pair<int, bool> boxes[] = {
      {IDC_BLOOM, settings.Bloom},      {IDC_RADIAL, settings.Radial},
      {IDC_LOWTEX, settings.LowTex},    {IDC_DXT5, settings.DXT5},
      {IDC_NAV_LIGHTS, !settings.NoVE}, {IDC_TAILS, settings.Tails},
      {IDC_GIBS, settings.Gibs},        {IDC_ROCKET, settings.Rocket},
      {IDC_LENS, settings.Lens},        {IDC_SMOKE, settings.Smoke},
      {IDC_SPARKS, settings.Sparks},    {IDC_JOYSTICK, settings.Joystick != 0},
      {IDC_INVERT, settings.Invert},    {IDC_SIMPLE_CONTROLS, settings.SimpleControls},
  };
  for (const auto& box : boxes) {
    EXPECT_EQ(IsChecked(dialog, box.first), box.second) << "box " << box.first;
  }
}

std::vector<std::string> Utf8List(const std::vector<std::wstring>& texts) {
  std::vector<std::string> result;
  for (const std::wstring& text : texts) {
    result.push_back(Utf8(text));
  }
  return result;
}

// A config file with comments, an unknown key, odd spacing and mixed line ends: the launcher
// must leave it exactly as it is unless the player confirms the settings.
const char kHandWrittenConfig[] =
    "// written by hand\r\n"
    "ScreenWidth 1024\r\n"
    "ScreenHeight 768\n"
    "BitsPerPixel 32\r\n"
    "\r\n"
    "Frequency 44100\n"
    "MusicVolume 0.3\n"
    "Mouse 0.7\n"
    "FullScreen 1\n"
    "Gibs 1\n"
    "SomethingElse 42\n";

// Under Wine on a bare X server (Xvfb, no window manager) nobody draws captions unless Wine
// does, and every hidden window waits two seconds for a window manager that never answers. For
// the launchers this run starts, Wine manages and decorates windows itself; the previous values
// come back at the end, so a developer's own Wine prefix is left as it was.
class WineWindowingEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    underWine_ = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    if (!underWine_) {
      return;  // real Windows: leave the registry alone
    }
    for (Value& value : values_) {
      DWORD size = sizeof value.saved;
      value.existed = RegGetValueW(HKEY_CURRENT_USER, kKey, value.name, RRF_RT_REG_SZ, nullptr,
                                   value.saved, &size) == ERROR_SUCCESS;
      const wchar_t no[] = L"N";
      RegSetKeyValueW(HKEY_CURRENT_USER, kKey, value.name, REG_SZ, no, sizeof no);
    }
  }
  void TearDown() override {
    if (!underWine_) {
      return;
    }
    for (const Value& value : values_) {
      if (value.existed) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kKey, value.name, REG_SZ, value.saved,
                        static_cast<DWORD>((wcslen(value.saved) + 1) * sizeof(wchar_t)));
      } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, value.name);
      }
    }
  }

private:
  struct Value {
    const wchar_t* name;
    bool existed = false;
    wchar_t saved[64] = {};
  };
  static constexpr const wchar_t* kKey = L"Software\\Wine\\X11 Driver";
  bool underWine_ = false;
  Value values_[2] = {{L"Managed"}, {L"Decorated"}};
};

const ::testing::Environment* const kWineWindowing =
    ::testing::AddGlobalTestEnvironment(new WineWindowingEnvironment);

}  // namespace

// ---- single instance ----

TEST(LauncherStartUp, SecondLauncherExitsWithoutAWindowWhileTheFirstRuns) {
  GameFolder folder;
  LauncherRun first(folder);
  ASSERT_TRUE(first.Started()) << "main dialog did not appear";
  HWND settings = first.OpenSettings();
  ASSERT_NE(settings, nullptr);

  Process second;
  ASSERT_TRUE(second.Start(folder.Launcher(), folder.Root()));
  bool secondShowedAWindow = false;
  DWORD code = 99;
  ASSERT_TRUE(WaitUntil([&] {
    if (!TopLevelWindows(second.Id(), true).empty()) {
      secondShowedAWindow = true;
    }
    return !second.Running();
  }));
  ASSERT_TRUE(second.WaitForExit(0, code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(secondShowedAWindow);
  // It handed the foreground to the first launcher's open dialog.
  EXPECT_EQ(GetForegroundWindow(), settings);
  EXPECT_TRUE(first.Proc().Running());

  ASSERT_TRUE(first.CloseSettings(settings, IDCANCEL));
  ClickLater(first.Main(), IDC_EXIT);
  EXPECT_EQ(first.WaitForExit(), std::optional<DWORD>(0));

  // With the first one gone, a new launcher runs normally.
  LauncherRun third(folder);
  EXPECT_TRUE(third.Started());
  PostClose(third.Main());
  EXPECT_EQ(third.WaitForExit(), std::optional<DWORD>(0));
}

// A launcher running elevated, or as another user in the same session, holds the name with an
// event that this one may not open: CreateEventW answers no event and ERROR_ACCESS_DENIED. Here
// the test holds it so, with an access list that grants nobody anything.
TEST(LauncherStartUp, ANameItMayNotOpenMeansAnotherLauncherRuns) {
  GameFolder folder;
  SECURITY_DESCRIPTOR descriptor;
  ACL nobody;
  ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(InitializeAcl(&nobody, sizeof nobody, ACL_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, &nobody, FALSE));
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
  const std::unique_ptr<void, decltype(&CloseHandle)> held(
      CreateEventW(&attributes, FALSE, FALSE, L"SKARNAVELLauncher_started"), &CloseHandle);
  ASSERT_NE(held.get(), nullptr) << GetLastError();

  Process launcher;
  ASSERT_TRUE(launcher.Start(folder.Launcher(), folder.Root()));
  bool showedAWindow = false;
  ASSERT_TRUE(WaitUntil([&] {
    showedAWindow = showedAWindow || !TopLevelWindows(launcher.Id(), true).empty();
    return !launcher.Running();
  }));
  DWORD code = 99;
  ASSERT_TRUE(launcher.WaitForExit(0, code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(showedAWindow);
}

// ---- main dialog ----

TEST(LauncherMainDialog, ExitAndCloseStartNoGameWhileEscapeChangesNothing) {
  GameFolder folder;
  {
    LauncherRun run(folder);
    ASSERT_TRUE(run.Started());
    SaveScreenshot(run.Main(), ScreenshotDirectory() / "main_dialog.png");
    EXPECT_EQ(Utf8(WindowText(run.Main())), "SKARNAVEL: Варнелия");
    EXPECT_EQ(Utf8(ControlText(run.Main(), IDC_START_GAME)), "Запустить игру");
    EXPECT_EQ(Utf8(ControlText(run.Main(), IDC_SETTINGS)), "Настройки");
    EXPECT_EQ(Utf8(ControlText(run.Main(), IDC_EXIT)), "Выход");

    PostKey(run.Main(), VK_ESCAPE);
    PostCommand(run.Main(), IDOK);
    PostCommand(run.Main(), IDCANCEL);
    // Messages are handled in order: the settings dialog can open only over a main dialog that
    // is still there after all of the above.
    HWND settings = run.OpenSettings();
    ASSERT_NE(settings, nullptr) << "the main dialog ended";
    ASSERT_TRUE(run.CloseSettings(settings, IDCANCEL));
    EXPECT_TRUE(run.Proc().Running());

    ClickLater(run.Main(), IDC_EXIT);
    EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  }
  {
    LauncherRun run(folder);
    ASSERT_TRUE(run.Started());
    PostClose(run.Main());
    EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  }
  Sleep(500);
  EXPECT_FALSE(fs::exists(folder.GameNote())) << "a game was started";
  EXPECT_FALSE(CloseStandInGame(0));
  EXPECT_FALSE(folder.ReadConfig().has_value()) << "nothing was confirmed, nothing written";
}

TEST(LauncherMainDialog, StartGameRunsTheGameInItsFolderAndWritesNoConfig) {
  // Also from a folder whose name is not in the ANSI code page's reach on every Windows.
  for (const wchar_t* name : {L"skarnavel_e2e_", L"Игры_SKARNAVEL_"}) {
    SCOPED_TRACE(Utf8(name));
    GameFolder folder(GameFolder::Options{true, true, "SkarnavelLauncher.exe", name});
    LauncherRun run(folder);
    ASSERT_TRUE(run.Started());
    ClickLater(run.Main(), IDC_START_GAME);
    EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));

    HWND game = WaitForWindowOfClass(L"SkarnavelStandInGame");
    ASSERT_NE(game, nullptr) << "the stand-in game did not start";
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(folder.GameNote()); }));
    SaveScreenshot(game, ScreenshotDirectory() / "stand_in_game.png");
    const std::string note = ReadBytes(folder.GameNote());
    const std::string prefix = "cwd=";
    ASSERT_EQ(note.compare(0, prefix.size(), prefix), 0) << note;
    const std::string cwd = note.substr(prefix.size(), note.find('\n') - prefix.size());
    EXPECT_TRUE(fs::equivalent(fs::u8path(cwd), folder.GameDirectory()))
        << "the game ran in " << cwd;
    EXPECT_NE(note.find("config=missing"), std::string::npos) << note;
    EXPECT_TRUE(CloseStandInGame());
    EXPECT_FALSE(folder.ReadConfig().has_value()) << "starting the game must not create Zurvo.cfg";
  }
}

// Whatever lies elsewhere, only game\skarnavel.exe is ever started: the shell, given a bare name,
// would search on and start a stray program of that name.
TEST(LauncherMainDialog, AGameThatCannotStartIsReportedAndNothingElseStarts) {
  // kVirtualized: a virtualized launcher (Program Files on Vista and later, here ProgramData
  // standing for it, as Wine has no virtualization) names where Windows keeps what it writes.
  enum class Setup {
    kMissing,
    kMissingWithStrayBesideTheLauncher,
    kFolderOfThatName,
    kVirtualized
  };
  for (const Setup setup : {Setup::kMissing, Setup::kMissingWithStrayBesideTheLauncher,
                            Setup::kFolderOfThatName, Setup::kVirtualized}) {
    SCOPED_TRACE(static_cast<int>(setup));
    GameFolder folder(GameFolder::Options{true, false});
    if (setup == Setup::kMissingWithStrayBesideTheLauncher) {
      fs::copy_file(ExeDirectory() / "skarnavel.exe", folder.Root() / "skarnavel.exe");
    } else if (setup == Setup::kFolderOfThatName) {
      fs::create_directory(folder.GameDirectory() / "skarnavel.exe");
    }
    const std::wstring root = folder.Root().wstring();
    const fs::path store = L"C:\\LocalData\\VirtualStore\\" + root.substr(root.find(L'\\') + 1);
    wchar_t programData[MAX_PATH] = {};
    wchar_t localAppData[MAX_PATH] = {};
    const bool hadData = GetEnvironmentVariableW(L"ProgramData", programData, MAX_PATH) != 0;
    const bool hadLocal = GetEnvironmentVariableW(L"LOCALAPPDATA", localAppData, MAX_PATH) != 0;
    if (setup == Setup::kVirtualized) {
      SetEnvironmentVariableW(L"ProgramData", root.c_str());
      SetEnvironmentVariableW(L"LOCALAPPDATA", L"C:\\LocalData");
      SetEnvironmentVariableW(L"ZURVO_TEST_VIRTUALIZED", L"1");
    }
    LauncherRun run(folder);
    SetEnvironmentVariableW(L"ProgramData", hadData ? programData : nullptr);
    SetEnvironmentVariableW(L"LOCALAPPDATA", hadLocal ? localAppData : nullptr);
    SetEnvironmentVariableW(L"ZURVO_TEST_VIRTUALIZED", nullptr);
    ASSERT_TRUE(run.Started());
    HWND main = run.Main();
    ClickLater(main, IDC_START_GAME);
    // The message box carries the game's title too, but it is not the main dialog.
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
      for (HWND window : TopLevelWindows(run.Proc().Id(), true)) {
        if (window != main && ClassName(window) == L"#32770" &&
            WindowText(window) == L"SKARNAVEL: Варнелия") {
          box = window;
          return true;
        }
      }
      return false;
    })) << "no message box";
    EXPECT_FALSE(IsWindow(main)) << "the main dialog has ended before the game is started";
    const FailureMessage message = ReadFailureMessage(box);
    EXPECT_TRUE(message.layoutOk) << ::testing::PrintToString(Utf8List(ChildTexts(box)));
    EXPECT_EQ(message.firstLine, "Не удалось запустить игру: game\\skarnavel.exe");
    EXPECT_TRUE(fs::equivalent(message.folder, folder.Root())) << message.folder;
    EXPECT_EQ(message.storeFolder, setup == Setup::kVirtualized ? store : fs::path());
    EXPECT_EQ(message.reason,
              setup == Setup::kFolderOfThatName ? "на месте файла папка." : "файл не найден.");
    EXPECT_TRUE(run.Proc().Running()) << "the launcher waits for the player to read it";
    if (setup == Setup::kMissing) {
      // The box holds the single-instance lock: a second start brings it forward, not nothing.
      // A window of the test's own takes the foreground first.
      const HWND other = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_POPUP | WS_VISIBLE, 0, 0,
                                         50, 50, nullptr, nullptr, nullptr, nullptr);
      ASSERT_NE(other, nullptr);
      SetForegroundWindow(other);
      ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other; }));
      Process second;
      ASSERT_TRUE(second.Start(folder.Launcher(), folder.Root()));
      DWORD code = 99;
      ASSERT_TRUE(second.WaitForExit(10000, code));
      EXPECT_EQ(code, 0u);
      EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == box; }))
          << "the foreground is " << GetForegroundWindow();
      DestroyWindow(other);
    }
    PostCommand(box, IDOK);
    EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
    EXPECT_FALSE(CloseStandInGame(0)) << "a stray skarnavel.exe was started";
    EXPECT_FALSE(fs::exists(folder.GameNote()) || fs::exists(folder.Root() / "standin_started.txt"))
        << "a stray skarnavel.exe was started";
  }
}

// ---- settings dialog ----

TEST(LauncherSettings, OpenThenCancelOrCloseLeavesTheFileByteIdentical) {
  GameFolder folder;
  folder.WriteConfig(kHandWrittenConfig);
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());
  for (int how : {IDCANCEL, 0}) {
    HWND settings = run.OpenSettings();
    ASSERT_NE(settings, nullptr);
    Click(settings, IDC_PRESET_NORMAL);
    Click(settings, IDC_INVERT);
    if (how == IDCANCEL) {
      ASSERT_TRUE(run.CloseSettings(settings, IDCANCEL));
    } else {
      PostClose(settings);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
    }
    EXPECT_EQ(folder.ReadConfig(), std::optional<std::string>(kHandWrittenConfig));
    EXPECT_TRUE(IsWindow(run.Main()));
  }
  ClickLater(run.Main(), IDC_EXIT);
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  EXPECT_EQ(folder.ReadConfig(), std::optional<std::string>(kHandWrittenConfig));
}

TEST(LauncherSettings, EachPresetThenOkWritesTheExpectedFileAndReopeningShowsIt) {
  GameFolder folder;
  folder.WriteConfig(kHandWrittenConfig);
  Settings current = LoadedSettings(folder);
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());

  for (const Preset& preset : kPresets) {
    SCOPED_TRACE(preset.name);
    HWND settings = run.OpenSettings();
    ASSERT_NE(settings, nullptr);
    ExpectBoxesShow(settings, current);  // what the last OK stored
    Click(settings, preset.button);
    if (preset.button == IDC_PRESET_EXCELLENT) {
      SaveScreenshot(settings, ScreenshotDirectory() / "settings_dialog.png");
    }
    ASSERT_TRUE(run.CloseSettings(settings, IDOK));
    current = AfterPreset(current, preset);
    ExpectFileHolds(folder, current);
  }

  // After Cancel the dialog shows the stored values, not the abandoned ones.
  HWND settings = run.OpenSettings();
  ASSERT_NE(settings, nullptr);
  Click(settings, IDC_PRESET_NORMAL);
  ASSERT_TRUE(run.CloseSettings(settings, IDCANCEL));
  settings = run.OpenSettings();
  ASSERT_NE(settings, nullptr);
  ExpectBoxesShow(settings, current);
  EXPECT_EQ(Utf8(SelectedText(settings, IDC_FREQUENCY)), "44100 Гц");
  EXPECT_EQ(Utf8(SelectedText(settings, IDC_BITRATE)), "16 бит");
  if (!Hardware().modes.empty()) {
    const DisplayMode stored{static_cast<std::uint32_t>(current.ScreenHeight),
                             static_cast<std::uint32_t>(current.ScreenWidth),
                             static_cast<std::uint32_t>(current.BitsPerPixel)};
    EXPECT_EQ(Utf8(SelectedText(settings, IDC_DISPLAY_MODE)), ModeText(stored));
  }
  ASSERT_TRUE(run.CloseSettings(settings, IDCANCEL));
  ClickLater(run.Main(), IDC_EXIT);
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
}

TEST(LauncherSettings, NavigationLightsBoxIsTheInverseOfNoVE) {
  GameFolder folder;
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());
  HWND settings = run.OpenSettings();
  ASSERT_NE(settings, nullptr);
  EXPECT_TRUE(IsChecked(settings, IDC_NAV_LIGHTS)) << "NoVE 0 shows the lights on";
  Click(settings, IDC_NAV_LIGHTS);
  EXPECT_FALSE(IsChecked(settings, IDC_NAV_LIGHTS));
  ASSERT_TRUE(run.CloseSettings(settings, IDOK));
  const std::optional<std::string> written = folder.ReadConfig();
  ASSERT_TRUE(written.has_value());
  EXPECT_NE(written->find("NoVE 1"), std::string::npos) << *written;

  settings = run.OpenSettings();
  ASSERT_NE(settings, nullptr);
  EXPECT_FALSE(IsChecked(settings, IDC_NAV_LIGHTS));
  ASSERT_TRUE(run.CloseSettings(settings, IDCANCEL));
  PostClose(run.Main());
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
}

TEST(LauncherSettings, UnlistedValuesFallBackToTheFirstEntries) {
  GameFolder folder;
  // Frequency is none of the three offered; the mode is the default 640 x 480 x 16, which the
  // probe never lists.
  folder.WriteConfig("Frequency 12345\nBitRate 12\n");
  Settings expected = LoadedSettings(folder);
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());
  HWND settings = run.OpenSettings();
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(Utf8(SelectedText(settings, IDC_FREQUENCY)), "11025 Гц");
  EXPECT_EQ(Utf8(SelectedText(settings, IDC_BITRATE)), "8 бит");

  std::vector<std::string> expectedModes;
  for (const DisplayMode& mode : Hardware().modes) {
    expectedModes.push_back(ModeText(mode));
  }
  const std::vector<std::string> listed = Utf8List(ListEntries(settings, IDC_DISPLAY_MODE));
  EXPECT_EQ(listed, expectedModes);
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "640 x 480 x 16"), 0);
  EXPECT_EQ(ListSelection(settings, IDC_DISPLAY_MODE), expectedModes.empty() ? CB_ERR : 0);

  ASSERT_TRUE(run.CloseSettings(settings, IDOK));
  expected.Frequency = 11025;
  expected.BitRate = 8;
  expected.FSAA = Hardware().caps.fsaaAvailable;
  const Capabilities& caps = Hardware().caps;
  expected.Quality = caps.fsaaAvailable && caps.aaLevelCount > 1 ? 0 : -1;
  if (!Hardware().modes.empty()) {
    expected.ScreenWidth = static_cast<std::int32_t>(Hardware().modes.front().width);
    expected.ScreenHeight = static_cast<std::int32_t>(Hardware().modes.front().height);
    expected.BitsPerPixel = static_cast<std::int32_t>(Hardware().modes.front().bitsPerPixel);
  }
  ExpectFileHolds(folder, expected);
  ClickLater(run.Main(), IDC_EXIT);
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
}

TEST(LauncherSettings, FailedWriteShowsAMessageAndKeepsTheDialogOpen) {
  GameFolder folder;
  // A folder where the file should be: the launcher cannot replace it.
  fs::create_directories(folder.Config() / "blocked");
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());
  HWND settings = run.OpenSettings();
  ASSERT_NE(settings, nullptr);
  Click(settings, IDC_PRESET_EXCELLENT);
  ClickLater(settings, IDOK);
  HWND box = WaitForDialog(run.Proc().Id(), kSettingsTitle, settings);
  ASSERT_NE(box, nullptr) << "no message box";
  const FailureMessage message = ReadFailureMessage(box);
  EXPECT_TRUE(message.layoutOk) << ::testing::PrintToString(Utf8List(ChildTexts(box)));
  EXPECT_EQ(message.firstLine, "Не удалось сохранить настройки в файл Game\\Zurvo.cfg.");
  EXPECT_TRUE(fs::equivalent(message.folder, folder.Root())) << message.folder;
  EXPECT_EQ(message.reason, "на месте файла папка.");
  PostCommand(box, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  EXPECT_TRUE(IsWindow(settings)) << "the dialog stays open for another try";

  // Cancelled now, the dialog reopens with the values from before the failed OK.
  ASSERT_TRUE(run.CloseSettings(settings, IDCANCEL));
  settings = run.OpenSettings();
  ASSERT_NE(settings, nullptr);
  const Settings loaded = LoadedSettings(folder);
  ExpectBoxesShow(settings, loaded);
  EXPECT_EQ(Utf8(SelectedText(settings, IDC_FREQUENCY)), "22050 Гц");

  // With the obstacle gone, OK writes and closes.
  fs::remove_all(folder.Config());
  Click(settings, IDC_PRESET_EXCELLENT);
  ASSERT_TRUE(run.CloseSettings(settings, IDOK));
  ExpectFileHolds(folder, AfterPreset(loaded, kPresets[2]));
  ClickLater(run.Main(), IDC_EXIT);
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
}

// A file held open without sharing while the launcher starts (a virus scan, a backup tool, the
// game still closing) is not a missing file: the player's values must survive.
TEST(LauncherSettings, AFileThatCouldNotBeReadAtStartIsNeverReplacedByTheDefaults) {
  for (const bool freedBeforeSettings : {true, false}) {
    SCOPED_TRACE(freedBeforeSettings ? "freed before Настройки" : "held throughout");
    GameFolder folder;
    std::string text =
        "Frequency 11025\nBitRate 16\nInvert 0\nSparks 1\nMouse 0.90\n"
        "MusicVolume 0.10\nGodMode 1\nQuality 0\n";
    if (!Hardware().modes.empty()) {
      const DisplayMode& mode = Hardware().modes.front();
      text += "ScreenWidth " + std::to_string(mode.width) + "\nScreenHeight " +
              std::to_string(mode.height) + "\nBitsPerPixel " + std::to_string(mode.bitsPerPixel) +
              "\n";
    }
    folder.WriteConfig(text);
    const Settings fromFile = LoadedSettings(folder);
    UniqueFileHandle held(CreateFileW(folder.Config().wstring().c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.Valid()) << "error " << GetLastError();

    LauncherRun run(folder);
    ASSERT_TRUE(run.Started());  // the file has been tried by now
    if (freedBeforeSettings) {
      held.Reset();
    }
    HWND settings = run.OpenSettings();
    ASSERT_NE(settings, nullptr);
    if (freedBeforeSettings) {
      ExpectBoxesShow(settings, fromFile);
      EXPECT_EQ(Utf8(SelectedText(settings, IDC_FREQUENCY)), "11025 Гц");
      ASSERT_TRUE(run.CloseSettings(settings, IDOK));
      Settings expected = fromFile;
      const Capabilities& caps = Hardware().caps;
      expected.FSAA = caps.fsaaAvailable;
      expected.Quality = caps.fsaaAvailable && caps.aaLevelCount > 1 ? 0 : -1;
      ExpectFileHolds(folder, expected);
    } else {
      ClickLater(settings, IDOK);
      HWND box = WaitForDialog(run.Proc().Id(), kSettingsTitle, settings);
      ASSERT_NE(box, nullptr) << "no message box";
      const FailureMessage message = ReadFailureMessage(box);
      EXPECT_TRUE(message.layoutOk) << ::testing::PrintToString(Utf8List(ChildTexts(box)));
      EXPECT_EQ(message.firstLine,
                "Не удалось прочитать файл Game\\Zurvo.cfg, поэтому настройки в него не "
                "сохранены.");
      EXPECT_TRUE(fs::equivalent(message.folder, folder.Root())) << message.folder;
      EXPECT_FALSE(message.reason.empty()) << "the system's words for the sharing violation";
      PostCommand(box, IDOK);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
      EXPECT_TRUE(IsWindow(settings)) << "the dialog stays open";
      ASSERT_TRUE(run.CloseSettings(settings, IDCANCEL));
      held.Reset();
      EXPECT_EQ(folder.ReadConfig(), std::optional<std::string>(text)) << "byte for byte";
    }
    ClickLater(run.Main(), IDC_EXIT);
    EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  }
}

// ---- the probe on its worker ----

// Leaving at different moments after the window shows: before the probe has started, while the
// worker is inside Direct3D or DirectInput (they take about a second under Wine), after it has
// finished. Nothing may crash, and nothing may wait for the worker.
TEST(LauncherStartUp, LeavingWhileTheProbeRunsEndsCleanly) {
  GameFolder folder;
  const DWORD pausesMs[] = {0, 150, 300, 600, 1200};
  for (DWORD pauseMs : pausesMs) {
    SCOPED_TRACE("left " + std::to_string(pauseMs) + " ms after the window showed");
    LauncherRun run(folder);
    ASSERT_TRUE(run.Started());
    Sleep(pauseMs);
    if (pauseMs % 300 == 0) {
      PostClose(run.Main());
    } else {
      ClickLater(run.Main(), IDC_EXIT);
    }
    EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  }
}

namespace {

// Drivers that never answer: the probe hangs in Direct3DCreate9 and in EnumDevices for good.
GameFolder::Options HungDrivers() {
  GameFolder::Options options;
  options.driverFaults = "d3d9-create-hang,dinput8-enum-hang";
  return options;
}

// Whether a process has loaded a module of that name.
bool HasModule(DWORD processId, const wchar_t* name) {
  UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
  MODULEENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32FirstW(snapshot.Get(), &entry); more;
       more = Module32NextW(snapshot.Get(), &entry)) {
    if (_wcsicmp(entry.szModule, name) == 0) {
      return true;
    }
  }
  return false;
}

// Waits for the launcher to end, watching that it never shows a settings dialog meanwhile.
std::optional<DWORD> ExitWithoutSettings(LauncherRun& run, bool& settingsShown) {
  settingsShown = false;
  WaitUntil([&] {
    for (HWND window : TopLevelWindows(run.Proc().Id(), true)) {
      if (WindowText(window) == kSettingsTitle) {
        settingsShown = true;
      }
    }
    return !run.Proc().Running();
  });
  return run.WaitForExit(0);
}

}  // namespace

TEST(ProbeInItsProcesses, MainDialogShowsAndAnswersWhileTheDriversHang) {
  GameFolder folder(HungDrivers());
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());
  EXPECT_TRUE(Answers(run.Main(), 2000));
  EXPECT_TRUE(Repaints(run.Main(), 5000));
  EXPECT_EQ(Utf8(ControlText(run.Main(), IDC_START_GAME)), "Запустить игру");
  EXPECT_FALSE(HasModule(run.Proc().Id(), L"d3d9.dll") ||
               HasModule(run.Proc().Id(), L"dinput8.dll"))
      << "the drivers were loaded into the launcher itself";
  const DWORD launcher = run.Proc().Id();
  EXPECT_TRUE(WaitUntil([&] { return ChildProcesses(launcher) == 2; }));
  PostClose(run.Main());
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  EXPECT_TRUE(WaitUntil([&] { return ChildProcesses(launcher) == 0; }, 10000))
      << "a hung probe process outlived its launcher";
}

TEST(ProbeInItsProcesses, SettingsDuringASlowProbeOpensAfterItShowingItsResults) {
  GameFolder::Options options;
  options.driverFaults = "d3d9-slow,dinput8-slow";  // a second each
  GameFolder folder(options);
  // Everything the probe could switch off, asked for; the stand-ins have all of it.
  const std::string asked = "Bloom 1\nFSAA 1\nDXT5 1\nJoystick 1\nFrequency 44100\nGibs 1\n";
  folder.WriteConfig(asked);
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());
  // Once the probe processes run: on an emulated machine they take seconds to start.
  ASSERT_TRUE(WaitUntil([&] { return ChildProcesses(run.Proc().Id()) == 2; }));

  ClickLater(run.Main(), IDC_SETTINGS);
  ClickLater(run.Main(), IDC_SETTINGS);  // impatient: the second click must not open another
  Sleep(500);
  EXPECT_TRUE(Answers(run.Main(), 2000)) << "the main dialog hangs while it waits";
  EXPECT_TRUE(Repaints(run.Main(), 5000));
  EXPECT_EQ(WaitForDialog(run.Proc().Id(), kSettingsTitle, run.Main(), 0), nullptr)
      << "the settings dialog opened before the probe had answered";

  HWND settings = WaitForDialog(run.Proc().Id(), kSettingsTitle, run.Main());
  ASSERT_NE(settings, nullptr) << "no settings dialog after the probe";
  for (int box : {IDC_BLOOM, IDC_DXT5, IDC_JOYSTICK}) {
    EXPECT_TRUE(IsEnabled(settings, box) && IsChecked(settings, box)) << "box " << box;
  }
  EXPECT_EQ(ListEntries(settings, IDC_ANTIALIASING).size(), 4u);
  EXPECT_EQ(ListEntries(settings, IDC_DISPLAY_MODE).size(), 8u);
  EXPECT_EQ(Utf8(SelectedText(settings, IDC_FREQUENCY)), "44100 Гц");

  ASSERT_TRUE(run.CloseSettings(settings, IDCANCEL));
  Sleep(500);
  EXPECT_EQ(WaitForDialog(run.Proc().Id(), kSettingsTitle, run.Main(), 0), nullptr)
      << "the second click opened the settings again";
  ClickLater(run.Main(), IDC_EXIT);
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  EXPECT_EQ(folder.ReadConfig(), std::optional<std::string>(asked)) << "Cancel writes nothing";
  // Nothing to report but which XInput the game controller uses.
  const std::string log = fs::exists(folder.Log()) ? ReadBytes(folder.Log()) : std::string();
  for (std::size_t at = 0; at < log.size(); at = log.find('\n', at) + 1) {
    EXPECT_EQ(log.compare(at, 18, "Game controller - "), 0) << log;
    if (log.find('\n', at) == std::string::npos) {
      break;
    }
  }
}

// Slow is not hung: a Direct3D that takes 7 s, longer than "Настройки" waits, leaves the first
// settings dialog without its answers, and the next one has them; OK writes what it offers.
TEST(ProbeInItsProcesses, ADriverThatAnswersLateCountsFromTheNextSettings) {
  GameFolder::Options options;
  options.driverFaults = "d3d9-late";
  GameFolder folder(options);
  // A mode the stand-in does not list, so that OK writes the list's first entry only once the
  // modes are known.
  folder.WriteConfig(
      "Bloom 1\nFSAA 1\nQuality 9\nJoystick 7\nScreenWidth 1366\n"
      "ScreenHeight 768\nBitsPerPixel 32\n");
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());
  const ULONGLONG clicked = GetTickCount64();
  ClickLater(run.Main(), IDC_SETTINGS);  // at once, as a player who knows the button
  HWND settings = WaitForDialog(run.Proc().Id(), kSettingsTitle, run.Main());
  ASSERT_NE(settings, nullptr);
  EXPECT_FALSE(IsEnabled(settings, IDC_BLOOM) || IsEnabled(settings, IDC_ANTIALIASING));
  EXPECT_TRUE(IsChecked(settings, IDC_BLOOM)) << "unknown keeps the file's value";
  EXPECT_TRUE(ListEntries(settings, IDC_DISPLAY_MODE).empty());
  // That the late part was not stopped shows in the next dialog and the log, not in a count of
  // its process now: on a slow machine it may already have answered and ended.
  ASSERT_TRUE(run.CloseSettings(settings, IDCANCEL));

  // 8 s after the first click, and once the late part has answered and ended (later on an
  // emulated machine, where its process starts late).
  ASSERT_TRUE(WaitUntil(
      [&] { return GetTickCount64() - clicked >= 8000 && ChildProcesses(run.Proc().Id()) == 0; },
      120000));
  ClickLater(run.Main(), IDC_SETTINGS);
  settings = WaitForDialog(run.Proc().Id(), kSettingsTitle, run.Main());
  ASSERT_NE(settings, nullptr);
  EXPECT_TRUE(IsEnabled(settings, IDC_BLOOM) && IsChecked(settings, IDC_BLOOM));
  EXPECT_TRUE(IsEnabled(settings, IDC_JOYSTICK));
  EXPECT_EQ(ListEntries(settings, IDC_ANTIALIASING).size(), 4u);
  EXPECT_EQ(ListEntries(settings, IDC_DISPLAY_MODE).size(), 8u);
  ASSERT_TRUE(run.CloseSettings(settings, IDOK));

  Settings expected;
  ASSERT_GE(ReadConfiguration(folder.Config().string(), expected), 0);
  expected.Quality = 0;
  expected.Joystick = 1;
  expected.ScreenWidth = 800;
  expected.ScreenHeight = 600;
  expected.BitsPerPixel = 16;
  ExpectFileHolds(folder, expected);
  ClickLater(run.Main(), IDC_EXIT);
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  const std::string log = ReadBytes(folder.Log());
  EXPECT_NE(log.find("Hardware probe - Direct3D 9 did not answer in time, still busy in "),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Hardware probe - Direct3D 9 answered late, "), std::string::npos) << log;
  EXPECT_NE(log.find(" s after the probe started: graphics capabilities and display modes\r\n"),
            std::string::npos)
      << log;
}

// Whatever the drivers do, leaving never waits for them.
TEST(ProbeInItsProcesses, ExitAndCloseWithHungDriversDoNotWaitForThem) {
  enum class How { kExit, kClose, kExitWhileSettingsWaits, kCloseWhileSettingsWaits };
  const std::pair<How, const char*> ways[] = {
      {How::kExit, "Выход"},
      {How::kClose, "close request"},
      {How::kExitWhileSettingsWaits, "Выход while Настройки waits"},
      {How::kCloseWhileSettingsWaits, "close request while Настройки waits"},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.second);
    GameFolder folder(HungDrivers());
    LauncherRun run(folder);
    ASSERT_TRUE(run.Started());
    if (way.first == How::kExitWhileSettingsWaits || way.first == How::kCloseWhileSettingsWaits) {
      ClickLater(run.Main(), IDC_SETTINGS);
      Sleep(300);
    }
    if (way.first == How::kExit || way.first == How::kExitWhileSettingsWaits) {
      ClickLater(run.Main(), IDC_EXIT);
    } else {
      PostClose(run.Main());
    }
    bool settingsShown = false;
    EXPECT_EQ(ExitWithoutSettings(run, settingsShown), std::optional<DWORD>(0));
    EXPECT_FALSE(settingsShown);
  }
  Sleep(500);
  EXPECT_FALSE(CloseStandInGame(0)) << "a game was started";
}

TEST(ProbeInItsProcesses, StartGameWithHungDriversStartsIt) {
  GameFolder folder(HungDrivers());
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());
  ClickLater(run.Main(), IDC_START_GAME);
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  ASSERT_NE(WaitForWindowOfClass(L"SkarnavelStandInGame"), nullptr)
      << "the stand-in game did not start";
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(folder.GameNote()); }));
  const std::string note = ReadBytes(folder.GameNote());
  EXPECT_NE(note.find("config=missing"), std::string::npos) << note;
  EXPECT_TRUE(CloseStandInGame());
}

// However the launcher ends (here killed, as Task Manager or a crash ends it), its probe
// processes end with it: through our job, and where the job is refused (Windows 7 inside a job
// that allows no other) through their watch on the launcher alone, which the log then explains.
TEST(ProbeInItsProcesses, AKilledLauncherLeavesNoProbeProcessBehind) {
  for (const bool jobRefused : {false, true}) {
    SCOPED_TRACE(jobRefused ? "job refused" : "in our job");
    GameFolder folder(HungDrivers());
    SetEnvironmentVariableW(L"ZURVO_TEST_REFUSE_PROBE_JOB", jobRefused ? L"1" : nullptr);
    LauncherRun run(folder);
    SetEnvironmentVariableW(L"ZURVO_TEST_REFUSE_PROBE_JOB", nullptr);
    ASSERT_TRUE(run.Started());
    const DWORD id = run.Proc().Id();
    ASSERT_TRUE(WaitUntil([&] { return ChildProcesses(id) == 2; }, 60000))
        << ChildProcesses(id) << " probe processes running";
    Sleep(500);  // both inside their hung driver by now
    run.Proc().Terminate();
    // A second or two on a real machine; Wine in the emulated 32-bit machine takes longer to
    // end a process. Without the watch they would run on for good, in their hung driver.
    EXPECT_TRUE(WaitUntil([&] { return ChildProcesses(id) == 0; }, 10000))
        << ChildProcesses(id) << " probe processes outlived the launcher";
    const std::string log = ReadBytes(folder.Log());
    EXPECT_EQ(jobRefused, log.find("Hardware probe - job for the probe processes could not be "
                                   "joined (error 5)") != std::string::npos)
        << log;
  }
}

TEST(ProbeInItsProcesses, ASecondLauncherBringsTheFirstForwardWhileItProbes) {
  GameFolder folder(HungDrivers());
  LauncherRun first(folder);
  ASSERT_TRUE(first.Started());
  Process second;
  ASSERT_TRUE(StartIn(folder, second, folder.Launcher()));
  bool secondShowedAWindow = false;
  ASSERT_TRUE(WaitUntil([&] {
    if (!TopLevelWindows(second.Id(), true).empty()) {
      secondShowedAWindow = true;
    }
    return !second.Running();
  }));
  DWORD code = 99;
  ASSERT_TRUE(second.WaitForExit(0, code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(secondShowedAWindow);
  EXPECT_EQ(GetForegroundWindow(), first.Main());
  ClickLater(first.Main(), IDC_EXIT);
  EXPECT_EQ(first.WaitForExit(), std::optional<DWORD>(0));
}

// Drivers that crash, hang, load slowly or answer nonsense, as players' machines have them. In
// every case the window answers, "Настройки" opens (after at most its patience) with what is
// known, whatever is unknown is off and keeps the file's value, OK writes nothing the hardware
// did not say, and the log tells support what happened.
TEST(ProbeInItsProcesses, MisbehavingDriversNeverCostTheLauncherOrTheFile) {
  // Asks for everything, with a Joystick and a Quality that only the file would write back.
  const char kAsked[] =
      "Bloom 1\nFSAA 1\nDXT5 1\nJoystick 7\nQuality 9\nScreenWidth 1600\nScreenHeight 1200\n"
      "BitsPerPixel 32\nGibs 1\n";
  struct Row {
    const char* faults;
    std::size_t hungParts;
    bool graphicsKnown;
    std::int32_t quality;  // written by OK: 0 the first level, -1 no list, 9 the file's
    DisplayMode written;   // the mode OK writes
    std::size_t modesListed;
    bool joystickKnown;
    std::vector<std::string> log;  // what the log must say; empty: nothing of the probe
  };
  const DisplayMode kFilesMode{1200, 1600, 32};
  const Row rows[] = {
      {"", 0, true, 0, kFilesMode, 8, true, {}},
      {"d3d9-create-crash",
       0,
       false,
       9,
       kFilesMode,
       0,
       true,
       {"Hardware probe - Direct3D 9 crashed in Direct3DCreate9 (exit code 0xC0000005); "
        "graphics capabilities and display modes unknown"}},
      {"d3d9-release-crash,dinput8-create-device-crash",
       0,
       true,
       0,
       kFilesMode,
       8,
       false,
       {"Hardware probe - Direct3D 9 crashed in IDirect3D9::Release (exit code 0xC0000005) after "
        "it had answered",
        "Hardware probe - DirectInput 8 crashed in IDirectInput8::CreateDevice (exit code "
        "0xC0000005); joystick unknown"}},
      {"d3d9-create-hang",
       1,
       false,
       9,
       kFilesMode,
       0,
       true,
       {"Hardware probe - Direct3D 9 did not answer in time, still busy in Direct3DCreate9; "
        "graphics capabilities and display modes unknown"}},
      {"d3d9-modes-hang,dinput8-enum-hang",
       2,
       true,
       0,
       kFilesMode,
       0,
       false,
       {"Hardware probe - Direct3D 9 did not answer in time, still busy in EnumAdapterModes; "
        "display modes unknown",
        "Hardware probe - DirectInput 8 did not answer in time, still busy in "
        "IDirectInput8::EnumDevices; joystick unknown"}},
      {"d3d9-slow-load",
       1,
       false,
       9,
       kFilesMode,
       0,
       true,
       {"Hardware probe - Direct3D 9 did not answer in time, still busy in d3d9.dll; graphics "
        "capabilities and display modes unknown"}},
      {"d3d9-absurd-modes,d3d9-zero-quality",
       0,
       true,
       -1,
       {768, 1024, 16},
       4,
       true,
       {"Hardware probe - the driver reports 0 antialiasing quality levels; 1 used",
        "Hardware probe - 8 display modes larger than 16384x16384 dropped"}},
      {"d3d9-endless-modes",
       0,
       true,
       0,
       {600, 800, 16},
       512,
       true,
       {"Hardware probe - 4294967295 display modes beyond the first 4096 of a format not asked",
        "Hardware probe - 7680 display modes left off the list, which holds 256 of each format"}},
      {"d3d9-modes-fail-partway",
       0,
       true,
       0,
       {600, 800, 16},
       4,
       true,
       {"Hardware probe - 8 display mode queries failed; the list keeps the modes read"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.faults);
    GameFolder::Options options;
    options.driverFaults = row.faults;
    GameFolder folder(options);
    folder.WriteConfig(kAsked);
    LauncherRun run(folder);
    ASSERT_TRUE(run.Started());
    EXPECT_TRUE(Answers(run.Main(), 2000));
    HWND settings = run.OpenSettings(row.hungParts);
    ASSERT_NE(settings, nullptr) << "no settings dialog";
    for (int box : {IDC_BLOOM, IDC_DXT5}) {
      EXPECT_EQ(IsEnabled(settings, box), row.graphicsKnown) << "box " << box;
      EXPECT_TRUE(IsChecked(settings, box)) << "box " << box << ": nothing said no";
    }
    EXPECT_EQ(IsEnabled(settings, IDC_ANTIALIASING), row.quality == 0);
    EXPECT_EQ(IsEnabled(settings, IDC_JOYSTICK), row.joystickKnown);
    EXPECT_TRUE(IsChecked(settings, IDC_JOYSTICK));
    const std::vector<std::wstring> listed = ListEntries(settings, IDC_DISPLAY_MODE);
    EXPECT_EQ(listed.size(), row.modesListed);
    for (const std::wstring& entry : listed) {
      unsigned width = 0;
      unsigned height = 0;
      unsigned bits = 0;
      EXPECT_EQ(swscanf(entry.c_str(), L"%u x %u x %u", &width, &height, &bits), 3);
      EXPECT_TRUE(width >= 800 && height >= 600 && width <= 16384 && height <= 16384)
          << Utf8(entry);
    }
    ASSERT_TRUE(run.CloseSettings(settings, IDOK));

    Settings expected;
    ASSERT_GE(ReadConfiguration(folder.Config().string(), expected), 0);
    expected.Quality = row.quality;
    expected.Joystick = row.joystickKnown ? 1 : 7;
    expected.ScreenWidth = static_cast<std::int32_t>(row.written.width);
    expected.ScreenHeight = static_cast<std::int32_t>(row.written.height);
    expected.BitsPerPixel = static_cast<std::int32_t>(row.written.bitsPerPixel);
    ExpectFileHolds(folder, expected);

    // Starting the game never needs the probe, whatever became of a part.
    const DWORD launcher = run.Proc().Id();
    const bool partLost = !row.graphicsKnown || !row.joystickKnown || row.modesListed == 0;
    ClickLater(run.Main(), partLost ? IDC_START_GAME : IDC_EXIT);
    EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
    if (partLost) {
      EXPECT_NE(WaitForWindowOfClass(L"SkarnavelStandInGame"), nullptr);
      EXPECT_TRUE(CloseStandInGame());
    }
    EXPECT_TRUE(WaitUntil([&] { return ChildProcesses(launcher) == 0; }, 10000))
        << "a probe process outlived its launcher";

    const std::string log = fs::exists(folder.Log()) ? ReadBytes(folder.Log()) : std::string();
    for (const std::string& line : row.log) {
      EXPECT_NE(log.find(line + "\r\n"), std::string::npos) << line << "\nlog:\n" << log;
    }
    if (row.log.empty()) {
      EXPECT_EQ(log.find("Hardware probe"), std::string::npos) << log;
    }
  }
}

// ---- the player's screen ----

namespace {

// The screen resolution Wine reports to the programs started from now on, as a player sets it
// (winecfg's "Screen resolution"); the previous setting comes back at the end.
class ScreenResolution {
public:
  explicit ScreenResolution(DWORD dpi) {
    DWORD size = sizeof saved_;
    existed_ = RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_REG_DWORD, nullptr, &saved_,
                            &size) == ERROR_SUCCESS;
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &dpi, sizeof dpi);
  }
  ~ScreenResolution() {
    if (existed_) {
      RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &saved_, sizeof saved_);
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
    }
  }
  ScreenResolution(const ScreenResolution&) = delete;
  ScreenResolution& operator=(const ScreenResolution&) = delete;

private:
  static constexpr const wchar_t* kKey = L"Control Panel\\Desktop";
  static constexpr const wchar_t* kValue = L"LogPixels";
  bool existed_ = false;
  DWORD saved_ = 0;
};

BOOL CALLBACK CollectDesktopWindow(HWND window, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

// A visible dialog titled `title` (owned by `owner`, if given) on the desktop called `name`.
HWND WaitForDialogOnDesktop(const wchar_t* name, const std::wstring& title, HWND owner) {
  HWND result = nullptr;
  WaitUntil([&] {
    HDESK desktop = OpenDesktopW(name, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
    std::vector<HWND> windows;
    if (desktop != nullptr) {
      EnumDesktopWindows(desktop, CollectDesktopWindow, reinterpret_cast<LPARAM>(&windows));
      CloseDesktop(desktop);
    }
    for (HWND window : windows) {
      // IsWindowVisible would ask about the other desktop's own window as well.
      const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
      if ((style & WS_VISIBLE) != 0 && ClassName(window) == L"#32770" &&
          WindowText(window) == title && (owner == nullptr || Owner(window) == owner)) {
        result = window;
        return true;
      }
    }
    return false;
  });
  return result;
}

void ExpectInside(HWND window, const RECT& area, const char* what) {
  RECT rect;
  ASSERT_TRUE(GetWindowRect(window, &rect)) << what;
  EXPECT_TRUE(rect.left >= area.left && rect.top >= area.top && rect.right <= area.right &&
              rect.bottom <= area.bottom)
      << what << " at " << rect.left << "," << rect.top << " - " << rect.right << ","
      << rect.bottom;
}

}  // namespace

// Above 100%, the title picture is scaled to fill its sunken frame (no grey band beside it), and
// both dialogs stay on the screen with their texts.
TEST(LauncherScreens, AtHigherResolutionsThePictureFillsItsFrame) {
  for (const DWORD dpi : {120u, 144u}) {
    SCOPED_TRACE(dpi);
    const ScreenResolution resolution(dpi);
    GameFolder folder;
    LauncherRun run(folder);
    ASSERT_TRUE(run.Started());
    SaveScreenshot(run.Main(),
                   ScreenshotDirectory() / ("main_dialog_" + std::to_string(dpi) + ".png"));

    HWND frame = GetWindow(GetDlgItem(run.Main(), IDC_EXIT), GW_HWNDNEXT);
    RECT client;
    ASSERT_TRUE(GetClientRect(frame, &client));
    // Scaled with the resolution as far as the room above the buttons allows, proportions kept.
    EXPECT_GE(client.right * 96, 400 * static_cast<LONG>(dpi) * 9 / 10) << client.right;
    EXPECT_LE(client.right * 96, 400 * static_cast<LONG>(dpi)) << client.right;
    EXPECT_LE(std::abs(client.right - 2 * client.bottom), 1)
        << client.right << "x" << client.bottom;
    // What the frame shows, pixel for pixel: the title picture at exactly its size.
    HMODULE exe = LoadLibraryExW(folder.Launcher().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    const Picture scaled =
        ScalePicture(LoadPictureResource(exe, IDB_TITLE), client.right, client.bottom);
    FreeLibrary(exe);
    EXPECT_EQ(ClientPixelsUnlike(run.Main(), frame, scaled), 0);

    HWND settings = run.OpenSettings();
    ASSERT_NE(settings, nullptr);
    SaveScreenshot(settings,
                   ScreenshotDirectory() / ("settings_dialog_" + std::to_string(dpi) + ".png"));
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    ExpectInside(settings, screen, "the settings dialog");
    ASSERT_TRUE(run.CloseSettings(settings, IDCANCEL));
    PostClose(run.Main());
    EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  }
}

// Aware of each monitor's resolution (per monitor, v2), so that Windows stretches nothing into a
// blur on any monitor: asked of the real exe's window, wherever the platform has that awareness
// to give.
TEST(LauncherScreens, TheWindowIsAwareOfEachMonitorsResolution) {
  using IsValidContext = BOOL WINAPI(HANDLE);
  using WindowContext = HANDLE WINAPI(HWND);
  using ContextsEqual = BOOL WINAPI(HANDLE, HANDLE);
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  auto* isValid = FunctionAt<IsValidContext>(GetProcAddress(user32, "IsValidDpiAwarenessContext"));
  auto* contextOf =
      FunctionAt<WindowContext>(GetProcAddress(user32, "GetWindowDpiAwarenessContext"));
  auto* equal = FunctionAt<ContextsEqual>(GetProcAddress(user32, "AreDpiAwarenessContextsEqual"));
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  const auto perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
  if (isValid == nullptr || contextOf == nullptr || equal == nullptr) {
    GTEST_SKIP() << "user32 has no DPI awareness contexts (Windows before 10 1607)";
  }
  if (isValid(perMonitorV2) == FALSE) {
    GTEST_SKIP() << "the platform reports per-monitor (v2) DPI awareness missing (Windows 10 "
                    "1607; Wine 8)";
  }
  GameFolder folder;
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());
  EXPECT_NE(equal(contextOf(run.Main()), perMonitorV2), FALSE) << "not aware per monitor (v2)";
  PostClose(run.Main());
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
}

// A settings dialog taller than the screen (144 dpi on 1024 x 600, a netbook's or a small
// tablet's) is laid out smaller and placed on it: caption and OK/Отмена on screen.
TEST(LauncherScreens, OnASmallScreenTheSettingsDialogIsWhollyOnIt) {
  const ScreenResolution resolution(144);
  GameFolder folder;
  const wchar_t kDesktop[] = L"skarnavel_1024x600";
  Process desktop;
  ASSERT_TRUE(desktop.Start(L"C:\\windows\\explorer.exe", folder.Root(),
                            std::wstring(L"/desktop=") + kDesktop + L",1024x600 \"" +
                                folder.Launcher().wstring() + L"\""));
  HWND main = WaitForDialogOnDesktop(kDesktop, L"SKARNAVEL: Варнелия", nullptr);
  ASSERT_NE(main, nullptr) << "no main dialog on the small screen";
  const RECT screen = {0, 0, 1024, 600};
  ExpectInside(main, screen, "the main dialog");
  ClickLater(main, IDC_SETTINGS);
  HWND settings = WaitForDialogOnDesktop(kDesktop, kSettingsTitle, main);
  ASSERT_NE(settings, nullptr) << "no settings dialog on the small screen";
  ExpectInside(settings, screen, "the settings dialog");
  ExpectInside(GetDlgItem(settings, IDOK), screen, "OK");
  ExpectInside(GetDlgItem(settings, IDCANCEL), screen, "Отмена");
  ClickLater(settings, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
  PostClose(main);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(main); }));
  DWORD code = 0;
  if (!desktop.WaitForExit(10000, code)) {
    desktop.Terminate();  // the desktop's own process, with nothing left on it
  }
}
