#pragma once

#include <cstdio>

#include "probe/probe.h"

// Writes what a probe found, one fact a line, for a player to send to support: whether Direct3D 9
// and DirectInput 8 are there, the chosen formats, each capability, aaLevelCount, the settings
// the launcher would switch off, then "Display modes: N" followed by the N modes in list order
// as "WIDTHxHEIGHTxBITS". Returns false when writing failed.
bool WriteCapsReport(const ProbeOutcome& outcome, std::FILE* out);
