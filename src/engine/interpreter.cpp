// The single step and the call/return mechanism.
#include "engine/interpreter.hpp"

#include "platform/script_error.hpp"

namespace torvane {

LineKind DispatchLine(EngineState& engine, CommandHandlers& handlers, StepObserver& observer) {
  static const ScenarioText kNoLines;
  const ScenarioText& lines = engine.ScenarioLines ? *engine.ScenarioLines : kNoLines;
  const std::int32_t line_number = engine.CurrentLine;
  const BytesView line = lines.At(line_number);
  // The opcode is taken once, before the handler runs, so a handler that
  // moves CurrentLine or reloads the file never causes a second command.
  const LineClass kind = ClassifyLine(line);
  switch (kind.Kind) {
    case LineKind::Command: {
      const CommandRow& row = *kind.Row;
      observer.StepStarting(line_number, row.Opcode);
      (handlers.*row.Handler)(DecodeOperands(row, line));
      // A conditional command that transferred has left its own line: every
      // target is a "@TAG" or "@SUB" line, never the command's.
      if (row.Lines == LineEffect::OneLine ||
          (row.Lines == LineEffect::Conditional && engine.CurrentLine == line_number)) {
        engine.CurrentLine += 1;
      }
      break;
    }
    case LineKind::PassedOver:
      observer.StepStarting(line_number, OpcodeOf(line));
      engine.CurrentLine += 1;
      break;
    case LineKind::NotACommand: observer.LineNotACommand(line_number); break;
  }
  return kind.Kind;
}

std::int32_t FindTag(const EngineState& engine, BytesView name) {
  if (auto line = engine.TagTable.Find(name)) return *line;
  throw ScriptError(error_text::UndefinedTag(name));
}

std::int32_t FindSub(const EngineState& engine, BytesView name) {
  if (auto line = engine.SubTable.Find(name)) return *line;
  throw ScriptError(error_text::UndefinedSub(name));
}

void CallSubroutine(EngineState& engine, BytesView name, std::int32_t return_line) {
  const std::int32_t target = FindSub(engine, name);
  if (engine.ReturnDepth >= EngineState::kReturnStackCapacity) {
    throw ScriptError(error_text::CallTooDeep(EngineState::kReturnStackCapacity));
  }
  engine.ReturnStack[static_cast<std::size_t>(engine.ReturnDepth)] = return_line;
  engine.ReturnDepth += 1;
  engine.CurrentLine = target;
}

void ReturnFromCall(EngineState& engine, BytesView opcode) {
  if (engine.ReturnDepth <= 0) throw ScriptError(error_text::ReturnWithoutCall(opcode));
  engine.ReturnDepth -= 1;
  // The entry stays: nothing but a later call overwrites it.
  engine.CurrentLine = engine.ReturnStack[static_cast<std::size_t>(engine.ReturnDepth)];
}

}  // namespace torvane
