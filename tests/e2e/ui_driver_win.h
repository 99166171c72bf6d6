#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/unique_handle_win.h"

// Drives Win32 programs the way a player would, through the window system only: finds windows,
// reads control states and clicks by messages. Works across processes and across threads.
namespace e2e {

const DWORD kDefaultTimeoutMs = 30000;

// Polls `condition` every few milliseconds until it holds or `timeoutMs` passed.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kDefaultTimeoutMs);

// A child process started by the test; terminated if the test lets go of it while it runs.
class Process {
public:
  Process() = default;
  Process(Process&&) = default;
  Process& operator=(Process&&) = default;
  ~Process();

  // Starts `exe` with `workingDir` as its current directory, `arguments` after its quoted name on
  // the command line. False when it could not start.
  bool Start(const std::filesystem::path& exe, const std::filesystem::path& workingDir,
             const std::wstring& arguments = std::wstring());
  DWORD Id() const { return id_; }
  bool Running() const;
  // Waits for the end and gives the exit code; false on timeout.
  bool WaitForExit(DWORD timeoutMs, DWORD& exitCode);
  void Terminate();

private:
  UniqueKernelHandle process_;
  DWORD id_ = 0;
};

// Top-level windows of a process (any thread), visible ones only when asked.
std::vector<HWND> TopLevelWindows(DWORD processId, bool visibleOnly);
// Top-level windows of a thread.
std::vector<HWND> ThreadWindows(DWORD threadId);

// Waits for a visible top-level dialog (class #32770) of `processId` with `title`; `owner`, when
// given, must be the window's owner. Returns null on timeout.
HWND WaitForDialog(DWORD processId, const std::wstring& title, HWND owner = nullptr,
                   DWORD timeoutMs = kDefaultTimeoutMs);
// Waits for a visible top-level window of class `className`, in any process.
HWND WaitForWindowOfClass(const std::wstring& className, DWORD timeoutMs = kDefaultTimeoutMs);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
HWND Owner(HWND window);

// Controls of a dialog, by id.
std::wstring ControlText(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
std::vector<std::wstring> ListEntries(HWND dialog, int id);
int ListSelection(HWND dialog, int id);
// The selected entry's text, or "<none>".
std::wstring SelectedText(HWND dialog, int id);
// Selects an entry as the player's choice would (the dialog reads lists only at OK).
void SelectEntry(HWND dialog, int id, int index);
// Every child's text, for finding a message box's message.
std::vector<std::wstring> ChildTexts(HWND window);

// A launcher failure box's message: its first line, then after a blank line the folder after
// "Папка: ", the folder's VirtualStore where the box names one, and the reason after "Причина: "
// (empty when the box names none). `layoutOk` says whether the message had that shape.
struct FailureMessage {
  std::string firstLine;
  std::filesystem::path folder;
  std::filesystem::path storeFolder;
  std::string reason;
  bool layoutOk = false;
};
FailureMessage ReadFailureMessage(HWND box);

// Clicks a button or check box and returns once the click was handled. Only for clicks that
// open no modal window and end no dialog.
void Click(HWND dialog, int id);
// Clicks without waiting: for buttons that open a window or end a dialog.
void ClickLater(HWND dialog, int id);
// Clicks and waits up to `timeoutMs` for the click to be handled. False when the handling is
// still going on then (it goes on regardless): the button's action is waiting for something.
bool ClickWithin(HWND dialog, int id, DWORD timeoutMs);
// A command message as a button, a key or a menu would send it, posted.
void PostCommand(HWND dialog, int id);
// The platform's close request (the caption's close box, Alt+F4).
void PostClose(HWND window);
// A key press and release posted to the window that has the keyboard focus in `window`'s thread.
void PostKey(HWND window, WPARAM virtualKey);

// Whether `window`'s thread answers a message within `timeoutMs`.
bool Answers(HWND window, DWORD timeoutMs);
// Invalidates `window` and waits up to `timeoutMs` for its thread to paint it again.
bool Repaints(HWND window, DWORD timeoutMs);

// What the screen shows in `rect` (screen coordinates) once `window`, which should be on top, has
// painted: RGB rows from the top; empty when it could not be read.
std::vector<std::uint8_t> ScreenPixels(HWND window, const RECT& rect);
// Saves what the screen shows of `window` (which should be on top) as a PNG file.
bool SaveScreenshot(HWND window, const std::filesystem::path& path);

// Text conversions for messages and files.
std::string Utf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace e2e
