#pragma once

#include <cstdint>

#include "game/game_observer.hpp"

namespace torvane {

class TForm2;

// The modal steps the game asks of the program around it. The desktop
// player serves them with windows and nested event loops; the headless
// runner with its input script and its virtual clock. Who calls: `TForm1`,
// always from within a tick, a menu command or a player action.
class ModalHost {
 public:
  virtual ~ModalHost() = default;

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
};

}  // namespace torvane
