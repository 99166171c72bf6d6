// capsreport.exe: runs the launcher's own hardware probe and prints what it found, so that a
// player whose resolution or effect is missing from the settings dialog can send us the facts.
// It probes as the launcher does, each part in a copy of itself, so that a driver that crashes
// or hangs costs the report only that part's lines, never the report.

#include <windows.h>

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
  const ProbeOutcome outcome = ProbeInProcesses(ThisProgram(), kProbePatienceMs, notes);
  return ReportCapabilities(outcome, notes);
}
