#include "launcher/hardware_probe_win.h"

#include <string>
#include <utility>

#include "engine/log.h"

HardwareProbe::HardwareProbe(std::unique_ptr<ProbeSource> source)
    : source_(std::move(source)), signalled_(NewSignalledRun()) {}

void HardwareProbe::Start() {
  if (started_) {
    return;
  }
  started_ = true;
  signalled_.run->Begin();
  source_->Start(signalled_.run);
}

HardwareProbe::Wait HardwareProbe::WaitWhilePumping(HWND dialog,
                                                    const std::function<bool()>& abandon,
                                                    DWORD timeoutMs) {
  Start();
  const DWORD begun = GetTickCount();
  // Without an event (none could be made) the wait still ends: it looks again every so often.
  const UniqueKernelHandle& changed = *signalled_.changed;
  const DWORD recheckMs = changed.Valid() ? INFINITE : 50;
  const HANDLE event = changed.Get();
  const DWORD handleCount = changed.Valid() ? 1 : 0;
  for (;;) {
    if (signalled_.run->Settled()) {
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
  // Slow is not hung: the part keeps its process, and what it answers later is taken then.
  signalled_.run->GiveUp();
}

bool HardwareProbe::ApplyTo(Settings& settings, Capabilities& caps, DisplayModeList& modes) {
  if (!applied_) {
    if (!signalled_.run->Settled()) {
      return false;
    }
    // Unknown first, for every answer; what has come replaces it below.
    for (ProbeAnswer answer : {ProbeAnswer::kGraphics, ProbeAnswer::kModes, ProbeAnswer::kInput}) {
      MarkUnanswered(answer, outcome_);
    }
    ApplyProbeOutcome(outcome_, settings, caps, modes);
    applied_ = true;
  }
  for (ProbeAnswer answer : signalled_.run->TakeAnswers(outcome_)) {
    ApplyProbeAnswer(answer, outcome_, settings, caps, modes);
  }
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
  for (const std::string& note : signalled_.run->TakeNotes()) {
    LogMessage("%s\n", note.c_str());
  }
}
