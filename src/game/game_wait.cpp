#include "game/game_wait.hpp"

#include "game/form1.hpp"

namespace torvane {

std::optional<WaitKind> WhatGameWaitsFor(const TForm1& form) {
  const EngineState& engine = form.Engine;
  if (form.Form.Image3.Visible) return WaitKind::Title;
  if (!form.Timer2.Enabled()) return WaitKind::Stopped;
  if (engine.ClickGate == 0) return WaitKind::Click;
  if (engine.MenuGate == 0) return WaitKind::Choice;
  if (form.StuckLine() == engine.CurrentLine) return WaitKind::Stuck;
  return std::nullopt;
}

}  // namespace torvane
