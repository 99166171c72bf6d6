#include "probe/probe_process_win.h"

#include <string>
#include <utility>
#include <vector>

#include "engine/detached_thread.h"
#include "engine/tick_count.h"
#include "probe/probe_lifetime.h"
#include "probe/probe_win.h"
#include "probe/probe_wire.h"

namespace {

// A probe process's pipe holds its few kilobytes of answers even while nobody reads.
constexpr DWORD kPipeBufferBytes = 64 * 1024;
// How a probe process ends when the program that started it is gone; nobody reads it.
constexpr UINT kProgramEndedExitCode = 1;

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

UniqueKernelHandle KillOnCloseJob(DWORD& error) {
  UniqueKernelHandle job(CreateJobObjectW(nullptr, nullptr));
  if (!job.Valid()) {
    error = GetLastError();
    return job;
  }
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                               sizeof limits)) {
    error = GetLastError();
    job.Reset();
  }
  return job;
}

// The job this program runs in, if any. A program without a manifest often does on Vista and 7:
// the Program Compatibility Assistant, "Run as", the Task Scheduler and other launchers put it
// in one, and a job there takes no job inside it unless it lets its children leave.
ProgramJob ThisProgramsJob() {
  ProgramJob facts;
  BOOL inJob = FALSE;
  if (!IsProcessInJob(GetCurrentProcess(), nullptr, &inJob) || !inJob) {
    return facts;
  }
  facts.inJob = true;
  JOBOBJECT_BASIC_LIMIT_INFORMATION limits = {};
  if (QueryInformationJobObject(nullptr, JobObjectBasicLimitInformation, &limits, sizeof limits,
                                nullptr)) {
    facts.limitsKnown = true;
    facts.breakawayAllowed = (limits.LimitFlags & JOB_OBJECT_LIMIT_BREAKAWAY_OK) != 0;
    facts.silentBreakaway = (limits.LimitFlags & JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK) != 0;
  }
  return facts;
}

// Puts a probe process in our job; the system's error when it would not go.
DWORD JoinProbeJob(HANDLE job, HANDLE process) {
  char refuse[4] = {};
  const DWORD length = GetEnvironmentVariableA(kRefuseProbeJobVariable, refuse, sizeof refuse);
  if (length > 0 && length < sizeof refuse && ProbeJobRefusedForTest(refuse)) {
    return ERROR_ACCESS_DENIED;
  }
  return AssignProcessToJobObject(job, process) ? 0 : GetLastError();
}

// A handle to this program that its probe processes inherit and watch: it can only be waited on.
UniqueKernelHandle InheritableHandleToSelf() {
  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                       SYNCHRONIZE, TRUE, 0)) {
    return UniqueKernelHandle();
  }
  return UniqueKernelHandle(self);
}

// In a probe process: ends it the moment the program that started it has ended, whether it
// closed, crashed or was killed. False when `parent` is no handle to wait on, or the program
// has ended already.
bool WatchProgram(std::uintptr_t parent) {
  // The handle's value came on the command line; handles are numbers handed over as such.
  const auto program = reinterpret_cast<HANDLE>(parent);
  if (WaitForSingleObject(program, 0) != WAIT_TIMEOUT) {
    return false;
  }
  return StartDetachedThread([program] {
    // A wait that fails can no longer tell: ending then errs on the safe side.
    WaitForSingleObject(program, INFINITE);
    TerminateProcess(GetCurrentProcess(), kProgramEndedExitCode);
  });
}

// Starts one part's process with the write end of a new pipe as its standard output, and the
// thread that reads the other end. Reports a failure to `run`.
// Sets `joinError` when the process could not be put in `job`.
std::shared_ptr<UniqueKernelHandle> StartPart(const std::shared_ptr<ProbeRun>& run, ProbePart part,
                                              const std::wstring& program, HANDLE job,
                                              DWORD startFlags, HANDLE self, DWORD& joinError) {
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

  std::wstring commandLine = L"\"" + program + L"\" " + ProbeArgument(part) +
                             ParentArgument(reinterpret_cast<std::uintptr_t>(self));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = childEnd.Get();
  PROCESS_INFORMATION started = {};
  // Suspended until it is in the job, so that it cannot outlive the program even in its first
  // moments.
  if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                      CREATE_SUSPENDED | CREATE_NO_WINDOW | startFlags, nullptr, nullptr, &startup,
                      &started)) {
    run->CouldNotStart(part, GetLastError());
    return nullptr;
  }
  auto process = std::make_shared<UniqueKernelHandle>(started.hProcess);
  const UniqueKernelHandle thread(started.hThread);
  childEnd.Reset();  // the pipe now breaks when the child's copy closes
  if (job != nullptr) {
    // Fails where the program runs in a job that allows no nesting (Windows 7 and older): the
    // process's watch on the program ends it then.
    joinError = JoinProbeJob(job, process->Get());
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

ProbeProcesses::ProbeProcesses(std::wstring program, std::function<void(const std::string&)> note)
    : program_(std::move(program)), note_(std::move(note)), programJob_(ThisProgramsJob()) {
  DWORD error = 0;
  job_ = KillOnCloseJob(error);
  if (!job_.Valid()) {
    Note(ProbeJobNote(programJob_, "made", error));
  }
  if (BreakAwayFromProgramJob(programJob_)) {
    startFlags_ = CREATE_BREAKAWAY_FROM_JOB;
  }
}

void ProbeProcesses::Note(const std::string& line) {
  if (!noted_ && note_) {
    note_(line);
  }
  noted_ = true;
}

ProbeProcesses::~ProbeProcesses() {
  for (const std::shared_ptr<UniqueKernelHandle>& process : processes_) {
    EndIfRunning(process);
  }
}

void ProbeProcesses::Start(const std::shared_ptr<ProbeRun>& run) {
  // Inherited by the processes started here, and closed again once they are.
  const UniqueKernelHandle self = InheritableHandleToSelf();
  for (ProbePart part : {ProbePart::kDirect3D, ProbePart::kDirectInput}) {
    DWORD joinError = 0;
    processes_[static_cast<int>(part)] =
        StartPart(run, part, program_, job_.Get(), startFlags_, self.Get(), joinError);
    if (joinError != 0) {
      Note(ProbeJobNote(programJob_, "joined", joinError));
    }
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
  std::vector<std::string> jobNotes;
  ProbeProcesses processes(program,
                           [&jobNotes](const std::string& line) { jobNotes.push_back(line); });
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
  notes.insert(notes.end(), jobNotes.begin(), jobNotes.end());
  return run->Outcome();
}

int RunProbeProcess(ProbePart part, std::uintptr_t program, HINSTANCE instance) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndOnCrash);
  // Before any driver is asked: one that hangs must not keep this process past the program.
  if (!WatchProgram(program)) {
    return static_cast<int>(kProgramEndedExitCode);
  }
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
