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

void Timer::PassUntil(std::int64_t now) {
  // In one go: a parked timer may have slept through hours of ticks.
  if (next_due_ <= now) next_due_ += ((now - next_due_) / interval_ + 1) * interval_;
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
  if (next->Parked()) next->PassUntil(now);
  else next->Fire();
  return true;
}

std::int64_t TimerSet::Rearm(std::int64_t now) {
  std::int64_t due = -1;
  for (std::size_t i = 0; i < timers_.size(); ++i) {
    Timer& timer = *timers_[i];
    if (sleeping_[i] && timer.Enabled()) timer.PassUntil(now);
    sleeping_[i] = timer.Sleeping();
    if (timer.Enabled() && !sleeping_[i] && (due < 0 || timer.NextDue() < due)) due = timer.NextDue();
  }
  return due;
}

}  // namespace torvane::platform
