// The launcher's real dialogs and resources, run in this process on a thread of their own and
// driven through the window system, with capabilities and mode lists that no test machine
// offers (four antialiasing levels, one level, no FSAA, no bloom, no 1024 x 768 x 32, no modes).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "launcher/dialog_fit_win.h"
#include "launcher/dialog_font_win.h"
#include "launcher/failure_message_win.h"
#include "launcher/hardware_probe_win.h"
#include "probe/probe_wire.h"
#include "launcher/main_dialog_win.h"
#include "launcher/resource_ids.h"
#include "launcher/settings_dialog_win.h"
#include "settings/config_file.h"
#include "tests/e2e/dialog_template_win.h"
#include "tests/e2e/e2e_support_win.h"
#include "tests/e2e/ui_driver_win.h"
#include "tests/support/temp_files.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

const wchar_t kSettingsTitle[] = L"Настройки";

// Runs one modal dialog call on its own thread, as the launcher's only thread would.
class DialogThread {
public:
  explicit DialogThread(std::function<INT_PTR()> run) {
    thread_ = std::thread([this, run] {
      threadId_ = GetCurrentThreadId();
      result_ = run();
      finished_ = true;
    });
    WaitUntil([this] { return threadId_.load() != 0; });
  }
  ~DialogThread() { Stop(); }

  HWND WaitForDialog(const std::wstring& title, HWND owner = nullptr) {
    HWND found = nullptr;
    WaitUntil([&] {
      for (HWND window : ThreadWindows(threadId_)) {
        if (IsWindowVisible(window) && ClassName(window) == L"#32770" &&
            WindowText(window) == title && (owner == nullptr || Owner(window) == owner)) {
          found = window;
          return true;
        }
      }
      return false;
    });
    return found;
  }
  bool Finished() const { return finished_; }
  // Waits for the dialog call to return and gives its result (-2 on timeout).
  INT_PTR Result(DWORD timeoutMs = kDefaultTimeoutMs) {
    if (!WaitUntil([this] { return finished_.load(); }, timeoutMs)) {
      return -2;
    }
    thread_.join();
    return result_;
  }

private:
  // A failed test may leave windows open: close them until the call returns.
  void Stop() {
    if (!thread_.joinable()) {
      return;
    }
    while (!finished_) {
      for (HWND window : ThreadWindows(threadId_)) {
        PostClose(window);
      }
      Sleep(50);
    }
    thread_.join();
  }

  std::thread thread_;
  std::atomic<DWORD> threadId_{0};
  std::atomic<bool> finished_{false};
  INT_PTR result_ = 0;
};

// The shared temporary folder, holding the settings dialog's configuration file.
class TempDir : public test_support::TempDir {
public:
  std::string Config() const { return (Path() / "Zurvo.cfg").string(); }
};

Capabilities Caps(bool bloom, bool fsaa, int aaLevels) {
  Capabilities caps;
  caps.bloomAvailable = bloom;
  caps.fsaaAvailable = fsaa;
  caps.aaLevelCount = aaLevels;
  return caps;
}

DisplayModeList TypicalModes() {
  return {{600, 800, 16}, {768, 1024, 16}, {600, 800, 32}, {768, 1024, 32}};
}

// The settings dialog over `settings`, open and found.
struct SettingsDialogRun {
  SettingsDialogRun(Settings& settings, const Capabilities& caps, const DisplayModeList& modes,
                    const std::string& path)
      : thread([&settings, caps, modes, path] {
          return RunSettingsDialog(GetModuleHandleW(nullptr), nullptr, settings, caps, modes, path,
                                   false);
        }),
        dialog(thread.WaitForDialog(kSettingsTitle)) {}
  DialogThread thread;
  HWND dialog;
};

std::vector<std::string> Utf8List(const std::vector<std::wstring>& texts) {
  std::vector<std::string> result;
  for (const std::wstring& text : texts) {
    result.push_back(Utf8(text));
  }
  return result;
}

// ---- resource tables ----

struct ExpectedItem {
  int id;
  WORD classOrdinal;  // 0x80 button, 0x82 static, 0x85 combo box
  const wchar_t* text;
  DWORD style;  // besides WS_CHILD | WS_VISIBLE
  DWORD exStyle;
  short x, y, cx, cy;
};

const DWORD kFlatButton = BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP;
const DWORD kCheckBox = BS_AUTOCHECKBOX | BS_FLAT | WS_TABSTOP;
// Group boxes and labels start groups of their own, so that the arrow keys never land on them.
const DWORD kGroup = BS_GROUPBOX | BS_FLAT | WS_GROUP;
const DWORD kLabel = SS_LEFT | WS_GROUP;
const DWORD kList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP;

const ExpectedItem kMainItems[] = {
    {1000, 0x80, L"Запустить игру", kFlatButton | WS_GROUP, 0, 7, 138, 71, 14},
    {1001, 0x80, L"Настройки", kFlatButton, 0, 83, 138, 71, 14},
    {1002, 0x80, L"Выход", kFlatButton, 0, 206, 138, 70, 14},
    {-1, 0x82, nullptr, SS_BITMAP | SS_SUNKEN | WS_GROUP, 0, 7, 7, 273, 159},
};

const ExpectedItem kSettingsItems[] = {
    {-1, 0x80, L"Простая настройка", kGroup | BS_CENTER, 0, 7, 7, 323, 37},
    {1029, 0x80, L"Нормально", kFlatButton | WS_GROUP, 0, 16, 19, 98, 17},
    {1032, 0x80, L"Хорошо", kFlatButton, 0, 120, 19, 100, 17},
    {1033, 0x80, L"Отлично", kFlatButton, 0, 225, 19, 98, 17},
    {-1, 0x80, L"Расширенная настройка", kGroup | BS_CENTER, 0, 7, 49, 323, 185},
    {-1, 0x80, L"Видео", kGroup, 0, 15, 61, 308, 118},
    {-1, 0x82, L"Видеорежим", kLabel, 0, 21, 75, 44, 8},
    {1004, 0x85, L"", kList, 0, 70, 74, 94, 76},
    {-1, 0x80, L"Полноэкранные спецэффекты", kGroup, WS_EX_RIGHT, 21, 91, 143, 42},
    {1009, 0x80, L"Блум", kCheckBox | WS_GROUP, 0, 27, 102, 33, 10},
    {1007, 0x80, L"Круговое размытие", kCheckBox, 0, 76, 102, 83, 10},
    {-1, 0x82, L"Антиальясинг", kLabel, 0, 29, 118, 51, 10},
    {1034, 0x85, L"", kList, 0, 87, 115, 71, 76},
    {-1, 0x80, L"Оптимизация", kGroup, WS_EX_RIGHT, 21, 136, 144, 36},
    {1021, 0x80, L"Текстуры низкого разрешения", kCheckBox | WS_GROUP, 0, 27, 144, 121, 12},
    {1008, 0x80, L"Сжатые текстуры (DXT5)", kCheckBox, 0, 27, 157, 101, 10},
    {-1, 0x80, L"Спецэффекты", kGroup, WS_EX_RIGHT, 172, 70, 143, 102},
    {1022, 0x80, L"Анимированные габаритные огни", kCheckBox | WS_GROUP, 0, 177, 79, 131, 11},
    {1020, 0x80, L"Инверсионные следы", kCheckBox, 0, 177, 91, 90, 14},
    {1024, 0x80, L"Сложные взрывы", kCheckBox, 0, 177, 105, 76, 12},
    {1025, 0x80, L"Ракетный дым", kCheckBox, 0, 177, 117, 66, 15},
    {1026, 0x80, L"Эффект линзы", kCheckBox, 0, 177, 131, 66, 14},
    {1027, 0x80, L"Горящие корабли", kCheckBox, 0, 177, 146, 76, 10},
    {1028, 0x80, L"Искры", kCheckBox, 0, 177, 159, 39, 9},
    {-1, 0x80, L"Управление", kGroup, 0, 15, 182, 151, 44},
    {1017, 0x80, L"Джойстик", kCheckBox | WS_GROUP, 0, 22, 196, 51, 10},
    {1018, 0x80, L"Инвертированная ось Y", kCheckBox, 0, 22, 209, 97, 10},
    {-1, 0x80, L"Аудио", kGroup, 0, 173, 182, 150, 44},
    {-1, 0x82, L"Частота", kLabel, 0, 178, 196, 29, 8},
    {1005, 0x85, L"", kList, 0, 222, 193, 94, 66},
    {-1, 0x82, L"Битрейт", kLabel, 0, 179, 210, 28, 8},
    {1006, 0x85, L"", kList, 0, 222, 208, 94, 55},
    {1, 0x80, L"OK", BS_DEFPUSHBUTTON | BS_FLAT | WS_TABSTOP | WS_GROUP, 0, 222, 243, 50, 14},
    {2, 0x80, L"Отмена", kFlatButton, 0, 280, 243, 50, 14},
    {1035, 0x80, L"Простое управление", kCheckBox | WS_GROUP, 0, 78, 195, 88, 12},
};

// A predefined class may be written as its ordinal or its name; both create the same control.
std::string ClassOf(WORD ordinal) {
  switch (ordinal) {
    case 0x80:
      return "button";
    case 0x82:
      return "static";
    case 0x85:
      return "combobox";
    default:
      return "ordinal " + std::to_string(ordinal);
  }
}

std::string ClassOf(const DialogItem& item) {
  if (item.classOrdinal != 0) {
    return ClassOf(item.classOrdinal);
  }
  std::string name = Utf8(item.className);
  for (char& c : name) {
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  }
  return name;
}

template <std::size_t N>
void ExpectItems(const DialogTemplate& dialog, const ExpectedItem (&expected)[N]) {
  ASSERT_EQ(dialog.items.size(), N);
  for (std::size_t i = 0; i < N; ++i) {
    const DialogItem& item = dialog.items[i];
    const ExpectedItem& want = expected[i];
    SCOPED_TRACE("item " + std::to_string(i) + " (id " + std::to_string(want.id) + ")");
    EXPECT_EQ(static_cast<WORD>(item.id), static_cast<WORD>(want.id));
    EXPECT_EQ(ClassOf(item), ClassOf(want.classOrdinal));
    if (want.text != nullptr) {
      EXPECT_EQ(Utf8(item.text), Utf8(want.text));
    }
    EXPECT_EQ(item.style, WS_CHILD | WS_VISIBLE | want.style) << std::hex << item.style;
    EXPECT_EQ(item.exStyle, want.exStyle) << std::hex << item.exStyle;
    EXPECT_EQ(item.x, want.x);
    EXPECT_EQ(item.y, want.y);
    EXPECT_EQ(item.cx, want.cx);
    EXPECT_EQ(item.cy, want.cy);
  }
}

// Ids of a dialog's children in creation (and so tab) order.
std::vector<int> ChildIds(HWND dialog) {
  std::vector<int> ids;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    ids.push_back(static_cast<WORD>(GetDlgCtrlID(child)));
  }
  return ids;
}

template <std::size_t N>
std::vector<int> TableIds(const ExpectedItem (&items)[N]) {
  std::vector<int> ids;
  for (const ExpectedItem& item : items) {
    ids.push_back(static_cast<WORD>(item.id));
  }
  return ids;
}

void ExpectCentred(HWND window) {
  RECT rect;
  ASSERT_TRUE(GetWindowRect(window, &rect));
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
  EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
}

std::string FontFace(HWND window) {
  auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  LOGFONTW logFont = {};
  if (font == nullptr || GetObjectW(font, sizeof logFont, &logFont) == 0) {
    return "<no font>";
  }
  return Utf8(logFont.lfFaceName);
}

// Every text a control shows (its own, a list's entries) has a glyph in the font the control
// really draws with; a missing one is a bar on screen.
void ExpectReadable(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
    if (ClassName(child) == L"Static" && (style & SS_TYPEMASK) == SS_BITMAP) {
      continue;  // the picture shows no text
    }
    std::vector<std::wstring> texts = {WindowText(child)};
    if (ClassName(child) == L"ComboBox") {
      texts = ListEntries(dialog, GetDlgCtrlID(child));
    }
    auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr) << "control " << GetDlgCtrlID(child);
    HDC dc = GetDC(child);
    HGDIOBJ previous = SelectObject(dc, font);
    for (const std::wstring& text : texts) {
      std::vector<WORD> glyphs(text.size());
      const DWORD done = GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()),
                                          glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
      EXPECT_EQ(done, text.size()) << Utf8(text);
      EXPECT_EQ(std::count(glyphs.begin(), glyphs.end(), 0xFFFF), 0)
          << "missing letters in \"" << Utf8(text) << "\" (" << FontFace(child) << ")";
    }
    SelectObject(dc, previous);
    ReleaseDC(child, dc);
  }
}

// The dialog's font: its face and its height in pixels.
std::pair<std::string, LONG> DialogFont(HWND dialog) {
  auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  LOGFONTW logFont = {};
  GetObjectW(font, sizeof logFont, &logFont);
  return {Utf8(logFont.lfFaceName), logFont.lfHeight < 0 ? -logFont.lfHeight : logFont.lfHeight};
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// Template's 8 points in "MS Sans Serif" where that face can show the texts, else in the face
// "MS Shell Dlg" stands for, at the same size.
void ExpectTemplateFontOrItsFallback(HWND dialog) {
  const auto font = DialogFont(dialog);
  EXPECT_TRUE(font.first == "MS Sans Serif" || font.first == "MS Shell Dlg") << font.first;
  EXPECT_EQ(font.second, MulDiv(8, ScreenDpi(), 72));
}

// An icon as it looks, drawn over white.
std::vector<std::uint8_t> IconPixels(HICON icon, int size) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  RECT all = {0, 0, size, size};
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawIconEx(memory, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  SelectObject(memory, previous);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 4);
  GetDIBits(memory, bitmap, 0, size, pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// The window shows the game's icon (group 113), large and small, not the system's, once it has
// been painted.
void ExpectGameIcon(HWND window) {
  const std::pair<WPARAM, int> kinds[] = {{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}};
  WaitUntil([window, &kinds] {
    return std::all_of(std::begin(kinds), std::end(kinds), [window](const auto& kind) {
      return SendMessageW(window, WM_GETICON, kind.first, 0) != 0;
    });
  });
  for (const auto& kind : kinds) {
    auto shown = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, kind.first, 0));
    ASSERT_NE(shown, nullptr) << "no icon of kind " << kind.first;
    const int size = GetSystemMetrics(kind.second);
    auto game = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP),
                                              IMAGE_ICON, size, size, 0));
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(IconPixels(shown, size), IconPixels(game, size)) << "icon of kind " << kind.first;
    DestroyIcon(game);
  }
}

// The picture fills its sunken frame exactly: the frame's inside is the title picture, 1:1 at
// 96 dpi, scaled with the screen's resolution above.
void ExpectPictureFillsItsFrame(HWND main) {
  HWND frame = GetWindow(GetDlgItem(main, IDC_EXIT), GW_HWNDNEXT);
  ASSERT_NE(frame, nullptr);
  RECT client;
  ASSERT_TRUE(GetClientRect(frame, &client));
  const Picture title = LoadPictureResource(GetModuleHandleW(nullptr), IDB_TITLE);
  ASSERT_EQ(title.width, 400);
  const PixelSize expected = ScaledPictureSize({400, 200}, ScreenDpi(), {10000, 10000});
  ASSERT_EQ(client.right, expected.width);
  ASSERT_EQ(client.bottom, expected.height);
  EXPECT_EQ(ClientPixelsUnlike(main, frame, ScalePicture(title, client.right, client.bottom)), 0);
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

std::string ResourceBytes(int id, LPCWSTR type) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (resource == nullptr) {
    return std::string();
  }
  const void* data = LockResource(LoadResource(module, resource));
  return data == nullptr
             ? std::string()
             : std::string(static_cast<const char*>(data), SizeofResource(module, resource));
}

}  // namespace

// ---- resources ----

TEST(LauncherResources, MainDialogMatchesItsLayoutTable) {
  const DialogTemplate dialog = LoadDialogTemplate(GetModuleHandleW(nullptr), IDD_MAIN);
  ASSERT_TRUE(dialog.valid);
  EXPECT_EQ(dialog.style, static_cast<DWORD>(DS_SETFONT | WS_POPUP | WS_BORDER))
      << std::hex << dialog.style;
  EXPECT_EQ(dialog.cx, 283);
  EXPECT_EQ(dialog.cy, 159);
  EXPECT_EQ(Utf8(dialog.caption), "");
  EXPECT_EQ(dialog.pointSize, 8);
  EXPECT_EQ(Utf8(dialog.typeface), "MS Sans Serif");
  ExpectItems(dialog, kMainItems);
  EXPECT_EQ(dialog.items[3].textOrdinal, IDB_TITLE);
}

TEST(LauncherResources, SettingsDialogMatchesItsLayoutTable) {
  const DialogTemplate dialog = LoadDialogTemplate(GetModuleHandleW(nullptr), IDD_SETTINGS);
  ASSERT_TRUE(dialog.valid);
  // A caption and the dialog font only: no system menu, so no close box.
  EXPECT_EQ(dialog.style, static_cast<DWORD>(DS_SETFONT | WS_CAPTION)) << std::hex << dialog.style;
  EXPECT_EQ(dialog.cx, 337);
  EXPECT_EQ(dialog.cy, 263);
  EXPECT_EQ(Utf8(dialog.caption), "Настройки");
  EXPECT_EQ(dialog.pointSize, 8);
  EXPECT_EQ(Utf8(dialog.typeface), "MS Sans Serif");
  ExpectItems(dialog, kSettingsItems);
}

TEST(LauncherResources, TitlePictureIconAndVersion) {
  const std::string bitmap = ResourceBytes(IDB_TITLE, MAKEINTRESOURCEW(2));
  ASSERT_GE(bitmap.size(), sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER header;
  memcpy(&header, bitmap.data(), sizeof header);
  EXPECT_EQ(header.biWidth, 400);
  EXPECT_EQ(header.biHeight, 200);
  EXPECT_EQ(header.biBitCount, 24);
  EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(bitmap.size(), sizeof header + 400 * 200 * 3);

  // Icon group: a 6-byte header, then 14 bytes per image (width, height, colours, reserved,
  // planes, bit count, size, id).
  const std::string group = ResourceBytes(IDI_APP, MAKEINTRESOURCEW(14));
  ASSERT_GE(group.size(), 6u);
  const auto count = static_cast<unsigned char>(group[4]);
  ASSERT_EQ(count, 3);
  ASSERT_EQ(group.size(), 6u + 14u * count);
  std::vector<int> depths;
  for (int i = 0; i < count; ++i) {
    const char* entry = group.data() + 6 + 14 * i;
    EXPECT_EQ(static_cast<unsigned char>(entry[0]), 48);
    EXPECT_EQ(static_cast<unsigned char>(entry[1]), 48);
    depths.push_back(static_cast<unsigned char>(entry[6]) | static_cast<unsigned char>(entry[7])
                                                                << 8);
  }
  EXPECT_EQ(depths, (std::vector<int>{4, 8, 32}));

  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(exe, 0, size, block.data()));
  wchar_t* product = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\041904b0\\ProductName",
                             reinterpret_cast<void**>(&product), &length));
  EXPECT_EQ(Utf8(product), "SKARNAVEL: Варнелия");
}

// ---- main dialog ----

class MainDialogTest : public ::testing::Test {
protected:
  MainDialogTest()
      : modes_(TypicalModes()),
        state_{GetModuleHandleW(nullptr), settings_, caps_, modes_, dir_.Config()},
        thread_([this] { return RunMainDialog(state_); }),
        main_(thread_.WaitForDialog(L"SKARNAVEL: Варнелия")) {}

  TempDir dir_;
  Settings settings_;
  Capabilities caps_;
  DisplayModeList modes_;
  LauncherState state_;
  DialogThread thread_;
  HWND main_;
};

TEST_F(MainDialogTest, ShowsTheTitleCentredWithTheFirstButtonFocused) {
  ASSERT_NE(main_, nullptr);
  EXPECT_EQ(Utf8(WindowText(main_)), "SKARNAVEL: Варнелия");
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(main_, GWL_STYLE));
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_NE(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION)) << "no caption bar";
  ExpectCentred(main_);
  EXPECT_EQ(ChildIds(main_), TableIds(kMainItems));
  ExpectTemplateFontOrItsFallback(main_);
  ExpectReadable(main_);
  EXPECT_EQ(FocusOf(main_), GetDlgItem(main_, 1000));
  EXPECT_EQ(Utf8(ControlText(main_, 1000)), "Запустить игру");
  EXPECT_EQ(Utf8(ControlText(main_, 1001)), "Настройки");
  EXPECT_EQ(Utf8(ControlText(main_, 1002)), "Выход");
  ExpectGameIcon(main_);
  ExpectPictureFillsItsFrame(main_);

  PostCommand(main_, 1002);
  EXPECT_EQ(thread_.Result(), 1002);
}

TEST_F(MainDialogTest, EnterEscapeAndUnknownCommandsDoNothing) {
  ASSERT_NE(main_, nullptr);
  PostKey(main_, VK_ESCAPE);
  PostCommand(main_, IDOK);
  PostCommand(main_, IDCANCEL);
  PostCommand(main_, 1003);
  PostCommand(main_, 1004);
  // Messages are handled in order: had any of the above ended the dialog, its result would be
  // the one seen here instead of the start button's.
  PostCommand(main_, IDC_START_GAME);
  EXPECT_EQ(thread_.Result(), IDC_START_GAME);
}

// Keys as a player presses them: Tab and the arrows move the focus only among the buttons (never
// onto the picture), and Enter presses the focused one.
TEST(MainDialogKeys, EnterPressesTheFocusedButtonAndTheArrowsStayOnTheButtons) {
  struct Row {
    const char* name;
    std::vector<WPARAM> keys;
    int focused;
  };
  const Row rows[] = {
      {"at start", {}, IDC_START_GAME},
      {"Tab", {VK_TAB}, IDC_SETTINGS},
      {"Tab Tab", {VK_TAB, VK_TAB}, IDC_EXIT},
      {"Right Right", {VK_RIGHT, VK_RIGHT}, IDC_EXIT},
      {"Right three times: round past the picture", {VK_RIGHT, VK_RIGHT, VK_RIGHT}, IDC_START_GAME},
      {"Left from the first", {VK_LEFT}, IDC_EXIT},
      {"Down", {VK_DOWN}, IDC_SETTINGS},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    Settings settings;
    Capabilities caps;
    DisplayModeList modes = TypicalModes();
    LauncherState state{GetModuleHandleW(nullptr), settings, caps, modes, dir.Config()};
    DialogThread thread([&state] { return RunMainDialog(state); });
    HWND main = thread.WaitForDialog(L"SKARNAVEL: Варнелия");
    ASSERT_NE(main, nullptr);
    for (const WPARAM key : row.keys) {
      const HWND before = FocusOf(main);
      PostKey(main, key);
      WaitUntil([&] { return FocusOf(main) != before; }, 3000);
    }
    ASSERT_EQ(FocusOf(main), GetDlgItem(main, row.focused));
    PostKey(main, VK_RETURN);
    if (row.focused == IDC_SETTINGS) {
      HWND settingsDialog = thread.WaitForDialog(kSettingsTitle, main);
      ASSERT_NE(settingsDialog, nullptr) << "Enter did not open the settings";
      PostClose(settingsDialog);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settingsDialog); }));
      PostClose(main);
      EXPECT_EQ(thread.Result(), IDC_EXIT);
    } else {
      EXPECT_EQ(thread.Result(), row.focused);
    }
  }
}

TEST_F(MainDialogTest, StartGameEndsWith1000) {
  ASSERT_NE(main_, nullptr);
  ClickLater(main_, 1000);
  EXPECT_EQ(thread_.Result(), 1000);
}

TEST_F(MainDialogTest, SettingsOpensOverTheMainDialogAndReturnsToIt) {
  ASSERT_NE(main_, nullptr);
  ClickLater(main_, 1001);
  HWND settings = thread_.WaitForDialog(kSettingsTitle, main_);
  ASSERT_NE(settings, nullptr);
  EXPECT_FALSE(IsWindowEnabled(main_)) << "the settings dialog is modal";
  ClickLater(settings, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main_) != FALSE; }));
  EXPECT_FALSE(thread_.Finished());
  EXPECT_FALSE(fs::exists(dir_.Config())) << "Cancel writes nothing";

  // Opened again, confirmed: the record and the file take the choice.
  ClickLater(main_, 1001);
  settings = thread_.WaitForDialog(kSettingsTitle, main_);
  ASSERT_NE(settings, nullptr);
  Click(settings, IDC_PRESET_EXCELLENT);
  ClickLater(settings, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
  PostClose(main_);
  EXPECT_EQ(thread_.Result(), 1002);
  EXPECT_EQ(settings_.Frequency, 44100);
  EXPECT_TRUE(fs::exists(dir_.Config()));
}

// ---- main dialog while the probe is still running ----

// What the held probe finds: four antialiasing levels, no bloom, no joystick, the typical modes.
// No test machine answers like this, so the settings dialog shows whose outcome it got.
ProbeOutcome HeldOutcome() {
  ProbeOutcome outcome;
  outcome.direct3DPresent = true;
  outcome.format16 = kFormatR5G6B5;
  outcome.format32 = kFormatX8R8G8B8;
  outcome.caps = Caps(false, true, 4);
  outcome.driverQualityLevels = 4;
  outcome.caps.joystickAvailable = false;
  outcome.directInputPresent = true;
  outcome.clearBloom = true;
  outcome.clearJoystick = true;
  outcome.modes = TypicalModes();
  return outcome;
}

// Probe parts that answer only when the test lets them, as ones stuck in a slow driver would:
// each released part writes what the held probe finds, as a probe process would, and ends. A
// part never released stays silent until it is stopped.
class HeldSource : public ProbeSource {
public:
  ~HeldSource() override { Release(); }
  void Start(const std::shared_ptr<ProbeRun>& run) override {
    std::lock_guard<std::mutex> lock(mutex_);
    run_ = run;
    for (ProbePart part : released_) {
      Answer(part);
    }
  }
  void Stop(ProbePart part) override {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_.push_back(part);
  }
  // Lets `part` answer (both when none is named), now or as soon as the probe starts.
  void Release() {
    Release(ProbePart::kDirect3D);
    Release(ProbePart::kDirectInput);
  }
  void Release(ProbePart part) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::find(released_.begin(), released_.end(), part) != released_.end()) {
      return;
    }
    released_.push_back(part);
    if (run_ != nullptr) {
      Answer(part);
    }
  }
  std::vector<ProbePart> Stopped() {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopped_;
  }

private:
  void Answer(ProbePart part) {
    const ProbeOutcome outcome = HeldOutcome();
    std::string text;
    if (part == ProbePart::kDirect3D) {
      text = WireAnswer(ProbeAnswer::kGraphics, outcome) + WireAnswer(ProbeAnswer::kModes, outcome);
    } else {
      text = WireAnswer(ProbeAnswer::kInput, outcome);
    }
    text += kWireDone;
    run_->Receive(part, text.data(), text.size());
    run_->Ended(part, 0);
  }

  std::mutex mutex_;
  std::shared_ptr<ProbeRun> run_;
  std::vector<ProbePart> released_;
  std::vector<ProbePart> stopped_;
};

// The file asked for bloom and the joystick, which the held probe will switch off.
Settings AsRead() {
  Settings settings;
  settings.Bloom = true;
  settings.Joystick = 1;
  settings.Frequency = 44100;
  return settings;
}

class MainDialogWithProbeTest : public ::testing::Test {
protected:
  // Long enough patience that only a probe that never answers is given up.
  MainDialogWithProbeTest() : MainDialogWithProbeTest(60000) {}
  explicit MainDialogWithProbeTest(DWORD patienceMs)
      : settings_(AsRead()),
        held_(new HeldSource),
        probe_(std::unique_ptr<ProbeSource>(held_)),
        state_{GetModuleHandleW(nullptr),
               settings_,
               caps_,
               modes_,
               dir_.Config(),
               &probe_,
               patienceMs},
        thread_([this] { return RunMainDialog(state_); }),
        main_(thread_.WaitForDialog(L"SKARNAVEL: Варнелия")) {}

  // A blocked dialog thread must not hang the test in its destructor: let the probe end first.
  ~MainDialogWithProbeTest() override { held_->Release(); }

  // Clicks "Настройки" and checks that the click is being handled but has opened nothing: the
  // dialog is waiting for the probe, and answering meanwhile. False when it does not answer (a
  // blocking wait); the window queries below would then hang.
  bool ClickSettingsAndExpectAWait() {
    EXPECT_FALSE(ClickWithin(main_, IDC_SETTINGS, 1000)) << "the click returned at once";
    if (!Answers(main_, 2000)) {
      ADD_FAILURE() << "the main dialog does not answer while the probe runs";
      return false;
    }
    Sleep(300);
    EXPECT_EQ(OpenSettingsDialogs(), 0u) << "the settings dialog opened before the probe ended";
    EXPECT_FALSE(probe_.Settled());
    return true;
  }
  std::size_t OpenSettingsDialogs() {
    std::size_t count = 0;
    for (HWND window : ThreadWindows(GetWindowThreadProcessId(main_, nullptr))) {
      if (ClassName(window) == L"#32770" && WindowText(window) == kSettingsTitle) {
        ++count;
      }
    }
    return count;
  }
  void ExpectRecordsAsRead() {
    EXPECT_EQ(settings_, AsRead()) << FormatConfiguration(settings_);
    EXPECT_TRUE(caps_.bloomAvailable);
    EXPECT_EQ(caps_.aaLevelCount, 0);
    EXPECT_TRUE(modes_.empty());
  }

  TempDir dir_;
  Settings settings_;
  Capabilities caps_;
  DisplayModeList modes_;
  HeldSource* held_;  // owned by probe_
  HardwareProbe probe_;
  LauncherState state_;
  DialogThread thread_;
  HWND main_;
};

TEST_F(MainDialogWithProbeTest, SettingsWaitsAnsweringThenShowsTheProbesOutcome) {
  ASSERT_NE(main_, nullptr);
  ExpectRecordsAsRead();
  ASSERT_TRUE(ClickSettingsAndExpectAWait());

  // Waiting, the dialog still answers and paints, and a second click starts nothing new.
  EXPECT_TRUE(Answers(main_, 2000));
  EXPECT_TRUE(Repaints(main_, 5000));
  EXPECT_TRUE(IsWindowEnabled(main_));
  ClickLater(main_, IDC_SETTINGS);
  EXPECT_TRUE(Answers(main_, 2000));
  ExpectRecordsAsRead();

  held_->Release();
  HWND settings = thread_.WaitForDialog(kSettingsTitle, main_);
  ASSERT_NE(settings, nullptr) << "no settings dialog after the probe";
  EXPECT_EQ(Utf8List(ListEntries(settings, IDC_ANTIALIASING)),
            (std::vector<std::string>{"Качество 0", "Качество 1", "Качество 2", "Качество 3"}));
  EXPECT_FALSE(IsEnabled(settings, IDC_BLOOM));
  EXPECT_FALSE(IsChecked(settings, IDC_BLOOM)) << "the file's Bloom 1 is switched off";
  EXPECT_FALSE(IsEnabled(settings, IDC_JOYSTICK));
  EXPECT_FALSE(IsChecked(settings, IDC_JOYSTICK));
  EXPECT_EQ(ListEntries(settings, IDC_DISPLAY_MODE).size(), TypicalModes().size());
  EXPECT_EQ(Utf8(SelectedText(settings, IDC_FREQUENCY)), "44100 Гц") << "the file's values stay";
  EXPECT_FALSE(settings_.Bloom);
  EXPECT_EQ(settings_.Joystick, 0);
  EXPECT_EQ(caps_.aaLevelCount, 4);

  ClickLater(settings, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
  // The second click was dropped, not kept for later.
  Sleep(500);
  EXPECT_EQ(OpenSettingsDialogs(), 0u);
  EXPECT_FALSE(thread_.Finished());

  // From now on the dialog opens at once.
  ClickLater(main_, IDC_SETTINGS);
  settings = thread_.WaitForDialog(kSettingsTitle, main_);
  ASSERT_NE(settings, nullptr);
  ClickLater(settings, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
  PostClose(main_);
  EXPECT_EQ(thread_.Result(), IDC_EXIT);
}

TEST_F(MainDialogWithProbeTest, EndingDuringTheWaitOpensNoSettings) {
  ASSERT_NE(main_, nullptr);
  ASSERT_TRUE(ClickSettingsAndExpectAWait());
  ClickLater(main_, IDC_EXIT);
  // Ended with the probe still running.
  EXPECT_EQ(thread_.Result(5000), IDC_EXIT);
  EXPECT_FALSE(probe_.Settled());
  held_->Release();
  EXPECT_TRUE(WaitUntil([&] { return probe_.Settled(); }));
  ExpectRecordsAsRead();
}

TEST_F(MainDialogWithProbeTest, CloseRequestDuringTheWaitOpensNoSettings) {
  ASSERT_NE(main_, nullptr);
  ASSERT_TRUE(ClickSettingsAndExpectAWait());
  PostClose(main_);
  EXPECT_EQ(thread_.Result(5000), IDC_EXIT);
  EXPECT_FALSE(probe_.Settled());
  ExpectRecordsAsRead();
}

TEST_F(MainDialogWithProbeTest, StartGameDuringTheWaitStillStartsIt) {
  ASSERT_NE(main_, nullptr);
  ASSERT_TRUE(ClickSettingsAndExpectAWait());
  ClickLater(main_, IDC_START_GAME);
  EXPECT_EQ(thread_.Result(5000), IDC_START_GAME);
  EXPECT_FALSE(probe_.Settled());
}

TEST_F(MainDialogWithProbeTest, ButtonsOtherThanSettingsNeverWait) {
  ASSERT_NE(main_, nullptr);
  ClickLater(main_, IDC_START_GAME);
  EXPECT_EQ(thread_.Result(5000), IDC_START_GAME);
  EXPECT_FALSE(probe_.Settled());
  ExpectRecordsAsRead();
}

TEST_F(MainDialogWithProbeTest, AFinishedProbeIsAppliedOnlyWhenSettingsOpens) {
  ASSERT_NE(main_, nullptr);
  held_->Release();
  ASSERT_TRUE(WaitUntil([&] { return probe_.Settled(); }));
  ExpectRecordsAsRead();
  ClickLater(main_, IDC_SETTINGS);
  HWND settings = thread_.WaitForDialog(kSettingsTitle, main_);
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(ListEntries(settings, IDC_ANTIALIASING).size(), 4u);
  EXPECT_FALSE(settings_.Bloom);
  ClickLater(settings, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
  ClickLater(main_, IDC_EXIT);
  EXPECT_EQ(thread_.Result(), IDC_EXIT);
}

class ImpatientMainDialogTest : public MainDialogWithProbeTest {
protected:
  ImpatientMainDialogTest() : MainDialogWithProbeTest(1500) {}
};

// A part that does not answer in time costs "Настройки" its patience, not the player's evening:
// the dialog opens with what the other part said, the silent part's controls off and its
// settings as the file had them. The silent part runs on, and from then on nothing waits.
TEST_F(ImpatientMainDialogTest, APartThatDoesNotAnswerInTimeCountsAsUnknownUntilItDoes) {
  ASSERT_NE(main_, nullptr);
  held_->Release(ProbePart::kDirect3D);
  ClickLater(main_, IDC_SETTINGS);
  HWND settings = thread_.WaitForDialog(kSettingsTitle, main_);
  ASSERT_NE(settings, nullptr) << "the wait never ended";
  EXPECT_EQ(held_->Stopped(), std::vector<ProbePart>{}) << "slow is not hung";
  EXPECT_EQ(ListEntries(settings, IDC_ANTIALIASING).size(), 4u) << "Direct3D's answer is used";
  EXPECT_EQ(ListEntries(settings, IDC_DISPLAY_MODE).size(), TypicalModes().size());
  EXPECT_FALSE(IsChecked(settings, IDC_BLOOM)) << "Direct3D said no bloom";
  EXPECT_FALSE(IsEnabled(settings, IDC_JOYSTICK));
  EXPECT_TRUE(IsChecked(settings, IDC_JOYSTICK)) << "unknown clears nothing";
  EXPECT_EQ(settings_.Joystick, 1);
  EXPECT_FALSE(caps_.joystickKnown);

  // The late part's answer (no controller) leaves the open dialog and what OK stores as they
  // are...
  held_->Release(ProbePart::kDirectInput);
  EXPECT_TRUE(IsChecked(settings, IDC_JOYSTICK));
  ClickLater(settings, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
  EXPECT_EQ(settings_.Joystick, 1);
  EXPECT_TRUE(ReadBytes(fs::path(dir_.Config())).find("Joystick 1") != std::string::npos);
  // ...and the next "Настройки" takes it, at once: what the hardware lacks is off, and the next
  // OK writes it.
  ClickLater(main_, IDC_SETTINGS);
  settings = thread_.WaitForDialog(kSettingsTitle, main_);
  ASSERT_NE(settings, nullptr);
  EXPECT_TRUE(caps_.joystickKnown);
  EXPECT_EQ(settings_.Joystick, 0);
  EXPECT_FALSE(IsEnabled(settings, IDC_JOYSTICK));
  EXPECT_FALSE(IsChecked(settings, IDC_JOYSTICK));
  ClickLater(settings, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
  EXPECT_TRUE(ReadBytes(fs::path(dir_.Config())).find("Joystick 0") != std::string::npos);
  ClickLater(main_, IDC_SETTINGS);
  settings = thread_.WaitForDialog(kSettingsTitle, main_);
  ASSERT_NE(settings, nullptr);
  ClickLater(settings, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
  PostClose(main_);
  EXPECT_EQ(thread_.Result(), IDC_EXIT);
}

// ---- both dialogs ----

namespace {

std::atomic<int> dialogsCreated{0};

LRESULT CALLBACK CountDialogs(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && ClassName(reinterpret_cast<HWND>(wParam)) == L"#32770") {
    ++dialogsCreated;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Counts the dialog windows the calling thread creates while it lives.
class DialogCounter {
public:
  DialogCounter() : hook_(SetWindowsHookExW(WH_CBT, CountDialogs, nullptr, GetCurrentThreadId())) {
    dialogsCreated = 0;
  }
  ~DialogCounter() {
    if (hook_ != nullptr) {
      UnhookWindowsHookEx(hook_);
    }
  }
  DialogCounter(const DialogCounter&) = delete;
  DialogCounter& operator=(const DialogCounter&) = delete;
  bool Counting() const { return hook_ != nullptr; }

private:
  HHOOK hook_;
};

}  // namespace

// Each dialog is created once, from its template laid out before: in the face and point size
// chosen there (the fallback face with Wine's own fonts), at the window size measured there.
TEST(FittedDialogs, EachIsCreatedOnceAsItsTemplateWasLaidOut) {
  TempDir dir;
  Settings settings;
  Capabilities caps = Caps(true, true, 4);
  DisplayModeList modes = TypicalModes();
  LauncherState state{GetModuleHandleW(nullptr), settings, caps, modes, dir.Config()};
  struct Row {
    int resourceId;
    const wchar_t* title;
    std::function<INT_PTR()> run;
  };
  const Row rows[] = {
      {IDD_MAIN, L"SKARNAVEL: Варнелия", [&state] { return RunMainDialog(state); }},
      {IDD_SETTINGS, kSettingsTitle,
       [&] {
         return RunSettingsDialog(GetModuleHandleW(nullptr), nullptr, settings, caps, modes,
                                  dir.Config(), false);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.resourceId);
    const std::string resource = ResourceBytes(row.resourceId, MAKEINTRESOURCEW(5));
    DialogTemplateBytes layout(resource.data(), resource.size());
    ASSERT_TRUE(layout.Valid());
    FitTemplate(layout, PrimaryWorkArea());

    std::atomic<bool> counting{false};
    DialogThread thread([&row, &counting] {
      const DialogCounter counter;
      counting = counter.Counting();
      return row.run();
    });
    HWND dialog = thread.WaitForDialog(row.title);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(counting);
    EXPECT_EQ(dialogsCreated, 1) << "made again before it showed";
    const auto font = DialogFont(dialog);
    const std::u16string face = layout.Typeface();
    EXPECT_EQ(font.first, Utf8(std::wstring(face.begin(), face.end())));
    EXPECT_EQ(font.second, MulDiv(layout.PointSize(), ScreenDpi(), 72));
    RECT window;
    ASSERT_TRUE(GetWindowRect(dialog, &window));
    const PixelSize measured = TemplateWindowSize(layout);
    EXPECT_EQ(window.right - window.left, measured.width);
    EXPECT_EQ(window.bottom - window.top, measured.height);
    PostClose(dialog);
    EXPECT_NE(thread.Result(), -2);
  }
}

// ---- settings dialog ----

TEST(SettingsDialog, ShowsItsControlsInTabOrderCentredWithOkAsDefault) {
  TempDir dir;
  Settings settings;
  SettingsDialogRun run(settings, Caps(true, true, 4), TypicalModes(), dir.Config());
  ASSERT_NE(run.dialog, nullptr);
  EXPECT_EQ(ChildIds(run.dialog), TableIds(kSettingsItems));
  ExpectCentred(run.dialog);
  ExpectTemplateFontOrItsFallback(run.dialog);
  ExpectReadable(run.dialog);
  ExpectGameIcon(run.dialog);
  EXPECT_EQ(SendMessageW(run.dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
  EXPECT_EQ(FocusOf(run.dialog), GetDlgItem(run.dialog, IDC_PRESET_NORMAL));
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(run.dialog, GWL_STYLE));
  EXPECT_EQ(style & WS_SYSMENU, 0u);
  EXPECT_EQ(Utf8List(ListEntries(run.dialog, IDC_FREQUENCY)),
            (std::vector<std::string>{"11025 Гц", "22050 Гц", "44100 Гц"}));
  EXPECT_EQ(Utf8List(ListEntries(run.dialog, IDC_BITRATE)),
            (std::vector<std::string>{"8 бит", "16 бит"}));
  EXPECT_EQ(Utf8List(ListEntries(run.dialog, IDC_DISPLAY_MODE)),
            (std::vector<std::string>{"800 x 600 x 16", "1024 x 768 x 16", "800 x 600 x 32",
                                      "1024 x 768 x 32"}));
  PostClose(run.dialog);
  EXPECT_EQ(run.thread.Result(), 1002);
  EXPECT_EQ(settings, Settings{});
}

// Enter presses the focused push button (a preset keeps the dialog open); on a check box or a
// list it is OK. The arrow keys move only among the controls of one group.
TEST(SettingsDialog, EnterPressesTheFocusedButtonElseOkAndTheArrowsStayInTheirGroup) {
  enum class Enter { kPreset, kOk, kCancel };
  struct Row {
    const char* name;
    int start;  // 0: the focus the dialog starts with
    std::vector<WPARAM> keys;
    int focused;
    Enter enter;
    const char* frequency = nullptr;  // after a preset
    const char* bits = nullptr;
  };
  const Row rows[] = {
      {"at start", 0, {}, IDC_PRESET_NORMAL, Enter::kPreset, "11025 Гц", "8 бит"},
      {"Down to Хорошо", 0, {VK_DOWN}, IDC_PRESET_GOOD, Enter::kPreset, "22050 Гц", "8 бит"},
      {"Left round to Отлично",
       0,
       {VK_LEFT},
       IDC_PRESET_EXCELLENT,
       Enter::kPreset,
       "44100 Гц",
       "16 бит"},
      {"Tab to the mode list", 0, {VK_TAB, VK_TAB, VK_TAB}, IDC_DISPLAY_MODE, Enter::kOk},
      {"Tab to Блум", 0, {VK_TAB, VK_TAB, VK_TAB, VK_TAB}, IDC_BLOOM, Enter::kOk},
      {"Right from Блум", IDC_BLOOM, {VK_RIGHT}, IDC_RADIAL, Enter::kOk},
      {"Right round to Блум", IDC_RADIAL, {VK_RIGHT}, IDC_BLOOM, Enter::kOk},
      {"Down from DXT5 round", IDC_DXT5, {VK_DOWN}, IDC_LOWTEX, Enter::kOk},
      {"Up from the lights round", IDC_NAV_LIGHTS, {VK_UP}, IDC_SPARKS, Enter::kOk},
      {"Down from the sparks round", IDC_SPARKS, {VK_DOWN}, IDC_NAV_LIGHTS, Enter::kOk},
      {"Down from the axis round", IDC_INVERT, {VK_DOWN}, IDC_JOYSTICK, Enter::kOk},
      {"Right from OK to Отмена", IDOK, {VK_RIGHT}, IDCANCEL, Enter::kCancel},
      {"Right from Отмена round to OK", IDCANCEL, {VK_RIGHT}, IDOK, Enter::kOk},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    Settings settings;
    settings.Frequency = 22050;
    settings.BitRate = 16;
    SettingsDialogRun run(settings, Caps(true, true, 4), TypicalModes(), dir.Config());
    ASSERT_NE(run.dialog, nullptr);
    if (row.start != 0) {
      SendMessageW(run.dialog, WM_NEXTDLGCTL,
                   reinterpret_cast<WPARAM>(GetDlgItem(run.dialog, row.start)), TRUE);
    }
    for (const WPARAM key : row.keys) {
      const HWND before = FocusOf(run.dialog);
      PostKey(run.dialog, key);
      WaitUntil([&] { return FocusOf(run.dialog) != before; }, 3000);
    }
    ASSERT_EQ(FocusOf(run.dialog), GetDlgItem(run.dialog, row.focused));
    PostKey(run.dialog, VK_RETURN);
    if (row.enter == Enter::kOk) {
      EXPECT_EQ(run.thread.Result(), IDOK);
      EXPECT_TRUE(fs::exists(dir.Config()));
      continue;
    }
    if (row.enter == Enter::kCancel) {
      EXPECT_EQ(run.thread.Result(), IDCANCEL);
      EXPECT_EQ(settings.Frequency, 22050);
      EXPECT_FALSE(fs::exists(dir.Config()));
      continue;
    }
    EXPECT_TRUE(WaitUntil(
        [&] { return Utf8(SelectedText(run.dialog, IDC_FREQUENCY)) == row.frequency; }, 3000))
        << Utf8(SelectedText(run.dialog, IDC_FREQUENCY));
    EXPECT_EQ(Utf8(SelectedText(run.dialog, IDC_BITRATE)), row.bits);
    EXPECT_FALSE(run.thread.Finished());
    EXPECT_FALSE(fs::exists(dir.Config())) << "Enter on a preset wrote the file";
    PostClose(run.dialog);
    EXPECT_EQ(run.thread.Result(), 1002);
  }
}

// A work area too small for the dialog at its size (a 1024 x 600 screen at 144 dpi is 683 x 400
// at this test's 96): laid out at a smaller point size, wholly inside it with its caption and
// OK, and still readable.
TEST(SettingsDialog, OnATooSmallWorkAreaItIsLaidOutSmallerAndWhollyInside) {
  RECT saved;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &saved, 0));
  RECT small = {100, 40, 100 + 683, 40 + 400};
  ASSERT_TRUE(SystemParametersInfoW(SPI_SETWORKAREA, 0, &small, 0));
  struct RestoreWorkArea {
    RECT area;
    ~RestoreWorkArea() { SystemParametersInfoW(SPI_SETWORKAREA, 0, &area, 0); }
  } restore{saved};

  TempDir dir;
  Settings settings;
  SettingsDialogRun run(settings, Caps(true, true, 4), TypicalModes(), dir.Config());
  ASSERT_NE(run.dialog, nullptr);
  RECT window;
  RECT ok;
  ASSERT_TRUE(GetWindowRect(run.dialog, &window));
  ASSERT_TRUE(GetWindowRect(GetDlgItem(run.dialog, IDOK), &ok));
  for (const RECT& rect : {window, ok}) {
    EXPECT_GE(rect.left, small.left);
    EXPECT_GE(rect.top, small.top);
    EXPECT_LE(rect.right, small.right);
    EXPECT_LE(rect.bottom, small.bottom);
  }
  EXPECT_LT(DialogFont(run.dialog).second, MulDiv(8, ScreenDpi(), 72)) << "not laid out smaller";
  ExpectReadable(run.dialog);
  SaveScreenshot(run.dialog, ScreenshotDirectory() / "settings_dialog_small_work_area.png");
  ClickLater(run.dialog, IDOK);
  EXPECT_EQ(run.thread.Result(), IDOK);
}

TEST(SettingsDialog, FourAntialiasingLevels) {
  TempDir dir;
  Settings settings;
  settings.Quality = 1;
  SettingsDialogRun run(settings, Caps(true, true, 4), TypicalModes(), dir.Config());
  ASSERT_NE(run.dialog, nullptr);
  EXPECT_TRUE(IsEnabled(run.dialog, IDC_ANTIALIASING));
  EXPECT_EQ(Utf8List(ListEntries(run.dialog, IDC_ANTIALIASING)),
            (std::vector<std::string>{"Качество 0", "Качество 1", "Качество 2", "Качество 3"}));
  EXPECT_EQ(Utf8(SelectedText(run.dialog, IDC_ANTIALIASING)), "Качество 1");
  Click(run.dialog, IDC_PRESET_EXCELLENT);
  EXPECT_EQ(Utf8(SelectedText(run.dialog, IDC_ANTIALIASING)), "Качество 3");
  Click(run.dialog, IDC_PRESET_GOOD);
  EXPECT_EQ(Utf8(SelectedText(run.dialog, IDC_ANTIALIASING)), "Качество 0");
  Click(run.dialog, IDC_PRESET_EXCELLENT);
  SaveScreenshot(run.dialog, ScreenshotDirectory() / "settings_dialog_four_aa_levels.png");
  ClickLater(run.dialog, IDOK);
  EXPECT_EQ(run.thread.Result(), 1);
  EXPECT_EQ(settings.Quality, 3);
  EXPECT_TRUE(settings.FSAA);
  Settings reread;
  ASSERT_GE(ReadConfiguration(dir.Config(), reread), 0);
  EXPECT_EQ(reread, settings) << ReadBytes(dir.Config());
}

TEST(SettingsDialog, OneLevelOrNoFsaaLeaveTheListDisabledAndEmpty) {
  struct Case {
    const char* name;
    Capabilities caps;
    bool fsaa;
  };
  const Case cases[] = {{"one level", Caps(true, true, 1), true},
                        {"no FSAA", Caps(true, false, 4), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    Settings settings;
    settings.FSAA = !c.fsaa;
    settings.Quality = 2;
    SettingsDialogRun run(settings, c.caps, TypicalModes(), dir.Config());
    ASSERT_NE(run.dialog, nullptr);
    EXPECT_FALSE(IsEnabled(run.dialog, IDC_ANTIALIASING));
    EXPECT_TRUE(ListEntries(run.dialog, IDC_ANTIALIASING).empty());
    for (int preset : {IDC_PRESET_EXCELLENT, IDC_PRESET_NORMAL}) {
      Click(run.dialog, preset);
      EXPECT_TRUE(ListEntries(run.dialog, IDC_ANTIALIASING).empty());
      EXPECT_EQ(ListSelection(run.dialog, IDC_ANTIALIASING), CB_ERR);
    }
    ClickLater(run.dialog, IDOK);
    EXPECT_EQ(run.thread.Result(), 1);
    EXPECT_EQ(settings.FSAA, c.fsaa);
    EXPECT_EQ(settings.Quality, -1);
    EXPECT_NE(ReadBytes(dir.Config()).find("Quality -1"), std::string::npos);
  }
}

TEST(SettingsDialog, NoBloomLeavesTheBoxAsItWas) {
  for (bool stored : {false, true}) {
    SCOPED_TRACE(stored ? "Bloom 1 in the record" : "Bloom 0 in the record");
    TempDir dir;
    Settings settings;
    settings.Bloom = stored;
    SettingsDialogRun run(settings, Caps(false, true, 2), TypicalModes(), dir.Config());
    ASSERT_NE(run.dialog, nullptr);
    EXPECT_FALSE(IsEnabled(run.dialog, IDC_BLOOM));
    Click(run.dialog, IDC_PRESET_EXCELLENT);
    EXPECT_EQ(IsChecked(run.dialog, IDC_BLOOM), stored);
    Click(run.dialog, IDC_PRESET_NORMAL);
    EXPECT_EQ(IsChecked(run.dialog, IDC_BLOOM), stored);
    ClickLater(run.dialog, IDOK);
    EXPECT_EQ(run.thread.Result(), 1);
    EXPECT_EQ(settings.Bloom, stored);
  }
}

TEST(SettingsDialog, WithoutA1024x768x32ModeGoodPicksTheFirstMode) {
  TempDir dir;
  Settings settings;
  settings.ScreenWidth = 800;
  settings.ScreenHeight = 600;
  settings.BitsPerPixel = 32;
  const DisplayModeList modes = {{600, 800, 16}, {768, 1024, 16}, {600, 800, 32}};
  SettingsDialogRun run(settings, Caps(true, true, 2), modes, dir.Config());
  ASSERT_NE(run.dialog, nullptr);
  EXPECT_EQ(Utf8(SelectedText(run.dialog, IDC_DISPLAY_MODE)), "800 x 600 x 32");
  Click(run.dialog, IDC_PRESET_GOOD);
  EXPECT_EQ(Utf8(SelectedText(run.dialog, IDC_DISPLAY_MODE)), "800 x 600 x 16");
  ClickLater(run.dialog, IDOK);
  EXPECT_EQ(run.thread.Result(), 1);
  EXPECT_EQ(settings.ScreenWidth, 800);
  EXPECT_EQ(settings.ScreenHeight, 600);
  EXPECT_EQ(settings.BitsPerPixel, 16);
}

TEST(SettingsDialog, EmptyModeListKeepsTheCurrentMode) {
  TempDir dir;
  Settings settings;
  settings.ScreenWidth = 1600;
  settings.ScreenHeight = 1200;
  settings.BitsPerPixel = 32;
  SettingsDialogRun run(settings, Caps(true, true, 2), DisplayModeList{}, dir.Config());
  ASSERT_NE(run.dialog, nullptr);
  EXPECT_TRUE(ListEntries(run.dialog, IDC_DISPLAY_MODE).empty());
  Click(run.dialog, IDC_PRESET_EXCELLENT);
  EXPECT_EQ(ListSelection(run.dialog, IDC_DISPLAY_MODE), CB_ERR);
  ClickLater(run.dialog, IDOK);
  EXPECT_EQ(run.thread.Result(), 1);
  EXPECT_EQ(settings.ScreenWidth, 1600);
  EXPECT_EQ(settings.ScreenHeight, 1200);
  EXPECT_EQ(settings.BitsPerPixel, 32);
  EXPECT_EQ(settings.Frequency, 44100) << "the rest of the choice is still stored";
}

// What this system says when a rename would replace a file that another program holds open
// without sharing it.
DWORD RenameOverHeldFileError(const fs::path& folder) {
  const fs::path target = folder / "held.tmp";
  const fs::path source = folder / "new.tmp";
  WriteBytes(target, "old");
  WriteBytes(source, "new");
  HANDLE held = CreateFileW(target.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD error =
      MoveFileExW(source.wstring().c_str(), target.wstring().c_str(), MOVEFILE_REPLACE_EXISTING)
          ? 0
          : GetLastError();
  CloseHandle(held);
  fs::remove(target);
  fs::remove(source);
  return error;
}

TEST(SettingsDialog, FailedWriteShowsAnErrorAndKeepsTheDialogOpen) {
  TempDir dir;
  const std::string path = (dir.Path() / "Game" / "Zurvo.cfg").string();  // no Game folder
  Settings settings;
  SettingsDialogRun run(settings, Caps(true, true, 2), TypicalModes(), path);
  ASSERT_NE(run.dialog, nullptr);
  Click(run.dialog, IDC_PRESET_EXCELLENT);
  // Each obstacle in turn; the player removes it and tries again.
  struct Obstacle {
    const char* name;
    std::string reason;
    std::function<void()> remove;
  };
  // Another program holding the file open without sharing it, for longer than the save waits.
  HANDLE held = INVALID_HANDLE_VALUE;
  const Obstacle obstacles[] = {
      {"no Game folder", "нет папки " + (dir.Path() / "Game").string() + ".",
       [&] {
         fs::create_directories(dir.Path() / "Game");
         WriteBytes(path, "Mouse 0.90\n");
         // Files copied from a CD keep this attribute.
         SetFileAttributesW(FromUtf8(path).c_str(), FILE_ATTRIBUTE_READONLY);
       }},
      {"a read-only file", "файл только для чтения.",
       [&] {
         SetFileAttributesW(FromUtf8(path).c_str(), FILE_ATTRIBUTE_NORMAL);
         held = CreateFileW(FromUtf8(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
       }},
      // What the save's rename was told then; looking at the file afterwards would find
      // another reason (Wine: "access denied" for the rename, "sharing violation" for an open).
      {"a file held open", Utf8(SystemErrorText(RenameOverHeldFileError(dir.Path()))),
       [&] { CloseHandle(held); }},
  };
  for (const Obstacle& obstacle : obstacles) {
    SCOPED_TRACE(obstacle.name);
    ClickLater(run.dialog, IDOK);
    HWND box = run.thread.WaitForDialog(kSettingsTitle, run.dialog);
    ASSERT_NE(box, nullptr) << "no message box";
    const FailureMessage message = ReadFailureMessage(box);
    EXPECT_TRUE(message.layoutOk) << ::testing::PrintToString(Utf8List(ChildTexts(box)));
    EXPECT_EQ(message.firstLine, "Не удалось сохранить настройки в файл " + path + ".");
    EXPECT_TRUE(fs::equivalent(message.folder, fs::current_path())) << message.folder;
    EXPECT_EQ(message.reason, obstacle.reason);
    EXPECT_EQ(settings, Settings{}) << "nothing stored while the file is not written";
    PostCommand(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    EXPECT_TRUE(IsWindow(run.dialog));
    EXPECT_FALSE(run.thread.Finished());
    obstacle.remove();
  }
  ClickLater(run.dialog, IDOK);
  EXPECT_EQ(run.thread.Result(), 1);
  EXPECT_EQ(settings.Frequency, 44100);
  EXPECT_TRUE(fs::exists(path));
}

// A virus scanner or the search indexer opens the file just written for a moment: OK waits it
// out and saves, with nothing to tell the player.
TEST(SettingsDialog, AFileHeldForAMomentIsSavedWhenItIsFree) {
  TempDir dir;
  fs::create_directories(dir.Path() / "Game");
  const std::string path = (dir.Path() / "Game" / "Zurvo.cfg").string();
  WriteBytes(path, "Mouse 0.90\n");
  Settings settings;
  SettingsDialogRun run(settings, Caps(true, true, 2), TypicalModes(), path);
  ASSERT_NE(run.dialog, nullptr);
  Click(run.dialog, IDC_PRESET_EXCELLENT);
  HANDLE held = CreateFileW(FromUtf8(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ClickLater(run.dialog, IDOK);
  Sleep(300);
  CloseHandle(held);
  EXPECT_EQ(run.thread.Result(), 1) << "a message box, or the dialog still open";
  EXPECT_EQ(settings.Frequency, 44100);
  EXPECT_NE(ReadBytes(path).find("Frequency 44100"), std::string::npos);
}
