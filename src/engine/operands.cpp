#include "engine/operands.hpp"

#include <optional>

#include "platform/script_error.hpp"

namespace torvane {
namespace {

std::optional<unsigned> DigitValue(char c, unsigned base) {
  unsigned value;
  if (c >= '0' && c <= '9') value = static_cast<unsigned>(c - '0');
  else if (c >= 'a' && c <= 'f') value = static_cast<unsigned>(c - 'a' + 10);
  else if (c >= 'A' && c <= 'F') value = static_cast<unsigned>(c - 'A' + 10);
  else return std::nullopt;
  if (value >= base) return std::nullopt;
  return value;
}

}  // namespace

std::optional<std::int32_t> ParseInteger(BytesView text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  unsigned base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    i += 1;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;
  // Hexadecimal may fill all 32 bits and wraps to a negative value;
  // decimal must stay within the signed range.
  const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    auto digit = DigitValue(text[i], base);
    if (!digit) return std::nullopt;
    value = value * base + *digit;
    if (value > limit) return std::nullopt;
  }
  auto magnitude = static_cast<std::uint32_t>(value);
  if (negative) magnitude = 0u - magnitude;
  return static_cast<std::int32_t>(magnitude);
}

std::int32_t ConvertInteger(BytesView text) {
  if (auto value = ParseInteger(text)) return *value;
  throw ScriptError(error_text::NotAnInteger(text));
}

BytesView NameOperand(BytesView line) { return TrimBlanks(SliceFrom(line, 5)); }

BytesView FileOperand(BytesView line) { return SliceFrom(line, 6); }

std::int32_t FlagOperand(BytesView line) { return ConvertInteger(SliceBytes(line, 6, 7)); }

std::int32_t NumberOperand(BytesView line) { return ConvertInteger(SliceBytes(line, 6, 12)); }

FlagAndLabel FlagAndLabelOperand(BytesView line) {
  return {FlagOperand(line), TrimBlanks(SliceFrom(line, 9))};
}

Pair SplitAtFirstComma(BytesView text) {
  auto comma = text.find(',');
  if (comma == BytesView::npos) return {text, {}};
  return {text.substr(0, comma), text.substr(comma + 1)};
}

Pair PairOperand(BytesView line) { return SplitAtFirstComma(NameOperand(line)); }

MenuEntry MenuEntryLine(BytesView line) {
  auto [text, target] = SplitAtFirstComma(line);
  return {text, target};
}

ItemDefinition ItemDefinitionLine(BytesView line) {
  std::array<BytesView, 4> fields{};
  BytesView rest = line;
  for (std::size_t i = 0; i < 3; ++i) {
    auto [head, tail] = SplitAtFirstComma(rest);
    fields[i] = head;
    rest = tail;
  }
  fields[3] = rest;
  return {fields[0], fields[1], fields[2], fields[3]};
}

bool IsExactEnd(BytesView line) { return line == "@END"; }

bool IsTrimmedEnd(BytesView line) { return TrimBlanks(line) == "@END"; }

}  // namespace torvane
