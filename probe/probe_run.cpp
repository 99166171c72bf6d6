#include "probe/probe_run.h"

#include <cstdio>
#include <string>
#include <utility>

namespace {

const ProbeAnswer kAnswers[] = {ProbeAnswer::kGraphics, ProbeAnswer::kModes, ProbeAnswer::kInput};

// The part that gives `answer`.
ProbePart PartOf(ProbeAnswer answer) {
  return answer == ProbeAnswer::kInput ? ProbePart::kDirectInput : ProbePart::kDirect3D;
}

const char* AnswerName(ProbeAnswer answer) {
  switch (answer) {
    case ProbeAnswer::kGraphics:
      return "graphics capabilities";
    case ProbeAnswer::kModes:
      return "display modes";
    case ProbeAnswer::kInput:
      return "joystick";
  }
  return "";
}

// "; display modes unknown", "; graphics capabilities and display modes unknown", or, when
// every answer is in, " after it had answered".
std::string Unknowns(ProbePart part, const WireReader& reader) {
  std::string missing;
  for (ProbeAnswer answer : kAnswers) {
    if (PartOf(answer) == part && !reader.Has(answer)) {
      missing += (missing.empty() ? "" : " and ") + std::string(AnswerName(answer));
    }
  }
  return missing.empty() ? " after it had answered" : "; " + missing + " unknown";
}

std::string Number(const char* format, unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// "7.4": tenths of a second, as a player reads a log.
std::string Seconds(std::uint64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%lu.%lu", static_cast<unsigned long>(ms / 1000),
                static_cast<unsigned long>(ms % 1000 / 100));
  return text;
}

const ProbePart kParts[] = {ProbePart::kDirect3D, ProbePart::kDirectInput};

}  // namespace

const char* ProbePartName(ProbePart part) {
  return part == ProbePart::kDirect3D ? "Direct3D 9" : "DirectInput 8";
}

std::wstring ProbeArgument(ProbePart part) {
  return part == ProbePart::kDirect3D ? L"/zurvo-probe:direct3d" : L"/zurvo-probe:directinput";
}

bool ProbePartFromCommandLine(const std::wstring& commandLine, ProbePart& part) {
  // The program's name ends at its closing quote, or at the first blank when unquoted.
  std::size_t at = 0;
  if (!commandLine.empty() && commandLine[0] == L'"') {
    at = commandLine.find(L'"', 1);
    at = at == std::wstring::npos ? commandLine.size() : at + 1;
  } else {
    at = commandLine.find_first_of(L" \t");
    at = at == std::wstring::npos ? commandLine.size() : at;
  }
  const std::size_t first = commandLine.find_first_not_of(L" \t", at);
  if (at == 0 || first == std::wstring::npos || first == at) {
    return false;
  }
  const std::size_t last = commandLine.find_last_not_of(L" \t");
  const std::wstring argument = commandLine.substr(first, last + 1 - first);
  for (ProbePart candidate : {ProbePart::kDirect3D, ProbePart::kDirectInput}) {
    if (argument == ProbeArgument(candidate)) {
      part = candidate;
      return true;
    }
  }
  return false;
}

ProbeRun::ProbeRun(std::function<void()> onChange, ProbeClock clock)
    : onChange_(std::move(onChange)), clock_(std::move(clock)) {
  begunMs_ = clock_();
}

void ProbeRun::Begin() {
  std::lock_guard<std::mutex> lock(mutex_);
  begunMs_ = clock_();
}

void ProbeRun::Changed() {
  if (onChange_) {
    onChange_();
  }
}

void ProbeRun::Heard(Part& state) {
  if (!state.heard) {
    state.heard = true;
    state.heardAtMs = clock_();
  }
}

void ProbeRun::Receive(ProbePart part, const char* data, std::size_t size) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Part& state = parts_[static_cast<int>(part)];
    if (state.ended || state.couldNotStart) {
      return;
    }
    Heard(state);
    state.reader.Feed(data, size);
    for (ProbeAnswer answer : kAnswers) {
      const int index = static_cast<int>(answer);
      if (PartOf(answer) == part && state.reader.Has(answer) && !state.answered[index]) {
        state.answered[index] = true;
        state.answeredAtMs[index] = clock_();
        state.late[index] = state.givenUp;
      }
    }
  }
  Changed();
}

void ProbeRun::Ended(ProbePart part, std::uint32_t exitCode) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Part& state = parts_[static_cast<int>(part)];
    if (state.ended) {
      return;
    }
    Heard(state);
    state.ended = true;
    state.exitCode = exitCode;
  }
  Changed();
}

void ProbeRun::CouldNotStart(ProbePart part, std::uint32_t error) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Part& state = parts_[static_cast<int>(part)];
    Heard(state);
    state.couldNotStart = true;
    state.startError = error;
  }
  Changed();
}

bool ProbeRun::PartSettled(ProbePart part, const Part& state) {
  if (state.ended || state.couldNotStart || state.givenUp || state.reader.Damaged()) {
    return true;
  }
  for (ProbeAnswer answer : kAnswers) {
    if (PartOf(answer) == part && !state.reader.Has(answer)) {
      return false;
    }
  }
  return true;
}

bool ProbeRun::Settled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return PartSettled(ProbePart::kDirect3D, parts_[0]) &&
         PartSettled(ProbePart::kDirectInput, parts_[1]);
}

void ProbeRun::GiveUpPart(ProbePart part, Part& state) {
  state.givenUp = true;
  // Said as it stood then: the answers may still come, and the log tells when.
  const std::string step = state.reader.Step().empty() ? "its start" : state.reader.Step();
  state.givenUpNote = std::string(ProbePartName(part)) + " did not answer in time, still busy in " +
                      step + Unknowns(part, state.reader);
}

std::vector<ProbePart> ProbeRun::GiveUp() {
  std::vector<ProbePart> late;
  std::lock_guard<std::mutex> lock(mutex_);
  for (ProbePart part : kParts) {
    Part& state = parts_[static_cast<int>(part)];
    if (!PartSettled(part, state)) {
      GiveUpPart(part, state);
      late.push_back(part);
    }
  }
  return late;
}

PatientWait ProbeRun::WaitPatiently(std::uint32_t patienceMs, std::uint32_t noticeMs) {
  PatientWait next;
  next.sleepMs = patienceMs;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint64_t now = clock_();
    next.settled = true;
    for (ProbePart part : kParts) {
      Part& state = parts_[static_cast<int>(part)];
      if (PartSettled(part, state)) {
        continue;
      }
      // A part's own start (its process's first words) is what counts: starting a process can
      // take seconds on a busy machine, and that is not the driver's time.
      const std::uint64_t start = state.heard ? state.heardAtMs : begunMs_;
      const std::uint64_t waited = now > start ? now - start : 0;
      if (waited >= patienceMs) {
        GiveUpPart(part, state);
        next.givenUp.push_back(part);
        continue;
      }
      next.settled = false;
      std::uint64_t due = patienceMs - waited;
      if (!state.waitNoticed && waited >= noticeMs) {
        state.waitNoticed = true;
        const std::string& step = state.reader.Step();
        next.waiting.push_back(std::string("Waiting for ") + ProbePartName(part) +
                               (step.empty() ? ", which is starting" : ", busy in " + step) +
                               "...");
      } else if (!state.waitNoticed && noticeMs - waited < due) {
        due = noticeMs - waited;
      }
      if (due < next.sleepMs) {
        next.sleepMs = static_cast<std::uint32_t>(due);
      }
    }
  }
  if (next.settled) {
    next.sleepMs = 0;
  }
  return next;
}

ProbeOutcome ProbeRun::Outcome() const {
  ProbeOutcome outcome;
  std::lock_guard<std::mutex> lock(mutex_);
  for (ProbeAnswer answer : kAnswers) {
    const WireReader& reader = parts_[static_cast<int>(PartOf(answer))].reader;
    if (reader.Has(answer)) {
      CopyAnswer(answer, reader.Answers(), outcome);
    } else {
      MarkUnanswered(answer, outcome);
    }
  }
  return outcome;
}

std::vector<ProbeAnswer> ProbeRun::TakeAnswers(ProbeOutcome& outcome) {
  std::vector<ProbeAnswer> taken;
  std::lock_guard<std::mutex> lock(mutex_);
  for (ProbeAnswer answer : kAnswers) {
    Part& state = parts_[static_cast<int>(PartOf(answer))];
    bool& done = state.taken[static_cast<int>(answer)];
    if (state.reader.Has(answer) && !done) {
      done = true;
      CopyAnswer(answer, state.reader.Answers(), outcome);
      taken.push_back(answer);
    }
  }
  return taken;
}

std::vector<std::string> ProbeRun::TakeNotes() {
  std::vector<std::string> notes;
  std::lock_guard<std::mutex> lock(mutex_);
  for (ProbePart part : kParts) {
    Part& state = parts_[static_cast<int>(part)];
    const WireReader& reader = state.reader;
    const std::string name = ProbePartName(part);
    if (!state.endNoted) {
      const std::string step = reader.Step().empty() ? "its start" : reader.Step();
      std::string what = "Hardware probe - ";
      if (state.couldNotStart) {
        what += "cannot start the probe of " + name;
        what += " (error " + Number("%lu", state.startError) + ")";
        what += Unknowns(part, reader);
      } else if (reader.Damaged()) {
        what += name + " sent what is not an answer, after ";
        what += step;
        what += Unknowns(part, reader);
      } else if (state.givenUp) {
        what += state.givenUpNote;
      } else if (state.ended && !reader.Done()) {
        what += name + (state.exitCode == 0 ? " ended in " : " crashed in ");
        what += step;
        what += " (exit code " + Number("0x%08lX", state.exitCode) + ")";
        what += Unknowns(part, reader);
      } else {
        what.clear();
      }
      if (!what.empty()) {
        notes.push_back(what);
        state.endNoted = true;
      }
    }
    // What came after the give-up, once: which answers, and the last one's time.
    std::string lateAnswers;
    std::uint64_t lastMs = 0;
    for (ProbeAnswer answer : kAnswers) {
      const int index = static_cast<int>(answer);
      if (PartOf(answer) == part && state.late[index] && !state.lateNoted[index]) {
        state.lateNoted[index] = true;
        lateAnswers += (lateAnswers.empty() ? "" : " and ") + std::string(AnswerName(answer));
        const std::uint64_t at = state.answeredAtMs[index];
        lastMs = at > begunMs_ && at - begunMs_ > lastMs ? at - begunMs_ : lastMs;
      }
    }
    if (!lateAnswers.empty()) {
      std::string line = "Hardware probe - " + name + " answered late, ";
      line += Seconds(lastMs);
      line += " s after the probe started: ";
      line += lateAnswers;
      notes.push_back(line);
    }
    for (ProbeAnswer answer : kAnswers) {
      bool& noted = state.answersNoted[static_cast<int>(answer)];
      if (PartOf(answer) == part && reader.Has(answer) && !noted) {
        noted = true;
        for (const std::string& line : AnswerNotes(answer, reader.Answers())) {
          notes.push_back("Hardware probe - " + line);
        }
      }
    }
  }
  return notes;
}
