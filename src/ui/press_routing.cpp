#include "ui/press_routing.hpp"

namespace torvane {

const Control* RoutePress(const FormModel& form, int x, int y) {
  const auto controls = form.CreationOrder();
  for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
    const Control& control = **it;
    if (control.Visible && control.Enabled && control.Bounds.Contains(x, y)) return &control;
  }
  return nullptr;
}

}  // namespace torvane
