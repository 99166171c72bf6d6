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

ProbeRun::ProbeRun(std::function<void()> onChange) : onChange_(std::move(onChange)) {}

void ProbeRun::Changed() {
  if (onChange_) {
    onChange_();
  }
}

void ProbeRun::Receive(ProbePart part, const char* data, std::size_t size) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Part& state = parts_[static_cast<int>(part)];
    if (state.givenUp || state.ended || state.couldNotStart) {
      return;
    }
    state.reader.Feed(data, size);
  }
  Changed();
}

void ProbeRun::Ended(ProbePart part, std::uint32_t exitCode) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Part& state = parts_[static_cast<int>(part)];
    if (state.givenUp || state.ended) {
      return;
    }
    state.ended = true;
    state.exitCode = exitCode;
  }
  Changed();
}

void ProbeRun::CouldNotStart(ProbePart part, std::uint32_t error) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Part& state = parts_[static_cast<int>(part)];
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

bool ProbeRun::AllHeardFrom() const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const Part& state : parts_) {
    if (state.reader.Step().empty() && !state.reader.Damaged() && !state.ended &&
        !state.couldNotStart) {
      return false;
    }
  }
  return true;
}

std::vector<ProbePart> ProbeRun::GiveUp() {
  std::vector<ProbePart> late;
  std::lock_guard<std::mutex> lock(mutex_);
  for (ProbePart part : {ProbePart::kDirect3D, ProbePart::kDirectInput}) {
    Part& state = parts_[static_cast<int>(part)];
    if (!PartSettled(part, state)) {
      state.givenUp = true;
      late.push_back(part);
    }
  }
  return late;
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

std::vector<std::string> ProbeRun::TakeNotes() {
  std::vector<std::string> notes;
  std::lock_guard<std::mutex> lock(mutex_);
  for (ProbePart part : {ProbePart::kDirect3D, ProbePart::kDirectInput}) {
    Part& state = parts_[static_cast<int>(part)];
    const WireReader& reader = state.reader;
    for (ProbeAnswer answer : kAnswers) {
      bool& noted = state.answersNoted[static_cast<int>(answer)];
      if (PartOf(answer) == part && reader.Has(answer) && !noted) {
        noted = true;
        for (const std::string& line : AnswerNotes(answer, reader.Answers())) {
          notes.push_back("Hardware probe - " + line);
        }
      }
    }
    if (state.endNoted) {
      continue;
    }
    const std::string name = ProbePartName(part);
    const std::string step = reader.Step().empty() ? "its start" : reader.Step();
    const std::string unknowns = Unknowns(part, reader);
    std::string what = "Hardware probe - ";
    if (state.couldNotStart) {
      what += "cannot start the probe of " + name;
      what += " (error " + Number("%lu", state.startError) + ")";
    } else if (reader.Damaged()) {
      what += name + " sent what is not an answer, after ";
      what += step;
    } else if (state.givenUp) {
      what += name + " did not answer in time, still busy in ";
      what += step;
    } else if (state.ended && !reader.Done()) {
      what += name + (state.exitCode == 0 ? " ended in " : " crashed in ");
      what += step;
      what += " (exit code " + Number("0x%08lX", state.exitCode) + ")";
    } else {
      continue;
    }
    what += unknowns;
    notes.push_back(what);
    state.endNoted = true;
  }
  return notes;
}
