#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "probe/probe.h"
#include "probe/probe_wire.h"

// The probe's two parts, which run apart (each in a process of its own), so that a driver that
// crashes or hangs costs only the answers of its own part.
enum class ProbePart { kDirect3D, kDirectInput };
constexpr int kProbePartCount = 2;

// How long the launcher waits for answers still missing when "Настройки" is pressed: the window
// must never wait on a hung driver. What has not answered by then counts as unknown for that
// dialog; a part that answers later is used from the next one on.
constexpr std::uint32_t kProbePatienceMs = 5000;

// How long capsreport waits for each part, counted from the part's start: a report for support
// is worth a wait that a window is not, and a slow or busy machine can take many seconds to
// create Direct3D. After kCapsReportNoticeMs it says what it waits for.
constexpr std::uint32_t kCapsReportPatienceMs = 30000;
constexpr std::uint32_t kCapsReportNoticeMs = 3000;

// Milliseconds on a clock that never goes back: the system's tick count in the programs (not
// the C++ library's steady clock, whose 32-bit runtime imports functions the programs do not
// need), one that tests move by hand.
using ProbeClock = std::function<std::uint64_t()>;

// "Direct3D 9", "DirectInput 8".
const char* ProbePartName(ProbePart part);

// The private argument that makes a copy of the program probe `part` and nothing else:
// "/zurvo-probe:direct3d" or "/zurvo-probe:directinput". Only the program itself passes it.
std::wstring ProbeArgument(ProbePart part);
// Whether a whole command line (the program's name first, quoted or not, as Windows hands it
// over) is exactly the program followed by one of those arguments; `part` says which.
bool ProbePartFromCommandLine(const std::wstring& commandLine, ProbePart& part);

// What an owner that waits for each part in turn (capsreport) is to do next.
struct PatientWait {
  // Parts given up on just now, past their patience: their processes may be ended.
  std::vector<ProbePart> givenUp;
  // "Waiting for Direct3D 9, busy in Direct3DCreate9...": once for each part still busy its
  // notice time after its start.
  std::vector<std::string> waiting;
  // Nothing more is to come; otherwise look again after at most `sleepMs` (or at a change).
  bool settled = false;
  std::uint32_t sleepMs = 0;
};

// One probe as its answers come in from the parts and as each part ends. The readers of the
// parts feed it from their threads; the owner asks whether it has settled, gives up waiting for
// what is late, and takes the answers and the lines for the log. A part given up on is no longer
// waited for, but what it answers later is still taken: slow is not hung.
class ProbeRun {
public:
  // `onChange`, when given, runs after every change on the thread that made it, outside the
  // lock (to wake a waiting thread). `clock` tells the time.
  ProbeRun(std::function<void()> onChange, ProbeClock clock);
  ProbeRun(const ProbeRun&) = delete;
  ProbeRun& operator=(const ProbeRun&) = delete;

  // The parts are being started now: patience and the late answers' times count from here (from
  // the run's making until then).
  void Begin();

  // Feeding side. Bytes the part wrote, as they came.
  void Receive(ProbePart part, const char* data, std::size_t size);
  // The part's process has ended with `exitCode`.
  void Ended(ProbePart part, std::uint32_t exitCode);
  // The part's process could not be started (`error` is the system's error code).
  void CouldNotStart(ProbePart part, std::uint32_t error);

  // Owner side. Nothing more is waited for: every part has answered in full, ended, failed to
  // start, sent something unreadable or been given up on.
  bool Settled() const;
  // Gives up waiting for every part that has not settled: its missing answers count as unknown
  // until it sends them, if ever. Returns those parts.
  std::vector<ProbePart> GiveUp();
  // Gives up on each part that has not settled `patienceMs` after its start (its first words, or
  // the run's beginning while it has said nothing), and says what to do next.
  PatientWait WaitPatiently(std::uint32_t patienceMs, std::uint32_t noticeMs);
  // The answers that came; those that did not are marked unanswered (MarkUnanswered).
  ProbeOutcome Outcome() const;
  // Copies into `outcome` every answer that has come and was not taken before, and returns them
  // in the order they are listed in ProbeAnswer. Each answer is taken once, late ones included.
  std::vector<ProbeAnswer> TakeAnswers(ProbeOutcome& outcome);
  // Lines for the log (each "Hardware probe - ...", no line end) not taken before: a part that
  // crashed, hung, never started or sent something unreadable, a part that answered after it
  // was given up on (and how long after the beginning), and what an answer left out.
  std::vector<std::string> TakeNotes();

private:
  struct Part {
    WireReader reader;
    bool ended = false;
    std::uint32_t exitCode = 0;
    bool couldNotStart = false;
    std::uint32_t startError = 0;
    bool heard = false;
    std::uint64_t heardAtMs = 0;
    bool givenUp = false;
    std::string givenUpNote;  // what was known when it was given up on
    bool waitNoticed = false;
    bool endNoted = false;
    bool answered[kProbeAnswerCount] = {};
    std::uint64_t answeredAtMs[kProbeAnswerCount] = {};
    bool late[kProbeAnswerCount] = {};
    bool lateNoted[kProbeAnswerCount] = {};
    bool taken[kProbeAnswerCount] = {};
    bool answersNoted[kProbeAnswerCount] = {};
  };
  static bool PartSettled(ProbePart part, const Part& state);
  void GiveUpPart(ProbePart part, Part& state);
  void Heard(Part& state);
  void Changed();

  mutable std::mutex mutex_;
  Part parts_[kProbePartCount];
  std::function<void()> onChange_;
  ProbeClock clock_;
  std::uint64_t begunMs_ = 0;
};

// Where a probe's answers come from: the launcher and capsreport start the probe processes, tests
// feed answers of their own.
class ProbeSource {
public:
  virtual ~ProbeSource() = default;
  // Starts every part, feeding `run` from now on (from any thread). A part that cannot start is
  // reported to `run` as such.
  virtual void Start(const std::shared_ptr<ProbeRun>& run) = 0;
  // Ends a part given up on, without waiting for it (capsreport, done with its report; the
  // launcher lets late parts run on, since their answers still count).
  virtual void Stop(ProbePart part) = 0;
};
