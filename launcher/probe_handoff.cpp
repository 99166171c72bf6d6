#include "launcher/probe_handoff.h"

#include <utility>

#include "launcher/detached_thread.h"

bool ProbeHandoff::Publish(ProbeOutcome&& outcome) noexcept {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (published_) {
      return false;
    }
    outcome_.emplace(std::move(outcome));
    published_ = true;
  }
  publishedSignal_.notify_all();
  return true;
}

bool ProbeHandoff::Published() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return published_;
}

bool ProbeHandoff::WaitFor(std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return publishedSignal_.wait_for(lock, timeout, [this] { return published_; });
}

bool ProbeHandoff::ApplyTo(Settings& settings, Capabilities& caps, DisplayModeList& modes) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (applied_) {
      return true;
    }
    if (!published_) {
      return false;
    }
    applied_ = true;
  }
  // Published outcomes are never written again, so reading one needs no lock.
  ApplyProbeOutcome(*outcome_, settings, caps, modes);
  return true;
}

bool ProbeHandoff::Applied() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return applied_;
}

bool ProbeHandoff::ReapplySwitchesTo(Settings& settings) const {
  if (!Applied()) {
    return false;
  }
  ApplyProbeSwitches(*outcome_, settings);
  return true;
}

ProbeOutcome NothingAvailableOutcome() {
  ProbeOutcome outcome;
  outcome.caps.bloomAvailable = false;
  outcome.caps.fsaaAvailable = false;
  outcome.caps.dxt5Available = false;
  outcome.caps.joystickAvailable = false;
  outcome.clearFSAA = true;
  outcome.clearBloom = true;
  outcome.clearDXT5 = true;
  outcome.clearJoystick = true;
  return outcome;
}

ProbeOutcome RunProbeJob(const ProbeJob& probe) noexcept {
  try {
    return probe();
  } catch (...) {
    return NothingAvailableOutcome();
  }
}

std::shared_ptr<ProbeHandoff> StartProbeWorker(ProbeJob probe, std::function<void()> onPublished) {
  try {
    auto handoff = std::make_shared<ProbeHandoff>();
    const bool started = StartDetachedThread(
        [handoff, probe = std::move(probe), onPublished = std::move(onPublished)] {
          handoff->Publish(RunProbeJob(probe));
          // Should this throw, nobody is listening any more; the outcome is in the handoff.
          if (onPublished) {
            onPublished();
          }
        });
    return started ? handoff : nullptr;
  } catch (...) {
    // No memory for the handoff or the job's copy: the caller probes in its own thread.
    return nullptr;
  }
}
