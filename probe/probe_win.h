#pragma once

#include <windows.h>

#include "probe/probe.h"
#include "probe/probe_run.h"

// Runs the whole probe here, in this process, against the real Direct3D 9 and DirectInput 8.
// DirectInput needs the application's instance handle. For tests and measurements: the launcher
// and capsreport run each part in a process of their own (probe_process_win.h).
ProbeOutcome ProbeHardware(HINSTANCE instance);

// Runs one part against the real interfaces, telling `progress` of every call and answer, and
// releases the part's objects before it returns.
void ProbeHardwarePart(HINSTANCE instance, ProbePart part, ProbeProgress& progress);
