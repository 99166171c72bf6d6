#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "probe/probe.h"

// Every way `outcome` contradicts itself, one sentence each; empty when it is consistent. Holds
// for any adapter, so it can judge what a real Direct3D reports without knowing the machine.
std::vector<std::string> ConsistencyViolations(const ProbeOutcome& outcome);

// Reads capsreport's text back into an outcome, and its closing notes into `notes` when given.
// False, with `error` saying why, when a line is missing, out of place or malformed.
bool ParseCapsReport(const std::string& text, ProbeOutcome& outcome, std::string& error,
                     std::vector<std::string>* notes = nullptr);

// Field-by-field differences between two outcomes, for failure messages; empty when equal.
std::string OutcomeDifferences(const ProbeOutcome& expected, const ProbeOutcome& actual);

void PrintTo(const DisplayMode& mode, std::ostream* out);
