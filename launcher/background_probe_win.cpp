#include "launcher/background_probe_win.h"

#include <utility>

BackgroundProbe::BackgroundProbe(ProbeJob probe, std::function<void()> prepare)
    : probe_(std::move(probe)),
      prepare_(std::move(prepare)),
      // A manual-reset event: once set it stays set, however many waits come after.
      finished_(std::make_shared<UniqueKernelHandle>(CreateEventW(nullptr, TRUE, FALSE, nullptr))) {
}

void BackgroundProbe::Start() {
  if (handoff_ != nullptr) {
    return;
  }
  if (prepare_) {
    prepare_();
  }
  std::shared_ptr<UniqueKernelHandle> finished = finished_;
  handoff_ = StartProbeWorker(probe_, [finished] {
    if (finished->Valid()) {
      SetEvent(finished->Get());
    }
  });
  if (handoff_ == nullptr) {
    // No thread to be had: probe in this one, as if the probe had never left it.
    auto handoff = std::make_shared<ProbeHandoff>();
    handoff->Publish(RunProbeJob(probe_));
    handoff_ = std::move(handoff);
  }
}

bool BackgroundProbe::WaitWhilePumping(HWND dialog, const std::function<bool()>& abandon) {
  Start();
  // Without an event (none could be made) the wait still ends: it looks again every so often.
  const DWORD recheckMs = finished_->Valid() ? INFINITE : 50;
  const HANDLE event = finished_->Get();
  const DWORD handleCount = finished_->Valid() ? 1 : 0;
  for (;;) {
    if (Finished()) {
      return true;
    }
    if (abandon()) {
      return false;
    }
    // MWMO_INPUTAVAILABLE: messages already seen but not yet removed count too.
    const DWORD woke = MsgWaitForMultipleObjectsEx(handleCount, handleCount != 0 ? &event : nullptr,
                                                   recheckMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_FAILED) {
      Sleep(50);
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        return false;
      }
      if (dialog == nullptr || !IsDialogMessageW(dialog, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      if (abandon()) {
        return false;
      }
    }
  }
}
