// The game menu's commands and shutdown.
#include "platform/script_error.hpp"
#include "platform/cp932.hpp"
#include "ui/form1.hpp"

namespace torvane {

void TForm1::N1Click() { StartScenario("Sinario00.txt", StartMode::NewGame); }

// The only question before quitting; the close box asks nothing.
void TForm1::MENU12Click() {
  const MessageBoxResult answer =
      host_.ShowMessageBox({platform::Utf8ToCp932("ゲームを終了してもよろしいですか？"),
                            platform::Utf8ToCp932("ゲームの終了"), MessageBoxButtons::YesNo});
  if (answer == MessageBoxResult::Yes) host_.CloseMainWindow();
}

void TForm1::FormDestroy() {
  Engine.ScenarioLines.reset();
  Form.Cursors.Current = 0;
  music_.Close();
}

// Errors of a menu command reach the standard error box, and the program
// stays where it was: after a failed Start the title and the menu remain.
void TForm1::RunMenuCommand(void (TForm1::*command)()) {
  try {
    (this->*command)();
  } catch (const ScriptError& error) {
    host_.ShowErrorBox({error.Text(), std::nullopt, std::nullopt});
  }
}

}  // namespace torvane
