#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "launcher/probe_handoff.h"
#include "launcher/unique_handle_win.h"
#include "probe/probe.h"
#include "settings/game_settings.h"

// The hardware probe as the launcher runs it: given the application's instance handle, it returns
// what it found. The product passes ProbeHardware; test programs pass stand-ins.
using ProbeFunction = ProbeOutcome (*)(HINSTANCE instance);

// The probe running on a worker thread while the main dialog is up, as the UI thread sees it.
// Dropping this object neither waits for the worker nor pulls anything from under it.
class BackgroundProbe {
public:
  // `prepare`, when given, runs on the UI thread just before the worker starts (the launcher
  // loads the probe's system libraries there).
  explicit BackgroundProbe(ProbeJob probe, std::function<void()> prepare = nullptr);
  BackgroundProbe(const BackgroundProbe&) = delete;
  BackgroundProbe& operator=(const BackgroundProbe&) = delete;

  // Starts the probe on a worker, once; later calls do nothing. When no worker can be started,
  // runs the probe here and now instead.
  void Start();
  bool Started() const { return handoff_ != nullptr; }
  bool Finished() const { return handoff_ != nullptr && handoff_->Published(); }

  // Applies the probe's outcome to the records once it has finished (see ProbeHandoff::ApplyTo).
  bool ApplyTo(Settings& settings, Capabilities& caps, DisplayModeList& modes) {
    return handoff_ != nullptr && handoff_->ApplyTo(settings, caps, modes);
  }
  bool ReapplySwitchesTo(Settings& settings) const {
    return handoff_ != nullptr && handoff_->ReapplySwitchesTo(settings);
  }

  // Starts the probe if need be and waits for it to finish while this thread's windows go on
  // painting and answering: messages are dispatched, with `dialog`'s keyboard navigation, as the
  // modal loop would. True once the probe has finished; false as soon as `abandon` says so
  // (asked after every message) or a quit message arrives (it is posted again for the loop that
  // owns it).
  bool WaitWhilePumping(HWND dialog, const std::function<bool()>& abandon);

private:
  ProbeJob probe_;
  std::function<void()> prepare_;
  std::shared_ptr<ProbeHandoff> handoff_;
  // Set by the worker once the outcome is in the handoff; shared, since the worker may set it
  // after this object is gone.
  std::shared_ptr<UniqueKernelHandle> finished_;
};
