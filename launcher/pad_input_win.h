#pragma once

#include <windows.h>

#include <vector>

#include "engine/unique_handle_win.h"
#include "launcher/pad_mapping.h"

// XINPUT_STATE by its documented layout: xinput.h is not in every SDK the launcher builds with.
struct XInputState {
  DWORD packetNumber;
  WORD buttons;
  BYTE leftTrigger;
  BYTE rightTrigger;
  SHORT leftStickX;
  SHORT leftStickY;
  SHORT rightStickX;
  SHORT rightStickY;
};
static_assert(sizeof(XInputState) == 16, "XINPUT_STATE is 16 bytes");

// A game controller, read through XInput, drives whichever of the launcher's dialogs is in
// front, through the very messages its keys and clicks send: the dialog and its files never
// know the difference.
//
// XInput comes from the system folder only, loaded when Start is called (once the main window
// is up, so that it costs that window nothing); where Windows has none, there is no controller
// and nothing else changes. The controllers are read only while one of this thread's windows is
// the foreground window, by a thread timer that stops when another program comes to the front
// and starts again when one of ours is activated. Everything stops with the object.
class GamePad {
public:
  GamePad() = default;
  ~GamePad();
  GamePad(const GamePad&) = delete;
  GamePad& operator=(const GamePad&) = delete;

  // Loads XInput and starts polling. Only one GamePad runs at a time; further calls do nothing.
  void Start();

  // For the timer and the hook, which Windows calls without an object.
  void Tick();
  void Activated();

  typedef DWORD(WINAPI* GetStateFunction)(DWORD, XInputState*);

private:
  void StartTimer(UINT intervalMs);
  void Act(HWND dialog, PadAction action);

  bool started_ = false;
  UniqueLibrary library_;
  GetStateFunction getState_ = nullptr;
  UniqueHook activationHook_;
  UniqueThreadTimer timer_;
  UINT timerIntervalMs_ = 0;
  DWORD activatedAt_ = 0;
  PadPollSchedule schedule_;
  PadMapper mappers_[kPadSlots];
  std::vector<PadAction> actions_;
};
