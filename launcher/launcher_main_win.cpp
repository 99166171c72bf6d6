#include <windows.h>

#include "launcher/launcher_app_win.h"
#include "probe/probe_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The command line is ignored, and nothing may escape as an exception: the launcher ends with
  // 0 whatever happened.
  try {
    return RunLauncher(instance, ProbeHardware);
  } catch (...) {
    return 0;
  }
}
