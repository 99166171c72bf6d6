#pragma once

#include <array>
#include <cstdint>
#include <vector>

// What a game controller does in the launcher's dialogs, apart from how it is read: the mapping
// from buttons and the left stick to dialog actions, the repeat of a held direction, and when
// each controller slot is asked. The Windows side (pad_input_win.h) reads XInput and turns the
// actions into the messages keys and clicks send.

// Buttons as XInput numbers them.
const std::uint16_t kPadUp = 0x0001;
const std::uint16_t kPadDown = 0x0002;
const std::uint16_t kPadLeft = 0x0004;
const std::uint16_t kPadRight = 0x0008;
const std::uint16_t kPadStart = 0x0010;
const std::uint16_t kPadA = 0x1000;
const std::uint16_t kPadB = 0x2000;

// One reading of a controller: its buttons and its left stick (up is positive).
struct PadState {
  std::uint16_t buttons = 0;
  std::int16_t stickX = 0;
  std::int16_t stickY = 0;
};

enum class PadAction {
  kPrevious,  // up or left: the previous control, or the previous entry of an open list
  kNext,      // down or right
  kAccept,    // A
  kBack,      // B
  kStart,     // Start
};

// A stick nearer its centre than this counts as centred: worn sticks rest well off zero. The
// figure XInput's documentation gives for the left stick.
const int kPadStickDeadZone = 7849;
// A held direction repeats like a held key: first after a pause, then steadily.
const std::uint32_t kPadRepeatDelayMs = 400;
const std::uint32_t kPadRepeatIntervalMs = 120;

// Turns one controller's successive readings into actions. Buttons act when pressed, not while
// held; a direction acts when pressed and repeats while held. What is already held when the
// mapper starts or is reset (the A that started the launcher from a couch front end, a button
// held while the pad came back or while another program was in front) does nothing until it is
// let go.
class PadMapper {
public:
  // Appends to `actions` what the reading at `nowMs` (any millisecond clock) causes.
  void Update(const PadState& state, std::uint32_t nowMs, std::vector<PadAction>& actions);
  // The next reading is a fresh start.
  void Reset() { started_ = false; }

private:
  enum class Direction { kNone, kPrevious, kNext };
  static Direction DirectionOf(const PadState& state);

  bool started_ = false;
  std::uint16_t buttons_ = 0;
  Direction direction_ = Direction::kNone;
  bool directionLatched_ = false;  // held since the start: ignored until let go
  std::uint32_t nextRepeatMs_ = 0;
};

// XInput knows four controllers.
const int kPadSlots = 4;
// A connected controller is read at about 50 Hz, an empty slot every two seconds: on some
// machines asking an empty slot takes long.
const std::uint32_t kPadConnectedPollMs = 20;
const std::uint32_t kPadEmptySlotPollMs = 2000;

// When each slot is asked, and how often the timer that asks them fires.
class PadPollSchedule {
public:
  // Whether `slot` is to be asked at `nowMs`.
  bool Due(int slot, std::uint32_t nowMs) const;
  // `slot` was asked at `nowMs` and answered so.
  void Asked(int slot, bool connected, std::uint32_t nowMs);
  // The timer's period for what is connected now.
  std::uint32_t IntervalMs() const;
  // Every slot is due now (polling starts or starts again).
  void Restart() { slots_ = {}; }

private:
  struct Slot {
    bool asked = false;
    bool connected = false;
    std::uint32_t askedMs = 0;
  };
  std::array<Slot, kPadSlots> slots_{};
};
