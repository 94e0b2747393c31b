#include "engine/command_table.hpp"

#include "engine/operands.hpp"

namespace torvane {

const std::array<CommandRow, kCommandCount> kCommandTable = {{
#define TORVANE_ROW(op, form, lines) \
  {"@" #op, CommandId::op, &CommandHandlers::Cmd##op, "Cmd" #op, OperandForm::form, LineEffect::lines},
    TORVANE_COMMANDS(TORVANE_ROW)
#undef TORVANE_ROW
}};

LineClass ClassifyLine(BytesView line) {
  const BytesView opcode = OpcodeOf(line);
  for (const CommandRow& row : kCommandTable) {
    if (row.Opcode == opcode) return {LineKind::Command, &row};
  }
  if (opcode.empty() || opcode == "    ") return {LineKind::PassedOver};
  return {LineKind::NotACommand};
}

Operands DecodeOperands(const CommandRow& row, BytesView line) {
  Operands operands{line, {}, {}, 0};
  switch (row.Operands) {
    case OperandForm::None:
    case OperandForm::Comment:
    case OperandForm::ItemBlock:
    case OperandForm::PageBlock: break;
    case OperandForm::Name:
    case OperandForm::MenuBlock: operands.Name = NameOperand(line); break;
    case OperandForm::File: operands.Name = FileOperand(line); break;
    case OperandForm::Flag: operands.Number = FlagOperand(line); break;
    case OperandForm::Number:
    case OperandForm::MessageBlock: operands.Number = NumberOperand(line); break;
    case OperandForm::FlagAndLabel: {
      const FlagAndLabel parts = FlagAndLabelOperand(line);
      operands.Number = parts.flag;
      operands.Name = parts.label;
      break;
    }
    case OperandForm::Pair: {
      const Pair parts = PairOperand(line);
      operands.Name = parts.first;
      operands.Second = parts.second;
      break;
    }
  }
  return operands;
}

}  // namespace torvane
