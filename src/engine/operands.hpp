#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "platform/bytes.hpp"

namespace torvane {

// The strict integer conversion of numeric operands: leading spaces, an
// optional sign, then decimal digits, or hexadecimal digits after "$", "x",
// "X", "0x" or "0X". Anything else raises "'%s' は整数ではありません".
std::int32_t ConvertInteger(BytesView text);
// The same conversion for callers that only ask whether a text converts:
// nothing where ConvertInteger would raise.
std::optional<std::int32_t> ParseInteger(BytesView text);

// Operand forms. Every command of a form slices its line the same way.
BytesView NameOperand(BytesView line);    // bytes 5 to the end, trimmed
BytesView FileOperand(BytesView line);    // bytes 6 to the end, as is
std::int32_t FlagOperand(BytesView line);    // bytes 6-7, converted
std::int32_t NumberOperand(BytesView line);  // bytes 6-12, converted

struct FlagAndLabel {
  std::int32_t flag;
  BytesView label;
};
FlagAndLabel FlagAndLabelOperand(BytesView line);  // flag 6-7, label 9 to the end trimmed

struct Pair {
  BytesView first;
  BytesView second;
};
// Divides at the first comma; neither part is trimmed again, and later
// commas belong to the second part.
Pair SplitAtFirstComma(BytesView text);
Pair PairOperand(BytesView line);  // bytes 5 to the end, trimmed, then divided

// Block lines.
struct MenuEntry {
  BytesView text;
  BytesView target;
};
MenuEntry MenuEntryLine(BytesView line);  // the untrimmed line at its first comma

struct ItemDefinition {
  BytesView name;
  BytesView holding;
  BytesView usage;
  BytesView description;  // keeps any further commas
};
ItemDefinition ItemDefinitionLine(BytesView line);

// The two block-end tests, which are not interchangeable.
bool IsExactEnd(BytesView line);    // exactly "@END"
bool IsTrimmedEnd(BytesView line);  // "@END" once trimmed

}  // namespace torvane
