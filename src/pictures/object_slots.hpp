#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <queue>
#include <vector>

// A Windows metafile's object table, as GDI fills it while playing: a new
// object takes the lowest free slot, and a deleted one frees its slot. Both
// are O(log n), so a file creating many objects costs no more than it reads.
namespace torvane::pictures {

// Record parameters name a slot in 16 bits: a table beyond that could hold
// objects nothing could select.
inline constexpr std::size_t kMaxObjectSlots = 65536;

class ObjectSlots {
 public:
  // The lowest free slot, now taken; nullopt when all kMaxObjectSlots are.
  std::optional<std::size_t> Take() {
    std::size_t slot = end_;
    if (!freed_.empty()) {
      slot = freed_.top();
      freed_.pop();
    } else if (end_ == kMaxObjectSlots) {
      return std::nullopt;
    } else {
      ++end_;
      used_.push_back(false);
    }
    used_[slot] = true;
    return slot;
  }

  // False when the slot holds nothing.
  bool Free(std::size_t slot) {
    if (slot >= end_ || !used_[slot]) return false;
    used_[slot] = false;
    freed_.push(slot);
    return true;
  }

  bool Used(std::size_t slot) const { return slot < end_ && used_[slot]; }

  // One past the highest slot ever taken.
  std::size_t End() const { return end_; }

 private:
  // Free slots are those below end_ kept here, and every slot from end_ on.
  std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> freed_;
  std::vector<bool> used_;
  std::size_t end_ = 0;
};

}  // namespace torvane::pictures
