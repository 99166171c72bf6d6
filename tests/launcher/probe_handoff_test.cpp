// The probe's outcome travelling from a worker thread to the thread that owns the settings
// records, with a scripted adapter as the probe. Built under ThreadSanitizer by the native-tsan
// preset, so a missing lock shows up as a race report rather than as luck.
#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/probe_handoff.h"
#include "settings/config_file.h"
#include "tests/probe/fake_hardware.h"

namespace {

using std::chrono::milliseconds;

// Far longer than any of these probes takes; only a broken handoff reaches it.
const milliseconds kPatience(10000);

// A file that asks for everything the probe may have to switch off.
const char kConfig[] =
    "ScreenWidth 1024\nScreenHeight 768\nBitsPerPixel 32\n"
    "Bloom 1\nFSAA 1\nDXT5 1\nJoystick 1\nQuality 3\nGibs 1\n";

Settings ReadConfig() {
  Settings settings;
  EXPECT_TRUE(ReadConfigurationFromBytes(kConfig, static_cast<std::int32_t>(std::strlen(kConfig)),
                                         settings));
  return settings;
}

std::string Describe(const Capabilities& caps) {
  std::ostringstream out;
  out << "bloom " << caps.bloomAvailable << ", fsaa " << caps.fsaaAvailable << ", dxt5 "
      << caps.dxt5Available << ", joystick " << caps.joystickAvailable << ", levels "
      << caps.aaLevelCount;
  return out.str();
}

std::string Describe(const DisplayModeList& modes) {
  std::ostringstream out;
  for (const DisplayMode& mode : modes) {
    out << mode.width << "x" << mode.height << "x" << mode.bitsPerPixel << " ";
  }
  return out.str();
}

// The three records as one value, so that a whole state compares and prints at once.
struct Records {
  Settings settings;
  Capabilities caps;
  DisplayModeList modes;
};

void ExpectSameRecords(const Records& expected, const Records& actual) {
  EXPECT_EQ(FormatConfiguration(actual.settings), FormatConfiguration(expected.settings));
  EXPECT_TRUE(actual.settings == expected.settings);
  EXPECT_EQ(Describe(actual.caps), Describe(expected.caps));
  EXPECT_EQ(Describe(actual.modes), Describe(expected.modes));
}

HardwareScript Capable() {
  HardwareScript script;
  script.modes[kFormatX1R5G5B5] = {{800, 600}, {1024, 768}};
  script.modes[kFormatA8R8G8B8] = {{1024, 768}, {1280, 1024}};
  script.controllers = {true};
  return script;
}

ProbeOutcome ProbeScript(const HardwareScript& script) {
  FakeHardware hardware(script);
  return RunProbe(hardware);
}

// A probe that holds still until the test lets it go, as DirectInput does while a controller's
// driver dawdles.
class Gate {
public:
  Gate() : opened_(promise_.get_future().share()) {}
  ~Gate() { Open(); }
  void Open() {
    if (!open_.exchange(true)) {
      promise_.set_value();
    }
  }
  ProbeJob Probe(const HardwareScript& script) const {
    std::shared_future<void> opened = opened_;
    return [opened, script] {
      opened.wait();
      return ProbeScript(script);
    };
  }

private:
  std::promise<void> promise_;
  std::shared_future<void> opened_;
  std::atomic<bool> open_{false};
};

struct OrderCase {
  const char* name;
  HardwareScript script;
};

std::vector<OrderCase> OrderCases() {
  std::vector<OrderCase> cases;
  cases.push_back({"capable", Capable()});
  HardwareScript noDirect3D = Capable();
  noDirect3D.direct3D = false;
  cases.push_back({"no Direct3D", noDirect3D});
  HardwareScript weak = Capable();
  weak.multiSample = false;
  weak.pixelShaderVersion = 0xFFFF0104U;
  weak.dxt5 = false;
  weak.controllers = {false, false};
  cases.push_back({"no multisampling, shader 1.4, no DXT5, controllers that do not open", weak});
  HardwareScript noInput = Capable();
  noInput.directInput = false;
  cases.push_back({"no DirectInput", noInput});
  return cases;
}

}  // namespace

TEST(ProbeHandoff, OutcomeFromTheWorkerLeavesTheRecordsAsTheSequentialOrderDoes) {
  for (const OrderCase& test : OrderCases()) {
    SCOPED_TRACE(test.name);
    Records sequential{ReadConfig(), {}, {}};
    ApplyProbeOutcome(ProbeScript(test.script), sequential.settings, sequential.caps,
                      sequential.modes);

    Records concurrent{ReadConfig(), {}, {}};
    const HardwareScript script = test.script;
    std::shared_ptr<ProbeHandoff> handoff =
        StartProbeWorker([script] { return ProbeScript(script); }, nullptr);
    ASSERT_NE(handoff, nullptr);
    ASSERT_TRUE(handoff->WaitFor(kPatience));
    ASSERT_TRUE(handoff->ApplyTo(concurrent.settings, concurrent.caps, concurrent.modes));
    ExpectSameRecords(sequential, concurrent);
  }
}

TEST(ProbeHandoff, RecordsChangeOnlyWhenTheOwnerAppliesAndOnlyOnce) {
  Gate gate;
  const Records asRead{ReadConfig(), {}, {}};
  Records records = asRead;
  HardwareScript script;  // no modes, no controllers
  script.multiSample = false;
  std::shared_ptr<ProbeHandoff> handoff = StartProbeWorker(gate.Probe(script), nullptr);
  ASSERT_NE(handoff, nullptr);

  // Still probing: nothing to apply, nothing to wait out.
  EXPECT_FALSE(handoff->WaitFor(milliseconds(20)));
  EXPECT_FALSE(handoff->Published());
  EXPECT_FALSE(handoff->ApplyTo(records.settings, records.caps, records.modes));
  EXPECT_FALSE(handoff->Applied());
  EXPECT_FALSE(handoff->ReapplySwitchesTo(records.settings));
  ExpectSameRecords(asRead, records);

  // Finished: the worker has handed over, but the records are the owner's to change.
  gate.Open();
  ASSERT_TRUE(handoff->WaitFor(kPatience));
  EXPECT_TRUE(handoff->Published());
  ExpectSameRecords(asRead, records);

  // A machine without modes, controllers or multisampling: the file's wishes are switched off.
  ASSERT_TRUE(handoff->ApplyTo(records.settings, records.caps, records.modes));
  EXPECT_TRUE(handoff->Applied());
  EXPECT_FALSE(records.settings.FSAA);
  EXPECT_EQ(records.settings.Joystick, 0);
  EXPECT_TRUE(records.settings.Bloom) << "shader 3.0 keeps bloom";
  EXPECT_EQ(Describe(records.caps), "bloom 1, fsaa 0, dxt5 1, joystick 0, levels 0");
  EXPECT_TRUE(records.modes.empty()) << Describe(records.modes);

  // Later changes (the settings dialog's OK) are not undone by asking again.
  records.settings.Joystick = 1;
  records.caps.aaLevelCount = 7;
  records.modes.push_back({600, 800, 16});
  const Records changed = records;
  EXPECT_TRUE(handoff->ApplyTo(records.settings, records.caps, records.modes));
  ExpectSameRecords(changed, records);

  // Settings read anew (the file could not be read at first) get the same switches again.
  Settings reread = ReadConfig();
  ASSERT_TRUE(handoff->ReapplySwitchesTo(reread));
  EXPECT_FALSE(reread.FSAA);
  EXPECT_EQ(reread.Joystick, 0);
  EXPECT_TRUE(reread.Bloom);
}

TEST(ProbeHandoff, OnlyTheFirstPublicationCounts) {
  ProbeHandoff handoff;
  ProbeOutcome first = ProbeScript(Capable());
  const ProbeOutcome expected = first;
  EXPECT_TRUE(handoff.Publish(std::move(first)));
  ProbeOutcome second = NothingAvailableOutcome();
  EXPECT_FALSE(handoff.Publish(std::move(second)));

  Records records{ReadConfig(), {}, {}};
  Records fromFirst = records;
  ApplyProbeOutcome(expected, fromFirst.settings, fromFirst.caps, fromFirst.modes);
  ASSERT_TRUE(handoff.ApplyTo(records.settings, records.caps, records.modes));
  ExpectSameRecords(fromFirst, records);
}

TEST(ProbeHandoff, AProbeThatThrowsCountsAsNothingAvailable) {
  std::shared_ptr<ProbeHandoff> handoff =
      StartProbeWorker([]() -> ProbeOutcome { throw std::bad_alloc(); }, nullptr);
  ASSERT_NE(handoff, nullptr);
  ASSERT_TRUE(handoff->WaitFor(kPatience));
  Records records{ReadConfig(), {}, {}};
  ASSERT_TRUE(handoff->ApplyTo(records.settings, records.caps, records.modes));
  EXPECT_EQ(Describe(records.caps), "bloom 0, fsaa 0, dxt5 0, joystick 0, levels 0");
  EXPECT_FALSE(records.settings.Bloom);
  EXPECT_FALSE(records.settings.FSAA);
  EXPECT_FALSE(records.settings.DXT5);
  EXPECT_EQ(records.settings.Joystick, 0);
  EXPECT_TRUE(records.settings.Gibs) << "settings the hardware does not decide stay as read";
  EXPECT_TRUE(records.modes.empty()) << Describe(records.modes);
}

TEST(ProbeHandoff, TheWorkerFinishesAfterItsOwnerHasLetGo) {
  Gate gate;
  auto finished = std::make_shared<std::promise<bool>>();
  std::future<bool> finishedFuture = finished->get_future();
  std::weak_ptr<ProbeHandoff> watch;
  {
    std::shared_ptr<ProbeHandoff> handoff =
        StartProbeWorker(gate.Probe(Capable()), [finished] { finished->set_value(true); });
    ASSERT_NE(handoff, nullptr);
    watch = handoff;
  }
  // The owner is gone (as when the player leaves mid-probe); the worker keeps the handoff alive
  // and still runs to its end.
  EXPECT_FALSE(watch.expired());
  gate.Open();
  ASSERT_EQ(finishedFuture.wait_for(kPatience), std::future_status::ready);
  EXPECT_TRUE(finishedFuture.get());
  // The worker drops its reference as its thread ends.
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!watch.expired() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(1));
  }
  EXPECT_TRUE(watch.expired()) << "the handoff outlived its worker";
}

TEST(ProbeHandoff, EveryWaiterWakesAndTheSignalFollowsThePublication) {
  Gate gate;
  std::atomic<bool> signalledAfterPublish{false};
  std::promise<std::shared_ptr<ProbeHandoff>> handoffForSignal;
  std::shared_future<std::shared_ptr<ProbeHandoff>> handoffReady =
      handoffForSignal.get_future().share();
  std::shared_ptr<ProbeHandoff> handoff =
      StartProbeWorker(gate.Probe(Capable()), [handoffReady, &signalledAfterPublish] {
        signalledAfterPublish = handoffReady.get()->Published();
      });
  ASSERT_NE(handoff, nullptr);
  handoffForSignal.set_value(handoff);

  std::vector<std::future<bool>> waiters;
  waiters.reserve(3);
  for (int i = 0; i < 3; ++i) {
    waiters.push_back(
        std::async(std::launch::async, [handoff] { return handoff->WaitFor(kPatience); }));
  }
  gate.Open();
  for (std::future<bool>& waiter : waiters) {
    EXPECT_TRUE(waiter.get());
  }
  // The signal runs after the outcome is in place: whoever it wakes finds the outcome.
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!signalledAfterPublish && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(1));
  }
  EXPECT_TRUE(signalledAfterPublish);
}

TEST(ProbeHandoff, OwnerPollingWhileTheWorkerPublishes) {
  // The owner's side as the main dialog uses it: ask whether the probe has finished, do something
  // else, ask again, then apply. Repeated so that the two threads meet at every point of the
  // publication; half the rounds ask by applying straight away.
  for (int round = 0; round < 50; ++round) {
    Records records{ReadConfig(), {}, {}};
    std::shared_ptr<ProbeHandoff> handoff =
        StartProbeWorker([] { return ProbeScript(Capable()); }, nullptr);
    ASSERT_NE(handoff, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    bool applied = false;
    while (!applied && std::chrono::steady_clock::now() < deadline) {
      if (round % 2 == 0 && !handoff->Published()) {
        continue;
      }
      applied = handoff->ApplyTo(records.settings, records.caps, records.modes);
    }
    ASSERT_TRUE(applied) << "round " << round;
    ASSERT_EQ(records.modes.size(), 4u) << "round " << round << ": " << Describe(records.modes);
  }
}

TEST(ProbeHandoff, WorkersStartedOneAfterAnotherEachRun) {
  // Each worker ends while the next is being started, as when probes follow each other closely:
  // the thread library's records of finished workers must not trip up the next one. (A busy
  // machine makes a worker's end and the next start overlap far more often.)
  for (int round = 0; round < 300; ++round) {
    std::shared_ptr<ProbeHandoff> handoff =
        StartProbeWorker([] { return NothingAvailableOutcome(); }, nullptr);
    ASSERT_NE(handoff, nullptr);
    ASSERT_TRUE(handoff->WaitFor(kPatience)) << "round " << round;
  }
}
