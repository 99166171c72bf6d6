#include <windows.h>

#include "launcher/launcher_app_win.h"
#include "probe/probe_process_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The command line is ignored, but for the private argument with which the launcher starts a
  // copy of itself to probe the hardware. Nothing may escape as an exception: the launcher ends
  // with 0 whatever happened.
  try {
    ProbePart part = ProbePart::kDirect3D;
    std::uintptr_t program = 0;
    if (ProbeCommandFromCommandLine(GetCommandLineW(), part, program)) {
      return RunProbeProcess(part, program, instance);
    }
    return RunLauncher(instance);
  } catch (...) {
    return 0;
  }
}
