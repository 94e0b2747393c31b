#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/interpreter.hpp"
#include "platform/bytes.hpp"

namespace torvane {

struct Picture;

enum class StartMode { NewGame, NextFile };
enum class ScreenMode { Narration, Normal };
enum class MessageBoxButtons { Ok, YesNo };
enum class MessageBoxResult { Ok, Yes, No };

// An error as the standard error box shows it, with where it happened when
// it happened in a step, for the author's sake.
struct ErrorReport {
  Bytes Text;                        // code page 932
  std::optional<Bytes> File;         // the scenario file, as the script named it
  std::optional<std::int32_t> Line;  // the line whose step failed
};

// A modal message box owned by the main window, without an icon.
struct MessageBoxRequest {
  Bytes Text;     // code page 932
  Bytes Caption;  // code page 932
  MessageBoxButtons Buttons;
};

// What the game shows and plays as it runs, for transcripts and tools.
// Every method has an empty default, so an observer overrides only what it
// records, and a new event is one method here and one call in `TForm1`.
// Who calls: `TForm1`, in the order the player would see and hear it;
// a modal request is reported before it is shown.
class GameObserver : public StepObserver {
 public:
  virtual void ScenarioLoaded(BytesView /*file*/, StartMode /*mode*/) {}
  virtual void ScreenShown(ScreenMode /*mode*/) {}
  virtual void PageShown(BytesView /*text*/) {}
  virtual void ScenePictureLoaded(BytesView /*file*/, const Picture& /*picture*/) {}
  virtual void PortraitDrawn(int /*number*/) {}
  virtual void MessageWaiting(BytesView /*text*/) {}
  virtual void MenuWaiting(BytesView /*caption*/, const std::vector<Bytes>& /*entries*/) {}
  // The entry of the menu under `caption` that the player chose, once the
  // choice has taken: its subroutine is called and the menu is cleared next.
  virtual void MenuChosen(BytesView /*caption*/, BytesView /*entry*/) {}
  virtual void MusicStarted(BytesView /*file*/) {}
  virtual void SoundStarted(BytesView /*file*/) {}
  virtual void SavePointWritten(BytesView /*next*/) {}
  virtual void ErrorShown(const ErrorReport& /*error*/) {}
  virtual void MessageBoxShown(const MessageBoxRequest& /*box*/) {}
  virtual void ItemDialogShown(const std::vector<Bytes>& /*entries*/) {}
  // The item dialog has closed with `name` selected: the entry picked, or
  // empty when it closed without a pick.
  virtual void ItemChosen(BytesView /*name*/) {}
};

}  // namespace torvane
