#pragma once

#include <atomic>
#include <cstdint>

// Widens a 32-bit millisecond count that wraps (GetTickCount wraps every 49.7 days) into a 64-bit
// count that does not. It is what a program has in place of GetTickCount64 on a Windows without
// it, and it must never run backwards: a timed wait that sees the clock jump back by 2^32 would
// wait for 49 days. Any number of threads may read it at once. A wrap is recognised as long as
// two readings are less than one wrap period apart.
class TickCountWidener {
public:
  // `readTicks` returns the 32-bit count. It is called after the last reading was loaded, so its
  // sample is never older than that reading, even with other threads reading at the same time.
  template <typename ReadTicks>
  std::uint64_t Read(ReadTicks readTicks) {
    std::uint64_t last = last_.load(std::memory_order_acquire);
    for (;;) {
      const std::uint32_t ticks = readTicks();
      std::uint64_t wraps = last >> 32;
      if (ticks < static_cast<std::uint32_t>(last)) {
        ++wraps;
      }
      const std::uint64_t now = (wraps << 32) | ticks;
      // A failed exchange means another thread moved the reading on meanwhile; `last` now holds
      // its reading, and the sample is taken again so that it is not older than that one.
      if (now == last || last_.compare_exchange_weak(last, now, std::memory_order_acq_rel,
                                                     std::memory_order_acquire)) {
        return now;
      }
    }
  }

private:
  // No lock may hide behind this: on 32-bit x86 the exchange is one cmpxchg8b instruction.
  static_assert(std::atomic<std::uint64_t>::is_always_lock_free,
                "the widened count must not need a lock");
  std::atomic<std::uint64_t> last_{0};
};
