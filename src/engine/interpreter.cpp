// The tick, the single step and the call/return mechanism.
#include <new>

#include "engine/command_table.hpp"
#include "platform/script_error.hpp"
#include "platform/cp932.hpp"
#include "ui/form1.hpp"

namespace torvane {

void TForm1::Timer2Timer() {
  Timer2.SetEnabled(false);
  if (Engine.ClickGate == 1 && Engine.MenuGate == 1) {
    // Ends the waiting cursor that a message put up.
    Form.Cursors.Current = 0;
    const std::int32_t step_line = Engine.CurrentLine;
    try {
      StepScript();
    } catch (const ScriptError& error) {
      // The tick stays off: the script has stopped for good.
      host_.ShowErrorBox({error.Text(), scenario_file_, step_line});
      return;
    } catch (const std::bad_alloc&) {
      host_.ShowErrorBox({platform::Utf8ToCp932("メモリが足りません"), scenario_file_, step_line});
      return;
    }
  }
  Timer2.SetEnabled(true);
}

void TForm1::StepScript() {
  static const ScenarioText kNoLines;
  const ScenarioText& lines = Engine.ScenarioLines ? *Engine.ScenarioLines : kNoLines;
  const BytesView line = lines.At(Engine.CurrentLine);
  // The opcode is taken once, before the handler runs, so a handler that
  // moves CurrentLine or reloads the file never causes a second command.
  const LineClass kind = ClassifyLine(line);
  switch (kind.Kind) {
    case LineKind::Command:
      host_.StepStarting(Engine.CurrentLine, kind.Row->Opcode);
      (this->*kind.Row->Handler)(line);
      return;
    case LineKind::PassedOver:
      host_.StepStarting(Engine.CurrentLine, OpcodeOf(line));
      Engine.CurrentLine += 1;
      return;
    case LineKind::NotACommand:
      host_.LineNotACommand(Engine.CurrentLine);
      return;
  }
}

std::int32_t TForm1::FindTag(BytesView name) const {
  if (auto line = Engine.TagTable.Find(name)) return *line;
  throw ScriptError(error_text::UndefinedTag(name));
}

std::int32_t TForm1::FindSub(BytesView name) const {
  if (auto line = Engine.SubTable.Find(name)) return *line;
  throw ScriptError(error_text::UndefinedSub(name));
}

void TForm1::CallSubroutine(BytesView name, std::int32_t return_line) {
  const std::int32_t target = FindSub(name);
  if (Engine.ReturnDepth >= EngineState::kReturnStackCapacity) {
    throw ScriptError(error_text::CallTooDeep(EngineState::kReturnStackCapacity));
  }
  Engine.ReturnStack[static_cast<std::size_t>(Engine.ReturnDepth)] = return_line;
  Engine.ReturnDepth += 1;
  Engine.CurrentLine = target;
}

void TForm1::ReturnFromCall(BytesView opcode) {
  if (Engine.ReturnDepth <= 0) throw ScriptError(error_text::ReturnWithoutCall(opcode));
  Engine.ReturnDepth -= 1;
  // The entry stays: nothing but a later call overwrites it.
  Engine.CurrentLine = Engine.ReturnStack[static_cast<std::size_t>(Engine.ReturnDepth)];
}

}  // namespace torvane
