#include "probe/capsreport_output_win.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <string>

#include "engine/file_handle.h"
#include "engine/virtual_store_win.h"
#include "engine/wide_text_win.h"
#include "probe/caps_report.h"

const char kCapsReportFile[] = "capsreport.txt";

namespace {

// Where the report went: a console no other program shares is the one Explorer creates for a
// console program it starts; a prompt (cmd.exe, a batch file, FAR) is attached to its console as
// well. A tool that starts the program hidden gives it a console of its own too, but no window
// anyone sees.
ReportConsole ThisConsole() {
  ReportConsole console;
  DWORD mode = 0;
  console.outputIsConsole = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
  DWORD processes[2] = {};
  console.processesOnConsole = GetConsoleProcessList(processes, 2);
  const HWND window = GetConsoleWindow();
  console.windowPresent = window != nullptr;
  console.windowVisible = window != nullptr && IsWindowVisible(window) != 0;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  console.startedHidden =
      (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 && startup.wShowWindow == SW_HIDE;
  return console;
}

// A line with a path in it: in the console's own Unicode, so that a user name such as "Иван"
// reads right whatever the console's code page; to a pipe or a file in the ANSI code page.
void PrintLine(const std::wstring& line) {
  std::fflush(stdout);
  DWORD written = 0;
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(out, &mode) != 0) {
    WriteConsoleW(out, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr);
    return;
  }
  std::fputs(NarrowAnsi(line).c_str(), stdout);
}

void WaitForEnter() {
  // The console's own Unicode output, so that the Russian reads right whatever its code page.
  const wchar_t prompt[] = L"\nНажмите Enter, чтобы закрыть окно.";
  DWORD written = 0;
  WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), prompt, sizeof prompt / sizeof prompt[0] - 1,
                &written, nullptr);
  for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
  }
}

// Writes the report to the file; on failure leaves none and sets `error` to the C runtime's
// reason.
bool SaveReport(const ProbeOutcome& outcome, const std::vector<std::string>& notes, int& error) {
  FileHandle file(std::fopen(kCapsReportFile, "w"));
  if (!file) {
    error = errno;
    return false;
  }
  bool saved = WriteCapsReport(outcome, notes, file.get());
  error = errno;
  if (std::fclose(file.release()) != 0 && saved) {
    saved = false;
    error = errno;
  }
  if (!saved) {
    std::remove(kCapsReportFile);
  }
  return saved;
}

}  // namespace

int ReportCapabilities(const ProbeOutcome& outcome, const std::vector<std::string>& notes) {
  int error = 0;
  if (SaveReport(outcome, notes, error)) {
    // Under Program Files on Vista and later, Windows may have put it in the VirtualStore: the
    // player is told where it really is, not where Explorer shows nothing.
    const std::wstring copy = VirtualStoreCopyOf(L"capsreport.txt");
    if (copy.empty()) {
      std::printf("This report is saved in %s in the current folder as well.\n", kCapsReportFile);
    } else {
      PrintLine(L"This report is saved in " + copy + L" as well.\n");
    }
  } else {
    std::printf("Could not save this report in %s in the current folder: %s.\n", kCapsReportFile,
                std::strerror(error));
  }
  const bool printed = WriteCapsReport(outcome, notes, stdout);
  if (WaitsForEnter(ThisConsole())) {
    WaitForEnter();
  }
  return printed ? 0 : 1;
}
