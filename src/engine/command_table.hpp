#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/command_list.hpp"
#include "platform/bytes.hpp"

namespace torvane {

// How the dispatcher decodes a command's operand before its handler runs.
enum class OperandForm {
  None,          // nothing
  Name,          // Name: bytes 5 to the end, trimmed
  File,          // Name: bytes 6 to the end, as written
  Flag,          // Number: bytes 6-7, converted
  Number,        // Number: bytes 6-12, converted
  FlagAndLabel,  // Number: the flag, bytes 6-7; Name: the label, bytes 9 to the end, trimmed
  Pair,          // Name and Second: bytes 5 to the end, trimmed, divided at the first comma
  Comment,       // nothing: the rest of the line is never read
  MessageBlock,  // Number: the portrait, bytes 6-12; the message lines follow
  MenuBlock,     // Name: the caption, as Name; the entries follow
  ItemBlock,     // nothing; the item definitions follow
  PageBlock,     // nothing; the handler reads on from Line
};

// Where a step of the command leaves `CurrentLine`.
enum class LineEffect {
  OneLine,      // the dispatcher advances one line once the handler returns
  Block,        // the handler reads its block and leaves CurrentLine past it
  Transfer,     // the handler sets CurrentLine
  Conditional,  // the handler transfers or not; the dispatcher advances one line when it did not
};

enum class CommandId : std::uint8_t {
#define TORVANE_ID(op, form, lines) op,
  TORVANE_COMMANDS(TORVANE_ID)
#undef TORVANE_ID
};

// A decoded operand. Only the fields the row's form names are set; `Line`
// is always the whole line.
struct Operands {
  BytesView Line;
  BytesView Name;
  BytesView Second;
  std::int32_t Number = 0;
};

// What runs the commands: one handler for each, named after its opcode.
class CommandHandlers {
 public:
#define TORVANE_HANDLER(op, form, lines) virtual void Cmd##op(const Operands& operands) = 0;
  TORVANE_COMMANDS(TORVANE_HANDLER)
#undef TORVANE_HANDLER

 protected:
  ~CommandHandlers() = default;
};

using CommandHandler = void (CommandHandlers::*)(const Operands& operands);

struct CommandRow {
  std::string_view Opcode;
  CommandId Id;
  CommandHandler Handler;
  std::string_view HandlerName;
  OperandForm Operands;
  LineEffect Lines;
};

#define TORVANE_COUNT(op, form, lines) +1
inline constexpr std::size_t kCommandCount = 0 TORVANE_COMMANDS(TORVANE_COUNT);
#undef TORVANE_COUNT

// Dispatch, traces and tools all read these rows.
extern const std::array<CommandRow, kCommandCount> kCommandTable;

enum class LineKind {
  Command,      // runs the row's handler
  PassedOver,   // empty, or its first four bytes are spaces: advances one line
  NotACommand,  // neither: the engine stays on it
};

struct LineClass {
  LineKind Kind;
  const CommandRow* Row = nullptr;
};

// Finds the row whose opcode is the line's first four bytes, in constant time.
LineClass ClassifyLine(BytesView line);

// Decodes the line's operand by the row's form. A number that does not
// convert raises "'%s' は整数ではありません" before the handler runs.
Operands DecodeOperands(const CommandRow& row, BytesView line);

}  // namespace torvane
