#include "history/history.hpp"

namespace torvane {

void History::ScenePictureLoaded(BytesView file, const Picture& /*picture*/) { scene_ = Bytes(file); }

void History::PortraitDrawn(int number) { portrait_ = number; }

void History::MessageWaiting(BytesView text) {
  Record({HistoryKind::Message, Bytes(text), {}, portrait_, scene_});
}

// The narration hides the portrait and the scene, so a page carries neither.
void History::PageShown(BytesView text) { Record({HistoryKind::Page, Bytes(text), {}, {}, {}}); }

void History::MenuChosen(BytesView caption, BytesView entry) {
  Record({HistoryKind::MenuChoice, Bytes(entry), Bytes(caption), portrait_, scene_});
}

void History::ItemChosen(BytesView name) { Record({HistoryKind::ItemChoice, Bytes(name), {}, portrait_, scene_}); }

void History::Record(HistoryEntry entry) {
  if (capacity_ == 0) return;
  entry.Number = recorded_++;
  if (entries_.size() == capacity_) entries_.pop_front();
  entries_.push_back(std::move(entry));
  for (const Listener& listener : listeners_) listener(entries_.back());
}

}  // namespace torvane
