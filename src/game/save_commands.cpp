// "@SAV" and Continue.
#include "game/form1.hpp"

namespace torvane {

void TForm1::CmdSAV(const Operands& operands) {
  save_point_.WriteNext(operands.Name);
  observer_.SavePointWritten(operands.Name);
}

// As Start, but from the saved file, with the normal screen shown at once
// and one line further in: a continued file begins at its line 1.
void TForm1::CONTIClick() {
  StartScenario(save_point_.ReadNext(), StartMode::NewGame);
  ShowNormalScreen();
  Engine.CurrentLine += 1;
}

}  // namespace torvane
