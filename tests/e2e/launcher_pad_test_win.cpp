// The real SkarnavelLauncher.exe driven by a game controller alone: the stand-in XInput in the
// prefix's system folder reports the pad this test holds (tests/standin/standin_pad_win.h).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "launcher/pad_mapping.h"
#include "launcher/resource_ids.h"
#include "tests/e2e/e2e_support_win.h"
#include "tests/e2e/ui_driver_win.h"
#include "tests/standin/standin_pad_win.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

const char kConfig[] =
    "ScreenWidth 800\r\n"
    "ScreenHeight 600\r\n"
    "BitsPerPixel 32\r\n"
    "Invert 0\r\n"
    "Gibs 1\r\n";

// The pad as the stand-in reports it, and what the stand-in saw.
class HeldPad {
public:
  HeldPad()
      : mapping_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof(standin::PadBoard), standin::kPadBoardName)) {
    if (mapping_) {
      board_ = static_cast<standin::PadBoard*>(
          MapViewOfFile(mapping_.Get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(standin::PadBoard)));
    }
    if (board_ != nullptr) {
      *board_ = standin::PadBoard();  // a launcher of an earlier test may have held it open
    }
  }
  ~HeldPad() {
    if (board_ != nullptr) {
      UnmapViewOfFile(board_);
    }
  }
  HeldPad(const HeldPad&) = delete;
  HeldPad& operator=(const HeldPad&) = delete;

  bool Ready() const { return board_ != nullptr; }
  void Connect(bool connected) { InterlockedExchange(&board_->connected, connected ? 1 : 0); }
  void Hold(std::uint16_t buttons) {
    InterlockedExchange(&board_->buttons, buttons);
    InterlockedIncrement(&board_->packet);
  }
  LONG Polls(int slot = 0) const { return InterlockedCompareExchange(&board_->polls[slot], 0, 0); }
  LONG Loads() const { return InterlockedCompareExchange(&board_->loads, 0, 0); }
  std::wstring LoadedFrom() const { return board_->loadedFrom; }

  // Waits until the launcher has asked for the pad again, and so has seen what is held now
  // (the stand-in counts a question before it reads the pad).
  bool Seen(DWORD timeoutMs = 10000) const {
    const LONG before = Polls();
    return WaitUntil([&] { return Polls() > before; }, timeoutMs);
  }
  // A press and release, each seen by the launcher. What the press posted to the dialog is
  // handled by then: posted messages come before the next timer tick.
  bool Press(std::uint16_t buttons) { return PressEnding(buttons) && Seen() && Seen(); }
  // The same for a press that ends the launcher: nobody asks for the pad afterwards.
  bool PressEnding(std::uint16_t buttons) {
    Hold(buttons);
    const bool pressed = Seen();
    Hold(0);
    return pressed;
  }

private:
  UniqueKernelHandle mapping_;
  standin::PadBoard* board_ = nullptr;
};

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

fs::path SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return length > 0 && length < MAX_PATH ? fs::path(folder) : fs::path();
}

// The stand-in in place of the prefix's own xinput1_4.dll, which comes back at the end. Only in
// a Wine prefix: a real Windows' system folder is left alone.
class SystemStandIn {
public:
  SystemStandIn() {
    if (!UnderWine() || SystemFolder().empty()) {
      return;
    }
    path_ = SystemFolder() / "xinput1_4.dll";
    saved_ = SystemFolder() / "xinput1_4.dll.zurvo-saved";
    std::error_code error;
    // A run that died half-way left the prefix's own one set aside already.
    if (!fs::exists(saved_, error) && fs::exists(path_, error)) {
      fs::rename(path_, saved_, error);
    }
    installed_ = CopyFileW((ExeDirectory() / "standin" / "xinput1_4.dll").c_str(), path_.c_str(),
                           FALSE) != FALSE;
  }
  ~SystemStandIn() {
    if (path_.empty()) {
      return;
    }
    std::error_code error;
    fs::remove(path_, error);
    if (fs::exists(saved_, error)) {
      fs::rename(saved_, path_, error);
    }
  }
  SystemStandIn(const SystemStandIn&) = delete;
  SystemStandIn& operator=(const SystemStandIn&) = delete;

  bool Installed() const { return installed_; }
  const fs::path& Path() const { return path_; }

private:
  fs::path path_;
  fs::path saved_;
  bool installed_ = false;
};

GameFolder::Options WithStandInDrivers() {
  GameFolder::Options options;
  options.driverFaults = "";
  return options;
}

// The control of `dialog` that has the keyboard focus; 0 for none.
int FocusedId(HWND dialog) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) ||
      info.hwndFocus == nullptr || GetParent(info.hwndFocus) != dialog) {
    return 0;
  }
  return GetDlgCtrlID(info.hwndFocus);
}

// Moves the focus with the D-pad until control `id` has it; false when it never got there.
bool PadTo(HeldPad& pad, HWND dialog, int id, std::uint16_t direction) {
  for (int step = 0; step < 40 && FocusedId(dialog) != id; ++step) {
    if (!pad.Press(direction)) {
      return false;
    }
  }
  return FocusedId(dialog) == id;
}

bool ListOpen(HWND dialog, int id) {
  return SendDlgItemMessageW(dialog, id, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
}

bool FocusShown(HWND dialog) {
  return (SendMessageW(dialog, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// The stand-in game is up in `folder`; closed again, so that no window of it outlives the test.
void ExpectGameStarted(const GameFolder& folder) {
  EXPECT_NE(WaitForWindowOfClass(L"SkarnavelStandInGame"), nullptr) << "the game was not started";
  EXPECT_TRUE(WaitUntil([&] { return fs::exists(folder.GameNote()); }));
  EXPECT_TRUE(CloseStandInGame());
}

// Every test holds a pad through the stand-in in the system folder.
class LauncherGamePad : public ::testing::Test {
protected:
  void SetUp() override {
    if (!standIn.Installed() || !pad.Ready()) {
      GTEST_SKIP() << "the stand-in XInput goes into a Wine prefix's system folder only";
    }
  }
  SystemStandIn standIn;
  HeldPad pad;
};

}  // namespace

TEST_F(LauncherGamePad, AAloneStartsTheGameAndOnlyTheSystemFoldersXInputIsLoaded) {
  GameFolder folder(WithStandInDrivers());
  // Wrappers dropped beside the launcher and the game by a player, under every name it asks for.
  for (const fs::path& place : {folder.Root(), folder.GameDirectory()}) {
    for (const char* name : {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"}) {
      fs::copy_file(ExeDirectory() / "standin" / "xinput1_4.dll", place / name);
    }
  }
  pad.Connect(true);
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(pad.Seen()) << "the launcher never asked for the pad";
  EXPECT_EQ(pad.Loads(), 1);
  EXPECT_EQ(_wcsicmp(pad.LoadedFrom().c_str(), standIn.Path().c_str()), 0)
      << Utf8(pad.LoadedFrom());
  EXPECT_EQ(FocusedId(run.Main()), IDC_START_GAME) << "A alone must start the game";

  EXPECT_TRUE(pad.PressEnding(kPadA));
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  ExpectGameStarted(folder);
  const std::string log = ReadBytes(folder.Log());
  EXPECT_EQ(Occurrences(log, "Game controller - XInput from "), 1u) << log;
  EXPECT_NE(log.find(standIn.Path().string()), std::string::npos) << log;
  EXPECT_FALSE(folder.ReadConfig().has_value()) << "starting the game writes no file";
}

TEST_F(LauncherGamePad, SettingsMadeWithThePadWriteTheFileClicksWrite) {
  GameFolder padFolder(WithStandInDrivers());
  padFolder.WriteConfig(kConfig);
  pad.Connect(true);
  int chosenMode = -1;
  {
    LauncherRun run(padFolder);
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(pad.Seen());
    ASSERT_TRUE(PadTo(pad, run.Main(), IDC_SETTINGS, kPadDown));
    ASSERT_TRUE(pad.Press(kPadA));
    HWND settings = WaitForDialog(run.Proc().Id(), L"Настройки", run.Main());
    ASSERT_NE(settings, nullptr);

    ASSERT_TRUE(PadTo(pad, settings, IDC_PRESET_EXCELLENT, kPadRight));
    ASSERT_TRUE(pad.Press(kPadA));
    EXPECT_TRUE(IsChecked(settings, IDC_RADIAL)) << "\"Отлично\" was not pressed";

    ASSERT_TRUE(PadTo(pad, settings, IDC_INVERT, kPadDown));
    ASSERT_TRUE(pad.Press(kPadA));
    EXPECT_TRUE(IsChecked(settings, IDC_INVERT));

    ASSERT_TRUE(PadTo(pad, settings, IDC_DISPLAY_MODE, kPadUp));
    const int selected = ListSelection(settings, IDC_DISPLAY_MODE);
    const int entries = static_cast<int>(ListEntries(settings, IDC_DISPLAY_MODE).size());
    ASSERT_GE(entries, 2);
    ASSERT_TRUE(pad.Press(kPadA));
    EXPECT_TRUE(ListOpen(settings, IDC_DISPLAY_MODE)) << "A opens the list";
    const bool down = selected + 1 < entries;
    chosenMode = down ? selected + 1 : selected - 1;
    ASSERT_TRUE(pad.Press(down ? kPadDown : kPadUp));
    EXPECT_EQ(FocusedId(settings), IDC_DISPLAY_MODE) << "in an open list the D-pad moves in it";
    ASSERT_TRUE(pad.Press(kPadA));
    EXPECT_FALSE(ListOpen(settings, IDC_DISPLAY_MODE)) << "A takes the entry and closes the list";
    EXPECT_EQ(ListSelection(settings, IDC_DISPLAY_MODE), chosenMode);

    ASSERT_TRUE(pad.Press(kPadStart));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); })) << "Start is OK";
    EXPECT_TRUE(IsWindow(run.Main()));
    ClickLater(run.Main(), IDC_EXIT);
    ASSERT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  }

  // The same with the mouse, from the same file.
  pad.Connect(false);
  GameFolder mouseFolder(WithStandInDrivers());
  mouseFolder.WriteConfig(kConfig);
  LauncherRun run(mouseFolder);
  ASSERT_TRUE(run.Started());
  HWND settings = run.OpenSettings();
  ASSERT_NE(settings, nullptr);
  Click(settings, IDC_PRESET_EXCELLENT);
  Click(settings, IDC_INVERT);
  SelectEntry(settings, IDC_DISPLAY_MODE, chosenMode);
  ASSERT_TRUE(run.CloseSettings(settings, IDOK));
  ClickLater(run.Main(), IDC_EXIT);
  ASSERT_EQ(run.WaitForExit(), std::optional<DWORD>(0));

  const std::optional<std::string> byPad = padFolder.ReadConfig();
  ASSERT_TRUE(byPad.has_value()) << "Start wrote no file";
  EXPECT_NE(*byPad, kConfig);
  EXPECT_EQ(byPad, mouseFolder.ReadConfig()) << "byte for byte";
}

TEST_F(LauncherGamePad, TheFocusShowsOnceThePadIsUsed) {
  GameFolder folder(WithStandInDrivers());
  pad.Connect(true);
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(pad.Seen());
  // As Windows starts a dialog opened with the mouse: no focus rectangle until a key is used.
  SendMessageW(run.Main(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
  if (FocusShown(run.Main())) {
    PostClose(run.Main());
    run.WaitForExit();
    GTEST_SKIP() << "Wine keeps no hidden-focus state: WM_QUERYUISTATE always says shown";
  }
  ASSERT_TRUE(pad.Press(kPadDown));
  EXPECT_TRUE(FocusShown(run.Main()));
  PostClose(run.Main());
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
}

TEST_F(LauncherGamePad, BClosesAListThenCancelsAndNeverEndsTheMainDialog) {
  GameFolder folder(WithStandInDrivers());
  folder.WriteConfig(kConfig);
  pad.Connect(true);
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(pad.Seen());
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(pad.Press(kPadB));
  }
  EXPECT_TRUE(IsWindow(run.Main())) << "B in the main dialog does nothing";
  EXPECT_TRUE(run.Proc().Running());

  ASSERT_TRUE(PadTo(pad, run.Main(), IDC_SETTINGS, kPadRight));
  ASSERT_TRUE(pad.Press(kPadA));
  HWND settings = WaitForDialog(run.Proc().Id(), L"Настройки", run.Main());
  ASSERT_NE(settings, nullptr);
  ASSERT_EQ(FocusedId(settings), IDC_PRESET_NORMAL);
  ASSERT_TRUE(pad.Press(kPadA));  // a preset, then a box: both to be thrown away
  ASSERT_TRUE(PadTo(pad, settings, IDC_INVERT, kPadDown));
  ASSERT_TRUE(pad.Press(kPadA));
  ASSERT_TRUE(PadTo(pad, settings, IDC_FREQUENCY, kPadDown));
  ASSERT_TRUE(pad.Press(kPadA));
  ASSERT_TRUE(ListOpen(settings, IDC_FREQUENCY));
  ASSERT_TRUE(pad.Press(kPadB));
  EXPECT_FALSE(ListOpen(settings, IDC_FREQUENCY)) << "B closes the open list";
  EXPECT_TRUE(IsWindow(settings)) << "and only the list";
  ASSERT_TRUE(pad.Press(kPadB));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(settings); })) << "B is Cancel";
  EXPECT_EQ(folder.ReadConfig(), std::optional<std::string>(kConfig)) << "Cancel writes nothing";

  ASSERT_TRUE(pad.Press(kPadB));
  EXPECT_TRUE(run.Proc().Running());
  ClickLater(run.Main(), IDC_EXIT);
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  EXPECT_EQ(folder.ReadConfig(), std::optional<std::string>(kConfig));
}

TEST_F(LauncherGamePad, APadPluggedInLateOrComingBackActsOnlyOnFreshPresses) {
  GameFolder folder(WithStandInDrivers());
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());

  // No pad: every slot is asked, each about every two seconds.
  ASSERT_TRUE(pad.Seen());
  const LONG before = pad.Polls();
  Sleep(3 * kPadEmptySlotPollMs / 2);
  EXPECT_LE(pad.Polls() - before, 2) << "an empty slot is asked only now and then";
  for (int slot = 1; slot < kPadSlots; ++slot) {
    EXPECT_GT(pad.Polls(slot), 0) << "slot " << slot;
  }

  // Plugged in now: found at the next look.
  pad.Connect(true);
  ASSERT_TRUE(PadTo(pad, run.Main(), IDC_SETTINGS, kPadDown));

  // Pulled, and back with A held (pressed meanwhile): the A does nothing until pressed again.
  pad.Connect(false);
  ASSERT_TRUE(pad.Seen());
  pad.Hold(kPadA);
  pad.Connect(true);
  ASSERT_TRUE(pad.Seen());
  ASSERT_TRUE(pad.Seen());
  ASSERT_TRUE(pad.Seen());
  EXPECT_EQ(WaitForDialog(run.Proc().Id(), L"Настройки", run.Main(), 500), nullptr)
      << "A held through the return opened the settings";
  pad.Hold(0);
  ASSERT_TRUE(pad.Seen());
  EXPECT_EQ(FocusedId(run.Main()), IDC_SETTINGS);
  ASSERT_TRUE(pad.Press(kPadA));
  HWND settings = WaitForDialog(run.Proc().Id(), L"Настройки", run.Main());
  ASSERT_NE(settings, nullptr);
  ASSERT_TRUE(pad.Press(kPadB));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
  ClickLater(run.Main(), IDC_EXIT);
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  EXPECT_FALSE(folder.ReadConfig().has_value());
}

TEST_F(LauncherGamePad, NoPollingWhileAnotherWindowIsInFront) {
  GameFolder folder(WithStandInDrivers());
  pad.Connect(true);
  LauncherRun run(folder);
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(pad.Seen());

  // Another program comes to the front: the stand-in game, from another folder.
  GameFolder otherFolder;
  Process other;
  ASSERT_TRUE(
      other.Start(otherFolder.GameDirectory() / "skarnavel.exe", otherFolder.GameDirectory()));
  const HWND otherWindow = WaitForWindowOfClass(L"SkarnavelStandInGame");
  ASSERT_NE(otherWindow, nullptr);
  SetForegroundWindow(otherWindow);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == otherWindow; }, 5000));
  // The launcher notices at its next look, past the short grace an activation gets.
  Sleep(1000);
  const LONG before = pad.Polls();
  pad.Hold(kPadA);  // meant for the other program
  Sleep(1000);
  pad.Hold(0);
  EXPECT_EQ(pad.Polls(), before) << "the pad was read while another window was in front";
  EXPECT_TRUE(run.Proc().Running());

  ASSERT_TRUE(CloseStandInGame());
  // Asked again until it takes: the closing game may still be handing the front on.
  ASSERT_TRUE(WaitUntil(
      [&] { return SetForegroundWindow(run.Main()) && GetForegroundWindow() == run.Main(); },
      10000));
  EXPECT_TRUE(pad.Seen()) << "reading again once the launcher is in front";
  EXPECT_TRUE(pad.PressEnding(kPadA));
  EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
  ExpectGameStarted(folder);
}
