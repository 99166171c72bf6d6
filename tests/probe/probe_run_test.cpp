// The probe's answers on their way from the probe processes to the launcher: what a part writes,
// how the launcher reads it back, and what it makes of a part that crashes, hangs, never starts
// or writes nonsense.
#include <algorithm>
#include <atomic>
#include <cwchar>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "probe/probe_run.h"
#include "probe/probe_wire.h"
#include "tests/probe/fake_hardware.h"
#include "tests/probe/probe_checks.h"

namespace {

// What a probe process writes for `part` of `script`'s hardware, as it would write it.
class WireRecorder : public ProbeProgress {
public:
  void Asking(const char* call) override { text += WireStep(call); }
  void Answered(ProbeAnswer answer, const ProbeOutcome& outcome) override {
    text += WireAnswer(answer, outcome);
  }
  std::string text;
};

std::string PartText(const HardwareScript& script, ProbePart part, bool done = true) {
  FakeHardware hardware(script);
  WireRecorder recorder;
  ProbeOutcome outcome;
  if (part == ProbePart::kDirect3D) {
    ProbeDirect3D(hardware, outcome, recorder);
  } else {
    ProbeDirectInput(hardware, outcome, recorder);
  }
  return recorder.text + (done ? kWireDone : "");
}

HardwareScript Capable() {
  HardwareScript script;
  script.modes[kFormatX1R5G5B5] = {{640, 480}, {1024, 768}};
  script.modes[kFormatA8R8G8B8] = {{1024, 768}, {1280, 1024}};
  script.controllers = {true};
  return script;
}

// For runs whose times no check reads.
std::uint64_t StillClock() {
  return 0;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line + "\n";
  }
  return text;
}

// ---- the wire ----

// Whatever the hardware said and however the pipe cuts the bytes, the launcher reads back what
// the probe process found.
TEST(ProbeWire, ReadsBackWhatTheProbeFoundInAnyChunks) {
  void (*const edits[])(HardwareScript&) = {
      [](HardwareScript&) {},
      [](HardwareScript& s) { s.direct3D = false; },
      [](HardwareScript& s) { s.qualityLevels = 0; },
      [](HardwareScript& s) { s.reportedModeCounts[kFormatA8R8G8B8] = 0xFFFFFFFFU; },
      [](HardwareScript& s) {
        s.acceptedFormats = {kFormatR5G6B5};
        s.deviceCaps = false;
        s.directInput = false;
      },
  };
  for (auto edit : edits) {
    HardwareScript script = Capable();
    edit(script);
    FakeHardware hardware(script);
    const ProbeOutcome expected = RunProbe(hardware);
    const std::string text =
        PartText(script, ProbePart::kDirect3D) + PartText(script, ProbePart::kDirectInput);
    for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, text.size()}) {
      WireReader reader;
      for (std::size_t at = 0; at < text.size(); at += chunk) {
        reader.Feed(text.data() + at, std::min(chunk, text.size() - at));
      }
      ASSERT_FALSE(reader.Damaged()) << text;
      EXPECT_TRUE(reader.Done());
      EXPECT_TRUE(reader.Has(ProbeAnswer::kGraphics) && reader.Has(ProbeAnswer::kModes) &&
                  reader.Has(ProbeAnswer::kInput));
      EXPECT_EQ("", OutcomeDifferences(expected, reader.Answers())) << "chunk " << chunk;
      EXPECT_TRUE(expected.modeNotes == reader.Answers().modeNotes);
      EXPECT_FALSE(reader.Step().empty());
    }
  }
}

// Nothing but what a probe of ours writes gets through: a line that is not ends the reading,
// and what came before it stays.
TEST(ProbeWire, ALineThatIsNoAnswerEndsTheReading) {
  FakeHardware hardware(Capable());
  const ProbeOutcome found = RunProbe(hardware);
  const std::string answers = WireAnswer(ProbeAnswer::kGraphics, found) +
                              WireAnswer(ProbeAnswer::kModes, found) +
                              WireAnswer(ProbeAnswer::kInput, found) + kWireDone;
  const char* const damages[] = {
      "graphics 1 24 21\n",                           // too few numbers
      "graphics 1 24 21 1 17 17 1 4294902528 1 1\n",  // more levels than the launcher uses
      "graphics 1 24 21 1 0 0 1 4294902528 1 1\n",    // working multisampling, no level
      "graphics 1 23 24 1 4 4 1 4294902528 1 1\n",    // a 16-bit format as the 32-bit one
      "graphics 1 24 21 1 4 4 1 -1 1 1\n",            // not a number
      "graphics  1 24 21 1 4 4 1 4294902528 1 1\n",   // two blanks
      "graphics 1 24 21 1 4 4 1 4294967296 1 1\n",    // past 32 bits
      "modes 0 0 0 0 0 2 1024 768 16\n",              // fewer modes than counted
      "modes 0 0 0 0 0 1 70000 768 16\n",             // a side past the maximum
      "modes 0 0 0 0 0 1 640 480 16\n",               // a side under the minimum
      "modes 0 0 0 0 0 1 1024 768 24\n",              // bits per pixel neither 16 nor 32
      "modes 0 0 0 0 0 513 1024 768 16\n",            // more than the list holds
      "input 0 1\n",                                  // a joystick without DirectInput
      "input 1 1 1\n",                                // too many numbers
      "step Direct3DCreate9; rm -rf\n",               // a call name that is none
      "step\n",                                       //
      "hello\n",                                      //
  };
  for (const char* damage : damages) {
    WireReader reader;
    const std::string text = WireStep("Direct3DCreate9") + damage + answers;
    reader.Feed(text.data(), text.size());
    EXPECT_TRUE(reader.Damaged()) << damage;
    EXPECT_FALSE(reader.Has(ProbeAnswer::kGraphics) || reader.Has(ProbeAnswer::kModes) ||
                 reader.Has(ProbeAnswer::kInput) || reader.Done())
        << damage;
    EXPECT_EQ("Direct3DCreate9", reader.Step()) << damage;
  }

  // What came before the nonsense stands.
  WireReader before;
  const std::string text = answers.substr(0, answers.find("input")) + "hello\n" + answers;
  before.Feed(text.data(), text.size());
  EXPECT_TRUE(before.Damaged());
  EXPECT_TRUE(before.Has(ProbeAnswer::kGraphics) && before.Has(ProbeAnswer::kModes));
  EXPECT_FALSE(before.Has(ProbeAnswer::kInput));
  EXPECT_EQ(found.modes, before.Answers().modes);

  // An answer twice is not ours either, and the first one stands.
  WireReader twice;
  ProbeOutcome other = found;
  other.caps.fsaaAvailable = false;
  other.caps.aaLevelCount = 0;
  other.clearFSAA = true;
  const std::string again = answers + WireAnswer(ProbeAnswer::kGraphics, other);
  twice.Feed(again.data(), again.size());
  EXPECT_TRUE(twice.Damaged());
  EXPECT_TRUE(twice.Answers().caps.fsaaAvailable);

  // A line with no end in sight is not waited for forever.
  WireReader endless;
  const std::string long_line(70 * 1024, '7');
  endless.Feed(long_line.data(), long_line.size());
  EXPECT_TRUE(endless.Damaged());
}

// ---- one probe's run ----

// How each part ends, and what the launcher then knows, clears and logs.
TEST(ProbeRunTest, EachWayAPartEndsLeavesWhatItAnsweredAndOneLine) {
  const HardwareScript capable = Capable();
  const std::string direct3D = PartText(capable, ProbePart::kDirect3D);
  const std::string input = PartText(capable, ProbePart::kDirectInput);
  // Everything up to (not including) `line`'s line: what a part had written when it stopped
  // there.
  const auto upTo = [](const std::string& text, const char* line) {
    return text.substr(0, text.find(line));
  };

  enum class End { kExit, kRunning, kNoStart };
  struct PartEnd {
    std::string text;  // what the part wrote
    End end;
    std::uint32_t exitCode;
  };
  const PartEnd d3dDone{direct3D, End::kExit, 0};
  const PartEnd inputDone{input, End::kExit, 0};
  struct Row {
    const char* name;
    PartEnd parts[kProbePartCount];
    bool graphicsKnown, modesKnown, joystickKnown;
    std::string notes;  // every line for the log, joined
  };
  const Row rows[] = {
      {"both finish", {d3dDone, inputDone}, true, true, true, ""},
      {"Direct3DCreate9 crashes",
       {{upTo(direct3D, "step CheckDeviceType"), End::kExit, 0xC0000005U}, inputDone},
       false,
       false,
       true,
       "Hardware probe - Direct3D 9 crashed in Direct3DCreate9 (exit code 0xC0000005); graphics "
       "capabilities and display modes unknown\n"},
      {"the Direct3D object crashes as it goes",
       {{upTo(direct3D, "done") + WireStep("IDirect3D9::Release"), End::kExit, 0xC0000005U},
        inputDone},
       true,
       true,
       true,
       "Hardware probe - Direct3D 9 crashed in IDirect3D9::Release (exit code 0xC0000005) after "
       "it had answered\n"},
      {"EnumAdapterModes hangs",
       {{upTo(direct3D, "modes "), End::kRunning, 0}, inputDone},
       true,
       false,
       true,
       "Hardware probe - Direct3D 9 did not answer in time, still busy in EnumAdapterModes; "
       "display modes unknown\n"},
      {"EnumDevices hangs",
       {d3dDone, {upTo(input, "input "), End::kRunning, 0}},
       true,
       true,
       false,
       "Hardware probe - DirectInput 8 did not answer in time, still busy in "
       "IDirectInput8::CreateDevice; joystick unknown\n"},
      {"a slow DllMain",
       {{"step d3d9.dll\n", End::kRunning, 0}, inputDone},
       false,
       false,
       true,
       "Hardware probe - Direct3D 9 did not answer in time, still busy in d3d9.dll; graphics "
       "capabilities and display modes unknown\n"},
      {"DirectInput ends early",
       {d3dDone, {"", End::kExit, 0}},
       true,
       true,
       false,
       "Hardware probe - DirectInput 8 ended in its start (exit code 0x00000000); joystick "
       "unknown\n"},
      {"no process",
       {d3dDone, {"", End::kNoStart, 5}},
       true,
       true,
       false,
       "Hardware probe - cannot start the probe of DirectInput 8 (error 5); joystick unknown\n"},
      {"nonsense",
       {{"step Direct3DCreate9\nwhat?\n", End::kRunning, 0}, inputDone},
       false,
       false,
       true,
       "Hardware probe - Direct3D 9 sent what is not an answer, after Direct3DCreate9; graphics "
       "capabilities and display modes unknown\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ProbeRun run(nullptr, StillClock);
    bool lateAnswers = false;
    for (ProbePart part : {ProbePart::kDirect3D, ProbePart::kDirectInput}) {
      const PartEnd& end = row.parts[static_cast<int>(part)];
      if (end.end == End::kNoStart) {
        run.CouldNotStart(part, end.exitCode);
        continue;
      }
      run.Receive(part, end.text.data(), end.text.size());
      if (end.end == End::kExit) {
        run.Ended(part, end.exitCode);
      }
      // A part still running has settled once it has answered in full or said nonsense.
      const bool answered =
          end.text.find(part == ProbePart::kDirect3D ? "modes " : "input ") != std::string::npos;
      lateAnswers = lateAnswers || (end.end == End::kRunning && !answered &&
                                    end.text.find("what?") == std::string::npos);
    }
    EXPECT_EQ(!lateAnswers, run.Settled());
    std::vector<ProbePart> givenUp = run.GiveUp();
    EXPECT_EQ(lateAnswers, !givenUp.empty());
    EXPECT_TRUE(run.Settled());

    const ProbeOutcome outcome = run.Outcome();
    EXPECT_EQ(row.graphicsKnown, outcome.caps.graphicsKnown);
    EXPECT_EQ(row.modesKnown, outcome.modesKnown);
    EXPECT_EQ(row.joystickKnown, outcome.caps.joystickKnown);
    EXPECT_EQ("", Join(ConsistencyViolations(outcome)));
    EXPECT_EQ(row.notes, Join(run.TakeNotes()));
    EXPECT_EQ("", Join(run.TakeNotes())) << "each line is taken once";

    // Nothing a part says once it has ended counts; one given up on may still answer, late.
    ProbeOutcome expected = outcome;
    for (ProbePart part : {ProbePart::kDirect3D, ProbePart::kDirectInput}) {
      const std::string& all = part == ProbePart::kDirect3D ? direct3D : input;
      const std::string& sent = row.parts[static_cast<int>(part)].text;
      const bool late = std::find(givenUp.begin(), givenUp.end(), part) != givenUp.end();
      const std::string rest = late && all.compare(0, sent.size(), sent) == 0
                                   ? all.substr(sent.size())
                                   : all;  // steps may come again, answers not
      run.Receive(part, rest.data(), rest.size());
      if (late) {
        CopyAnswer(part == ProbePart::kDirect3D ? ProbeAnswer::kModes : ProbeAnswer::kInput,
                   run.Outcome(), expected);
        CopyAnswer(part == ProbePart::kDirect3D ? ProbeAnswer::kGraphics : ProbeAnswer::kInput,
                   run.Outcome(), expected);
        EXPECT_TRUE(part == ProbePart::kDirect3D
                        ? run.Outcome().caps.graphicsKnown && run.Outcome().modesKnown
                        : run.Outcome().caps.joystickKnown);
      }
    }
    EXPECT_EQ("", OutcomeDifferences(expected, run.Outcome()));
  }
}

// A part given up on that answers later: what came in time is taken at the give-up, the late
// answers once when they come, in their order, and the log says when; one that never answers,
// or crashes later, costs nothing more than the give-up's line.
TEST(ProbeRunTest, LateAnswersAfterAGiveUpAreTakenOnceInOrderAndLogged) {
  const HardwareScript capable = Capable();
  const std::string direct3D = PartText(capable, ProbePart::kDirect3D);
  const std::string input = PartText(capable, ProbePart::kDirectInput);
  const auto split = [](const std::string& text, const char* line) {
    const std::size_t at = text.find(line);
    return std::pair<std::string, std::string>{text.substr(0, at), text.substr(at)};
  };
  using A = ProbeAnswer;
  struct Row {
    const char* name;
    std::pair<std::string, std::string> parts[kProbePartCount];  // in time, late
    bool crashesLate;                                            // Direct3D, after the give-up
    std::uint64_t lateAtMs;
    std::vector<ProbeAnswer> inTime, late;
    std::string lateNote;
  };
  const Row rows[] = {
      {"Direct3D slow to create",
       {split(direct3D, "step CheckDeviceType"), {input, ""}},
       false,
       7400,
       {A::kInput},
       {A::kGraphics, A::kModes},
       "Hardware probe - Direct3D 9 answered late, 7.4 s after the probe started: graphics "
       "capabilities and display modes\n"},
      {"modes slow",
       {split(direct3D, "modes "), {input, ""}},
       false,
       9050,
       {A::kGraphics, A::kInput},
       {A::kModes},
       "Hardware probe - Direct3D 9 answered late, 9.0 s after the probe started: display "
       "modes\n"},
      {"DirectInput slow behind a hub",
       {{direct3D, ""}, split(input, "input ")},
       false,
       12345,
       {A::kGraphics, A::kModes},
       {A::kInput},
       "Hardware probe - DirectInput 8 answered late, 12.3 s after the probe started: "
       "joystick\n"},
      {"Direct3D hung, crashing later",
       {{WireStep("Direct3DCreate9"), WireStep("CheckDeviceType")}, {input, ""}},
       true,
       60000,
       {A::kInput},
       {},
       ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::uint64_t now = 100000;
    ProbeRun run(nullptr, [&now] { return now; });
    now += 200;
    run.Begin();
    for (ProbePart part : {ProbePart::kDirect3D, ProbePart::kDirectInput}) {
      const std::string& sent = row.parts[static_cast<int>(part)].first;
      run.Receive(part, sent.data(), sent.size());
      if (row.parts[static_cast<int>(part)].second.empty()) {
        run.Ended(part, 0);
      }
    }
    now += 5000;
    EXPECT_EQ(1u, run.GiveUp().size());
    // As the launcher's records are first given: unknown, then what came.
    ProbeOutcome records;
    for (ProbeAnswer answer : {A::kGraphics, A::kModes, A::kInput}) {
      MarkUnanswered(answer, records);
    }
    EXPECT_EQ(row.inTime, run.TakeAnswers(records));
    EXPECT_NE(std::string::npos, Join(run.TakeNotes()).find(" did not answer in time"));

    now = 100200 + row.lateAtMs;
    for (ProbePart part : {ProbePart::kDirect3D, ProbePart::kDirectInput}) {
      const std::string& late = row.parts[static_cast<int>(part)].second;
      run.Receive(part, late.data(), late.size());
    }
    if (row.crashesLate) {
      run.Ended(ProbePart::kDirect3D, 0xC0000005U);
    }
    EXPECT_TRUE(run.Settled());
    EXPECT_EQ(row.late, run.TakeAnswers(records));
    EXPECT_EQ(std::vector<ProbeAnswer>{}, run.TakeAnswers(records)) << "each answer taken once";
    EXPECT_EQ(row.lateNote, Join(run.TakeNotes()));
    EXPECT_EQ("", Join(run.TakeNotes())) << "each line is taken once";
    EXPECT_EQ("", OutcomeDifferences(run.Outcome(), records));
  }
}

// A late answer reaches the records on its own: it switches off what the hardware lacks and
// lists its modes, and leaves what the player chose since the first "Настройки" as it is.
TEST(ProbeRunTest, ALateAnswerChangesOnlyWhatItDecides) {
  HardwareScript weak = Capable();
  weak.multiSample = false;
  weak.pixelShaderVersion = 0xFFFF0104U;
  FakeHardware hardware(weak);
  const ProbeOutcome found = RunProbe(hardware);

  Settings settings;  // as the file asked
  settings.FSAA = settings.Bloom = settings.DXT5 = true;
  settings.Quality = 2;
  settings.Joystick = 7;
  settings.ScreenWidth = 1600;
  settings.ScreenHeight = 1200;
  Capabilities caps;
  DisplayModeList modes;
  ProbeOutcome inTime = found;
  MarkUnanswered(ProbeAnswer::kGraphics, inTime);
  MarkUnanswered(ProbeAnswer::kModes, inTime);
  const Settings asked = settings;
  ApplyProbeOutcome(inTime, settings, caps, modes);
  EXPECT_EQ(asked, settings) << "unknown keeps the file's values; a controller opens";

  // What the player changed and confirmed in the first dialog.
  settings.Gibs = true;
  settings.Frequency = 22050;
  settings.Joystick = 1;
  Settings expected = settings;

  ApplyProbeAnswer(ProbeAnswer::kGraphics, found, settings, caps, modes);
  expected.FSAA = false;
  expected.Bloom = false;
  EXPECT_EQ(expected, settings);
  EXPECT_TRUE(caps.graphicsKnown && caps.dxt5Available && caps.joystickKnown);
  EXPECT_FALSE(caps.fsaaAvailable || caps.bloomAvailable);
  EXPECT_TRUE(modes.empty()) << "the modes are an answer of their own";

  ApplyProbeAnswer(ProbeAnswer::kModes, found, settings, caps, modes);
  EXPECT_EQ(found.modes, modes);
  EXPECT_EQ(expected, settings) << "the chosen mode stays until the player picks another";

  // In time or late, all three answers leave the records as one outcome would.
  Settings atOnce = expected;
  Capabilities atOnceCaps;
  DisplayModeList atOnceModes;
  ApplyProbeOutcome(found, atOnce, atOnceCaps, atOnceModes);
  ApplyProbeAnswer(ProbeAnswer::kInput, found, settings, caps, modes);
  EXPECT_EQ(atOnce, settings);
  EXPECT_EQ(atOnceModes, modes);
  EXPECT_TRUE(atOnceCaps.fsaaAvailable == caps.fsaaAvailable &&
              atOnceCaps.bloomAvailable == caps.bloomAvailable &&
              atOnceCaps.aaLevelCount == caps.aaLevelCount &&
              atOnceCaps.joystickAvailable == caps.joystickAvailable);
}

// capsreport's patience: each part's counts from its first words (from the beginning while it
// is silent), a part still busy is named once after the notice time, and one past its patience
// is given up on alone.
TEST(ProbeRunTest, PatienceCountsFromEachPartsStart) {
  const HardwareScript capable = Capable();
  const std::string input = PartText(capable, ProbePart::kDirectInput);
  const std::string d3dStep = WireStep("Direct3DCreate9");
  enum class Event { kNone, kDirect3DSpeaks };
  struct Step {
    std::uint64_t atMs;  // since the beginning
    Event event;
    std::vector<ProbePart> givenUp;
    std::vector<std::string> waiting;
    bool settled;
    std::uint32_t sleepMs;
  };
  const std::string waitD3D = "Waiting for Direct3D 9, busy in Direct3DCreate9...";
  const std::string waitInput = "Waiting for DirectInput 8, which is starting...";
  const Step steps[] = {
      {0, Event::kNone, {}, {}, false, 3000},
      {2000, Event::kDirect3DSpeaks, {}, {}, false, 1000},  // DirectInput's notice is due first
      {3000, Event::kNone, {}, {waitInput}, false, 2000},
      {5000, Event::kNone, {}, {waitD3D}, false, 25000},
      {6000, Event::kNone, {}, {}, false, 24000},
      {30000, Event::kNone, {ProbePart::kDirectInput}, {}, false, 2000},
      {31000, Event::kNone, {}, {}, false, 1000},
      {32000, Event::kNone, {ProbePart::kDirect3D}, {}, true, 0},
  };
  std::uint64_t now = 5000;
  ProbeRun run(nullptr, [&now] { return now; });
  for (const Step& step : steps) {
    SCOPED_TRACE(step.atMs);
    now = 5000 + step.atMs;
    if (step.event == Event::kDirect3DSpeaks) {
      run.Receive(ProbePart::kDirect3D, d3dStep.data(), d3dStep.size());
    }
    const PatientWait next = run.WaitPatiently(30000, 3000);
    EXPECT_EQ(step.givenUp, next.givenUp);
    EXPECT_EQ(step.waiting, next.waiting);
    EXPECT_EQ(step.settled, next.settled);
    EXPECT_EQ(step.sleepMs, next.sleepMs);
  }
  EXPECT_EQ(
      "Hardware probe - Direct3D 9 did not answer in time, still busy in Direct3DCreate9; graphics "
      "capabilities and display modes unknown\n"
      "Hardware probe - DirectInput 8 did not answer in time, still busy in its start; joystick "
      "unknown\n",
      Join(run.TakeNotes()));

  // A part that answers in time is not waited for, and never named.
  now = 0;
  ProbeRun quick(nullptr, [&now] { return now; });
  quick.Receive(ProbePart::kDirectInput, input.data(), input.size());
  now = 4000;
  quick.Receive(ProbePart::kDirect3D, d3dStep.data(), d3dStep.size());
  const PatientWait next = quick.WaitPatiently(30000, 3000);
  EXPECT_EQ(std::vector<std::string>{}, next.waiting);
  EXPECT_EQ(3000u, next.sleepMs);
}

// What the hardware really answered clears the file's wishes; a part that never answered
// clears nothing.
TEST(ProbeRunTest, AnUnknownPartClearsNothingWhatAKnownOneLacksIsCleared) {
  HardwareScript weak = Capable();
  weak.multiSample = false;
  weak.pixelShaderVersion = 0xFFFF0104U;
  weak.controllers = {};
  ProbeRun run(nullptr, StillClock);
  const std::string input = PartText(weak, ProbePart::kDirectInput);
  run.Receive(ProbePart::kDirectInput, input.data(), input.size());
  run.Ended(ProbePart::kDirectInput, 0);
  run.Receive(ProbePart::kDirect3D, "step d3d9.dll\n", 14);
  run.Ended(ProbePart::kDirect3D, 0xC0000005U);

  Settings settings;
  settings.FSAA = settings.Bloom = settings.DXT5 = true;
  settings.Joystick = 7;
  settings.Quality = 2;
  Capabilities caps;
  DisplayModeList modes{{768, 1024, 32}};
  ApplyProbeOutcome(run.Outcome(), settings, caps, modes);
  EXPECT_TRUE(settings.FSAA && settings.Bloom && settings.DXT5) << "Direct3D never answered";
  EXPECT_EQ(0, settings.Joystick) << "DirectInput answered: no controller";
  EXPECT_FALSE(caps.graphicsKnown || caps.fsaaAvailable || caps.bloomAvailable ||
               caps.dxt5Available);
  EXPECT_TRUE(caps.joystickKnown);
  EXPECT_TRUE(modes.empty());
}

// The parts' readers feed the run from threads of their own while the owner polls it, as the
// launcher's UI thread does; run under ThreadSanitizer too.
TEST(ProbeRunTest, PartsFedFromTheirThreadsWhileTheOwnerPolls) {
  const HardwareScript capable = Capable();
  const std::string texts[] = {PartText(capable, ProbePart::kDirect3D),
                               PartText(capable, ProbePart::kDirectInput)};
  for (int round = 0; round < 20; ++round) {
    std::atomic<int> changes{0};
    ProbeRun run([&changes] { ++changes; }, StillClock);
    std::vector<std::thread> readers;
    for (ProbePart part : {ProbePart::kDirect3D, ProbePart::kDirectInput}) {
      const std::string& text = texts[static_cast<int>(part)];
      readers.emplace_back([&run, &text, part] {
        for (std::size_t at = 0; at < text.size(); at += 5) {
          run.Receive(part, text.data() + at, std::min<std::size_t>(5, text.size() - at));
        }
        run.Ended(part, 0);
      });
    }
    while (!run.Settled()) {
      static_cast<void>(run.Outcome());
      std::this_thread::yield();
    }
    for (std::thread& reader : readers) {
      reader.join();
    }
    FakeHardware hardware(capable);
    EXPECT_EQ("", OutcomeDifferences(RunProbe(hardware), run.Outcome()));
    EXPECT_GT(changes.load(), 2);
    EXPECT_TRUE(run.GiveUp().empty());
    EXPECT_EQ("", Join(run.TakeNotes()));
  }
}

// ---- the private argument ----

TEST(ProbeArgumentTest, OnlyTheProgramFollowedByTheArgumentItselfCounts) {
  const struct {
    const wchar_t* commandLine;
    bool probe;
    ProbePart part;
  } rows[] = {
      {L"\"C:\\Games\\Skarnavel\\SkarnavelLauncher.exe\" /zurvo-probe:direct3d", true,
       ProbePart::kDirect3D},
      {L"\"C:\\Program Files\\S\\SkarnavelLauncher.exe\" /zurvo-probe:directinput", true,
       ProbePart::kDirectInput},
      {L"SkarnavelLauncher.exe /zurvo-probe:directinput  ", true, ProbePart::kDirectInput},
      {L"SkarnavelLauncher.exe", false, ProbePart::kDirect3D},
      {L"\"SkarnavelLauncher.exe\"", false, ProbePart::kDirect3D},
      {L"SkarnavelLauncher.exe /zurvo-probe:", false, ProbePart::kDirect3D},
      {L"SkarnavelLauncher.exe /zurvo-probe:direct3d extra", false, ProbePart::kDirect3D},
      {L"SkarnavelLauncher.exe /ZURVO-PROBE:DIRECT3D", false, ProbePart::kDirect3D},
      {L"\"/zurvo-probe:direct3d\"", false, ProbePart::kDirect3D},
      {L"/zurvo-probe:direct3d", false, ProbePart::kDirect3D},
      {L"", false, ProbePart::kDirect3D},
  };
  for (const auto& row : rows) {
    ProbePart part = ProbePart::kDirect3D;
    EXPECT_EQ(row.probe, ProbePartFromCommandLine(row.commandLine, part))
        << std::string(row.commandLine, row.commandLine + wcslen(row.commandLine));
    if (row.probe) {
      EXPECT_EQ(row.part, part);
    }
  }
}

}  // namespace
