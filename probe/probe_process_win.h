#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/unique_handle_win.h"
#include "probe/probe_run.h"

// The probe's parts, each in a process of its own, so that a driver that crashes or hangs takes
// only that process down: Direct3D and DirectInput are never loaded into the program that starts
// them. Each process is a copy of `program` (the starting program's own file, which must handle
// the private argument with RunProbeProcess) and writes its answers to a pipe, read on a thread
// of its own. The processes end with the program at the latest: they belong to a job that kills
// them when its last handle closes, and where the program already runs in a job that allows no
// other, the destructor ends them.
class ProbeProcesses : public ProbeSource {
public:
  explicit ProbeProcesses(std::wstring program);
  ~ProbeProcesses() override;
  ProbeProcesses(const ProbeProcesses&) = delete;
  ProbeProcesses& operator=(const ProbeProcesses&) = delete;

  void Start(const std::shared_ptr<ProbeRun>& run) override;
  void Stop(ProbePart part) override;

private:
  std::wstring program_;
  UniqueKernelHandle job_;
  // Shared with the part's reader thread, which waits on it for the exit code.
  std::shared_ptr<UniqueKernelHandle> processes_[kProbePartCount];
};

// This program's own file.
std::wstring ThisProgram();

// A probe run that sets `changed`, an auto-reset event, on every change, so that a thread can
// sleep until there is something new; each wake-up is followed by a look at the run, so none is
// lost. `changed` holds no event when none could be made.
struct SignalledRun {
  std::shared_ptr<UniqueKernelHandle> changed;
  std::shared_ptr<ProbeRun> run;
};
SignalledRun NewSignalledRun();

// The whole probe in processes of its own (copies of `program`), waited for here without a
// message loop: each part for at most `patienceMs` from its start (its first words; the
// processes' own start, seconds on a slow machine, is not the drivers' time). A part still busy
// kCapsReportNoticeMs after its start is named once to `waiting`, when given ("Waiting for
// Direct3D 9, busy in Direct3DCreate9..."). What has not answered by then is given up and its
// process ended. Returns what is known, with the lines for the log in `notes`. For programs
// without windows.
ProbeOutcome ProbeInProcesses(const std::wstring& program, DWORD patienceMs,
                              std::vector<std::string>& notes,
                              const std::function<void(const std::string&)>& waiting = nullptr);

// The whole life of a probe process: probes `part` against the real interfaces and writes each
// call and answer to standard output, which must be a pipe. A crash ends the process at once
// with its exception code, with no error box and no debugger; nothing else is shown or written.
// Returns the exit code (it normally ends the process itself first).
int RunProbeProcess(ProbePart part, HINSTANCE instance);
