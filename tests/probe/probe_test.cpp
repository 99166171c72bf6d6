#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "probe/probe.h"
#include "tests/probe/fake_hardware.h"
#include "tests/probe/probe_checks.h"

namespace {

// Both passes of a capable adapter: one 16-bit and one 32-bit size above the minimum, plus the
// 640x480 every adapter has.
HardwareScript Capable() {
  HardwareScript script;
  script.modes[kFormatX1R5G5B5] = {{640, 480}, {1024, 768}};
  script.modes[kFormatA8R8G8B8] = {{640, 480}, {1280, 1024}};
  script.controllers = {true};
  return script;
}

struct Expected {
  std::uint32_t format16 = kFormatX1R5G5B5;
  std::uint32_t format32 = kFormatA8R8G8B8;
  bool fsaa = true;
  std::int32_t aaLevelCount = 4;
  bool bloom = true;
  bool dxt5 = true;
  bool joystick = true;
  DisplayModeList modes{{768, 1024, 16}, {1024, 1280, 32}};
  ModeListNotes notes;
};

struct ProbeCase {
  const char* name;
  HardwareScript script;
  Expected expected;
};

void PrintTo(const ProbeCase& probeCase, std::ostream* out) {
  *out << probeCase.name;
}

template <typename Edit>
ProbeCase Case(const char* name, Edit edit) {
  ProbeCase probeCase{name, Capable(), Expected{}};
  edit(probeCase.script, probeCase.expected);
  return probeCase;
}

std::vector<ProbeCase> ProbeCases() {
  using S = HardwareScript;
  using E = Expected;
  return {
      Case("CapableAdapter", [](S&, E&) {}),
      Case("X8R8G8B8AndR5G6B5Only",
           [](S& s, E& e) {
             s.acceptedFormats = {kFormatX8R8G8B8, kFormatR5G6B5};
             s.modes = {{kFormatR5G6B5, {{800, 600}}}, {kFormatX8R8G8B8, {{1024, 768}}}};
             e.format16 = kFormatR5G6B5;
             e.format32 = kFormatX8R8G8B8;
             e.modes = {{600, 800, 16}, {768, 1024, 32}};
           }),
      Case("A1R5G5B5ChosenWhenX1R5G5B5Fails",
           [](S& s, E& e) {
             s.acceptedFormats = {kFormatR5G6B5, kFormatA1R5G5B5, kFormatA8R8G8B8};
             s.modes = {{kFormatA1R5G5B5, {{1024, 768}}}, {kFormatA8R8G8B8, {{1280, 1024}}}};
             e.format16 = kFormatA1R5G5B5;
           }),
      Case("PixelShader14TurnsBloomOff",
           [](S& s, E& e) {
             s.pixelShaderVersion = 0xFFFF0104U;
             e.bloom = false;
           }),
      Case("PixelShader20IsEnough", [](S& s, E&) { s.pixelShaderVersion = 0xFFFF0200U; }),
      // 0 is "no pixel shader"; a signed compare would rank it above 0xFFFF0200.
      Case("NoPixelShaderTurnsBloomOff",
           [](S& s, E& e) {
             s.pixelShaderVersion = 0;
             e.bloom = false;
           }),
      Case("DeviceCapsFailTurnsBloomOff",
           [](S& s, E& e) {
             s.deviceCaps = false;
             e.bloom = false;
           }),
      Case("OneQualityLevel",
           [](S& s, E& e) {
             s.qualityLevels = 1;
             e.aaLevelCount = 1;
           }),
      // A driver's absurd count would fill the antialiasing list with billions of entries.
      Case("QualityCountAtTheBound",
           [](S& s, E& e) {
             s.qualityLevels = 16;
             e.aaLevelCount = 16;
           }),
      Case("QualityCountOverTheBound",
           [](S& s, E& e) {
             s.qualityLevels = 17;
             e.aaLevelCount = 16;
           }),
      Case("QualityCountAbsurd",
           [](S& s, E& e) {
             s.qualityLevels = 0xFFFFFFFFU;
             e.aaLevelCount = 16;
           }),
      // Multisampling that works has a level; an empty list would offer nothing to choose.
      Case("QualityCountZeroCountsAsOne",
           [](S& s, E& e) {
             s.qualityLevels = 0;
             e.aaLevelCount = 1;
           }),
      Case("MultisampleRefused",
           [](S& s, E& e) {
             s.multiSample = false;
             e.fsaa = false;
             e.aaLevelCount = 0;
           }),
      Case("Dxt5Refused",
           [](S& s, E& e) {
             s.dxt5 = false;
             e.dxt5 = false;
           }),
      Case("AllModesBelow800x600",
           [](S& s, E& e) {
             s.modes[kFormatX1R5G5B5] = {{640, 480}, {799, 600}, {800, 599}, {1600, 480}};
             s.modes[kFormatA8R8G8B8] = {{320, 200}, {799, 1200}};
             e.modes = {};
           }),
      // Refresh rates come one after another; only the last entry is compared, so a size seen
      // again later is listed again, and the 32-bit pass keeps a size the 16-bit pass ended on.
      Case("RefreshRateRepeatsFolded",
           [](S& s, E& e) {
             s.modes[kFormatX1R5G5B5] = {
                 {1024, 768}, {1024, 768}, {1024, 768}, {1280, 1024}, {1024, 768}};
             s.modes[kFormatA8R8G8B8] = {{1024, 768}, {1024, 768}};
             e.modes = {{768, 1024, 16}, {1024, 1280, 16}, {768, 1024, 16}, {768, 1024, 32}};
           }),
      Case("RepeatAcrossASkippedModeStillFolded",
           [](S& s, E& e) {
             s.modes[kFormatX1R5G5B5] = {{1024, 768}, {640, 480}, {1024, 768}, {1024, 768, true}};
             s.modes[kFormatA8R8G8B8] = {};
             e.modes = {{768, 1024, 16}};
             e.notes.failedQueries = 1;
           }),
      Case("FailedEnumerationSkipped",
           [](S& s, E& e) {
             s.modes[kFormatX1R5G5B5] = {
                 {800, 600}, {1024, 768, true}, {1152, 864}, {1280, 960, true}};
             e.modes = {{600, 800, 16}, {864, 1152, 16}, {1024, 1280, 32}};
             e.notes.failedQueries = 2;
           }),
      // Compared unsigned and before any conversion: as signed numbers 0xFFFFFFFF would be -1
      // and 0x80000000 the most negative.
      Case("AbsurdSizesDropped",
           [](S& s, E& e) {
             s.modes[kFormatX1R5G5B5] = {{0x80000000U, 600}, {0xFFFFFFFFU, 0xFFFFFFFFU},
                                         {65535, 65535},     {16384, 16384},
                                         {16385, 768},       {1024, 16385},
                                         {0xFFFFFFFFU, 100}};
             e.modes = {{16384, 16384, 16}, {1024, 1280, 32}};
             e.notes.outOfRange = 5;
           }),
      // Counts the launcher would spend minutes asking about, and lists no one could use: each
      // format asks its first 4096 indexes and lists at most half of the 512 entries, so that
      // both formats keep a place.
      Case("EndlessModeCount",
           [](S& s, E& e) {
             s.reportedModeCounts[kFormatX1R5G5B5] = 0xFFFFFFFFU;
             s.modes[kFormatX1R5G5B5] = {};
             e.modes.clear();
             for (std::uint32_t i = 0; i < 256; ++i) {
               e.modes.push_back({600, 800 + i, 16});
             }
             e.modes.push_back({1024, 1280, 32});
             e.notes.indexesNotAsked = 0xFFFFFFFFU - 4096;
             e.notes.beyondListLimit = 4096 - 256;
           }),
      Case("ThousandsOfModesInEachFormat",
           [](S& s, E& e) {
             s.reportedModeCounts[kFormatX1R5G5B5] = 5000;
             s.reportedModeCounts[kFormatA8R8G8B8] = 5000;
             s.modes.clear();
             e.modes.clear();
             for (std::uint32_t bits : {16U, 32U}) {
               for (std::uint32_t i = 0; i < 256; ++i) {
                 e.modes.push_back({600, 800 + i, bits});
               }
             }
             e.notes.indexesNotAsked = 2 * (5000 - 4096);
             e.notes.beyondListLimit = 2 * (4096 - 256);
           }),
      Case("NoController",
           [](S& s, E& e) {
             s.controllers = {};
             e.joystick = false;
           }),
      Case("ControllerFailsThenOneOpens",
           [](S& s, E&) {
             s.controllers = {false, true};
           }),
      Case("NoControllerOpens",
           [](S& s, E& e) {
             s.controllers = {false, false};
             e.joystick = false;
           }),
      Case("EnumerationFailsAfterAnOpen",
           [](S& s, E& e) {
             s.enumerationSucceeds = false;
             e.joystick = false;
           }),
      Case("NoDirectInput",
           [](S& s, E& e) {
             s.directInput = false;
             e.joystick = false;
           }),
      Case("NoDirect3D",
           [](S& s, E& e) {
             s.direct3D = false;
             e = Expected{kFormatNone, kFormatNone, false, 0, false, false, true, {}, {}};
           }),
      Case("No16BitFormat",
           [](S& s, E& e) {
             s.acceptedFormats = {kFormatA8R8G8B8, kFormatX8R8G8B8};
             e.format16 = kFormatNone;
             e.fsaa = e.dxt5 = false;
             e.aaLevelCount = 0;
             e.modes = {{1024, 1280, 32}};
           }),
      Case("No32BitFormat",
           [](S& s, E& e) {
             s.acceptedFormats = {kFormatR5G6B5};
             s.modes = {{kFormatR5G6B5, {{1024, 768}}}};
             e.format16 = kFormatR5G6B5;
             e.format32 = kFormatNone;
             e.modes = {{768, 1024, 16}};
           }),
      Case("NoFormatAtAll",
           [](S& s, E& e) {
             s.acceptedFormats = {};
             e = Expected{kFormatNone, kFormatNone, false, 0, true, false, true, {}, {}};
           }),
  };
}

class ProbeTableTest : public testing::TestWithParam<ProbeCase> {};

TEST_P(ProbeTableTest, FindsWhatTheHardwareAllows) {
  const ProbeCase& probeCase = GetParam();
  const Expected& expected = probeCase.expected;
  FakeHardware hardware(probeCase.script);
  const ProbeOutcome outcome = RunProbe(hardware);

  EXPECT_EQ(expected.format16, outcome.format16);
  EXPECT_EQ(expected.format32, outcome.format32);
  EXPECT_EQ(expected.fsaa, outcome.caps.fsaaAvailable);
  EXPECT_EQ(expected.aaLevelCount, outcome.caps.aaLevelCount);
  EXPECT_EQ(expected.bloom, outcome.caps.bloomAvailable);
  EXPECT_EQ(expected.dxt5, outcome.caps.dxt5Available);
  EXPECT_EQ(expected.joystick, outcome.caps.joystickAvailable);
  EXPECT_EQ(expected.modes, outcome.modes);
  EXPECT_TRUE(expected.notes == outcome.modeNotes)
      << "out of range " << outcome.modeNotes.outOfRange << ", failed "
      << outcome.modeNotes.failedQueries << ", not asked " << outcome.modeNotes.indexesNotAsked
      << ", beyond the list " << outcome.modeNotes.beyondListLimit;
  EXPECT_LE(hardware.modeQueries, 2 * kMaxModeIndexes);
  EXPECT_EQ(std::vector<std::string>{}, ConsistencyViolations(outcome));

  // Everything that needs a surface format is asked about F16, and nothing is asked without one.
  const std::vector<std::uint32_t> askedF16 = outcome.format16 == kFormatNone
                                                  ? std::vector<std::uint32_t>{}
                                                  : std::vector<std::uint32_t>{outcome.format16};
  EXPECT_EQ(askedF16, hardware.multiSampleFormats);
  EXPECT_EQ(askedF16, hardware.dxt5Formats);
  std::vector<std::uint32_t> passes = askedF16;
  if (outcome.format32 != kFormatNone) {
    passes.push_back(outcome.format32);
  }
  EXPECT_EQ(passes, hardware.modeCountFormats) << "the 16-bit pass runs first, then the 32-bit";

  // A file that asked for everything keeps exactly what the hardware allows.
  Settings settings;
  settings.FSAA = settings.Bloom = settings.DXT5 = true;
  settings.Joystick = 1;
  Capabilities caps;
  DisplayModeList modes{{480, 640, 16}};
  ApplyProbeOutcome(outcome, settings, caps, modes);
  EXPECT_EQ(expected.fsaa, settings.FSAA);
  EXPECT_EQ(expected.bloom, settings.Bloom);
  EXPECT_EQ(expected.dxt5, settings.DXT5);
  EXPECT_EQ(expected.joystick ? 1 : 0, settings.Joystick);
  EXPECT_EQ(expected.modes, modes);
  EXPECT_EQ(expected.aaLevelCount, caps.aaLevelCount);
}

INSTANTIATE_TEST_SUITE_P(Adapters, ProbeTableTest, testing::ValuesIn(ProbeCases()),
                         [](const testing::TestParamInfo<ProbeCase>& info) {
                           return std::string(info.param.name);
                         });

// Which controllers are tried matters: stopping early would miss a working controller, going
// on after one opened would open devices for nothing.
TEST(ProbeJoystickTest, StopsAtTheFirstControllerThatOpens) {
  const struct {
    std::vector<bool> controllers;
    int tried;
  } cases[] = {{{}, 0}, {{true, true}, 1}, {{false, true, true}, 2}, {{false, false, false}, 3}};
  for (const auto& c : cases) {
    HardwareScript script = Capable();
    script.controllers = c.controllers;
    FakeHardware hardware(script);
    RunProbe(hardware);
    EXPECT_EQ(c.tried, hardware.controllersTried) << "controllers: " << c.controllers.size();
    EXPECT_EQ(1, hardware.enumerations);
  }
}

TEST(ProbeJoystickTest, NoDirectInputMeansNoEnumeration) {
  HardwareScript script = Capable();
  script.directInput = false;
  FakeHardware hardware(script);
  const ProbeOutcome outcome = RunProbe(hardware);
  EXPECT_EQ(0, hardware.enumerations);
  EXPECT_FALSE(outcome.directInputPresent);
}

TEST(ApplyProbeOutcomeTest, TouchesOnlyTheFourSettingsAndOnlyWhenCleared) {
  Settings custom;
  custom.ScreenWidth = 1280;
  custom.Quality = 3;
  custom.FSAA = custom.Bloom = custom.DXT5 = true;
  custom.Joystick = 7;

  ProbeOutcome keep;  // nothing cleared
  Settings settings = custom;
  Capabilities caps;
  DisplayModeList modes;
  ApplyProbeOutcome(keep, settings, caps, modes);
  EXPECT_TRUE(settings == custom) << "Joystick " << settings.Joystick;

  ProbeOutcome clearAll;
  clearAll.clearFSAA = clearAll.clearBloom = clearAll.clearDXT5 = clearAll.clearJoystick = true;
  ApplyProbeOutcome(clearAll, settings, caps, modes);
  Settings expected = custom;
  expected.FSAA = expected.Bloom = expected.DXT5 = false;
  expected.Joystick = 0;
  EXPECT_TRUE(settings == expected) << "Joystick " << settings.Joystick;
}

TEST(ConsistencyViolationsTest, CatchesEachKindOfContradiction) {
  FakeHardware hardware(Capable());
  const ProbeOutcome good = RunProbe(hardware);
  ASSERT_EQ(std::vector<std::string>{}, ConsistencyViolations(good));

  const struct {
    const char* what;
    void (*spoil)(ProbeOutcome&);
  } spoilers[] = {
      {"small mode",
       [](ProbeOutcome& o) {
         o.modes.push_back({599, 800, 32});
       }},
      {"16 after 32",
       [](ProbeOutcome& o) {
         o.modes.push_back({600, 800, 16});
       }},
      {"neighbours equal", [](ProbeOutcome& o) { o.modes.push_back(o.modes.back()); }},
      {"Bloom not cleared", [](ProbeOutcome& o) { o.caps.bloomAvailable = false; }},
      {"Joystick cleared", [](ProbeOutcome& o) { o.clearJoystick = true; }},
      {"modes without Direct3D", [](ProbeOutcome& o) { o.direct3DPresent = false; }},
  };
  for (const auto& spoiler : spoilers) {
    ProbeOutcome bad = good;
    spoiler.spoil(bad);
    EXPECT_FALSE(ConsistencyViolations(bad).empty()) << spoiler.what;
  }
}

}  // namespace
