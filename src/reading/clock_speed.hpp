#pragma once

#include <chrono>
#include <cstdint>

#include "platform/clock.hpp"

namespace torvane::reading {

// The window's game clock: the steady clock, run `Speed()` times faster
// under fast-forward. A change of speed keeps the reading continuous, so
// timers and the page wait go on from where they stood. At speed 1 it
// reads as the steady clock does.
class SpeedClock final : public platform::Clock {
 public:
  std::int64_t NowMs() const override { return GameUs(Now()) / 1000; }
  std::int64_t NowUs() const { return GameUs(Now()); }
  int Speed() const { return speed_; }
  void SetSpeed(int speed);
  // Real milliseconds until the game's clock reads `game_ms`, rounded up;
  // 0 when it does already.
  std::int64_t RealMsUntil(std::int64_t game_ms) const { return RealMsUntilUs(game_ms * 1000); }
  std::int64_t RealMsUntilUs(std::int64_t game_us) const;

 private:
  using Steady = std::chrono::steady_clock;
  static Steady::time_point Now() { return Steady::now(); }
  std::int64_t GameUs(Steady::time_point at) const {
    return base_game_us_ + std::chrono::duration_cast<std::chrono::microseconds>(at - base_real_).count() * speed_;
  }

  Steady::time_point base_real_ = Now();
  std::int64_t base_game_us_ = 0;
  int speed_ = 1;
};

// The runner's player clock, for the transcript: the game's virtual clock
// seen at the speed the modes run it, so under fast-forward by N an event
// of the game's clock at G is written at G / N.
class PlayerClock final : public platform::Clock {
 public:
  explicit PlayerClock(const platform::Clock& game) : game_(game) {}
  std::int64_t NowMs() const override { return base_player_ + (game_.NowMs() - base_game_) / speed_; }
  int Speed() const { return speed_; }
  void SetSpeed(int speed);
  // How far the game's clock moves while the player's moves `ms`.
  std::int64_t GameMsFor(std::int64_t ms) const { return ms * speed_; }

 private:
  const platform::Clock& game_;
  std::int64_t base_player_ = 0;
  std::int64_t base_game_ = 0;
  int speed_ = 1;
};

}  // namespace torvane::reading
