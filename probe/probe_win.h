#pragma once

#include <windows.h>

#include "probe/probe.h"

// Runs the probe against the real Direct3D 9 and DirectInput 8. DirectInput needs the
// application's instance handle.
ProbeOutcome ProbeHardware(HINSTANCE instance);
