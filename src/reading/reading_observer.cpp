#include "reading/reading_observer.hpp"

#include "game/game_wait.hpp"
#include "ui/press_routing.hpp"

namespace torvane::reading {

std::optional<Press> PressForPlayer(const TForm1& form, const ReadingModes& modes,
                                    const std::optional<ShownText>& shown) {
  if (!shown || WhatGameWaitsFor(form) != WaitKind::Click) return std::nullopt;
  const Control* control = RoutePress(form.Form, kPressX, kPressY);
  if (control == &form.Form.ListBox1 || (control && control->Press == PressHandler::None)) return std::nullopt;
  return modes.NextPress(*shown);
}

void ReadingObserver::Showing(ShownText::Kind kind, BytesView text) {
  ShownText shown{kind, CharacterCount(text), false, clock_.NowMs()};
  if (seen_ && form_ && !form_->ScenarioFile().empty()) {
    shown.Seen = seen_->Mark(TextPlace::Of(form_->ScenarioFile(), form_->Engine.CurrentLine, text));
  }
  if (modes_.Showing(shown)) skip_ended_ = true;
  shown_ = shown;
}

void ReadingObserver::PageShown(BytesView text) {
  Showing(ShownText::Kind::Page, text);
}

void ReadingObserver::MessageWaiting(BytesView text) {
  Showing(ShownText::Kind::Message, text);
}

// Whatever was shown is over once the game runs on or asks something else.
void ReadingObserver::StepStarting(std::int32_t /*line*/, BytesView /*opcode*/) {
  shown_.reset();
}

void ReadingObserver::MenuWaiting(BytesView /*caption*/, const std::vector<Bytes>& /*entries*/) {
  shown_.reset();
}

void ReadingObserver::ErrorShown(const ErrorReport& /*error*/) {
  shown_.reset();
}

void ReadingObserver::MessageBoxShown(const MessageBoxRequest& /*box*/) {
  shown_.reset();
}

void ReadingObserver::ItemDialogShown(const std::vector<Bytes>& /*entries*/) {
  shown_.reset();
}

}  // namespace torvane::reading
