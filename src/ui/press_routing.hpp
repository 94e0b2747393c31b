#pragma once

#include "ui/form_model.hpp"

namespace torvane {

enum class MouseButton { Left, Right, Middle };

// The control that takes a press at client coordinates (x, y): the topmost
// visible one under the pointer, where a disabled control lets the press
// through to what lies beneath. Null when the press reaches the window
// itself. The layout is fixed, so this is the model's decision, not the
// toolkit's.
const Control* RoutePress(const FormModel& form, int x, int y);

}  // namespace torvane
