// capsreport.exe: runs the launcher's own hardware probe and prints what it found, so that a
// player whose resolution or effect is missing from the settings dialog can send us the facts.
// It probes as the launcher does, each part in a copy of itself, so that a driver that crashes
// or hangs costs the report only that part's lines, never the report. It waits far longer than
// the launcher's window does, since a slow Direct3D is just what a report must not miss, and says
// what it waits for on standard error, which leaves the report on standard output clean.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "probe/capsreport_output_win.h"
#include "probe/probe_process_win.h"

int main() {
  ProbePart part = ProbePart::kDirect3D;
  std::uintptr_t program = 0;
  if (ProbeCommandFromCommandLine(GetCommandLineW(), part, program)) {
    return RunProbeProcess(part, program, GetModuleHandleW(nullptr));
  }
  std::vector<std::string> notes;
  const ProbeOutcome outcome =
      ProbeInProcesses(ThisProgram(), kCapsReportPatienceMs, notes, [](const std::string& line) {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
      });
  return ReportCapabilities(outcome, notes);
}
