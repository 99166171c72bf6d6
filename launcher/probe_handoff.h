#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "probe/probe.h"
#include "settings/game_settings.h"

// Carries one probe outcome from the worker thread that computes it to the thread that owns the
// settings records. The worker never touches the records: its outcome waits here until the owning
// thread applies it in one step. Since the configuration file was read before the worker
// started, whatever the file asked for and the hardware cannot do is cleared exactly as if the
// probe had run right after the file.
class ProbeHandoff {
public:
  // Worker side: hands the outcome over and wakes the waiters. Only the first call counts; a
  // later one changes nothing and returns false.
  bool Publish(ProbeOutcome&& outcome) noexcept;
  // Whether an outcome has been handed over (applied or not).
  bool Published() const;
  // Blocks until an outcome has been handed over or `timeout` has passed; true when it has.
  bool WaitFor(std::chrono::milliseconds timeout) const;

  // Owner side: applies the handed-over outcome to the records, once. True when the records hold
  // the probe's results, from this call or an earlier one; false while the probe is still running.
  bool ApplyTo(Settings& settings, Capabilities& caps, DisplayModeList& modes);
  bool Applied() const;
  // Once applied: switches off again in `settings` what the hardware cannot do, for settings
  // read anew after the outcome was applied. False, changing nothing, before that.
  bool ReapplySwitchesTo(Settings& settings) const;

private:
  mutable std::mutex mutex_;
  mutable std::condition_variable publishedSignal_;
  bool published_ = false;
  bool applied_ = false;
  std::optional<ProbeOutcome> outcome_;
};

// What stands in for a probe that failed outright (it ran out of memory): nothing is available,
// and every setting that depends on the hardware is cleared.
ProbeOutcome NothingAvailableOutcome();

using ProbeJob = std::function<ProbeOutcome()>;

// Runs `probe` where it stands; a probe that throws counts as NothingAvailableOutcome().
ProbeOutcome RunProbeJob(const ProbeJob& probe) noexcept;

// Runs `probe` on a detached worker thread and returns the handoff it publishes to. The worker
// holds its own references to everything it uses (the handoff, the job, `onPublished`), so the
// caller may drop its reference and even leave the process while the probe is still inside the
// hardware's interfaces: nothing waits for the worker. `onPublished`, when given, runs on the
// worker right after the outcome was handed over (to wake a waiting message loop). Returns null
// when no thread could be started; the caller then runs the probe itself.
std::shared_ptr<ProbeHandoff> StartProbeWorker(ProbeJob probe, std::function<void()> onPublished);
