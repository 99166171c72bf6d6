#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "engine/unique_handle_win.h"
#include "probe/probe_process_win.h"
#include "probe/probe_run.h"
#include "settings/game_settings.h"

// The hardware probe as the launcher's UI thread sees it: started once the main window is up,
// answered by its parts in processes of their own (ProbeProcesses in the launcher), waited for
// at most a bounded time, and applied to the records once, when "Настройки" first needs them.
// Dropping this object waits for nothing.
class HardwareProbe {
public:
  explicit HardwareProbe(std::unique_ptr<ProbeSource> source);
  HardwareProbe(const HardwareProbe&) = delete;
  HardwareProbe& operator=(const HardwareProbe&) = delete;

  // Starts the probe's parts, once; later calls do nothing.
  void Start();
  bool Started() const { return started_; }
  // Nothing more is to come: every part has answered, ended or been given up.
  bool Settled() const { return signalled_.run->Settled(); }

  enum class Wait { kSettled, kTimedOut, kAbandoned };
  // Starts the probe if need be and waits up to `timeoutMs` for it to settle while this thread's
  // windows go on painting and answering: messages are dispatched, with `dialog`'s keyboard
  // navigation, as the modal loop would. Abandoned as soon as `abandon` says so (asked after
  // every message) or a quit message arrives (it is posted again for the loop that owns it).
  Wait WaitWhilePumping(HWND dialog, const std::function<bool()>& abandon, DWORD timeoutMs);
  // Gives up on every part that has not settled: its answers count as unknown and its process
  // is ended.
  void GiveUp();

  // Once settled (or given up), applies what is known to the records, once, and logs what the
  // probe left out. True when the records hold the probe's results, from this call or an
  // earlier one; false while it has not settled.
  bool ApplyTo(Settings& settings, Capabilities& caps, DisplayModeList& modes);
  bool Applied() const { return applied_; }
  // Once applied: switches off again in `settings` what the hardware cannot do, for settings
  // read anew after the outcome was applied. False, changing nothing, before that.
  bool ReapplySwitchesTo(Settings& settings) const;
  // Writes to the log what it has not been told yet: a part that crashed, hung or never started,
  // and what the answers left out.
  void LogNotes();

private:
  std::unique_ptr<ProbeSource> source_;
  // Set by the parts' readers on every change; shared, since they may set it after this object
  // is gone.
  SignalledRun signalled_;
  bool started_ = false;
  bool applied_ = false;
  ProbeOutcome outcome_;
};
