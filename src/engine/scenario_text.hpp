#pragma once

#include <cstdint>
#include <vector>

#include "platform/bytes.hpp"

namespace torvane {

// The current scenario file, one byte string per line, numbered from 0.
// The lines are views into one buffer holding the file, so a file of
// hundreds of megabytes costs one allocation for its text.
class ScenarioText {
 public:
  ScenarioText() = default;

  // Splits a file's bytes: a line ends at CR, at LF or at CR LF, which is
  // one break. A last line without a break is kept; a break at the very end
  // adds no empty line. A NUL byte ends the text.
  static ScenarioText FromFileBytes(Bytes file);

  std::int64_t Count() const { return static_cast<std::int64_t>(starts_.size()) - 1; }
  bool Contains(std::int64_t index) const { return index >= 0 && index < Count(); }

  // Line `index`; raises the list's index error for a number outside the file.
  BytesView At(std::int64_t index) const;

  // Line `index` without the check, for loops already bounded by Count().
  BytesView operator[](std::int64_t index) const {
    const auto i = static_cast<std::size_t>(index);
    const std::size_t start = starts_[i];
    std::size_t end = starts_[i + 1];
    // A line never begins with LF (CR LF is one break), so the bytes before
    // the next line's start tell the break: LF, CR LF, CR, or none at the end.
    if (end > start && (text_[end - 1] == '\n' || text_[end - 1] == '\r')) {
      end -= (text_[end - 1] == '\n' && end - 1 > start && text_[end - 2] == '\r') ? 2 : 1;
    }
    return BytesView(text_).substr(start, end - start);
  }

 private:
  Bytes text_;
  // Where each line starts, and one more entry where the text ends: one
  // number a line keeps the table of a large file small.
  std::vector<std::size_t> starts_{0};
};

}  // namespace torvane
