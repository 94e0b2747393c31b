#include "engine/label_index.hpp"

#include "engine/operands.hpp"

namespace torvane {

std::optional<std::int32_t> LabelTable::Find(BytesView name) const {
  for (std::size_t i = 0; i < filled_; ++i) {
    if (entries_[i].Name == name) return entries_[i].Line;
  }
  return std::nullopt;
}

LabelCounts CountLabels(const ScenarioText& lines) {
  LabelCounts counts;
  for (std::int64_t i = 0, n = lines.Count(); i < n; ++i) {
    auto opcode = OpcodeOf(lines[i]);
    if (opcode == "@TAG") ++counts.tags;
    else if (opcode == "@SUB") ++counts.subs;
  }
  return counts;
}

void IndexLabels(const ScenarioText& lines, LabelTable& tags, LabelTable& subs) {
  std::size_t t = 0;
  std::size_t s = 0;
  for (std::int64_t i = 0, n = lines.Count(); i < n; ++i) {
    BytesView line = lines[i];
    auto opcode = OpcodeOf(line);
    // Labels are indexed wherever they stand, inside blocks too.
    if (opcode == "@TAG" && t < tags.entries_.size()) {
      tags.entries_[t++] = {Bytes(NameOperand(line)), static_cast<std::int32_t>(i)};
    } else if (opcode == "@SUB" && s < subs.entries_.size()) {
      subs.entries_[s++] = {Bytes(NameOperand(line)), static_cast<std::int32_t>(i)};
    }
  }
  tags.filled_ = t;
  subs.filled_ = s;
}

}  // namespace torvane
