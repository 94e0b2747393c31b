#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "game/game_observer.hpp"
#include "platform/bytes.hpp"

namespace torvane {

enum class HistoryKind { Message, Page, MenuChoice, ItemChoice };

// One thing this run showed the player or the player chose, as it was:
// texts are code page 932 bytes.
struct HistoryEntry {
  HistoryKind Kind;
  // A message or page as shown, line feeds included; the chosen entry or
  // item (empty: the dialog closed without a pick).
  Bytes Text;
  // The menu's caption, for a menu choice.
  Bytes Caption;
  // What was on screen beside a message or a choice: the portrait drawn
  // last and the scene picture loaded last, as the script named it.
  std::optional<int> Portrait;
  std::optional<Bytes> Scene;
  // Counts every entry of the run from 0, those dropped included.
  std::uint64_t Number = 0;
};

// The run's messages, narration pages, menu choices and item choices, the
// newest last, as an observer of the game sees them. Only the last
// `capacity` are kept. Recording never feeds back into the game: listeners
// are told of each entry once it is kept.
class History final : public GameObserver {
 public:
  static constexpr std::size_t kDefaultCapacity = 2000;

  explicit History(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

  const std::deque<HistoryEntry>& Entries() const { return entries_; }
  std::size_t Capacity() const { return capacity_; }
  // Entries recorded in the run so far, those dropped included.
  std::uint64_t Recorded() const { return recorded_; }

  using Listener = std::function<void(const HistoryEntry&)>;
  void Listen(Listener listener) { listeners_.push_back(std::move(listener)); }

  void ScenePictureLoaded(BytesView file, const Picture& picture) override;
  void PortraitDrawn(int number) override;
  void MessageWaiting(BytesView text) override;
  void PageShown(BytesView text) override;
  void MenuChosen(BytesView caption, BytesView entry) override;
  void ItemChosen(BytesView name) override;

 private:
  void Record(HistoryEntry entry);

  std::size_t capacity_;
  std::deque<HistoryEntry> entries_;
  std::uint64_t recorded_ = 0;
  std::optional<int> portrait_;
  std::optional<Bytes> scene_;
  std::vector<Listener> listeners_;
};

}  // namespace torvane
