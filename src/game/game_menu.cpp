// The game menu's commands and shutdown.
#include "game/form1.hpp"
#include "platform/cp932.hpp"

namespace torvane {

void TForm1::N1Click() { StartScenario(kFirstScenario, StartMode::NewGame); }

// The only question before quitting; the close box asks nothing.
void TForm1::MENU12Click() {
  const MessageBoxResult answer = ShowMessageBox(
      {Sjis("ゲームを終了してもよろしいですか？"), Sjis("ゲームの終了"), MessageBoxButtons::YesNo});
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
  Guarded([this, command] { (this->*command)(); }, std::nullopt);
}

}  // namespace torvane
