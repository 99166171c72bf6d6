#include "probe/probe_wire.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

const char kWireDone[] = "done\n";

namespace {

// Longer than any line a probe writes (the mode list's is about 10 KB).
constexpr std::size_t kMaxLineLength = std::size_t{64} * 1024;
constexpr std::size_t kMaxStepLength = 64;

void Append(std::string& line, unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, " %lu", value);
  line += text;
}

// The numbers after a line's keyword, all of them unsigned decimal 32-bit values.
bool ReadNumbers(const std::string& text, std::vector<std::uint32_t>& numbers) {
  const char* at = text.c_str();
  while (*at != '\0') {
    if (*at != ' ') {
      return false;
    }
    ++at;
    if (*at < '0' || *at > '9') {
      return false;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(at, &end, 10);
    if (errno != 0 || value > 0xFFFFFFFFUL) {
      return false;
    }
    numbers.push_back(static_cast<std::uint32_t>(value));
    at = end;
  }
  return true;
}

bool IsFlag(std::uint32_t value) {
  return value <= 1;
}

bool Known16BitFormat(std::uint32_t format) {
  return format == kFormatNone || format == kFormatX1R5G5B5 || format == kFormatA1R5G5B5 ||
         format == kFormatR5G6B5;
}

bool Known32BitFormat(std::uint32_t format) {
  return format == kFormatNone || format == kFormatA8R8G8B8 || format == kFormatX8R8G8B8;
}

// present f16 f32 fsaa levels driverLevels capsRead shader bloom dxt5. What the hardware lacks
// is what the probe switches off, so the switches follow.
bool ReadGraphics(const std::vector<std::uint32_t>& n, ProbeOutcome& out) {
  if (n.size() != 10 || !IsFlag(n[0]) || !Known16BitFormat(n[1]) || !Known32BitFormat(n[2]) ||
      !IsFlag(n[3]) || n[4] > static_cast<std::uint32_t>(kMaxQualityLevels) || !IsFlag(n[6]) ||
      !IsFlag(n[8]) || !IsFlag(n[9])) {
    return false;
  }
  // Multisampling that works has 1 to kMaxQualityLevels levels; without it, none.
  if ((n[3] == 1) != (n[4] != 0)) {
    return false;
  }
  out.direct3DPresent = n[0] == 1;
  out.format16 = n[1];
  out.format32 = n[2];
  out.caps.fsaaAvailable = n[3] == 1;
  out.caps.aaLevelCount = static_cast<std::int32_t>(n[4]);
  out.driverQualityLevels = n[5];
  out.deviceCapsRead = n[6] == 1;
  out.pixelShaderVersion = n[7];
  out.caps.bloomAvailable = n[8] == 1;
  out.caps.dxt5Available = n[9] == 1;
  out.clearFSAA = !out.caps.fsaaAvailable;
  out.clearBloom = !out.caps.bloomAvailable;
  out.clearDXT5 = !out.caps.dxt5Available;
  out.caps.graphicsKnown = true;
  return true;
}

// outOfRange failed notAsked beyondLimit truncated count (width height bits)*count
bool ReadModes(const std::vector<std::uint32_t>& n, ProbeOutcome& out) {
  if (n.size() < 6 || !IsFlag(n[4]) || n[5] > kMaxListedModes ||
      n.size() != 6 + 3 * static_cast<std::size_t>(n[5])) {
    return false;
  }
  DisplayModeList modes;
  modes.reserve(n[5]);
  for (std::size_t i = 6; i < n.size(); i += 3) {
    const std::uint32_t width = n[i];
    const std::uint32_t height = n[i + 1];
    const std::uint32_t bits = n[i + 2];
    if (width < kMinimumModeWidth || height < kMinimumModeHeight || width > kMaximumModeSide ||
        height > kMaximumModeSide || (bits != 16 && bits != 32)) {
      return false;
    }
    modes.push_back(DisplayMode{height, width, bits});
  }
  out.modeNotes.outOfRange = n[0];
  out.modeNotes.failedQueries = n[1];
  out.modeNotes.indexesNotAsked = n[2];
  out.modeNotes.beyondListLimit = n[3];
  out.modeListTruncated = n[4] == 1;
  out.modes.swap(modes);
  out.modesKnown = true;
  return true;
}

// present available
bool ReadInput(const std::vector<std::uint32_t>& n, ProbeOutcome& out) {
  if (n.size() != 2 || !IsFlag(n[0]) || !IsFlag(n[1]) || (n[1] == 1 && n[0] == 0)) {
    return false;
  }
  out.directInputPresent = n[0] == 1;
  out.caps.joystickAvailable = n[1] == 1;
  out.clearJoystick = !out.caps.joystickAvailable;
  out.caps.joystickKnown = true;
  return true;
}

// Step names go into the log: letters, digits and a few signs only.
bool PlainCall(const std::string& call) {
  if (call.empty() || call.size() > kMaxStepLength) {
    return false;
  }
  for (char c : call) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == ':' || c == '.' || c == '_';
    if (!plain) {
      return false;
    }
  }
  return true;
}

bool StartsWith(const std::string& line, const char* keyword, std::string& rest) {
  const std::string prefix = keyword;
  if (line.compare(0, prefix.size(), prefix) != 0) {
    return false;
  }
  rest = line.substr(prefix.size());
  return true;
}

}  // namespace

std::string WireStep(const char* call) {
  return std::string("step ") + call + "\n";
}

std::string WireAnswer(ProbeAnswer answer, const ProbeOutcome& outcome) {
  std::string line;
  switch (answer) {
    case ProbeAnswer::kGraphics:
      line = "graphics";
      Append(line, outcome.direct3DPresent ? 1 : 0);
      Append(line, outcome.format16);
      Append(line, outcome.format32);
      Append(line, outcome.caps.fsaaAvailable ? 1 : 0);
      Append(line, static_cast<unsigned long>(outcome.caps.aaLevelCount));
      Append(line, outcome.driverQualityLevels);
      Append(line, outcome.deviceCapsRead ? 1 : 0);
      Append(line, outcome.pixelShaderVersion);
      Append(line, outcome.caps.bloomAvailable ? 1 : 0);
      Append(line, outcome.caps.dxt5Available ? 1 : 0);
      break;
    case ProbeAnswer::kModes:
      line = "modes";
      Append(line, outcome.modeNotes.outOfRange);
      Append(line, outcome.modeNotes.failedQueries);
      Append(line, outcome.modeNotes.indexesNotAsked);
      Append(line, outcome.modeNotes.beyondListLimit);
      Append(line, outcome.modeListTruncated ? 1 : 0);
      Append(line, static_cast<unsigned long>(outcome.modes.size()));
      for (const DisplayMode& mode : outcome.modes) {
        Append(line, mode.width);
        Append(line, mode.height);
        Append(line, mode.bitsPerPixel);
      }
      break;
    case ProbeAnswer::kInput:
      line = "input";
      Append(line, outcome.directInputPresent ? 1 : 0);
      Append(line, outcome.caps.joystickAvailable ? 1 : 0);
      break;
  }
  return line + "\n";
}

void WireReader::Feed(const char* data, std::size_t size) {
  if (damaged_) {
    return;
  }
  try {
    for (std::size_t i = 0; i < size && !damaged_; ++i) {
      if (data[i] != '\n') {
        pending_ += data[i];
        damaged_ = pending_.size() > kMaxLineLength;
        continue;
      }
      std::string line;
      line.swap(pending_);
      ReadLine(line);
    }
  } catch (const std::bad_alloc&) {
    damaged_ = true;
  }
}

void WireReader::ReadLine(const std::string& line) {
  std::string rest;
  std::vector<std::uint32_t> numbers;
  if (line == "done") {
    done_ = true;
    return;
  }
  if (StartsWith(line, "step ", rest)) {
    damaged_ = !PlainCall(rest);
    if (!damaged_) {
      step_ = rest;
    }
    return;
  }
  struct Keyword {
    const char* text;
    ProbeAnswer answer;
    bool (*read)(const std::vector<std::uint32_t>&, ProbeOutcome&);
  };
  const Keyword keywords[] = {{"graphics", ProbeAnswer::kGraphics, ReadGraphics},
                              {"modes", ProbeAnswer::kModes, ReadModes},
                              {"input", ProbeAnswer::kInput, ReadInput}};
  for (const Keyword& keyword : keywords) {
    if (StartsWith(line, keyword.text, rest)) {
      bool& has = has_[static_cast<int>(keyword.answer)];
      // Each answer comes once; a second one is not ours.
      damaged_ = has || !ReadNumbers(rest, numbers) || !keyword.read(numbers, answers_);
      has = has || !damaged_;
      return;
    }
  }
  damaged_ = true;
}
