#pragma once

#include <cstdint>
#include <string>

#include "probe/probe_run.h"

// How a probe process is kept from outliving the program that started it. Two guards, each
// enough on its own: a job of the program's that kills the processes when its last handle
// closes, and, in every probe process, a watch on the program itself, which ends the process
// the moment the program has ended however it ended (killed, crashed, its console closed).

// The argument that hands a probe process the handle it watches, an inherited handle to the
// program that started it: " /zurvo-parent:<handle value>", after the probe argument.
std::wstring ParentArgument(std::uintptr_t handle);

// Whether a whole command line is exactly the program, a probe argument and a parent argument
// with a handle value other than 0; `part` and `parent` then say which part and which handle.
bool ProbeCommandFromCommandLine(const std::wstring& commandLine, ProbePart& part,
                                 std::uintptr_t& parent);

// What the program knows of the job it runs in, if any.
struct ProgramJob {
  bool inJob = false;
  // The job's limits could be read; without them nothing is assumed to be allowed.
  bool limitsKnown = false;
  bool breakawayAllowed = false;  // JOB_OBJECT_LIMIT_BREAKAWAY_OK
  bool silentBreakaway = false;   // JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK
};

// Whether the probe processes are started with CREATE_BREAKAWAY_FROM_JOB, to leave the
// program's own job for ours: only where that job allows it (asking otherwise makes the start
// fail) and where its children are not outside it already.
bool BreakAwayFromProgramJob(const ProgramJob& job);

// Where our job could not be used, the one line for the log that says so and why: `step` is
// "made" (the job could not be created) or "joined" (a process could not be put in it), `error`
// the system's error code.
std::string ProbeJobNote(const ProgramJob& job, const char* step, std::uint32_t error);

// The variable a test sets to "1" so that putting a probe process in our job is refused with
// access denied, as Windows 7 and older refuse it inside a job that allows no breakaway (Wine
// always allows it).
extern const char kRefuseProbeJobVariable[];
bool ProbeJobRefusedForTest(const char* variableValue);
