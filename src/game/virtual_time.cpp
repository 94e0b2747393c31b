#include "game/virtual_time.hpp"

namespace torvane {

VirtualTime::Step VirtualTime::Advance(std::int64_t deadline) {
  const std::int64_t due = timers_.NextDue();
  const bool fire = due >= 0 && due <= deadline;
  const std::int64_t stop = fire ? due : deadline;
  if (stop > limit_) {
    clock_.AdvanceTo(limit_);
    return Step::OverLimit;
  }
  clock_.AdvanceTo(stop);
  if (!fire) return Step::Reached;
  timers_.FireNextDue(due);
  return Step::Fired;
}

VirtualTime::Step VirtualTime::RunUntil(std::int64_t deadline) {
  Step step;
  while ((step = Advance(deadline)) == Step::Fired) {
  }
  return step;
}

std::int64_t VirtualTime::After(std::int64_t ms) const {
  const std::int64_t now = clock_.NowMs();
  return ms > kNoLimit - now ? kNoLimit : now + ms;
}

}  // namespace torvane
