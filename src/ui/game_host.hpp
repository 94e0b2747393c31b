#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/bytes.hpp"

namespace torvane {

struct Picture;
class TForm2;

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

// What the game asks of the program around it. The desktop player serves
// it with windows and nested event loops; the headless runner with its
// input script, its virtual clock and its transcript. Who calls: `TForm1`,
// always from within a tick, a menu command or a player action.
class GameHost {
 public:
  virtual ~GameHost() = default;

  // The standard error box: modal, the text, caption "Torvane", error icon.
  virtual void ShowErrorBox(const ErrorReport& error) = 0;
  // A modal message box; returns the button the player chose.
  virtual MessageBoxResult ShowMessageBox(const MessageBoxRequest& box) = 0;
  // Shows the item dialog modally and returns once it has closed.
  virtual void RunItemDialog(TForm2& dialog) = 0;
  // Lets `ms` milliseconds pass while window messages (timers, painting,
  // presses) are handled; the narration page wait.
  virtual void WaitHandlingMessages(std::int64_t ms) = 0;
  // Closes the main window; the program then ends, and the window's
  // destruction runs `FormDestroy`.
  virtual void CloseMainWindow() = 0;

  // Observations for transcripts and tools; the window may ignore them.
  virtual void ScenarioLoaded(BytesView /*file*/, StartMode /*mode*/) {}
  virtual void StepStarting(std::int32_t /*line*/, BytesView /*opcode*/) {}
  virtual void LineNotACommand(std::int32_t /*line*/) {}
  virtual void ScreenShown(ScreenMode /*mode*/) {}
  virtual void PageShown(BytesView /*text*/) {}
  virtual void ScenePictureLoaded(BytesView /*file*/, const Picture& /*picture*/) {}
  virtual void PortraitDrawn(int /*number*/) {}
  virtual void MessageWaiting(BytesView /*text*/) {}
  virtual void MenuWaiting(BytesView /*caption*/, const std::vector<Bytes>& /*entries*/) {}
  virtual void MusicStarted(BytesView /*file*/) {}
  virtual void SoundStarted(BytesView /*file*/) {}
  virtual void SavePointWritten(BytesView /*next*/) {}
};

}  // namespace torvane
