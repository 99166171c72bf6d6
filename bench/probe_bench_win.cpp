// Probe benchmark: how long the hardware probe takes to deliver its results, the way the launcher
// runs it now (each part in a process of its own: copies of the launcher's exe) and the way it
// used to (in the launcher's own process: its libraries loaded, then every question asked on a
// worker). Each in-process run is a fresh process, as a launcher start is; its time starts where
// the launcher's probe would, after the window, and is read back from its output. Prints figures;
// judges nothing.
//
// usage: probe_bench <runs> <SkarnavelLauncher.exe>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/system_library_win.h"
#include "engine/unique_handle_win.h"
#include "probe/probe_process_win.h"
#include "probe/probe_win.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

// The probe as it ran in the launcher before: libraries loaded, then every question asked.
int ProbeInThisProcess() {
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  QueryPerformanceCounter(&start);
  FindSystemFunction("d3d9.dll", "Direct3DCreate9");
  FindSystemFunction("dinput8.dll", "DirectInput8Create");
  const ProbeOutcome outcome = ProbeHardware(GetModuleHandleW(nullptr));
  QueryPerformanceCounter(&end);
  std::printf("%.3f %zu\n", Milliseconds(start, end), outcome.modes.size());
  return 0;
}

// Runs this program with the in-process argument and reads its time; negative on failure.
double TimeInProcess() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --in-process";
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    return -1.0;
  }
  UniqueKernelHandle reader(readEnd);
  UniqueKernelHandle writer(writeEnd);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(self, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return -1.0;
  }
  UniqueKernelHandle process(info.hProcess);
  UniqueKernelHandle thread(info.hThread);
  writer.Reset();
  std::string output;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    output.append(buffer, got);
  }
  WaitForSingleObject(process.Get(), INFINITE);
  return output.empty() ? -1.0 : std::atof(output.c_str());
}

double TimeInProcesses(const std::wstring& launcher) {
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  QueryPerformanceCounter(&start);
  std::vector<std::string> notes;
  ProbeInProcesses(launcher, 60000, notes);
  QueryPerformanceCounter(&end);
  return notes.empty() ? Milliseconds(start, end) : -1.0;
}

void Print(const char* name, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  const std::size_t middle = ms.size() / 2;
  const double median = ms.size() % 2 == 1 ? ms[middle] : (ms[middle - 1] + ms[middle]) / 2.0;
  std::printf("%-44s %10.1f %10.1f %10.1f\n", name, median, ms.front(), ms.back());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wstring(argv[1]) == L"--in-process") {
    return ProbeInThisProcess();
  }
  if (argc != 3 || _wtoi(argv[1]) < 1) {
    std::fprintf(stderr, "usage: probe_bench <runs> <SkarnavelLauncher.exe>\n");
    return 2;
  }
  const int runs = _wtoi(argv[1]);
  wchar_t launcher[MAX_PATH] = {};
  GetFullPathNameW(argv[2], MAX_PATH, launcher, nullptr);
  std::vector<double> inProcess;
  std::vector<double> inProcesses;
  // One warm-up round of each, not counted; then alternating.
  for (int round = -1; round < runs; ++round) {
    const double before = TimeInProcess();
    const double now = TimeInProcesses(launcher);
    if (before < 0 || now < 0) {
      std::fprintf(stderr, "a probe failed (in-process %.1f, in processes %.1f)\n", before, now);
      return 1;
    }
    if (round >= 0) {
      inProcess.push_back(before);
      inProcesses.push_back(now);
    }
  }
  std::printf("Time to the probe's results, %d runs each in alternation\n\n", runs);
  std::printf("%-44s %10s %10s %10s\n", "probe", "median ms", "min ms", "max ms");
  Print("in the launcher's process (before)", inProcess);
  Print("in processes of its own (now)", inProcesses);
  return 0;
}
