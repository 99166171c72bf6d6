#include "probe/caps_report.h"

#include <cstdio>

namespace {

const char* YesNo(bool value) {
  return value ? "yes" : "no";
}

const char* Presence(bool known, bool value) {
  return !known ? "unknown" : value ? "present" : "missing";
}

void WritePixelShader(const ProbeOutcome& outcome, std::FILE* out) {
  if (!outcome.caps.graphicsKnown) {
    std::fprintf(out, "Pixel shader: unknown (no answer)\n");
  } else if (!outcome.direct3DPresent) {
    std::fprintf(out, "Pixel shader: unknown (no Direct3D)\n");
  } else if (!outcome.deviceCapsRead) {
    std::fprintf(out, "Pixel shader: unknown (capability query failed)\n");
  } else {
    const unsigned version = outcome.pixelShaderVersion;
    std::fprintf(out, "Pixel shader: %u.%u (0x%08X)\n", (version >> 8) & 0xFFU, version & 0xFFU,
                 version);
  }
}

void WriteFormat(const char* label, std::uint32_t format, std::FILE* out) {
  std::fprintf(out, "%s: %s (%u)\n", label, PixelFormatName(format), static_cast<unsigned>(format));
}

void WriteClearedSettings(const ProbeOutcome& outcome, std::FILE* out) {
  std::fprintf(out, "Settings switched off:");
  const struct {
    bool cleared;
    const char* name;
  } settings[] = {{outcome.clearFSAA, "FSAA"},
                  {outcome.clearBloom, "Bloom"},
                  {outcome.clearDXT5, "DXT5"},
                  {outcome.clearJoystick, "Joystick"}};
  bool any = false;
  for (const auto& setting : settings) {
    if (setting.cleared) {
      std::fprintf(out, " %s", setting.name);
      any = true;
    }
  }
  std::fputs(any ? "\n" : " none\n", out);
}

}  // namespace

bool WriteCapsReport(const ProbeOutcome& outcome, const std::vector<std::string>& notes,
                     std::FILE* out) {
  const Capabilities& caps = outcome.caps;
  std::fprintf(out, "Direct3D 9: %s\n", Presence(caps.graphicsKnown, outcome.direct3DPresent));
  WriteFormat("16-bit format", outcome.format16, out);
  WriteFormat("32-bit format", outcome.format32, out);
  WritePixelShader(outcome, out);
  std::fprintf(out, "fsaaAvailable: %s\n", YesNo(caps.fsaaAvailable));
  std::fprintf(out, "aaLevelCount: %d", static_cast<int>(caps.aaLevelCount));
  if (caps.fsaaAvailable &&
      outcome.driverQualityLevels != static_cast<std::uint32_t>(caps.aaLevelCount)) {
    std::fprintf(out, " (the driver reports %lu)",
                 static_cast<unsigned long>(outcome.driverQualityLevels));
  }
  std::fputc('\n', out);
  std::fprintf(out, "bloomAvailable: %s\n", YesNo(caps.bloomAvailable));
  std::fprintf(out, "dxt5Available: %s\n", YesNo(caps.dxt5Available));
  std::fprintf(out, "DirectInput 8: %s\n",
               Presence(caps.joystickKnown, outcome.directInputPresent));
  std::fprintf(out, "joystickAvailable: %s\n", YesNo(caps.joystickAvailable));
  WriteClearedSettings(outcome, out);
  if (outcome.modesKnown) {
    std::fprintf(out, "Display modes: %u\n", static_cast<unsigned>(outcome.modes.size()));
  } else {
    std::fprintf(out, "Display modes: unknown\n");
  }
  for (const DisplayMode& mode : outcome.modes) {
    std::fprintf(out, "%ux%ux%u\n", static_cast<unsigned>(mode.width),
                 static_cast<unsigned>(mode.height), static_cast<unsigned>(mode.bitsPerPixel));
  }
  for (const std::string& note : notes) {
    std::fprintf(out, "%s\n", note.c_str());
  }
  return std::fflush(out) == 0 && std::ferror(out) == 0;
}

bool WaitsForEnter(const ReportConsole& console) {
  return console.outputIsConsole && console.processesOnConsole == 1 && console.windowPresent &&
         console.windowVisible && !console.startedHidden;
}
