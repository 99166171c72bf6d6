#pragma once

#include <cstddef>
#include <string>

#include "probe/probe.h"

// What a probe process writes to the launcher through its pipe: one line per event, written the
// moment it happens, so that whatever came before a crash or a hang has already arrived.
//
//   step <call>               about to make <call>
//   graphics <10 numbers>     the graphics answer (ProbeAnswer::kGraphics)
//   modes <5 numbers> <n> <width height bits>...
//                             the display modes and what was left out of them
//   input <2 numbers>         the DirectInput answer
//   done                      the part finished and released its objects
//
// The reading side trusts nothing it is sent: a line it cannot read, or a value no probe of ours
// produces, ends the reading there.

std::string WireStep(const char* call);
std::string WireAnswer(ProbeAnswer answer, const ProbeOutcome& outcome);
extern const char kWireDone[];

// Reads one part's lines as they arrive.
class WireReader {
public:
  // Takes the next bytes as they came; a line is read once its line end is in.
  void Feed(const char* data, std::size_t size);

  bool Has(ProbeAnswer answer) const { return has_[static_cast<int>(answer)]; }
  bool Done() const { return done_; }
  // A line that is none of ours arrived; it and everything after it were ignored.
  bool Damaged() const { return damaged_; }
  // The call named by the last step line, or empty before the first.
  const std::string& Step() const { return step_; }
  // The answers read so far, in the fields CopyAnswer names.
  const ProbeOutcome& Answers() const { return answers_; }

private:
  void ReadLine(const std::string& line);

  std::string pending_;
  bool has_[kProbeAnswerCount] = {};
  bool done_ = false;
  bool damaged_ = false;
  std::string step_;
  ProbeOutcome answers_;
};
