#include "story/item_dialog.hpp"

#include "platform/cp932.hpp"

namespace torvane {

Bytes NothingHeldEntry() { return platform::Utf8ToCp932("何も持っていません"); }

TForm2::TForm2(StoryState& story, int owner_left, int owner_top)
    : Caption(platform::Utf8ToCp932("アイテム選択")),
      Label21Caption(platform::Utf8ToCp932("所持品を選んでください")),
      Left(owner_left + 20),
      Top(owner_top + 20),
      story_(story) {}

void TForm2::SelectEntry(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= ListBox21Items.size()) return;
  ListBox21ItemIndex = index;
  ListBox21Click();
}

void TForm2::ListBox21Click() {
  if (ListBox21ItemIndex < 0 || static_cast<std::size_t>(ListBox21ItemIndex) >= ListBox21Items.size()) return;
  const Bytes& text = ListBox21Items[static_cast<std::size_t>(ListBox21ItemIndex)];
  if (text == NothingHeldEntry()) {
    story_.SelectedItem = {text, "None", "None", ""};
  } else if (const ItemRecord* item = FindItem(story_, text)) {
    story_.SelectedItem = *item;
  }
  closed_ = true;
}

const ItemRecord* FindItem(const StoryState& story, BytesView name) {
  for (const ItemRecord& item : story.ItemTable) {
    if (item.Name == name) return &item;
  }
  return nullptr;
}

ItemRecord* FindItem(StoryState& story, BytesView name) {
  return const_cast<ItemRecord*>(FindItem(static_cast<const StoryState&>(story), name));
}

std::vector<Bytes> HeldItemNames(const StoryState& story) {
  std::vector<Bytes> names;
  for (const ItemRecord& item : story.ItemTable) {
    if (item.Name.empty()) break;
    if (item.Holding == "Get") names.push_back(item.Name);
  }
  return names;
}

}  // namespace torvane
