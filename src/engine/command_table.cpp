#include "engine/command_table.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

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
// pick one slot of a small table by a multiplicative hash chosen at compile
// time to give each opcode a slot of its own: a step costs one multiply and
// one compare, whatever the number of commands.
constexpr std::array<std::string_view, kCommandCount> kOpcodes = {{
#define TORVANE_OPCODE(op, form, lines) "@" #op,
    TORVANE_COMMANDS(TORVANE_OPCODE)
#undef TORVANE_OPCODE
}};

// Byte 1 lowest, so that on the usual processors it is one unaligned load.
constexpr std::uint32_t KeyOf(const char* bytes) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[0])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[3])) << 24;
}

constexpr int kSlotBits = 7;
constexpr std::size_t kSlots = std::size_t{1} << kSlotBits;
static_assert(kCommandCount <= kSlots, "more commands than dispatch slots");

constexpr std::size_t SlotOf(std::uint32_t key, std::uint32_t multiplier) {
  return static_cast<std::size_t>(static_cast<std::uint32_t>(key * multiplier) >> (32 - kSlotBits));
}

constexpr bool CollisionFree(std::uint32_t multiplier) {
  std::array<bool, kSlots> taken{};
  for (const std::string_view opcode : kOpcodes) {
    const std::size_t slot = SlotOf(KeyOf(opcode.data()), multiplier);
    if (taken[slot]) return false;
    taken[slot] = true;
  }
  return true;
}

// Tries odd multipliers from a fixed sequence; 0 when none fits, which the
// assertion below turns into a build error naming the cause.
constexpr std::uint32_t FindMultiplier() {
  std::uint32_t candidate = 0x9E3779B1u;
  for (int attempt = 0; attempt < 10000; ++attempt) {
    if (CollisionFree(candidate | 1u)) return candidate | 1u;
    candidate = candidate * 1664525u + 1013904223u;
  }
  return 0;
}

constexpr std::uint32_t kMultiplier = FindMultiplier();
static_assert(kMultiplier != 0, "no multiplier gives every opcode a slot of its own; widen kSlotBits");

struct Slots {
  std::array<std::uint32_t, kSlots> keys{};
  std::array<std::uint8_t, kSlots> rows{};
};

// An empty slot holds the first opcode's key: that key hashes to another
// slot, so no line can match an empty one.
constexpr Slots BuildSlots() {
  Slots slots{};
  for (std::size_t s = 0; s < kSlots; ++s) slots.keys[s] = KeyOf(kOpcodes[0].data());
  for (std::size_t i = 0; i < kCommandCount; ++i) {
    const std::uint32_t key = KeyOf(kOpcodes[i].data());
    slots.keys[SlotOf(key, kMultiplier)] = key;
    slots.rows[SlotOf(key, kMultiplier)] = static_cast<std::uint8_t>(i);
  }
  return slots;
}

constexpr Slots kSlotTable = BuildSlots();

constexpr bool EveryOpcodeFindsItsRow() {
  for (std::size_t i = 0; i < kCommandCount; ++i) {
    if (kOpcodes[i].size() != 4 || kOpcodes[i][0] != '@') return false;
    const std::uint32_t key = KeyOf(kOpcodes[i].data());
    const std::size_t slot = SlotOf(key, kMultiplier);
    if (kSlotTable.keys[slot] != key || kSlotTable.rows[slot] != i) return false;
  }
  return true;
}
static_assert(EveryOpcodeFindsItsRow());

}  // namespace

LineClass ClassifyLine(BytesView line) {
  if (line.size() >= 4) {
    const std::uint32_t key = KeyOf(line.data());
    const std::size_t slot = SlotOf(key, kMultiplier);
    if (kSlotTable.keys[slot] == key) return {LineKind::Command, &kCommandTable[kSlotTable.rows[slot]]};
    if (key == KeyOf("    ")) return {LineKind::PassedOver};
    return {LineKind::NotACommand};
  }
  return {line.empty() ? LineKind::PassedOver : LineKind::NotACommand};
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
