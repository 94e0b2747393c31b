#pragma once

#include <vector>

#include "game/game_observer.hpp"

namespace torvane {

// Reports every event to two observers, first to `first`: a front end's
// own watcher beside the one it was given.
class ObserverTee final : public GameObserver {
 public:
  ObserverTee(GameObserver& first, GameObserver& second) : a_(first), b_(second) {}

  void StepStarting(std::int32_t line, BytesView opcode) override {
    a_.StepStarting(line, opcode);
    b_.StepStarting(line, opcode);
  }
  void LineNotACommand(std::int32_t line) override {
    a_.LineNotACommand(line);
    b_.LineNotACommand(line);
  }
  void ScenarioLoaded(BytesView file, StartMode mode) override {
    a_.ScenarioLoaded(file, mode);
    b_.ScenarioLoaded(file, mode);
  }
  void ScreenShown(ScreenMode mode) override {
    a_.ScreenShown(mode);
    b_.ScreenShown(mode);
  }
  void PageShown(BytesView text) override {
    a_.PageShown(text);
    b_.PageShown(text);
  }
  void ScenePictureLoaded(BytesView file, const Picture& picture) override {
    a_.ScenePictureLoaded(file, picture);
    b_.ScenePictureLoaded(file, picture);
  }
  void PortraitDrawn(int number) override {
    a_.PortraitDrawn(number);
    b_.PortraitDrawn(number);
  }
  void MessageWaiting(BytesView text) override {
    a_.MessageWaiting(text);
    b_.MessageWaiting(text);
  }
  void MenuWaiting(BytesView caption, const std::vector<Bytes>& entries) override {
    a_.MenuWaiting(caption, entries);
    b_.MenuWaiting(caption, entries);
  }
  void MenuChosen(BytesView caption, BytesView entry) override {
    a_.MenuChosen(caption, entry);
    b_.MenuChosen(caption, entry);
  }
  void MusicStarted(BytesView file) override {
    a_.MusicStarted(file);
    b_.MusicStarted(file);
  }
  void SoundStarted(BytesView file) override {
    a_.SoundStarted(file);
    b_.SoundStarted(file);
  }
  void SavePointWritten(BytesView next) override {
    a_.SavePointWritten(next);
    b_.SavePointWritten(next);
  }
  void ErrorShown(const ErrorReport& error) override {
    a_.ErrorShown(error);
    b_.ErrorShown(error);
  }
  void MessageBoxShown(const MessageBoxRequest& box) override {
    a_.MessageBoxShown(box);
    b_.MessageBoxShown(box);
  }
  void ItemDialogShown(const std::vector<Bytes>& entries) override {
    a_.ItemDialogShown(entries);
    b_.ItemDialogShown(entries);
  }
  void ItemChosen(BytesView name) override {
    a_.ItemChosen(name);
    b_.ItemChosen(name);
  }

 private:
  GameObserver& a_;
  GameObserver& b_;
};

}  // namespace torvane
