#include "engine/command_table.hpp"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "engine/operands.hpp"

namespace torvane {

const std::array<CommandRow, kCommandCount> kCommandTable = {{
#define TORVANE_ROW(op, form, lines) \
  {"@" #op, CommandId::op, &CommandHandlers::Cmd##op, "Cmd" #op, OperandForm::form, LineEffect::lines},
    TORVANE_COMMANDS(TORVANE_ROW)
#undef TORVANE_ROW
}};

namespace {

// Every opcode is four bytes, so a line's first four bytes, as one number,
// find its row by binary search: a step costs a few comparisons, not a walk
// of the table.
constexpr std::uint32_t OpcodeKey(BytesView opcode) {
  std::uint32_t key = 0;
  for (const char c : opcode) key = key << 8 | static_cast<unsigned char>(c);
  return key;
}

using KeyedRow = std::pair<std::uint32_t, const CommandRow*>;

constexpr std::array<KeyedRow, kCommandCount> SortedByKey() {
  std::array<KeyedRow, kCommandCount> keyed{};
  for (std::size_t i = 0; i < kCommandCount; ++i) keyed[i] = {OpcodeKey(kCommandTable[i].Opcode), &kCommandTable[i]};
  std::sort(keyed.begin(), keyed.end(), [](const KeyedRow& a, const KeyedRow& b) { return a.first < b.first; });
  return keyed;
}

const std::array<KeyedRow, kCommandCount> kRowsByKey = SortedByKey();

}  // namespace

LineClass ClassifyLine(BytesView line) {
  const BytesView opcode = OpcodeOf(line);
  if (opcode.size() == 4) {
    const std::uint32_t key = OpcodeKey(opcode);
    const auto found = std::lower_bound(kRowsByKey.begin(), kRowsByKey.end(), key,
                                        [](const KeyedRow& row, std::uint32_t k) { return row.first < k; });
    if (found != kRowsByKey.end() && found->first == key) return {LineKind::Command, found->second};
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
