#include "probe/probe_process_win.h"

#include <string>
#include <utility>
#include <vector>

#include "engine/detached_thread.h"
#include "engine/tick_count.h"
#include "probe/probe_win.h"
#include "probe/probe_wire.h"

namespace {

// A probe process's pipe holds its few kilobytes of answers even while nobody reads.
constexpr DWORD kPipeBufferBytes = 64 * 1024;

// Reads one part's pipe until the process has closed it, then reports how it ended.
void ReadPart(const std::shared_ptr<ProbeRun>& run, ProbePart part,
              const std::shared_ptr<UniqueKernelHandle>& pipe,
              const std::shared_ptr<UniqueKernelHandle>& process) {
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(pipe->Get(), buffer, sizeof buffer, &got, nullptr)) {
    run->Receive(part, buffer, got);
  }
  // The pipe breaks as the process ends; its exit code is there once it has ended.
  WaitForSingleObject(process->Get(), INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(process->Get(), &exitCode);
  run->Ended(part, exitCode);
}

UniqueKernelHandle KillOnCloseJob() {
  UniqueKernelHandle job(CreateJobObjectW(nullptr, nullptr));
  if (!job.Valid()) {
    return job;
  }
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                               sizeof limits)) {
    job.Reset();
  }
  return job;
}

// Starts one part's process with the write end of a new pipe as its standard output, and the
// thread that reads the other end. Reports a failure to `run`.
std::shared_ptr<UniqueKernelHandle> StartPart(const std::shared_ptr<ProbeRun>& run, ProbePart part,
                                              const std::wstring& program, HANDLE job) {
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, nullptr, kPipeBufferBytes)) {
    run->CouldNotStart(part, GetLastError());
    return nullptr;
  }
  auto pipe = std::make_shared<UniqueKernelHandle>(readEnd);
  UniqueKernelHandle childEnd(writeEnd);
  // Only the child's end is inherited, and only by the process started next: the parts are
  // started one after another on this thread, each end closed here before the next start.
  if (!SetHandleInformation(childEnd.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
    run->CouldNotStart(part, GetLastError());
    return nullptr;
  }

  std::wstring commandLine = L"\"" + program + L"\" " + ProbeArgument(part);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = childEnd.Get();
  PROCESS_INFORMATION started = {};
  // Suspended until it is in the job, so that it cannot outlive the program even in its first
  // moments.
  if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                      CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started)) {
    run->CouldNotStart(part, GetLastError());
    return nullptr;
  }
  auto process = std::make_shared<UniqueKernelHandle>(started.hProcess);
  const UniqueKernelHandle thread(started.hThread);
  childEnd.Reset();  // the pipe now breaks when the child's copy closes
  if (job != nullptr) {
    // Fails where the program runs in a job that allows no nesting (Windows 7 and older): the
    // destructor ends the process then.
    AssignProcessToJobObject(job, process->Get());
  }
  ResumeThread(thread.Get());

  const bool reading =
      StartDetachedThread([run, part, pipe, process] { ReadPart(run, part, pipe, process); });
  if (!reading) {
    TerminateProcess(process->Get(), 1);
    run->CouldNotStart(part, ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return process;
}

// Writes each call and answer to the launcher the moment it happens.
class PipeProgress : public ProbeProgress {
public:
  explicit PipeProgress(HANDLE pipe) : pipe_(pipe) {}
  void Asking(const char* call) override { Write(WireStep(call)); }
  void Answered(ProbeAnswer answer, const ProbeOutcome& outcome) override {
    Write(WireAnswer(answer, outcome));
  }
  void Write(const std::string& text) {
    DWORD written = 0;
    // One call per line, so that a crash leaves whole lines behind.
    WriteFile(pipe_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }

private:
  HANDLE pipe_;
};

void EndIfRunning(const std::shared_ptr<UniqueKernelHandle>& process) {
  if (process != nullptr && WaitForSingleObject(process->Get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process->Get(), 1);
  }
}

LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* exception) {
  const DWORD code = exception != nullptr && exception->ExceptionRecord != nullptr
                         ? exception->ExceptionRecord->ExceptionCode
                         : ERROR_INVALID_FUNCTION;
  TerminateProcess(GetCurrentProcess(), code);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

ProbeProcesses::ProbeProcesses(std::wstring program)
    : program_(std::move(program)), job_(KillOnCloseJob()) {}

ProbeProcesses::~ProbeProcesses() {
  for (const std::shared_ptr<UniqueKernelHandle>& process : processes_) {
    EndIfRunning(process);
  }
}

void ProbeProcesses::Start(const std::shared_ptr<ProbeRun>& run) {
  for (ProbePart part : {ProbePart::kDirect3D, ProbePart::kDirectInput}) {
    processes_[static_cast<int>(part)] = StartPart(run, part, program_, job_.Get());
  }
}

void ProbeProcesses::Stop(ProbePart part) {
  EndIfRunning(processes_[static_cast<int>(part)]);
}

std::wstring ThisProgram() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      return std::wstring();
    }
    // XP does not say ERROR_INSUFFICIENT_BUFFER: a full buffer means the name may be cut.
    if (length < path.size()) {
      return std::wstring(path.data(), length);
    }
    path.resize(path.size() * 2);
  }
}

SignalledRun NewSignalledRun() {
  SignalledRun signalled;
  signalled.changed =
      std::make_shared<UniqueKernelHandle>(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  // Shared with the run: its readers may set the event after the run's owner is gone.
  std::shared_ptr<UniqueKernelHandle> changed = signalled.changed;
  signalled.run = std::make_shared<ProbeRun>(
      [changed] {
        if (changed->Valid()) {
          SetEvent(changed->Get());
        }
      },
      [] {
        // GetTickCount64 is not on Windows XP; GetTickCount wraps every 49.7 days.
        static TickCountWidener ticks;
        return ticks.Read([] { return static_cast<std::uint32_t>(GetTickCount()); });
      });
  return signalled;
}

ProbeOutcome ProbeInProcesses(const std::wstring& program, DWORD patienceMs,
                              std::vector<std::string>& notes,
                              const std::function<void(const std::string&)>& waiting) {
  const SignalledRun signalled = NewSignalledRun();
  const std::shared_ptr<UniqueKernelHandle>& changed = signalled.changed;
  const std::shared_ptr<ProbeRun>& run = signalled.run;
  ProbeProcesses processes(program);
  run->Begin();
  processes.Start(run);
  for (;;) {
    const PatientWait next = run->WaitPatiently(patienceMs, kCapsReportNoticeMs);
    for (ProbePart part : next.givenUp) {
      processes.Stop(part);
    }
    for (const std::string& line : next.waiting) {
      if (waiting) {
        waiting(line);
      }
    }
    if (next.settled) {
      break;
    }
    // Without an event the wait still ends: it looks again every so often.
    if (!changed->Valid() || WaitForSingleObject(changed->Get(), next.sleepMs) == WAIT_FAILED) {
      Sleep(next.sleepMs < 50 ? next.sleepMs : 50);
    }
  }
  notes = run->TakeNotes();
  return run->Outcome();
}

int RunProbeProcess(ProbePart part, HINSTANCE instance) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndOnCrash);
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  // Started by hand with the argument, there is nobody to answer.
  if (out == nullptr || out == INVALID_HANDLE_VALUE || GetFileType(out) != FILE_TYPE_PIPE) {
    return 1;
  }
  PipeProgress progress(out);
  ProbeHardwarePart(instance, part, progress);
  progress.Write(kWireDone);
  // Everything is said and released: a driver's own clean-up at process exit gets no chance to
  // hang or crash.
  TerminateProcess(GetCurrentProcess(), 0);
  return 0;
}
