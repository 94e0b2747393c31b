// The player's one way of advancing a message: a press on the game screen.
#include "game/form1.hpp"

namespace torvane {

void TForm1::WaitForClick() {
  Engine.ClickGate = 0;
  Form.Cursors.Current = 1;
  observer_.MessageWaiting(Form.Label1.Caption);
}

// FormMouseDown, Label1MouseDown and Image1MouseDown behave alike; which of
// them runs, the modifier keys and the position make no difference.
void TForm1::GameScreenMouseDown(MouseButton button) {
  if (Engine.ClickGate == 0) Form.Label1.Caption.clear();
  if (button == MouseButton::Left) Engine.ClickGate = 1;
}

void TForm1::PressAt(int x, int y, MouseButton button) {
  const Control* control = RoutePress(Form, x, y);
  if (control == &Form.ListBox1) {
    // The list is a child window of its own: a left press selects the
    // entry under the pointer.
    const int row = (y - Form.ListBox1.Bounds.top) / FormModel::kListRowHeight;
    if (button == MouseButton::Left) ListBox1Select(row);
    return;
  }
  const PressHandler handler = control ? control->Press : PressHandler::FormMouseDown;
  if (handler != PressHandler::None) GameScreenMouseDown(button);
}

}  // namespace torvane
