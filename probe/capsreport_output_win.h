#pragma once

#include <string>
#include <vector>

#include "probe/probe.h"

// The name of the file capsreport.exe leaves in the current folder.
extern const char kCapsReportFile[];

// What capsreport.exe does with what the probe found and its `notes` (as WriteCapsReport takes
// them): writes the report to kCapsReportFile in the current folder (the program's own folder
// when it was double-clicked) and to standard output after a first line that says where the file
// is (its VirtualStore copy, by full path, where Windows put it there), or why it could not be
// written. When the program has a console window of its own that the player sees (Explorer
// opened one for it), the window would close with the program: it then waits for Enter. Printed
// to a prompt, a pipe or a file, or started hidden, it ends at once. Returns the exit code: 0 when
// the report reached standard output.
int ReportCapabilities(const ProbeOutcome& outcome, const std::vector<std::string>& notes);
