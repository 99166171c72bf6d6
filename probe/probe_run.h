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

// How long the launcher waits for answers still missing when "Настройки" is pressed, and
// capsreport for the drivers: one that takes longer hangs, as far as a player is concerned (a real
// one answers in well under a second). What has not answered by then counts as unknown.
constexpr std::uint32_t kProbePatienceMs = 5000;

// "Direct3D 9", "DirectInput 8".
const char* ProbePartName(ProbePart part);

// The private argument that makes a copy of the program probe `part` and nothing else:
// "/zurvo-probe:direct3d" or "/zurvo-probe:directinput". Only the program itself passes it.
std::wstring ProbeArgument(ProbePart part);
// Whether a whole command line (the program's name first, quoted or not, as Windows hands it
// over) is exactly the program followed by one of those arguments; `part` says which.
bool ProbePartFromCommandLine(const std::wstring& commandLine, ProbePart& part);

// One probe as its answers come in from the parts and as each part ends. The readers of the
// parts feed it from their threads; the owner asks whether it has settled, gives up on what is
// late, and takes the outcome and the lines for the log.
class ProbeRun {
public:
  // `onChange`, when given, runs after every change on the thread that made it, outside the
  // lock (to wake a waiting thread).
  explicit ProbeRun(std::function<void()> onChange = nullptr);
  ProbeRun(const ProbeRun&) = delete;
  ProbeRun& operator=(const ProbeRun&) = delete;

  // Feeding side. Bytes the part wrote, as they came.
  void Receive(ProbePart part, const char* data, std::size_t size);
  // The part's process has ended with `exitCode`.
  void Ended(ProbePart part, std::uint32_t exitCode);
  // The part's process could not be started (`error` is the system's error code).
  void CouldNotStart(ProbePart part, std::uint32_t error);

  // Owner side. Every part has answered in full, ended, failed to start or sent something
  // unreadable: nothing more is to come.
  bool Settled() const;
  // Every part has been heard of: it wrote something, ended or could not start.
  bool AllHeardFrom() const;
  // Gives up on every part that has not settled: its missing answers count as unknown from now
  // on and whatever it sends later is ignored. Returns those parts (their processes should end).
  std::vector<ProbePart> GiveUp();
  // The answers that came; those that did not are marked unanswered (MarkUnanswered).
  ProbeOutcome Outcome() const;
  // Lines for the log (each "Hardware probe - ...", no line end) not taken before: a part that
  // crashed, hung, never started or sent something unreadable, and what an answer left out.
  std::vector<std::string> TakeNotes();

private:
  struct Part {
    WireReader reader;
    bool ended = false;
    std::uint32_t exitCode = 0;
    bool couldNotStart = false;
    std::uint32_t startError = 0;
    bool givenUp = false;
    bool endNoted = false;
    bool answersNoted[kProbeAnswerCount] = {};
  };
  static bool PartSettled(ProbePart part, const Part& state);
  void Changed();

  mutable std::mutex mutex_;
  Part parts_[kProbePartCount];
  std::function<void()> onChange_;
};

// Where a probe's answers come from: the launcher and capsreport start the probe processes, tests
// feed answers of their own.
class ProbeSource {
public:
  virtual ~ProbeSource() = default;
  // Starts every part, feeding `run` from now on (from any thread). A part that cannot start is
  // reported to `run` as such.
  virtual void Start(const std::shared_ptr<ProbeRun>& run) = 0;
  // Ends a part given up on, without waiting for it.
  virtual void Stop(ProbePart part) = 0;
};
