#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "probe/probe.h"

// Writes what a probe found, one fact a line, for a player to send to support: whether Direct3D 9
// and DirectInput 8 are there ("unknown" when their part crashed or hung), the chosen formats,
// each capability, aaLevelCount, the settings the launcher would switch off, then
// "Display modes: N" followed by the N modes in list order as "WIDTHxHEIGHTxBITS", and last the
// `notes`, one a line. Returns false when writing failed.
bool WriteCapsReport(const ProbeOutcome& outcome, const std::vector<std::string>& notes,
                     std::FILE* out);

// What capsreport.exe can see of where its output goes.
struct ReportConsole {
  bool outputIsConsole = false;  // not a pipe or a file
  unsigned processesOnConsole = 0;
  bool windowPresent = false;  // the console has a window (GetConsoleWindow)
  bool windowVisible = false;
  bool startedHidden = false;  // its start asked for no window to show (SW_HIDE)
};

// Whether capsreport.exe waits for Enter before it ends: only where it has a console window of
// its own that a player sees, which would close with it (Explorer opened it). Started from a
// prompt (the console is shared), into a pipe or a file, or hidden by a tool or script (a
// console nobody sees, whose Enter nobody can press), it ends at once.
bool WaitsForEnter(const ReportConsole& console);
