#include "platform/clock.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace torvane::platform {
namespace {

// Two timers on a virtual clock, fired as the headless runner fires them,
// with a log of the handlers that ran.
struct TwoTimers {
  VirtualClock clock;
  Timer music{clock, 1000, false};
  Timer tick{clock, 50, true};
  TimerSet set;
  std::vector<std::pair<std::int64_t, char>> ran;
  bool tick_idle = false;

  TwoTimers() {
    set.Add(music);
    set.Add(tick);
    music.OnTimer = [this] { ran.emplace_back(clock.NowMs(), 'm'); };
    tick.OnTimer = [this] {
      ran.emplace_back(clock.NowMs(), 't');
      // As the script tick does: off for the step, on again after it.
      tick.SetEnabled(false);
      tick.SetEnabled(true);
    };
  }
  // Fires everything due by `deadline`, then sets the clock there.
  void RunUntil(std::int64_t deadline) {
    for (std::int64_t due; (due = set.NextDue()) >= 0 && due <= deadline;) {
      clock.AdvanceTo(due);
      set.FireNextDue(due);
    }
    clock.AdvanceTo(deadline);
  }
};

TEST(TimerSetTest, AParkedTimerRunsNoHandlerAndKeepsItsRhythm) {
  TwoTimers timers;
  timers.tick.Idle = [&] { return timers.tick_idle; };
  timers.RunUntil(120);
  EXPECT_EQ(timers.ran, (std::vector<std::pair<std::int64_t, char>>{{50, 't'}, {100, 't'}}));
  timers.tick_idle = true;
  timers.RunUntil(5030);
  EXPECT_EQ(timers.ran.size(), 2u) << "no handler while parked";
  EXPECT_TRUE(timers.tick.Enabled()) << "parked is not off";
  EXPECT_EQ(timers.set.NextDue(), 5050) << "the virtual clock still sees the rhythm";
  timers.tick_idle = false;
  timers.RunUntil(5100);
  EXPECT_EQ(timers.ran.back(), (std::pair<std::int64_t, char>{5100, 't'}));
  EXPECT_EQ(timers.ran[2], (std::pair<std::int64_t, char>{5050, 't'}));
}

// A parked tick due with another timer at the same moment is passed over
// in creation order, exactly where it would have run.
TEST(TimerSetTest, ParkedTicksKeepTheirPlaceAmongTimersDueTogether) {
  TwoTimers timers;
  timers.music.SetEnabled(true);  // due at 1000, as the tick is
  timers.tick.Idle = [&] { return timers.tick_idle; };
  timers.tick_idle = true;
  timers.RunUntil(999);
  timers.clock.AdvanceTo(1000);
  ASSERT_TRUE(timers.set.FireNextDue(1000));
  EXPECT_EQ(timers.ran, (std::vector<std::pair<std::int64_t, char>>{{1000, 'm'}}));
  // A gate opens now: the tick due at 1000 has not come yet, so it steps.
  timers.tick_idle = false;
  EXPECT_EQ(timers.set.NextDue(), 1000);
  ASSERT_TRUE(timers.set.FireNextDue(1000));
  EXPECT_EQ(timers.ran.back(), (std::pair<std::int64_t, char>{1000, 't'}));
}

// An event loop that sleeps: Rearm() names no parked timer, and once one
// wakes up it is due on its rhythm, however long it slept.
TEST(TimerSetTest, RearmSleepsThroughParkedTimersAndWakesOnTheRhythm) {
  TwoTimers timers;
  timers.tick.Idle = [&] { return timers.tick_idle; };
  EXPECT_EQ(timers.set.Rearm(0), 50);
  timers.tick_idle = true;
  EXPECT_EQ(timers.set.Rearm(10), -1) << "nothing to wake for";
  timers.clock.AdvanceTo(3600037);
  timers.tick_idle = false;  // a click: the loop wakes for the press itself
  EXPECT_EQ(timers.set.Rearm(3600037), 3600050);
  EXPECT_TRUE(timers.ran.empty());
  // Due on the tick itself: that tick counts as passed while parked.
  timers.tick_idle = true;
  timers.set.Rearm(3600037);
  timers.tick_idle = false;
  EXPECT_EQ(timers.set.Rearm(3600050), 3600100);

  // A timer parked at the last Rearm() has its ticks passed over even when
  // what parked it ended meanwhile (a track that played out).
  bool playing = true;
  timers.music.Idle = [&] { return playing; };
  timers.music.SetEnabled(true);  // due at 3601037
  timers.tick_idle = true;
  EXPECT_EQ(timers.set.Rearm(3600060), -1);
  playing = false;
  EXPECT_EQ(timers.set.Rearm(3605500), 3606037);
  EXPECT_EQ(timers.tick.NextDue(), 3605550) << "still parked, passed over all the same";
  EXPECT_TRUE(timers.ran.empty()) << "Rearm runs no handler";
}

// A tick that only repeats itself runs on the virtual clock, so every
// report is seen there, while an event loop sleeps through it.
TEST(TimerSetTest, RepeatingTicksRunOnTheVirtualClockAndSleepInAnEventLoop) {
  TwoTimers timers;
  timers.tick.Repeating = [] { return true; };
  timers.RunUntil(200);
  EXPECT_EQ(timers.ran.size(), 4u);
  EXPECT_EQ(timers.set.Rearm(200), -1);
  EXPECT_EQ(timers.set.Rearm(1234), -1);
  EXPECT_EQ(timers.tick.NextDue(), 1250);
}

}  // namespace
}  // namespace torvane::platform
