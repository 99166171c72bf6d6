// The launcher with a probe that takes ten seconds, as DirectInput can when a controller's driver
// dawdles. For the end-to-end tests and the start-up benchmark only; never shipped.
//
// After its sleep the stand-in returns what the real probe finds, so the settings dialog shows
// this machine's hardware. Just before handing the outcome over it leaves "slow_probe_finished"
// in the current directory (the game folder), by which a test tells whether anything waited for
// the probe.
#include <windows.h>

#include "launcher/launcher_app_win.h"
#include "launcher/unique_handle_win.h"
#include "probe/probe_win.h"

namespace {

const DWORD kProbeDelayMs = 10000;

ProbeOutcome SlowProbe(HINSTANCE instance) {
  Sleep(kProbeDelayMs);
  ProbeOutcome outcome = ProbeHardware(instance);
  UniqueFileHandle marker(CreateFileW(L"slow_probe_finished", GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return outcome;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  try {
    return RunLauncher(instance, SlowProbe);
  } catch (...) {
    return 0;
  }
}
