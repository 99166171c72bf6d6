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
