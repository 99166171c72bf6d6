#include "tests/probe/probe_checks.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace {

std::string ModeText(const DisplayMode& mode) {
  std::ostringstream text;
  text << mode.width << "x" << mode.height << "x" << mode.bitsPerPixel;
  return text.str();
}

bool Is16BitCandidate(std::uint32_t format) {
  return format == kFormatX1R5G5B5 || format == kFormatA1R5G5B5 || format == kFormatR5G6B5;
}

bool Is32BitCandidate(std::uint32_t format) {
  return format == kFormatA8R8G8B8 || format == kFormatX8R8G8B8;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    lines.push_back(line);
  }
  return lines;
}

// "key: value" with the expected key, or false.
bool Field(const std::vector<std::string>& lines, std::size_t index, const std::string& key,
           std::string& value, std::string& error) {
  const std::string prefix = key + ": ";
  if (index >= lines.size() || lines[index].compare(0, prefix.size(), prefix) != 0) {
    error = "line " + std::to_string(index + 1) + " should start with \"" + prefix + "\", is \"" +
            (index < lines.size() ? lines[index] : std::string("<end>")) + "\"";
    return false;
  }
  value = lines[index].substr(prefix.size());
  return true;
}

bool Choice(const std::string& value, const char* yes, const char* no, bool& result,
            std::string& error) {
  if (value == yes || value == no) {
    result = value == yes;
    return true;
  }
  error = "\"" + value + "\" is neither \"" + yes + "\" nor \"" + no + "\"";
  return false;
}

// "N", or "N (the driver reports D)" when the driver's count was not taken as it came.
bool QualityLevels(const std::string& value, ProbeOutcome& outcome, std::string& error) {
  int count = 0;
  char extra = 0;
  unsigned long driver = 0;
  if (std::sscanf(value.c_str(), "%d%c", &count, &extra) == 1) {
    driver = outcome.caps.fsaaAvailable ? static_cast<unsigned long>(count) : 0;
  } else if (std::sscanf(value.c_str(), "%d (the driver reports %lu)%c", &count, &driver, &extra) !=
                 2 ||
             driver == static_cast<unsigned long>(count)) {
    error = "malformed count \"" + value + "\"";
    return false;
  }
  outcome.caps.aaLevelCount = count;
  outcome.driverQualityLevels = static_cast<std::uint32_t>(driver);
  return true;
}

// "NAME (CODE)": the name must be the one the probe gives that code.
bool Format(const std::string& value, std::uint32_t& format, std::string& error) {
  unsigned code = 0;
  const std::size_t open = value.find(" (");
  if (open == std::string::npos || std::sscanf(value.c_str() + open, " (%u)", &code) != 1 ||
      value.substr(0, open) != PixelFormatName(code)) {
    error = "malformed format \"" + value + "\"";
    return false;
  }
  format = code;
  return true;
}

bool PixelShader(const std::string& value, ProbeOutcome& outcome, std::string& error) {
  if (value == "unknown (no Direct3D)" || value == "unknown (capability query failed)" ||
      value == "unknown (no answer)") {
    outcome.deviceCapsRead = false;
    return true;
  }
  unsigned major = 0;
  unsigned minor = 0;
  unsigned version = 0;
  if (std::sscanf(value.c_str(), "%u.%u (0x%X)", &major, &minor, &version) != 3 ||
      major != ((version >> 8) & 0xFFU) || minor != (version & 0xFFU)) {
    error = "malformed pixel shader \"" + value + "\"";
    return false;
  }
  outcome.deviceCapsRead = true;
  outcome.pixelShaderVersion = version;
  return true;
}

bool ClearedSettings(const std::string& value, ProbeOutcome& outcome, std::string& error) {
  if (value == "none") {
    return true;
  }
  std::istringstream names(value);
  std::string name;
  while (names >> name) {
    bool* flag = name == "FSAA"       ? &outcome.clearFSAA
                 : name == "Bloom"    ? &outcome.clearBloom
                 : name == "DXT5"     ? &outcome.clearDXT5
                 : name == "Joystick" ? &outcome.clearJoystick
                                      : nullptr;
    if (flag == nullptr || *flag) {
      error = "unexpected or repeated setting \"" + name + "\"";
      return false;
    }
    *flag = true;
  }
  return true;
}

// "N" and N mode lines, or "unknown" and none; then the notes, each "Hardware probe - ...".
bool Modes(const std::vector<std::string>& lines, std::size_t index, const std::string& header,
           ProbeOutcome& outcome, std::vector<std::string>& notes, std::string& error) {
  unsigned count = 0;
  char extra = 0;
  outcome.modesKnown = header != "unknown";
  if (outcome.modesKnown && std::sscanf(header.c_str(), "%u%c", &count, &extra) != 1) {
    error = "malformed mode count \"" + header + "\"";
    return false;
  }
  std::size_t end = index;
  while (end < lines.size() && lines[end].compare(0, 17, "Hardware probe - ") != 0) {
    ++end;
  }
  if (end != index + count) {
    error =
        "expected " + std::to_string(count) + " mode lines, found " + std::to_string(end - index);
    return false;
  }
  for (std::size_t note = end; note < lines.size(); ++note) {
    if (lines[note].compare(0, 17, "Hardware probe - ") != 0) {
      error = "a line after the notes began: \"" + lines[note] + "\"";
      return false;
    }
    notes.push_back(lines[note]);
  }
  for (; index < end; ++index) {
    DisplayMode mode{};
    char extra = 0;
    if (std::sscanf(lines[index].c_str(), "%ux%ux%u%c", &mode.width, &mode.height,
                    &mode.bitsPerPixel, &extra) != 3) {
      error = "malformed mode line \"" + lines[index] + "\"";
      return false;
    }
    outcome.modes.push_back(mode);
  }
  return true;
}

}  // namespace

std::vector<std::string> ConsistencyViolations(const ProbeOutcome& outcome) {
  std::vector<std::string> problems;
  const Capabilities& caps = outcome.caps;
  const auto require = [&problems](bool holds, const std::string& problem) {
    if (!holds) {
      problems.push_back(problem);
    }
  };

  bool seen32 = false;
  for (std::size_t i = 0; i < outcome.modes.size(); ++i) {
    const DisplayMode& mode = outcome.modes[i];
    const std::string where = "mode " + std::to_string(i) + " (" + ModeText(mode) + ")";
    require(mode.width >= 800 && mode.height >= 600, where + " is below 800x600");
    require(mode.width <= kMaximumModeSide && mode.height <= kMaximumModeSide,
            where + " is above 16384x16384");
    require(mode.bitsPerPixel == 16 || mode.bitsPerPixel == 32, where + " has odd bits per pixel");
    require(!(seen32 && mode.bitsPerPixel == 16), where + " is 16-bit after a 32-bit entry");
    require(i == 0 || outcome.modes[i - 1] != mode, where + " repeats its predecessor");
    require(mode.bitsPerPixel != 16 || outcome.format16 != kFormatNone,
            where + " is 16-bit although no 16-bit format passed");
    require(mode.bitsPerPixel != 32 || outcome.format32 != kFormatNone,
            where + " is 32-bit although no 32-bit format passed");
    seen32 = seen32 || mode.bitsPerPixel == 32;
  }

  // What the hardware really answered clears the file's wish; what it never answered clears
  // nothing.
  const bool graphics = caps.graphicsKnown;
  require(outcome.clearFSAA == (graphics && !caps.fsaaAvailable),
          "FSAA cleared iff FSAA known unavailable");
  require(outcome.clearBloom == (graphics && !caps.bloomAvailable),
          "Bloom cleared iff bloom known unavailable");
  require(outcome.clearDXT5 == (graphics && !caps.dxt5Available),
          "DXT5 cleared iff DXT5 known unavailable");
  require(outcome.clearJoystick == (caps.joystickKnown && !caps.joystickAvailable),
          "Joystick cleared iff joystick known unavailable");
  require(graphics || (!caps.fsaaAvailable && !caps.bloomAvailable && !caps.dxt5Available),
          "a graphics capability available though unknown");
  require(caps.joystickKnown || !caps.joystickAvailable, "joystick available though unknown");
  require(outcome.modesKnown || outcome.modes.empty(), "modes listed though unknown");

  require(caps.aaLevelCount >= 0, "negative aaLevelCount " + std::to_string(caps.aaLevelCount));
  require(caps.fsaaAvailable || caps.aaLevelCount == 0,
          "aaLevelCount " + std::to_string(caps.aaLevelCount) + " without FSAA");
  // Working multisampling has 1 to kMaxQualityLevels levels, whatever the driver said.
  const std::uint32_t usable = std::min<std::uint32_t>(
      std::max<std::uint32_t>(outcome.driverQualityLevels, 1), kMaxQualityLevels);
  require(!caps.fsaaAvailable || caps.aaLevelCount == static_cast<std::int32_t>(usable),
          "aaLevelCount " + std::to_string(caps.aaLevelCount) + " from the driver's " +
              std::to_string(outcome.driverQualityLevels));
  require(outcome.modes.size() <= kMaxListedModes,
          std::to_string(outcome.modes.size()) + " modes listed");
  require(outcome.format16 == kFormatNone || Is16BitCandidate(outcome.format16),
          "16-bit format " + std::to_string(outcome.format16) + " is no 16-bit candidate");
  require(outcome.format32 == kFormatNone || Is32BitCandidate(outcome.format32),
          "32-bit format " + std::to_string(outcome.format32) + " is no 32-bit candidate");
  require(outcome.format16 != kFormatNone || (!caps.fsaaAvailable && !caps.dxt5Available),
          "FSAA or DXT5 available without a 16-bit format");
  require(!caps.bloomAvailable ||
              (outcome.deviceCapsRead && outcome.pixelShaderVersion >= kPixelShader20),
          "bloom available without pixel shader 2.0");
  require(
      !outcome.deviceCapsRead || outcome.pixelShaderVersion < kPixelShader20 || caps.bloomAvailable,
      "pixel shader 2.0 or better but bloom unavailable");
  require(outcome.directInputPresent || !caps.joystickAvailable,
          "joystick available without DirectInput");
  if (!outcome.direct3DPresent) {
    require(outcome.modes.empty(), "modes listed without Direct3D");
    require(!caps.fsaaAvailable && !caps.bloomAvailable && !caps.dxt5Available,
            "a graphics capability available without Direct3D");
    require(outcome.format16 == kFormatNone && outcome.format32 == kFormatNone,
            "a format chosen without Direct3D");
  }
  return problems;
}

// "present" or "missing", or "unknown" when the part gave no answer.
bool Presence(const std::string& value, bool& present, bool& known, std::string& error) {
  known = value != "unknown";
  return !known || Choice(value, "present", "missing", present, error);
}

bool ParseCapsReport(const std::string& text, ProbeOutcome& outcome, std::string& error,
                     std::vector<std::string>* notes) {
  outcome = ProbeOutcome{};
  std::vector<std::string> ignored;
  const std::vector<std::string> lines = SplitLines(text);
  std::string value;
  std::size_t line = 0;
  const auto next = [&](const char* key) { return Field(lines, line++, key, value, error); };
  Capabilities& caps = outcome.caps;
  return next("Direct3D 9") &&
         Presence(value, outcome.direct3DPresent, caps.graphicsKnown, error) &&
         next("16-bit format") && Format(value, outcome.format16, error) && next("32-bit format") &&
         Format(value, outcome.format32, error) && next("Pixel shader") &&
         PixelShader(value, outcome, error) && next("fsaaAvailable") &&
         Choice(value, "yes", "no", caps.fsaaAvailable, error) && next("aaLevelCount") &&
         QualityLevels(value, outcome, error) && next("bloomAvailable") &&
         Choice(value, "yes", "no", caps.bloomAvailable, error) && next("dxt5Available") &&
         Choice(value, "yes", "no", caps.dxt5Available, error) && next("DirectInput 8") &&
         Presence(value, outcome.directInputPresent, caps.joystickKnown, error) &&
         next("joystickAvailable") && Choice(value, "yes", "no", caps.joystickAvailable, error) &&
         next("Settings switched off") && ClearedSettings(value, outcome, error) &&
         next("Display modes") &&
         Modes(lines, line, value, outcome, notes != nullptr ? *notes : ignored, error);
}

std::string OutcomeDifferences(const ProbeOutcome& expected, const ProbeOutcome& actual) {
  std::ostringstream out;
  const auto compare = [&out](const char* name, auto want, auto have) {
    if (!(want == have)) {
      out << name << ": expected " << want << ", got " << have << "\n";
    }
  };
  compare("direct3DPresent", expected.direct3DPresent, actual.direct3DPresent);
  compare("format16", expected.format16, actual.format16);
  compare("format32", expected.format32, actual.format32);
  compare("deviceCapsRead", expected.deviceCapsRead, actual.deviceCapsRead);
  if (expected.deviceCapsRead && actual.deviceCapsRead) {
    compare("pixelShaderVersion", expected.pixelShaderVersion, actual.pixelShaderVersion);
  }
  compare("fsaaAvailable", expected.caps.fsaaAvailable, actual.caps.fsaaAvailable);
  compare("aaLevelCount", expected.caps.aaLevelCount, actual.caps.aaLevelCount);
  compare("driverQualityLevels", expected.driverQualityLevels, actual.driverQualityLevels);
  compare("bloomAvailable", expected.caps.bloomAvailable, actual.caps.bloomAvailable);
  compare("dxt5Available", expected.caps.dxt5Available, actual.caps.dxt5Available);
  compare("directInputPresent", expected.directInputPresent, actual.directInputPresent);
  compare("joystickAvailable", expected.caps.joystickAvailable, actual.caps.joystickAvailable);
  compare("clearFSAA", expected.clearFSAA, actual.clearFSAA);
  compare("clearBloom", expected.clearBloom, actual.clearBloom);
  compare("clearDXT5", expected.clearDXT5, actual.clearDXT5);
  compare("clearJoystick", expected.clearJoystick, actual.clearJoystick);
  compare("graphicsKnown", expected.caps.graphicsKnown, actual.caps.graphicsKnown);
  compare("joystickKnown", expected.caps.joystickKnown, actual.caps.joystickKnown);
  compare("modesKnown", expected.modesKnown, actual.modesKnown);
  std::string want;
  std::string have;
  for (const DisplayMode& mode : expected.modes) {
    want += ModeText(mode) + " ";
  }
  for (const DisplayMode& mode : actual.modes) {
    have += ModeText(mode) + " ";
  }
  compare("modes", want, have);
  return out.str();
}

void PrintTo(const DisplayMode& mode, std::ostream* out) {
  *out << ModeText(mode);
}
