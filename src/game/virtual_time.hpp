#pragma once

#include <cstdint>
#include <limits>

#include "game/played_game.hpp"
#include "platform/clock.hpp"

namespace torvane {

// Time on the virtual clock: it jumps from one timer's expiry to the next,
// firing each exactly when the window's event loop would, but at once.
class VirtualTime {
 public:
  static constexpr std::int64_t kNoLimit = std::numeric_limits<std::int64_t>::max();

  // The clock never passes `limit_ms`.
  VirtualTime(platform::VirtualClock& clock, platform::TimerSet& timers, std::int64_t limit_ms = kNoLimit)
      : clock_(clock), timers_(timers), limit_(limit_ms) {}

  enum class Step { Fired, Reached, OverLimit };

  // Moves the clock to the first timer due by `deadline` and fires it
  // (Fired), or to `deadline` when none is due by then (Reached). A move
  // past the limit stops on the limit and fires nothing (OverLimit).
  Step Advance(std::int64_t deadline);
  // Fires every timer due by `deadline`, in order, and stops there.
  Step RunUntil(std::int64_t deadline);
  // `ms` from now, without overflowing.
  std::int64_t After(std::int64_t ms) const;

 private:
  platform::VirtualClock& clock_;
  platform::TimerSet& timers_;
  std::int64_t limit_;
};

// A game on the virtual clock, as the runner, the tests, the benchmarks and
// the fuzzer play it.
struct VirtualGame {
  VirtualGame(const GameSetup& setup, ModalHost& host, GameObserver& observer,
              std::int64_t limit_ms = VirtualTime::kNoLimit)
      : Game(setup, Clock, host, observer), Time(Clock, Game.Form().Timers, limit_ms) {}

  platform::VirtualClock Clock;
  PlayedGame Game;
  VirtualTime Time;
};

}  // namespace torvane
