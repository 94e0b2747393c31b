#pragma once

#include <cstdint>

#include "engine/command_table.hpp"
#include "engine/engine_state.hpp"
#include "platform/bytes.hpp"

namespace torvane {

// What a step reports before it acts, for transcripts and tools.
class StepObserver {
 public:
  virtual ~StepObserver() = default;
  // A command or a passed-over line is about to run at `line`.
  virtual void StepStarting(std::int32_t /*line*/, BytesView /*opcode*/) {}
  // The line at CurrentLine is not a command: the engine stays on it.
  virtual void LineNotACommand(std::int32_t /*line*/) {}
};

// Runs the line at CurrentLine: classifies it once, decodes its operand by
// its row and calls the row's handler, then moves CurrentLine as the row's
// line effect says. A handler's error propagates with CurrentLine where
// the handler left it, on the failing line for a one-line command. Returns
// the line's kind.
LineKind DispatchLine(EngineState& engine, CommandHandlers& handlers, StepObserver& observer);

// Label look-ups; a name the current file does not define stops the script.
std::int32_t FindTag(const EngineState& engine, BytesView name);
std::int32_t FindSub(const EngineState& engine, BytesView name);

// A call pushes `return_line` and continues at the "@SUB" line; a return
// pops it. Shared by "@GSB", "@FSB", "@ISJ" and the command list.
void CallSubroutine(EngineState& engine, BytesView name, std::int32_t return_line);
void ReturnFromCall(EngineState& engine, BytesView opcode);

}  // namespace torvane
