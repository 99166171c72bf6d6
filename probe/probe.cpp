#include "probe/probe.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <new>

namespace {

const std::uint32_t kCandidates16[] = {kFormatX1R5G5B5, kFormatA1R5G5B5, kFormatR5G6B5};
const std::uint32_t kCandidates32[] = {kFormatA8R8G8B8, kFormatX8R8G8B8};

template <std::size_t N>
std::uint32_t FirstAcceptedFormat(HardwareQueries& hardware, const std::uint32_t (&candidates)[N],
                                  ProbeProgress& progress) {
  for (std::uint32_t format : candidates) {
    progress.Asking("CheckDeviceType");
    if (hardware.CheckDeviceType(format)) {
      return format;
    }
  }
  return kFormatNone;
}

// Without F16 the antialiasing and DXT5 checks have no surface format to ask about; the game
// renders them on a 16-bit surface, so they count as unavailable rather than being guessed.
void ProbeAntialiasing(HardwareQueries& hardware, ProbeOutcome& outcome, ProbeProgress& progress) {
  std::uint32_t qualityLevels = 0;
  progress.Asking("CheckDeviceMultiSampleType");
  if (outcome.format16 != kFormatNone &&
      hardware.CheckMultiSample(outcome.format16, qualityLevels)) {
    outcome.caps.fsaaAvailable = true;
    outcome.driverQualityLevels = qualityLevels;
    constexpr auto kBound = static_cast<std::uint32_t>(kMaxQualityLevels);
    // Multisampling that works has at least one quality level, whatever the count said.
    const std::uint32_t usable = qualityLevels == 0 ? 1 : qualityLevels;
    outcome.caps.aaLevelCount = static_cast<std::int32_t>(usable > kBound ? kBound : usable);
  } else {
    outcome.caps.fsaaAvailable = false;
    outcome.clearFSAA = true;
  }
}

void ProbeBloom(HardwareQueries& hardware, ProbeOutcome& outcome, ProbeProgress& progress) {
  std::uint32_t version = 0;
  progress.Asking("GetDeviceCaps");
  outcome.deviceCapsRead = hardware.GetPixelShaderVersion(version);
  outcome.pixelShaderVersion = outcome.deviceCapsRead ? version : 0;
  // Versions are 0xFFFF0000 | major << 8 | minor, so an unsigned compare orders them.
  outcome.caps.bloomAvailable = outcome.deviceCapsRead && version >= kPixelShader20;
  outcome.clearBloom = !outcome.caps.bloomAvailable;
}

void ProbeDxt5(HardwareQueries& hardware, ProbeOutcome& outcome, ProbeProgress& progress) {
  progress.Asking("CheckDeviceFormat");
  outcome.caps.dxt5Available =
      outcome.format16 != kFormatNone && hardware.CheckDxt5Texture(outcome.format16);
  outcome.clearDXT5 = !outcome.caps.dxt5Available;
}

// Stops at the first controller that opens: one working controller is all the game needs.
class FirstControllerThatOpens : public GameControllerVisitor {
public:
  explicit FirstControllerThatOpens(ProbeProgress& progress) : progress_(progress) {}
  bool Visit(GameController& controller) override {
    progress_.Asking("IDirectInput8::CreateDevice");
    if (controller.TryOpen()) {
      opened_ = true;
      return false;
    }
    progress_.Asking("IDirectInput8::EnumDevices");
    return true;
  }
  bool opened() const { return opened_; }

private:
  ProbeProgress& progress_;
  bool opened_ = false;
};

std::uint32_t SaturatingAdd(std::uint32_t a, std::uint32_t b) {
  return a > 0xFFFFFFFFU - b ? 0xFFFFFFFFU : a + b;
}

// Appends the usable modes of `format`. Adapters report each size once per refresh rate, one
// after another; comparing with the mode before is enough to fold those together. Whatever a
// driver reports, at most kMaxModeIndexes are asked and half of kMaxListedModes listed, and what
// was left out is counted. Returns false when memory ran out; the list then keeps what it had.
bool ListModes(HardwareQueries& hardware, std::uint32_t format, std::uint32_t bitsPerPixel,
               ProbeOutcome& outcome, ProbeProgress& progress) {
  ModeListNotes& notes = outcome.modeNotes;
  DisplayModeList& modes = outcome.modes;
  progress.Asking("GetAdapterModeCount");
  const std::uint32_t reported = hardware.GetAdapterModeCount(format);
  const std::uint32_t count = reported > kMaxModeIndexes ? kMaxModeIndexes : reported;
  notes.indexesNotAsked = SaturatingAdd(notes.indexesNotAsked, reported - count);
  progress.Asking("EnumAdapterModes");
  // Each format gets half the list, so that a driver with thousands of 16-bit sizes still leaves
  // room for the 32-bit ones.
  const std::size_t limit = modes.size() + kMaxListedModes / 2;
  bool havePrevious = false;
  DisplayMode previous{0, 0, 0};
  for (std::uint32_t index = 0; index < count; ++index) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (!hardware.EnumAdapterMode(format, index, width, height)) {
      ++notes.failedQueries;
      continue;
    }
    // Small modes are the usual ones the game does not offer; a side past the maximum is a
    // driver's nonsense, counted for the log.
    if (width < kMinimumModeWidth || height < kMinimumModeHeight) {
      continue;
    }
    if (width > kMaximumModeSide || height > kMaximumModeSide) {
      ++notes.outOfRange;
      continue;
    }
    const DisplayMode mode{height, width, bitsPerPixel};
    if (havePrevious && previous == mode) {
      continue;
    }
    havePrevious = true;
    previous = mode;
    if (modes.size() >= limit) {
      ++notes.beyondListLimit;
      continue;
    }
    try {
      modes.push_back(mode);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  return true;
}

std::string Printed(const char* format, unsigned long a, unsigned long b = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// The capabilities that `answer` decides, from `from` into `to`.
void CopyCaps(ProbeAnswer answer, const Capabilities& from, Capabilities& to) {
  if (answer == ProbeAnswer::kGraphics) {
    to.bloomAvailable = from.bloomAvailable;
    to.fsaaAvailable = from.fsaaAvailable;
    to.dxt5Available = from.dxt5Available;
    to.aaLevelCount = from.aaLevelCount;
    to.graphicsKnown = from.graphicsKnown;
  } else if (answer == ProbeAnswer::kInput) {
    to.joystickAvailable = from.joystickAvailable;
    to.joystickKnown = from.joystickKnown;
  }
}

}  // namespace

bool operator==(const ModeListNotes& a, const ModeListNotes& b) {
  return a.outOfRange == b.outOfRange && a.failedQueries == b.failedQueries &&
         a.indexesNotAsked == b.indexesNotAsked && a.beyondListLimit == b.beyondListLimit;
}

const char* PixelFormatName(std::uint32_t format) {
  switch (format) {
    case kFormatNone:
      return "none";
    case kFormatR5G6B5:
      return "R5G6B5";
    case kFormatX1R5G5B5:
      return "X1R5G5B5";
    case kFormatA1R5G5B5:
      return "A1R5G5B5";
    case kFormatA8R8G8B8:
      return "A8R8G8B8";
    case kFormatX8R8G8B8:
      return "X8R8G8B8";
    default:
      return "unknown";
  }
}

void ProbeDirect3D(HardwareQueries& hardware, ProbeOutcome& outcome, ProbeProgress& progress) {
  progress.Asking("Direct3DCreate9");
  outcome.direct3DPresent = hardware.HasDirect3D();
  if (outcome.direct3DPresent) {
    outcome.format16 = FirstAcceptedFormat(hardware, kCandidates16, progress);
    outcome.format32 = FirstAcceptedFormat(hardware, kCandidates32, progress);
    ProbeAntialiasing(hardware, outcome, progress);
    ProbeBloom(hardware, outcome, progress);
    ProbeDxt5(hardware, outcome, progress);
  } else {
    // Nothing to ask: whatever needs Direct3D is off, and aaLevelCount keeps its 0.
    outcome.caps.fsaaAvailable = outcome.caps.bloomAvailable = outcome.caps.dxt5Available = false;
    outcome.clearFSAA = outcome.clearBloom = outcome.clearDXT5 = true;
  }
  progress.Answered(ProbeAnswer::kGraphics, outcome);

  // A missing 32-bit format skips the 32-bit pass: relabelling the 16-bit modes as 32-bit
  // would offer the game modes the adapter cannot show.
  if (outcome.format16 != kFormatNone) {
    outcome.modeListTruncated = !ListModes(hardware, outcome.format16, 16, outcome, progress);
  }
  if (outcome.format32 != kFormatNone && !outcome.modeListTruncated) {
    outcome.modeListTruncated = !ListModes(hardware, outcome.format32, 32, outcome, progress);
  }
  progress.Answered(ProbeAnswer::kModes, outcome);
}

void ProbeDirectInput(HardwareQueries& hardware, ProbeOutcome& outcome, ProbeProgress& progress) {
  progress.Asking("DirectInput8Create");
  outcome.directInputPresent = hardware.HasDirectInput();
  bool available = false;
  if (outcome.directInputPresent) {
    FirstControllerThatOpens visitor(progress);
    progress.Asking("IDirectInput8::EnumDevices");
    available = hardware.EnumGameControllers(visitor) && visitor.opened();
  }
  outcome.caps.joystickAvailable = available;
  outcome.clearJoystick = !available;
  progress.Answered(ProbeAnswer::kInput, outcome);
}

ProbeOutcome RunProbe(HardwareQueries& hardware) {
  class Silent : public ProbeProgress {
  public:
    void Asking(const char*) override {}
    void Answered(ProbeAnswer, const ProbeOutcome&) override {}
  } silent;
  ProbeOutcome outcome;
  ProbeDirect3D(hardware, outcome, silent);
  ProbeDirectInput(hardware, outcome, silent);
  return outcome;
}

void CopyAnswer(ProbeAnswer answer, const ProbeOutcome& from, ProbeOutcome& to) {
  CopyCaps(answer, from.caps, to.caps);
  switch (answer) {
    case ProbeAnswer::kGraphics:
      to.clearFSAA = from.clearFSAA;
      to.clearBloom = from.clearBloom;
      to.clearDXT5 = from.clearDXT5;
      to.direct3DPresent = from.direct3DPresent;
      to.format16 = from.format16;
      to.format32 = from.format32;
      to.driverQualityLevels = from.driverQualityLevels;
      to.deviceCapsRead = from.deviceCapsRead;
      to.pixelShaderVersion = from.pixelShaderVersion;
      break;
    case ProbeAnswer::kModes:
      to.modes = from.modes;
      to.modesKnown = from.modesKnown;
      to.modeNotes = from.modeNotes;
      to.modeListTruncated = from.modeListTruncated;
      break;
    case ProbeAnswer::kInput:
      to.clearJoystick = from.clearJoystick;
      to.directInputPresent = from.directInputPresent;
      break;
  }
}

void MarkUnanswered(ProbeAnswer answer, ProbeOutcome& outcome) {
  // A fresh outcome has nothing present, no format and no mode, and clears nothing.
  ProbeOutcome unanswered;
  Capabilities& caps = unanswered.caps;
  caps.bloomAvailable = caps.fsaaAvailable = caps.dxt5Available = caps.joystickAvailable = false;
  caps.graphicsKnown = caps.joystickKnown = unanswered.modesKnown = false;
  CopyAnswer(answer, unanswered, outcome);
}

std::vector<std::string> AnswerNotes(ProbeAnswer answer, const ProbeOutcome& outcome) {
  std::vector<std::string> notes;
  if (answer == ProbeAnswer::kGraphics && outcome.caps.fsaaAvailable &&
      static_cast<std::uint32_t>(outcome.caps.aaLevelCount) != outcome.driverQualityLevels) {
    notes.push_back(Printed("the driver reports %lu antialiasing quality levels; %lu used",
                            outcome.driverQualityLevels,
                            static_cast<unsigned long>(outcome.caps.aaLevelCount)));
  }
  if (answer == ProbeAnswer::kModes) {
    const ModeListNotes& modes = outcome.modeNotes;
    const struct {
      std::uint32_t count;
      const char* format;  // the count, then `extra`
      unsigned long extra;
    } dropped[] = {
        {modes.outOfRange, "%lu display modes larger than 16384x16384 dropped", 0},
        {modes.failedQueries, "%lu display mode queries failed; the list keeps the modes read", 0},
        {modes.indexesNotAsked, "%lu display modes beyond the first %lu of a format not asked",
         kMaxModeIndexes},
        {modes.beyondListLimit,
         "%lu display modes left off the list, which holds %lu of each format",
         kMaxListedModes / 2},
    };
    for (const auto& kind : dropped) {
      if (kind.count != 0) {
        notes.push_back(Printed(kind.format, kind.count, kind.extra));
      }
    }
    if (outcome.modeListTruncated) {
      notes.push_back("display mode list cut short: out of memory");
    }
  }
  return notes;
}

namespace {

const ProbeAnswer kEveryAnswer[] = {ProbeAnswer::kGraphics, ProbeAnswer::kModes,
                                    ProbeAnswer::kInput};

// The settings that `answer` says the hardware cannot honour, switched off.
void SwitchOff(ProbeAnswer answer, const ProbeOutcome& outcome, Settings& settings) {
  if (answer == ProbeAnswer::kGraphics) {
    settings.FSAA = settings.FSAA && !outcome.clearFSAA;
    settings.Bloom = settings.Bloom && !outcome.clearBloom;
    settings.DXT5 = settings.DXT5 && !outcome.clearDXT5;
  } else if (answer == ProbeAnswer::kInput && outcome.clearJoystick) {
    settings.Joystick = 0;
  }
}

}  // namespace

void ApplyProbeOutcome(const ProbeOutcome& outcome, Settings& settings, Capabilities& caps,
                       DisplayModeList& modes) {
  for (ProbeAnswer answer : kEveryAnswer) {
    ApplyProbeAnswer(answer, outcome, settings, caps, modes);
  }
}

void ApplyProbeAnswer(ProbeAnswer answer, const ProbeOutcome& outcome, Settings& settings,
                      Capabilities& caps, DisplayModeList& modes) {
  CopyCaps(answer, outcome.caps, caps);
  if (answer == ProbeAnswer::kModes) {
    try {
      modes = outcome.modes;
    } catch (const std::bad_alloc&) {
      modes.clear();
    }
  }
  SwitchOff(answer, outcome, settings);
}

void ApplyProbeSwitches(const ProbeOutcome& outcome, Settings& settings) {
  for (ProbeAnswer answer : kEveryAnswer) {
    SwitchOff(answer, outcome, settings);
  }
}
