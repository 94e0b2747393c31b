// "@CMD" and the choice in the command list.
#include "engine/interpreter.hpp"
#include "engine/operands.hpp"
#include "game/form1.hpp"
#include "platform/script_error.hpp"

namespace torvane {

void TForm1::CmdCMD(const Operands& operands) {
  Form.Label2.Enabled = true;
  Form.ListBox1.Enabled = true;
  Form.ListBox1Items.clear();
  Form.ListBox1ItemIndex = -1;
  Form.Label2.Caption = Bytes(operands.Name);
  const ScenarioText& lines = *Engine.ScenarioLines;
  Engine.CurrentLine += 1;
  std::size_t k = 0;
  for (BytesView entry; !IsTrimmedEnd(entry = lines.At(Engine.CurrentLine));) {
    // CommandTargets holds 600 names; a longer menu stops the script on
    // the entry that does not fit, as a missing end line would.
    if (k == kCommandTargetCapacity) throw ScriptError(error_text::TooManyMenuEntries(kCommandTargetCapacity));
    const MenuEntry parts = MenuEntryLine(entry);
    Form.ListBox1Items.emplace_back(parts.text);
    if (k == CommandTargets.size()) CommandTargets.emplace_back(parts.target);
    else CommandTargets[k] = Bytes(parts.target);
    ++k;
    Engine.CurrentLine += 1;
  }
  Engine.CurrentLine += 1;
  Engine.MenuGate = 0;
  observer_.MenuWaiting(Form.Label2.Caption, Form.ListBox1Items);
}

void TForm1::ListBox1Select(int index) {
  if (!Form.ListBox1.Enabled || index < 0 || static_cast<std::size_t>(index) >= Form.ListBox1Items.size()) return;
  Form.ListBox1ItemIndex = index;
  ListBox1Click();
}

// The return point is CurrentLine itself: "@CMD" already moved it past its
// block. An error (an undefined name, a full stack) stops the script with
// the menu still up, as any error in a step would.
void TForm1::ListBox1Click() {
  const int index = Form.ListBox1ItemIndex;
  if (index < 0 || static_cast<std::size_t>(index) >= Form.ListBox1Items.size()) return;
  if (Engine.MenuGate == 0) Form.Label1.Caption.clear();
  const Bytes& target = CommandTargets[static_cast<std::size_t>(index)];
  if (auto error = ErrorOf([&] { CallSubroutine(Engine, target, Engine.CurrentLine); }, Engine.CurrentLine)) {
    Timer2.SetEnabled(false);
    ShowErrorBox(*error);
    return;
  }
  observer_.MenuChosen(Form.Label2.Caption, Form.ListBox1Items[static_cast<std::size_t>(index)]);
  Form.ListBox1Items.clear();
  Form.ListBox1ItemIndex = -1;
  Form.ListBox1.Enabled = false;
  Form.Label2.Caption.clear();
  Form.Label2.Enabled = false;
  Engine.MenuGate = 1;
}

}  // namespace torvane
