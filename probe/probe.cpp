#include "probe/probe.h"

#include <cstddef>
#include <cstdint>
#include <new>

namespace {

const std::uint32_t kCandidates16[] = {kFormatX1R5G5B5, kFormatA1R5G5B5, kFormatR5G6B5};
const std::uint32_t kCandidates32[] = {kFormatA8R8G8B8, kFormatX8R8G8B8};

constexpr std::uint32_t kMinimumWidth = 800;
constexpr std::uint32_t kMinimumHeight = 600;

template <std::size_t N>
std::uint32_t FirstAcceptedFormat(HardwareQueries& hardware, const std::uint32_t (&candidates)[N]) {
  for (std::uint32_t format : candidates) {
    if (hardware.CheckDeviceType(format)) {
      return format;
    }
  }
  return kFormatNone;
}

// Without F16 the antialiasing and DXT5 checks have no surface format to ask about; the game
// renders them on a 16-bit surface, so they count as unavailable rather than being guessed.
void ProbeAntialiasing(HardwareQueries& hardware, ProbeOutcome& outcome) {
  std::uint32_t qualityLevels = 0;
  if (outcome.format16 != kFormatNone &&
      hardware.CheckMultiSample(outcome.format16, qualityLevels)) {
    outcome.caps.fsaaAvailable = true;
    outcome.driverQualityLevels = qualityLevels;
    constexpr auto kBound = static_cast<std::uint32_t>(kMaxQualityLevels);
    outcome.caps.aaLevelCount =
        static_cast<std::int32_t>(qualityLevels > kBound ? kBound : qualityLevels);
  } else {
    outcome.caps.fsaaAvailable = false;
    outcome.clearFSAA = true;
  }
}

void ProbeBloom(HardwareQueries& hardware, ProbeOutcome& outcome) {
  std::uint32_t version = 0;
  outcome.deviceCapsRead = hardware.GetPixelShaderVersion(version);
  outcome.pixelShaderVersion = outcome.deviceCapsRead ? version : 0;
  // Versions are 0xFFFF0000 | major << 8 | minor, so an unsigned compare orders them.
  outcome.caps.bloomAvailable = outcome.deviceCapsRead && version >= kPixelShader20;
  outcome.clearBloom = !outcome.caps.bloomAvailable;
}

void ProbeDxt5(HardwareQueries& hardware, ProbeOutcome& outcome) {
  outcome.caps.dxt5Available =
      outcome.format16 != kFormatNone && hardware.CheckDxt5Texture(outcome.format16);
  outcome.clearDXT5 = !outcome.caps.dxt5Available;
}

// Stops at the first controller that opens: one working controller is all the game needs.
class FirstControllerThatOpens : public GameControllerVisitor {
public:
  bool Visit(GameController& controller) override {
    if (controller.TryOpen()) {
      opened_ = true;
      return false;
    }
    return true;
  }
  bool opened() const { return opened_; }

private:
  bool opened_ = false;
};

void ProbeJoystick(HardwareQueries& hardware, ProbeOutcome& outcome) {
  outcome.directInputPresent = hardware.HasDirectInput();
  bool available = false;
  if (outcome.directInputPresent) {
    FirstControllerThatOpens visitor;
    available = hardware.EnumGameControllers(visitor) && visitor.opened();
  }
  outcome.caps.joystickAvailable = available;
  outcome.clearJoystick = !available;
}

// Appends the usable modes of `format`. Adapters report each size once per refresh rate, one
// after another; comparing with the last entry only is enough to fold those together.
// Returns false when memory ran out; the list then keeps what it had.
bool ListModes(HardwareQueries& hardware, std::uint32_t format, std::uint32_t bitsPerPixel,
               DisplayModeList& modes) {
  const std::uint32_t count = hardware.GetAdapterModeCount(format);
  for (std::uint32_t index = 0; index < count; ++index) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (!hardware.EnumAdapterMode(format, index, width, height)) {
      continue;
    }
    if (width < kMinimumWidth || height < kMinimumHeight) {
      continue;
    }
    const DisplayMode mode{height, width, bitsPerPixel};
    if (!modes.empty() && modes.back() == mode) {
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

}  // namespace

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

ProbeOutcome RunProbe(HardwareQueries& hardware) {
  ProbeOutcome outcome;
  outcome.direct3DPresent = hardware.HasDirect3D();
  if (outcome.direct3DPresent) {
    outcome.format16 = FirstAcceptedFormat(hardware, kCandidates16);
    outcome.format32 = FirstAcceptedFormat(hardware, kCandidates32);
    ProbeAntialiasing(hardware, outcome);
    ProbeBloom(hardware, outcome);
    ProbeDxt5(hardware, outcome);
  } else {
    // Nothing to ask: whatever needs Direct3D is off, and aaLevelCount keeps its 0.
    outcome.caps.fsaaAvailable = false;
    outcome.caps.bloomAvailable = false;
    outcome.caps.dxt5Available = false;
    outcome.clearFSAA = outcome.clearBloom = outcome.clearDXT5 = true;
  }

  ProbeJoystick(hardware, outcome);

  // A missing 32-bit format skips the 32-bit pass: relabelling the 16-bit modes as 32-bit
  // would offer the game modes the adapter cannot show.
  if (outcome.format16 != kFormatNone) {
    outcome.modeListTruncated = !ListModes(hardware, outcome.format16, 16, outcome.modes);
  }
  if (outcome.format32 != kFormatNone && !outcome.modeListTruncated) {
    outcome.modeListTruncated = !ListModes(hardware, outcome.format32, 32, outcome.modes);
  }
  return outcome;
}

void ApplyProbeOutcome(const ProbeOutcome& outcome, Settings& settings, Capabilities& caps,
                       DisplayModeList& modes) {
  caps = outcome.caps;
  try {
    modes = outcome.modes;
  } catch (const std::bad_alloc&) {
    modes.clear();
  }
  ApplyProbeSwitches(outcome, settings);
}

void ApplyProbeSwitches(const ProbeOutcome& outcome, Settings& settings) {
  if (outcome.clearFSAA) {
    settings.FSAA = false;
  }
  if (outcome.clearBloom) {
    settings.Bloom = false;
  }
  if (outcome.clearDXT5) {
    settings.DXT5 = false;
  }
  if (outcome.clearJoystick) {
    settings.Joystick = 0;
  }
}
