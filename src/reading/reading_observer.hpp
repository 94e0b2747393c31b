#pragma once

#include <optional>
#include <utility>

#include "game/form1.hpp"
#include "game/game_observer.hpp"
#include "platform/clock.hpp"
#include "reading/reading_modes.hpp"
#include "reading/seen_lines.hpp"

namespace torvane::reading {

// Where a mode presses for the player: where `click` presses by default,
// a point in the message area.
inline constexpr int kPressX = 300;
inline constexpr int kPressY = 350;

// The press a mode makes for the player while the game waits for a click
// on the message `shown`, and a press there would answer it: none while a
// command list, the item dialog, a box or an error waits, or while the
// narration screen takes every press without effect.
std::optional<Press> PressForPlayer(const TForm1& form, const ReadingModes& modes,
                                    const std::optional<ShownText>& shown);

// Watches the game beside the observer a front end gives it, and hears each
// report first (through an ObserverTee): marks each message and page as
// seen and tells the modes what is shown, so that skip stops at the first
// text the player has not read.
class ReadingObserver final : public GameObserver {
 public:
  ReadingObserver(ReadingModes& modes, const platform::Clock& game_clock) : modes_(modes), clock_(game_clock) {}

  // The game whose file and line place what it shows, and the store of
  // what was seen; without one nothing counts as seen.
  void Watch(const TForm1& form) { form_ = &form; }
  void Keep(SeenLines* seen) { seen_ = seen; }

  // The message or page shown last, while it is shown: a message until
  // the game runs on, a page until the next step.
  const std::optional<ShownText>& Shown() const { return shown_; }
  // Whether skip switched itself off since the last call.
  bool TakeSkipEnded() { return std::exchange(skip_ended_, false); }

  void StepStarting(std::int32_t line, BytesView opcode) override;
  void PageShown(BytesView text) override;
  void MessageWaiting(BytesView text) override;
  void MenuWaiting(BytesView caption, const std::vector<Bytes>& entries) override;
  void ErrorShown(const ErrorReport& error) override;
  void MessageBoxShown(const MessageBoxRequest& box) override;
  void ItemDialogShown(const std::vector<Bytes>& entries) override;

 private:
  // Marks `text` seen and tells the modes.
  void Showing(ShownText::Kind kind, BytesView text);

  ReadingModes& modes_;
  const platform::Clock& clock_;
  const TForm1* form_ = nullptr;
  SeenLines* seen_ = nullptr;
  std::optional<ShownText> shown_;
  bool skip_ended_ = false;
};

}  // namespace torvane::reading
