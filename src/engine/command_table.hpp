#pragma once

#include <array>
#include <string_view>

#include "platform/bytes.hpp"

namespace torvane {

class TForm1;
using CommandHandler = void (TForm1::*)(BytesView line);

enum class OperandForm { None, Name, File, Flag, Number, FlagAndLabel, Pair, Comment, MessageBlock, MenuBlock, ItemBlock, PageBlock };

// Where a step of the command leaves `CurrentLine`.
enum class LineEffect { OneLine, Block, Transfer, Conditional };

struct CommandRow {
  std::string_view Opcode;
  CommandHandler Handler;
  std::string_view HandlerName;
  OperandForm Operands;
  LineEffect Lines;
};

// Every command the engine knows, in the order the engine tests for them.
// Dispatch, traces and tools all read these rows.
extern const std::array<CommandRow, 34> kCommandTable;

enum class LineKind {
  Command,      // runs the row's handler
  PassedOver,   // empty, or its first four bytes are spaces: advances one line
  NotACommand,  // neither: the engine stays on it
};

struct LineClass {
  LineKind Kind;
  const CommandRow* Row = nullptr;
};

// Compares the line's opcode with the table's opcodes in table order.
LineClass ClassifyLine(BytesView line);

}  // namespace torvane
