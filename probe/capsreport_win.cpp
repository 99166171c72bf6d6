// capsreport.exe: runs the launcher's own hardware probe and prints what it found, so that a
// player whose resolution or effect is missing from the settings dialog can send us the facts.

#include <windows.h>

#include <cstdio>

#include "probe/caps_report.h"
#include "probe/probe_win.h"

int main() {
  const ProbeOutcome outcome = ProbeHardware(GetModuleHandleA(nullptr));
  return WriteCapsReport(outcome, stdout) ? 0 : 1;
}
