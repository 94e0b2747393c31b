#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/bytes.hpp"
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
class LabelTable {
 public:
  explicit LabelTable(std::size_t capacity) : entries_(capacity) {}

  std::size_t Capacity() const { return entries_.size(); }
  std::size_t Filled() const { return filled_; }
  const LabelEntry& Entry(std::size_t index) const { return entries_.at(index); }

  // The line of the first of the current file's entries named `name`.
  std::optional<std::int32_t> Find(BytesView name) const;

 private:
  friend void IndexLabels(const ScenarioText&, LabelTable&, LabelTable&);
  std::vector<LabelEntry> entries_;
  std::size_t filled_ = 0;
};

inline constexpr std::size_t kTagCapacity = 600;
inline constexpr std::size_t kSubCapacity = 500;

struct LabelCounts {
  std::size_t tags = 0;
  std::size_t subs = 0;
};

// How many "@TAG" and "@SUB" lines a file holds, wherever they stand.
LabelCounts CountLabels(const ScenarioText& lines);

// Rebuilds both tables from the lines, in file order. The caller has made
// sure the counts fit (CountLabels).
void IndexLabels(const ScenarioText& lines, LabelTable& tags, LabelTable& subs);

}  // namespace torvane
