// The script tick and one step.
#include "engine/interpreter.hpp"
#include "game/form1.hpp"

namespace torvane {

void TForm1::Timer2Timer() {
  Timer2.SetEnabled(false);
  if (Engine.ClickGate == 1 && Engine.MenuGate == 1) {
    // Ends the waiting cursor that a message put up.
    Form.Cursors.Current = 0;
    // The tick stays off after an error: the script has stopped for good.
    if (!Guarded([this] { StepScript(); }, Engine.CurrentLine)) return;
  }
  Timer2.SetEnabled(true);
}

void TForm1::StepScript() {
  const LineKind kind = DispatchLine(Engine, *this, observer_);
  if (kind == LineKind::NotACommand) stuck_line_ = Engine.CurrentLine;
  else stuck_line_.reset();
}

void TForm1::RunInline(BytesView line) {
  const LineClass kind = ClassifyLine(line);
  (this->*kind.Row->Handler)(DecodeOperands(*kind.Row, line));
  Engine.CurrentLine += 1;
}

}  // namespace torvane
