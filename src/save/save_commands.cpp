// "@SAV" and Continue.
#include "engine/operands.hpp"
#include "ui/form1.hpp"

namespace torvane {

void TForm1::CmdSAV(BytesView line) {
  const BytesView next = FileOperand(line);
  save_point_.WriteNext(next);
  host_.SavePointWritten(next);
  Engine.CurrentLine += 1;
}

// As Start, but from the saved file, with the normal screen shown at once
// and one line further in: a continued file begins at its line 1.
void TForm1::CONTIClick() {
  StartScenario(save_point_.ReadNext(), StartMode::NewGame);
  ShowNormalScreen();
}

}  // namespace torvane
