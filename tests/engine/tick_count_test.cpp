#include "engine/tick_count.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <windows.h>

#include "engine/tick_count_win.h"
#endif

namespace {

struct WidenCase {
  const char* name;
  std::vector<std::uint32_t> ticks;
  std::vector<std::uint64_t> expected;
};

TEST(TickCountWidenerTest, CountsOnPastEachWrap) {
  const WidenCase cases[] = {
      {"no wrap", {5, 5, 6, 0x7FFFFFFF, 0xFFFFFFFF}, {5, 5, 6, 0x7FFFFFFF, 0xFFFFFFFF}},
      {"one wrap",
       {0xFFFFFFF0, 3, 3, 0xFFFFFFF0},
       {0xFFFFFFF0, 0x100000003, 0x100000003, 0x1FFFFFFF0}},
      {"to exactly zero", {0xFFFFFFFF, 0}, {0xFFFFFFFF, 0x100000000}},
      {"several wraps",
       {0x80000000, 1, 0x80000000, 0, 0},
       {0x80000000, 0x100000001, 0x180000000, 0x200000000, 0x200000000}},
  };
  for (const WidenCase& c : cases) {
    TickCountWidener widener;
    std::size_t next = 0;
    for (const std::uint64_t expected : c.expected) {
      EXPECT_EQ(widener.Read([&] { return c.ticks[next]; }), expected)
          << c.name << ", reading " << next;
      ++next;
    }
  }
}

// Readers on several threads share one clock that wraps every 4096 readings: each thread's
// readings never go back, and after them all the widened count is the clock's true 64-bit value.
TEST(TickCountWidenerTest, ThreadsReadingAtOnceNeverGoBackNorMissAWrap) {
  constexpr std::uint64_t kStep = 1u << 20;
  constexpr int kThreads = 4;
  constexpr int kReadings = 50000;
  std::atomic<std::uint64_t> clock{0};
  const auto readTicks = [&] {
    return static_cast<std::uint32_t>(clock.fetch_add(kStep, std::memory_order_relaxed));
  };
  TickCountWidener widener;
  std::vector<int> backwards(kThreads, 0);
  std::vector<std::thread> threads;
  threads.reserve(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::uint64_t previous = 0;
      for (int i = 0; i < kReadings; ++i) {
        const std::uint64_t now = widener.Read(readTicks);
        backwards[static_cast<std::size_t>(t)] += now < previous ? 1 : 0;
        previous = now;
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(backwards[static_cast<std::size_t>(t)], 0) << "thread " << t;
  }
  const std::uint64_t truth = clock.load();
  EXPECT_EQ(widener.Read(readTicks), truth) << "wraps seen: " << (truth >> 32);
}

#if defined(_WIN32)
// Wine and every Windows since Vista have GetTickCount64, so Windows XP's stand-in is called
// directly: it is GetTickCount, in milliseconds, counting up.
TEST(TickCount64Test, WindowsXpStandInIsGetTickCountCountingUp) {
  const ULONGLONG before = GetTickCount();
  const ULONGLONG first = TickCount64FromTickCount();
  const ULONGLONG after = GetTickCount();
  EXPECT_LE(before, first);
  EXPECT_LE(first, after);

  Sleep(200);
  const ULONGLONG second = TickCount64FromTickCount();
  // GetTickCount moves in steps of 10 to 16 ms.
  EXPECT_GE(second - first, 180u);
  EXPECT_LT(second - first, 10000u);
}
#endif

}  // namespace
