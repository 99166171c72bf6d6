#include "launcher/pad_mapping.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

PadState Buttons(std::uint16_t buttons) {
  PadState state;
  state.buttons = buttons;
  return state;
}

PadState Stick(std::int16_t x, std::int16_t y) {
  PadState state;
  state.stickX = x;
  state.stickY = y;
  return state;
}

// What `mapper` does with `state` at `nowMs`.
std::vector<PadAction> Read(PadMapper& mapper, const PadState& state, std::uint32_t nowMs) {
  std::vector<PadAction> actions;
  mapper.Update(state, nowMs, actions);
  return actions;
}

using Actions = std::vector<PadAction>;

TEST(PadMapper, EachInputFromRestActsOnceWhenPressed) {
  const struct {
    const char* what;
    PadState state;
    Actions expected;
  } rows[] = {
      {"D-pad up", Buttons(kPadUp), {PadAction::kPrevious}},
      {"D-pad left", Buttons(kPadLeft), {PadAction::kPrevious}},
      {"D-pad down", Buttons(kPadDown), {PadAction::kNext}},
      {"D-pad right", Buttons(kPadRight), {PadAction::kNext}},
      {"D-pad up and down at once", Buttons(kPadUp | kPadDown), {}},
      {"D-pad left and right at once", Buttons(kPadLeft | kPadRight), {}},
      {"D-pad up and right at once", Buttons(kPadUp | kPadRight), {}},
      {"A", Buttons(kPadA), {PadAction::kAccept}},
      {"B", Buttons(kPadB), {PadAction::kBack}},
      {"Start", Buttons(kPadStart), {PadAction::kStart}},
      {"A and a direction", Buttons(kPadA | kPadDown), {PadAction::kNext, PadAction::kAccept}},
      {"unused buttons (Back, shoulders, X, Y)",
       Buttons(0x0020 | 0x0100 | 0x0200 | 0x4000 | 0x8000),
       {}},
      {"stick resting off centre", Stick(5000, -5000), {}},
      {"stick on the dead zone's edge", Stick(0, kPadStickDeadZone), {}},
      {"stick just past it, up", Stick(0, kPadStickDeadZone + 1), {PadAction::kPrevious}},
      {"stick down", Stick(0, -20000), {PadAction::kNext}},
      {"stick left", Stick(-20000, 0), {PadAction::kPrevious}},
      {"stick right", Stick(20000, 0), {PadAction::kNext}},
      {"stick diagonal, mostly down", Stick(9000, -10000), {PadAction::kNext}},
      {"stick diagonal, mostly left", Stick(-12000, 9000), {PadAction::kPrevious}},
      {"stick fully into the lower left corner", Stick(-32768, -32768), {PadAction::kNext}},
      {"stick fully into the upper right corner", Stick(32767, 32767), {PadAction::kPrevious}},
      {"D-pad wins over the stick",
       [] {
         PadState state = Stick(0, 20000);
         state.buttons = kPadDown;
         return state;
       }(),
       {PadAction::kNext}},
  };
  for (const auto& row : rows) {
    PadMapper mapper;
    EXPECT_EQ(Read(mapper, PadState(), 1000), Actions()) << row.what << ": the first reading";
    EXPECT_EQ(Read(mapper, row.state, 1016), row.expected) << row.what;
    EXPECT_EQ(Read(mapper, row.state, 1032), Actions()) << row.what << ": held";
    EXPECT_EQ(Read(mapper, PadState(), 1048), Actions()) << row.what << ": let go";
  }
}

TEST(PadMapper, AHeldDirectionRepeatsLikeAKeyAndButtonsDoNot) {
  // Also a second before the millisecond clock wraps, so that a repeat is due after the wrap.
  for (const std::uint32_t start : {1000u, 0xFFFFFC00u}) {
    PadMapper mapper;
    Read(mapper, PadState(), start - 20);
    const PadState held = Buttons(kPadDown | kPadA);
    const struct {
      std::uint32_t atMs;
      Actions expected;
    } steps[] = {
        {0, {PadAction::kNext, PadAction::kAccept}},
        {kPadRepeatDelayMs - 1, {}},
        {kPadRepeatDelayMs, {PadAction::kNext}},
        {kPadRepeatDelayMs + kPadRepeatIntervalMs - 1, {}},
        {kPadRepeatDelayMs + kPadRepeatIntervalMs, {PadAction::kNext}},
        // A reading seconds late (the machine stalled) steps once, not a burst.
        {5000, {PadAction::kNext}},
        {5000 + kPadRepeatIntervalMs - 1, {}},
    };
    for (const auto& step : steps) {
      EXPECT_EQ(Read(mapper, held, start + step.atMs), step.expected)
          << "start " << start << ", at " << step.atMs << " ms";
    }
    // Turning the other way acts at once and waits the full delay again.
    const PadState up = Buttons(kPadUp | kPadA);
    EXPECT_EQ(Read(mapper, up, start + 6000), Actions{PadAction::kPrevious});
    EXPECT_EQ(Read(mapper, up, start + 6000 + kPadRepeatIntervalMs), Actions());
    EXPECT_EQ(Read(mapper, up, start + 6000 + kPadRepeatDelayMs), Actions{PadAction::kPrevious});
  }
}

TEST(PadMapper, WhatIsHeldAtTheStartOrAfterAResetWaitsUntilLetGo) {
  const PadState heldAtStart = [] {
    PadState state = Stick(0, -30000);
    state.buttons = kPadA | kPadStart;
    return state;
  }();
  for (const bool reset : {false, true}) {
    PadMapper mapper;
    if (reset) {
      Read(mapper, PadState(), 0);
      mapper.Reset();
    }
    EXPECT_EQ(Read(mapper, heldAtStart, 100), Actions()) << "reset " << reset;
    EXPECT_EQ(Read(mapper, heldAtStart, 100 + 2 * kPadRepeatDelayMs), Actions())
        << "reset " << reset << ": a latched direction does not repeat";
    EXPECT_EQ(Read(mapper, Buttons(kPadA), 2000), Actions()) << "reset " << reset;
    EXPECT_EQ(Read(mapper, PadState(), 2020), Actions()) << "reset " << reset;
    EXPECT_EQ(Read(mapper, heldAtStart, 2040),
              (Actions{PadAction::kNext, PadAction::kAccept, PadAction::kStart}))
        << "reset " << reset << ": pressed again";
  }
}

TEST(PadPollSchedule, ConnectedSlotsEveryTickEmptyOnesEveryTwoSeconds) {
  PadPollSchedule schedule;
  for (int slot = 0; slot < kPadSlots; ++slot) {
    EXPECT_TRUE(schedule.Due(slot, 0)) << "slot " << slot << " is asked at once";
    schedule.Asked(slot, slot == 1, 0);
  }
  EXPECT_EQ(schedule.IntervalMs(), kPadConnectedPollMs);
  const struct {
    std::uint32_t atMs;
    bool emptyDue;
  } rows[] = {
      {kPadConnectedPollMs, false},
      {kPadEmptySlotPollMs / 2, false},
      {kPadEmptySlotPollMs - kPadConnectedPollMs, false},
      {kPadEmptySlotPollMs - kPadConnectedPollMs / 2, true},  // a timer firing a little early
      {kPadEmptySlotPollMs + 500, true},
  };
  for (const auto& row : rows) {
    EXPECT_TRUE(schedule.Due(1, row.atMs)) << row.atMs;
    EXPECT_EQ(schedule.Due(0, row.atMs), row.emptyDue) << row.atMs;
    EXPECT_EQ(schedule.Due(3, row.atMs), row.emptyDue) << row.atMs;
  }

  // The pad is pulled: only empty slots are left, and the timer slows down.
  schedule.Asked(1, false, 100);
  EXPECT_EQ(schedule.IntervalMs(), kPadEmptySlotPollMs);
  EXPECT_FALSE(schedule.Due(1, 200));
  // Plugged into another slot: found at that slot's next turn.
  schedule.Asked(2, true, 2000);
  EXPECT_EQ(schedule.IntervalMs(), kPadConnectedPollMs);
  schedule.Restart();
  EXPECT_TRUE(schedule.Due(1, 200)) << "after a restart every slot is asked at once";
  EXPECT_EQ(schedule.IntervalMs(), kPadEmptySlotPollMs);
}

}  // namespace
