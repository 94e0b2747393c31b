// Loading a scenario file, the start sequence and "@NXT".
#include "engine/scenario_loading.hpp"
#include "game/form1.hpp"
#include "platform/script_error.hpp"

namespace torvane {

void TForm1::LoadScenario(BytesView file_name) {
  auto bytes = folder_.ReadFileBuffer(file_name);
  if (!bytes) throw ScriptError(error_text::CannotOpenFile(file_name));
  LoadScenarioBytes(Engine, file_name, std::move(*bytes));
  scenario_file_ = Bytes(file_name);
}

void TForm1::StartScenario(BytesView file_name, StartMode mode) {
  const bool new_game = mode == StartMode::NewGame;
  if (new_game) Engine.ScenarioLines.emplace();
  LoadScenario(file_name);
  stuck_line_.reset();
  observer_.ScenarioLoaded(file_name, mode);
  Engine.ClickGate = 1;
  Engine.MenuGate = 1;
  Form.ListBox1.Enabled = false;
  Form.Label2.Caption.clear();
  Form.Label2.Enabled = false;
  if (new_game) Form.Image3.Visible = false;
  Engine.CurrentLine = new_game ? 0 : 1;
  Engine.ReturnDepth = 0;
  if (new_game) {
    Form.Cursors.Register(1, "OSE01");
    Timer2.SetEnabled(true);
    Form.MENU01.Visible = false;
    Form.N1.Visible = false;
    Form.CONTI.Visible = false;
  }
}

// The first line of the next file is never executed, though a label on it
// is indexed. The old file's lines are gone, so the return stack is emptied.
void TForm1::CmdNXT(const Operands& operands) {
  const Bytes file_name(operands.Name);
  StartScenario(file_name, StartMode::NextFile);
}

}  // namespace torvane
