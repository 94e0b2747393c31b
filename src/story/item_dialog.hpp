#pragma once

#include <array>
#include <vector>

#include "platform/bytes.hpp"
#include "story/story_state.hpp"

namespace torvane {

// The item dialog, `Form2`, as toolkit-free state. It exists only while
// "@ITM" runs: the command fills it, the host shows it modally, and the
// first selection change records the choice and closes it.
class TForm2 {
 public:
  static constexpr int kClientWidth = 296;
  static constexpr int kClientHeight = 290;

  TForm2(StoryState& story, int owner_left, int owner_top);

  Bytes Caption;        // "アイテム選択"
  Bytes Label21Caption;  // "所持品を選んでください"
  int Left;
  int Top;
  std::vector<Bytes> ListBox21Items;
  int ListBox21ItemIndex = -1;

  // A selection change in the list, by mouse or keyboard.
  void SelectEntry(int index);
  void ListBox21Click();
  // The close box: the preset choice stays.
  void Close() { closed_ = true; }
  bool Closed() const { return closed_; }

 private:
  StoryState& story_;
  bool closed_ = false;
};

// The placeholder entry of an empty inventory, and what picking it selects.
Bytes NothingHeldEntry();

// The first of all 100 records named `name`, or null.
const ItemRecord* FindItem(const StoryState& story, BytesView name);
ItemRecord* FindItem(StoryState& story, BytesView name);

// The names of the held items, from record 0 up to the first with an empty name.
std::vector<Bytes> HeldItemNames(const StoryState& story);

}  // namespace torvane
