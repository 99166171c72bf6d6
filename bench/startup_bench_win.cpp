// Start-up benchmark: how long each program takes from process creation until its top-level
// window (found by title) is visible. The programs are started one at a time, in alternation,
// each closed again (WM_CLOSE) and waited for before the next start; the first program named is
// the baseline every other one is compared with. Prints figures; judges nothing.
//
// usage: startup_bench <runs> <baseline.exe> <program.exe>...
// Each program runs in its own folder.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "engine/unique_handle_win.h"

namespace fs = std::filesystem;

namespace {

const wchar_t kTitle[] = L"SKARNAVEL: Варнелия";
const DWORD kWindowTimeoutMs = 60000;
const DWORD kExitTimeoutMs = 30000;
const int kWarmUpRounds = 2;
// What the launcher's start-up may cost at most over the bare dialog.
const double kGoalRatio = 1.05;

struct Program {
  fs::path exe;
  std::vector<double> ms;
};

struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindVisibleTitledWindow(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<WindowSearch*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !IsWindowVisible(window)) {
    return TRUE;
  }
  wchar_t text[64] = {};
  // Another process's window: the text comes from the window manager, not by a message, so a
  // busy program cannot hold the search up.
  InternalGetWindowText(window, text, 64);
  if (std::wcscmp(text, kTitle) != 0) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Starts `exe` in its folder, waits for its window, closes it and waits for the end. False,
// with a message printed, when any step failed.
bool TimeOneStart(const fs::path& exe, double& ms) {
  std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
  const std::wstring folder = exe.parent_path().wstring();
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  LARGE_INTEGER start;
  // Wine now and then refuses a process start outright (ERROR_INTERNAL_ERROR) on a busy machine;
  // such a start is tried again, and its time counts from the start that worked.
  for (int attempt = 1;; ++attempt) {
    QueryPerformanceCounter(&start);
    if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                       folder.c_str(), &startup, &info)) {
      break;
    }
    const DWORD error = GetLastError();
    std::fprintf(stderr, "cannot start %ls (error %lu)%s\n", exe.c_str(), error,
                 attempt < 3 ? ", trying again" : "");
    if (attempt == 3) {
      return false;
    }
    Sleep(500);
  }
  UniqueKernelHandle process(info.hProcess);
  UniqueKernelHandle thread(info.hThread);

  WindowSearch search{info.dwProcessId, nullptr};
  LARGE_INTEGER now = start;
  for (;;) {
    EnumWindows(FindVisibleTitledWindow, reinterpret_cast<LPARAM>(&search));
    QueryPerformanceCounter(&now);
    if (search.found != nullptr) {
      break;
    }
    if (Seconds(start, now) * 1000.0 > kWindowTimeoutMs ||
        WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0) {
      std::fprintf(stderr, "%ls showed no window\n", exe.filename().c_str());
      TerminateProcess(process.Get(), 1);
      return false;
    }
    Sleep(1);
  }
  ms = Seconds(start, now) * 1000.0;

  PostMessageW(search.found, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.Get(), kExitTimeoutMs) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "%ls did not end after WM_CLOSE\n", exe.filename().c_str());
    TerminateProcess(process.Get(), 1);
    WaitForSingleObject(process.Get(), kExitTimeoutMs);
    return false;
  }
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

const char* WineVersion() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  using VersionFunction = const char*(CDECL*)();
  auto version = reinterpret_cast<VersionFunction>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
  return version != nullptr ? version() : nullptr;
}

// Whether the dialogs' template font, made as the dialog manager makes it, has Cyrillic letters
// here: without them (Wine's own fonts, a non-Russian locale) the launcher lays its dialogs out in
// another face, the case the goal is about.
const char* TemplateFontHasCyrillic() {
  const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) {
    return "unknown";
  }
  const UniqueGdiObject font(CreateFontW(-MulDiv(8, GetDeviceCaps(dc.Get(), LOGPIXELSY), 72), 0, 0,
                                         0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                                         PROOF_QUALITY, 0, L"MS Sans Serif"));
  if (!font) {
    return "unknown";
  }
  const HGDIOBJ previous = SelectObject(dc.Get(), font.Get());
  const wchar_t letters[] = L"Запустить игру";
  WORD glyphs[14] = {};
  const DWORD converted =
      GetGlyphIndicesW(dc.Get(), letters, 14, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
  SelectObject(dc.Get(), previous);
  if (converted == GDI_ERROR) {
    return "unknown";
  }
  return std::find(std::begin(glyphs), std::end(glyphs), 0xFFFF) == std::end(glyphs) ? "yes" : "no";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: startup_bench <runs> <baseline.exe> <program.exe>...\n");
    return 2;
  }
  const int runs = _wtoi(argv[1]);
  if (runs < 1) {
    std::fprintf(stderr, "runs must be at least 1\n");
    return 2;
  }
  std::vector<Program> programs;
  for (int i = 2; i < argc; ++i) {
    std::error_code error;
    const fs::path exe = fs::absolute(argv[i], error);
    if (error || !fs::is_regular_file(exe, error)) {
      std::fprintf(stderr, "no such program: %ls\n", argv[i]);
      return 2;
    }
    programs.push_back({exe, {}});
  }

  // Warm-up rounds fill the file cache and the wineserver; their times are dropped. After that
  // each round starts the programs in a rotated order, so that none always follows the same one.
  const std::size_t count = programs.size();
  for (int round = -kWarmUpRounds; round < runs; ++round) {
    for (std::size_t i = 0; i < count; ++i) {
      Program& program = programs[(i + static_cast<std::size_t>(round + kWarmUpRounds)) % count];
      double ms = 0.0;
      if (!TimeOneStart(program.exe, ms)) {
        return 1;
      }
      if (round >= 0) {
        program.ms.push_back(ms);
      }
    }
  }

  const char* wine = WineVersion();
  std::printf("Start-up to a visible main window, %d runs each in alternation (%s %s)\n", runs,
              wine != nullptr ? "Wine" : "Windows", wine != nullptr ? wine : "");
  std::printf("ANSI code page %u; \"MS Sans Serif\" 8 pt has Cyrillic letters: %s\n\n", GetACP(),
              TemplateFontHasCyrillic());
  std::printf("%-34s %10s %10s %10s %12s\n", "program", "median ms", "min ms", "max ms",
              "/ baseline");
  const double baseline = Median(programs.front().ms);
  for (const Program& program : programs) {
    const double median = Median(program.ms);
    const auto range = std::minmax_element(program.ms.begin(), program.ms.end());
    std::printf("%-34ls %10.1f %10.1f %10.1f %12.2f\n", program.exe.filename().c_str(), median,
                *range.first, *range.second, median / baseline);
  }
  std::printf("\ngoal: at most %.2f x %ls\n", kGoalRatio, programs.front().exe.filename().c_str());
  return 0;
}
