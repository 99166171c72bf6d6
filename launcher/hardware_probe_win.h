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
// at most a bounded time, and applied to the records when "Настройки" first needs them. A part
// that answers after that wait is not stopped: its answers reach the records at the next
// "Настройки". Dropping this object waits for nothing.
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
  // Stops waiting for every part that has not settled: its answers count as unknown until they
  // come. Its process runs on (it ends with the launcher at the latest).
  void GiveUp();

  // Once settled (or given up), applies what is known to the records, and logs what the probe
  // left out. Later calls apply the answers that came since, each once, touching only what they
  // decide. True when the records hold the probe's results; false while it has not settled.
  bool ApplyTo(Settings& settings, Capabilities& caps, DisplayModeList& modes);
  bool Applied() const { return applied_; }
  // Once applied: switches off again in `settings` what the hardware cannot do, as far as the
  // records have been told, for settings read anew after that. False, changing nothing, before.
  bool ReapplySwitchesTo(Settings& settings) const;
  // Writes to the log what it has not been told yet: a part that crashed, hung or never started,
  // one that answered late, and what the answers left out.
  void LogNotes();

private:
  std::unique_ptr<ProbeSource> source_;
  // Set by the parts' readers on every change; shared, since they may set it after this object
  // is gone.
  SignalledRun signalled_;
  bool started_ = false;
  bool applied_ = false;
  // What the records have been given: every answer taken so far, the others unanswered.
  ProbeOutcome outcome_;
};
