#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/bytes.hpp"
#include "engine/scenario_text.hpp"

namespace torvane {

struct LabelEntry {
  Bytes Name;
  std::int32_t Line = 0;
};

// A label table of fixed capacity. Each load fills it again from entry 0
// and never clears it, so entries past the current file's keep what an
// earlier file put there. Only the current file's entries are searched:
// a name the current file does not define is never found in a stale entry.
// Storage grows only as far as a file has ever filled it: an entry never
// filled reads as empty, and a new game costs nothing for the capacity.
class LabelTable {
 public:
  explicit LabelTable(std::size_t capacity) : capacity_(capacity) {}

  std::size_t Capacity() const { return capacity_; }
  std::size_t Filled() const { return filled_; }
  // Raises std::out_of_range at or past the capacity.
  const LabelEntry& Entry(std::size_t index) const;

  // The line of the first of the current file's entries named `name`.
  std::optional<std::int32_t> Find(BytesView name) const;

 private:
  friend void IndexLabels(const ScenarioText&, const LabelLines&, LabelTable&, LabelTable&);
  std::size_t capacity_;
  std::vector<LabelEntry> entries_;
  std::size_t filled_ = 0;
};

inline constexpr std::size_t kTagCapacity = 600;
inline constexpr std::size_t kSubCapacity = 500;

struct LabelCounts {
  std::size_t tags = 0;
  std::size_t subs = 0;
};

// The label lines of text already split; splitting finds the same in its pass.
LabelLines FindLabelLines(const ScenarioText& lines);

// How many "@TAG" and "@SUB" lines a file holds.
LabelCounts CountLabels(const ScenarioText& lines);

// Rebuilds both tables from the lines, in file order; entries that do not
// fit are left out. Loading makes sure they fit before it indexes.
void IndexLabels(const ScenarioText& lines, const LabelLines& found, LabelTable& tags, LabelTable& subs);
void IndexLabels(const ScenarioText& lines, LabelTable& tags, LabelTable& subs);

}  // namespace torvane
