// capsreport.exe: runs the launcher's own hardware probe and prints what it found, so that a
// player whose resolution or effect is missing from the settings dialog can send us the facts.

#include <windows.h>

#include "probe/capsreport_output_win.h"
#include "probe/probe_win.h"

int main() {
  const ProbeOutcome outcome = ProbeHardware(GetModuleHandleA(nullptr));
  return ReportCapabilities(outcome);
}
