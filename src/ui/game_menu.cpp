// The game menu's commands and shutdown.
#include "engine/script_error.hpp"
#include "ui/form1.hpp"

namespace torvane {

void TForm1::N1Click() { StartScenario("Sinario00.txt", StartMode::NewGame); }

void TForm1::FormDestroy() {
  Engine.ScenarioLines.reset();
  Form.Cursors.Current = 0;
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
