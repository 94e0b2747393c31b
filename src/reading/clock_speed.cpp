#include "reading/clock_speed.hpp"

#include <algorithm>

namespace torvane::reading {

void SpeedClock::SetSpeed(int speed) {
  speed = std::max(1, speed);
  if (speed == speed_) return;
  const Steady::time_point now = Now();
  base_game_us_ = GameUs(now);
  base_real_ = now;
  speed_ = speed;
}

std::int64_t SpeedClock::RealMsUntilUs(std::int64_t game_us) const {
  const std::int64_t left_us = game_us - GameUs(Now());
  if (left_us <= 0) return 0;
  const std::int64_t real_us = (left_us + speed_ - 1) / speed_;
  return (real_us + 999) / 1000;
}

void PlayerClock::SetSpeed(int speed) {
  speed = std::max(1, speed);
  if (speed == speed_) return;
  base_player_ = NowMs();
  base_game_ = game_.NowMs();
  speed_ = speed;
}

}  // namespace torvane::reading
