#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace torvane::platform {

// Milliseconds since the main window was created. The desktop player reads
// a steady clock; the headless runner sets a virtual one.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int64_t NowMs() const = 0;
};

// The desktop player's: milliseconds since it was made, on the monotonic clock.
class SteadyClock final : public Clock {
 public:
  std::int64_t NowMs() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// The headless runner's and the tests': time moves only when told to.
class VirtualClock final : public Clock {
 public:
  std::int64_t NowMs() const override { return now_; }
  void AdvanceTo(std::int64_t ms) {
    if (ms > now_) now_ = ms;
  }

 private:
  std::int64_t now_ = 0;
};

// A periodic timer of the form model. Switching it on restarts its
// interval, so a handler that switches its timer off and on again gets the
// next expiry one full interval after it ends. Switching on a timer that
// is already on changes nothing.
class Timer {
 public:
  Timer(const Clock& clock, std::int64_t interval_ms, bool enabled);
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  std::int64_t Interval() const { return interval_; }
  std::int64_t NextDue() const { return next_due_; }

  // Runs the handler for the expiry at NextDue() and schedules the next.
  void Fire();

  std::function<void()> OnTimer;

 private:
  const Clock& clock_;
  std::int64_t interval_;
  bool enabled_;
  std::int64_t next_due_;
};

// The timers of one window in creation order, which also decides between
// two timers due at the same moment. A real event loop sleeps until
// NextDue() and calls FireDue(); the virtual clock jumps straight there.
class TimerSet {
 public:
  void Add(Timer& timer) { timers_.push_back(&timer); }

  // The earliest moment an enabled timer is due, or -1 when none is on.
  std::int64_t NextDue() const;

  // Fires the one timer due earliest, if it is due at `now`; true if it did.
  bool FireNextDue(std::int64_t now);

 private:
  std::vector<Timer*> timers_;
};

}  // namespace torvane::platform
