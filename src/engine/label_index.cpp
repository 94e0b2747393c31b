#include "engine/label_index.hpp"

#include <algorithm>
#include <stdexcept>

#include "engine/operands.hpp"

namespace torvane {

const LabelEntry& LabelTable::Entry(std::size_t index) const {
  static const LabelEntry kNeverFilled;
  if (index >= capacity_) throw std::out_of_range("label table entry past its capacity");
  return index < entries_.size() ? entries_[index] : kNeverFilled;
}

std::optional<std::int32_t> LabelTable::Find(BytesView name) const {
  for (std::size_t i = 0; i < filled_; ++i) {
    if (entries_[i].Name == name) return entries_[i].Line;
  }
  return std::nullopt;
}

LabelLines FindLabelLines(const ScenarioText& lines) {
  LabelLines found;
  for (std::int64_t i = 0, n = lines.Count(); i < n; ++i) {
    const BytesView opcode = OpcodeOf(lines[i]);
    if (opcode == "@TAG") found.tags.push_back(static_cast<std::int32_t>(i));
    else if (opcode == "@SUB") found.subs.push_back(static_cast<std::int32_t>(i));
  }
  return found;
}

LabelCounts CountLabels(const ScenarioText& lines) {
  const LabelLines found = FindLabelLines(lines);
  return {found.tags.size(), found.subs.size()};
}

namespace {

std::size_t Fill(const ScenarioText& lines, const std::vector<std::int32_t>& at, std::size_t capacity,
                 std::vector<LabelEntry>& entries) {
  const std::size_t count = std::min(at.size(), capacity);
  if (entries.size() < count) entries.resize(count);
  for (std::size_t k = 0; k < count; ++k) entries[k] = {Bytes(NameOperand(lines[at[k]])), at[k]};
  return count;
}

}  // namespace

// Labels are indexed wherever they stand, inside blocks too.
void IndexLabels(const ScenarioText& lines, const LabelLines& found, LabelTable& tags, LabelTable& subs) {
  tags.filled_ = Fill(lines, found.tags, tags.capacity_, tags.entries_);
  subs.filled_ = Fill(lines, found.subs, subs.capacity_, subs.entries_);
}

void IndexLabels(const ScenarioText& lines, LabelTable& tags, LabelTable& subs) {
  IndexLabels(lines, FindLabelLines(lines), tags, subs);
}

}  // namespace torvane
