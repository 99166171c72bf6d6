#include "launcher/hardware_probe_win.h"

#include <string>
#include <utility>

#include "engine/log.h"

namespace {

std::shared_ptr<ProbeRun> NewRun(const std::shared_ptr<UniqueKernelHandle>& changed) {
  return std::make_shared<ProbeRun>([changed] {
    if (changed->Valid()) {
      SetEvent(changed->Get());
    }
  });
}

}  // namespace

HardwareProbe::HardwareProbe(std::unique_ptr<ProbeSource> source)
    : source_(std::move(source)),
      // Auto-reset: each wake-up is followed by a look at the run, so none is lost.
      changed_(std::make_shared<UniqueKernelHandle>(CreateEventW(nullptr, FALSE, FALSE, nullptr))),
      run_(NewRun(changed_)) {}

void HardwareProbe::Start() {
  if (started_) {
    return;
  }
  started_ = true;
  source_->Start(run_);
}

HardwareProbe::Wait HardwareProbe::WaitWhilePumping(HWND dialog,
                                                    const std::function<bool()>& abandon,
                                                    DWORD timeoutMs) {
  Start();
  const DWORD begun = GetTickCount();
  // Without an event (none could be made) the wait still ends: it looks again every so often.
  const DWORD recheckMs = changed_->Valid() ? INFINITE : 50;
  const HANDLE event = changed_->Get();
  const DWORD handleCount = changed_->Valid() ? 1 : 0;
  for (;;) {
    if (run_->Settled()) {
      return Wait::kSettled;
    }
    if (abandon()) {
      return Wait::kAbandoned;
    }
    const DWORD waited = GetTickCount() - begun;  // right across the counter's wrap
    if (waited >= timeoutMs) {
      return Wait::kTimedOut;
    }
    const DWORD left = timeoutMs - waited;
    // MWMO_INPUTAVAILABLE: messages already seen but not yet removed count too.
    const DWORD woke = MsgWaitForMultipleObjectsEx(handleCount, handleCount != 0 ? &event : nullptr,
                                                   left < recheckMs ? left : recheckMs, QS_ALLINPUT,
                                                   MWMO_INPUTAVAILABLE);
    if (woke == WAIT_FAILED) {
      Sleep(50);
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        return Wait::kAbandoned;
      }
      if (dialog == nullptr || !IsDialogMessageW(dialog, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      if (abandon()) {
        return Wait::kAbandoned;
      }
    }
  }
}

void HardwareProbe::GiveUp() {
  for (ProbePart part : run_->GiveUp()) {
    source_->Stop(part);
  }
}

bool HardwareProbe::ApplyTo(Settings& settings, Capabilities& caps, DisplayModeList& modes) {
  if (applied_) {
    return true;
  }
  if (!run_->Settled()) {
    return false;
  }
  outcome_ = run_->Outcome();
  ApplyProbeOutcome(outcome_, settings, caps, modes);
  applied_ = true;
  LogNotes();
  return true;
}

bool HardwareProbe::ReapplySwitchesTo(Settings& settings) const {
  if (!applied_) {
    return false;
  }
  ApplyProbeSwitches(outcome_, settings);
  return true;
}

void HardwareProbe::LogNotes() {
  for (const std::string& note : run_->TakeNotes()) {
    LogMessage("%s\n", note.c_str());
  }
}
