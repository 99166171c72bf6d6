#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/unique_handle_win.h"
#include "probe/probe_lifetime.h"
#include "probe/probe_run.h"

// The probe's parts, each in a process of its own, so that a driver that crashes or hangs takes
// only that process down: Direct3D and DirectInput are never loaded into the program that starts
// them. Each process is a copy of `program` (the starting program's own file, which must handle
// the private argument with RunProbeProcess) and writes its answers to a pipe, read on a thread
// of its own. The processes end with the program at the latest, however it ends: each watches
// the program and ends itself when it is gone, and they belong to a job that kills them when its
// last handle closes (leaving the program's own job for it where that job allows). Where our job
// cannot be used, `note` is given the one line that says why.
class ProbeProcesses : public ProbeSource {
public:
  explicit ProbeProcesses(std::wstring program,
                          std::function<void(const std::string&)> note = nullptr);
  ~ProbeProcesses() override;
  ProbeProcesses(const ProbeProcesses&) = delete;
  ProbeProcesses& operator=(const ProbeProcesses&) = delete;

  void Start(const std::shared_ptr<ProbeRun>& run) override;
  void Stop(ProbePart part) override;

private:
  void Note(const std::string& line);

  std::wstring program_;
  std::function<void(const std::string&)> note_;
  bool noted_ = false;
  ProgramJob programJob_;
  UniqueKernelHandle job_;
  DWORD startFlags_ = 0;
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
// call and answer to standard output, which must be a pipe. `program` is the inherited handle to
// the program that started it (ProbeCommandFromCommandLine): the process ends the moment that
// program has, and does not start without it. A crash ends the process at once with its
// exception code, with no error box and no debugger; nothing else is shown or written. Returns
// the exit code (it normally ends the process itself first).
int RunProbeProcess(ProbePart part, std::uintptr_t program, HINSTANCE instance);
