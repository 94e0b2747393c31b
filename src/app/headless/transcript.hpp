#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "app/headless/json_writer.hpp"
#include "game/form1.hpp"
#include "game/game_observer.hpp"
#include "platform/clock.hpp"

namespace torvane::headless {

// Writes what the player would see and hear as JSON Lines, one event a
// line, each stamped with the virtual time. Texts are converted to UTF-8.
class TranscriptWriter final : public GameObserver {
 public:
  TranscriptWriter(std::ostream& out, const platform::Clock& clock, bool trace)
      : out_(out), clock_(clock), trace_(trace) {}

  // The game whose file and lines the `stuck` and `error` events quote.
  void Quote(const TForm1& form) { form_ = &form; }
  // Whether an `error` or a `stuck` event was written.
  bool ScriptFaulted() const { return faulted_; }

  // An event of the given kind at the current time, for the caller to add to.
  JsonObject Event(const char* kind) const;
  void Write(const JsonObject& event);
  void Flush() { out_.flush(); }
  // The game's state, for the `state` and `end` events.
  static std::string StateJson(const TForm1& form);

  void ScenarioLoaded(BytesView file, StartMode mode) override;
  void StepStarting(std::int32_t line, BytesView opcode) override;
  void LineNotACommand(std::int32_t line) override;
  void ScreenShown(ScreenMode mode) override;
  void PageShown(BytesView text) override;
  void ScenePictureLoaded(BytesView file, const Picture& picture) override;
  void PortraitDrawn(int number) override;
  void MessageWaiting(BytesView text) override;
  void MenuWaiting(BytesView caption, const std::vector<Bytes>& entries) override;
  void MusicStarted(BytesView file) override;
  void SoundStarted(BytesView file) override;
  void SavePointWritten(BytesView next) override;
  void ErrorShown(const ErrorReport& error) override;
  void MessageBoxShown(const MessageBoxRequest& box) override;
  void ItemDialogShown(const std::vector<Bytes>& entries) override;

 private:
  std::ostream& out_;
  const platform::Clock& clock_;
  bool trace_;
  const TForm1* form_ = nullptr;
  bool faulted_ = false;
  std::optional<std::int32_t> stuck_line_;  // reported once for as long as the engine stays on it
};

}  // namespace torvane::headless
