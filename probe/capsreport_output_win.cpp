#include "probe/capsreport_output_win.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/file_handle.h"
#include "probe/caps_report.h"

const char kCapsReportFile[] = "capsreport.txt";

namespace {

// Whether the report went to a console that no other program shares: the one Explorer creates
// for a console program it starts. A prompt (cmd.exe, a batch file, FAR) is attached to its
// console as well, so there the count is two or more; a pipe or a file is no console at all.
// GetConsoleProcessList is the one question Windows XP can answer about this.
bool OwnsItsConsole() {
  DWORD mode = 0;
  if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) == 0) {
    return false;
  }
  DWORD processes[2] = {};
  return GetConsoleProcessList(processes, 2) == 1;
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
    std::printf("This report is saved in %s in the current folder as well.\n", kCapsReportFile);
  } else {
    std::printf("Could not save this report in %s in the current folder: %s.\n", kCapsReportFile,
                std::strerror(error));
  }
  const bool printed = WriteCapsReport(outcome, notes, stdout);
  if (OwnsItsConsole()) {
    WaitForEnter();
  }
  return printed ? 0 : 1;
}
