#include "launcher/pad_mapping.h"

namespace {

bool Reached(std::uint32_t nowMs, std::uint32_t whenMs) {
  // Wrap-safe: the clock may pass 2^32 while a direction is held.
  return static_cast<std::int32_t>(nowMs - whenMs) >= 0;
}

}  // namespace

PadMapper::Direction PadMapper::DirectionOf(const PadState& state) {
  const bool previous = (state.buttons & (kPadUp | kPadLeft)) != 0;
  const bool next = (state.buttons & (kPadDown | kPadRight)) != 0;
  if (previous || next) {
    // Both at once (a worn D-pad rocks) is neither.
    return previous == next ? Direction::kNone
                            : (previous ? Direction::kPrevious : Direction::kNext);
  }
  // Wide enough for a stick pushed fully into a corner, squared.
  const std::int64_t x = state.stickX;
  const std::int64_t y = state.stickY;
  const std::int64_t deadZone = kPadStickDeadZone;
  if (x * x + y * y <= deadZone * deadZone) {
    return Direction::kNone;
  }
  // The axis pushed further decides, so that a diagonal push moves once, not twice.
  if ((y < 0 ? -y : y) >= (x < 0 ? -x : x)) {
    return y > 0 ? Direction::kPrevious : Direction::kNext;
  }
  return x < 0 ? Direction::kPrevious : Direction::kNext;
}

void PadMapper::Update(const PadState& state, std::uint32_t nowMs,
                       std::vector<PadAction>& actions) {
  const Direction direction = DirectionOf(state);
  if (!started_) {
    started_ = true;
    buttons_ = state.buttons;
    direction_ = direction;
    directionLatched_ = direction != Direction::kNone;
    return;
  }
  const std::uint16_t pressed = static_cast<std::uint16_t>(state.buttons & ~buttons_);
  buttons_ = state.buttons;

  if (direction != direction_) {
    direction_ = direction;
    directionLatched_ = false;
    if (direction != Direction::kNone) {
      actions.push_back(direction == Direction::kPrevious ? PadAction::kPrevious
                                                          : PadAction::kNext);
      nextRepeatMs_ = nowMs + kPadRepeatDelayMs;
    }
  } else if (direction != Direction::kNone && !directionLatched_ && Reached(nowMs, nextRepeatMs_)) {
    actions.push_back(direction == Direction::kPrevious ? PadAction::kPrevious : PadAction::kNext);
    // One step per reading however late it comes: a stalled machine must not fire a burst.
    nextRepeatMs_ = nowMs + kPadRepeatIntervalMs;
  }

  const struct {
    std::uint16_t button;
    PadAction action;
  } kButtons[] = {
      {kPadA, PadAction::kAccept},
      {kPadB, PadAction::kBack},
      {kPadStart, PadAction::kStart},
  };
  for (const auto& entry : kButtons) {
    if ((pressed & entry.button) != 0) {
      actions.push_back(entry.action);
    }
  }
}

bool PadPollSchedule::Due(int slot, std::uint32_t nowMs) const {
  const Slot& s = slots_[static_cast<std::size_t>(slot)];
  if (!s.asked || s.connected) {
    return true;
  }
  // A timer fires a little early as often as late; half a connected period of slack keeps an
  // empty slot from waiting a whole extra period.
  return Reached(nowMs + kPadConnectedPollMs / 2, s.askedMs + kPadEmptySlotPollMs);
}

void PadPollSchedule::Asked(int slot, bool connected, std::uint32_t nowMs) {
  Slot& s = slots_[static_cast<std::size_t>(slot)];
  s.asked = true;
  s.connected = connected;
  s.askedMs = nowMs;
}

std::uint32_t PadPollSchedule::IntervalMs() const {
  for (const Slot& s : slots_) {
    if (s.connected) {
      return kPadConnectedPollMs;
    }
  }
  return kPadEmptySlotPollMs;
}
