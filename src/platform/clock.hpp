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
//
// A timer whose ticks could do nothing at the moment, as its `Idle` test
// tells, is parked: its ticks are passed over on the same rhythm without
// running the handler, so an event loop need not wake for them, and the
// first tick after it wakes up again comes when the rhythm brings it.
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
  // On, and its ticks would do nothing now.
  bool Parked() const { return enabled_ && Idle && Idle(); }
  // On, and its ticks would do nothing or only repeat themselves now.
  bool Sleeping() const { return Parked() || (enabled_ && Repeating && Repeating()); }
  // Passes over every expiry due by `now` as Fire() would, without the handler.
  void PassUntil(std::int64_t now);

  std::function<void()> OnTimer;
  // True while a tick would change nothing; never set: always works.
  std::function<bool()> Idle;
  // True while a tick would only tell its observers again what the last
  // one told them. Such ticks run on the virtual clock, where every report
  // is seen; an event loop sleeps through them as if parked.
  std::function<bool()> Repeating;

 private:
  const Clock& clock_;
  std::int64_t interval_;
  bool enabled_;
  std::int64_t next_due_;
};

// The timers of one window in creation order, which also decides between
// two timers due at the same moment. The virtual clock jumps from one
// NextDue() to the next and calls FireNextDue(), parked timers included,
// so that ties resolve exactly as if every tick ran. A real event loop
// sleeps until Rearm() says and then calls Rearm() and FireNextDue().
class TimerSet {
 public:
  void Add(Timer& timer) {
    timers_.push_back(&timer);
    sleeping_.push_back(false);
  }

  // The earliest moment an enabled timer is due, or -1 when none is on.
  std::int64_t NextDue() const;

  // Fires the one timer due earliest, if it is due at `now`; true if it
  // did. A parked one has its tick passed over instead.
  bool FireNextDue(std::int64_t now);

  // For an event loop that sleeps: the timers sleeping (parked or
  // repeating) when it last asked have the ticks due by `now` passed over,
  // whatever changed meanwhile (a gate opened, a track played out); then
  // the earliest moment a timer that does not sleep is due, or -1 when
  // nothing needs a wake-up.
  std::int64_t Rearm(std::int64_t now);

 private:
  std::vector<Timer*> timers_;
  std::vector<bool> sleeping_;  // as of the last Rearm()
};

}  // namespace torvane::platform
