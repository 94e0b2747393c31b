#include "platform/clock.hpp"

namespace torvane::platform {

Timer::Timer(const Clock& clock, std::int64_t interval_ms, bool enabled)
    : clock_(clock), interval_(interval_ms), enabled_(enabled), next_due_(clock.NowMs() + interval_ms) {}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled_) next_due_ = clock_.NowMs() + interval_;
}

void Timer::Fire() {
  // Expiries that were missed while the loop was busy are not queued up:
  // as with the window system's timer messages, at most one is pending.
  const std::int64_t now = clock_.NowMs();
  do next_due_ += interval_;
  while (next_due_ <= now);
  if (OnTimer) OnTimer();
}

std::int64_t TimerSet::NextDue() const {
  std::int64_t due = -1;
  for (const Timer* timer : timers_) {
    if (timer->Enabled() && (due < 0 || timer->NextDue() < due)) due = timer->NextDue();
  }
  return due;
}

bool TimerSet::FireNextDue(std::int64_t now) {
  Timer* next = nullptr;
  for (Timer* timer : timers_) {
    if (timer->Enabled() && (!next || timer->NextDue() < next->NextDue())) next = timer;
  }
  if (!next || next->NextDue() > now) return false;
  next->Fire();
  return true;
}

}  // namespace torvane::platform
