#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/bytes.hpp"
#include "platform/file_reader.hpp"

namespace torvane {

// The numbers of the "@TAG" and "@SUB" lines of a file, wherever they
// stand, in file order: one pass over the file serves both the capacity
// check and the index.
struct LabelLines {
  std::vector<std::int32_t> tags;
  std::vector<std::int32_t> subs;
};

// Where each line of a text starts, in about two bytes a line, so that the
// table of a large file stays small beside its text: a 16-bit offset from
// the start of the line's group of 64, and one 32-bit start a group. A group
// whose lines spread over 64 KiB or more keeps 32-bit starts instead, which
// costs little, since its lines are long. Groups are kept in chunks that
// never move, so the table grows without copying.
class LineStarts {
 public:
  void Push(std::uint32_t start) {
    const std::size_t slot = size_ % kGroupLines;
    if (slot == 0) {
      StartGroup(start);
    } else if (current_->base & kWide) {
      wide_[(current_->base & ~kWide) + slot] = start;
    } else if (start - current_->base <= 0xFFFF) {
      current_->offset[slot] = static_cast<std::uint16_t>(start - current_->base);
    } else {
      Widen(*current_, slot, start);
    }
    ++size_;
  }

  // Appends `count` starts, none before the last one pushed. A group's
  // starts rise, so its first and last tell whether 16 bits hold them all.
  void Append(const std::uint32_t* starts, std::size_t count);

  std::size_t Size() const { return size_; }

  std::uint32_t operator[](std::size_t index) const {
    const Group& group = GroupOf(index);
    const std::size_t slot = index % kGroupLines;
    if (group.base & kWide) [[unlikely]] return wide_[(group.base & ~kWide) + slot];
    return group.base + group.offset[slot];
  }

  // Entries `index` and `index` + 1, with one look-up of the group for the
  // 63 lines in 64 whose next entry shares it.
  std::pair<std::uint32_t, std::uint32_t> Span(std::size_t index) const {
    const std::size_t slot = index % kGroupLines;
    const Group& group = GroupOf(index);
    if (slot + 1 < kGroupLines && !(group.base & kWide)) [[likely]] {
      return {group.base + group.offset[slot], group.base + group.offset[slot + 1]};
    }
    return {(*this)[index], (*this)[index + 1]};
  }

 private:
  static constexpr std::size_t kGroupLines = 64;
  static constexpr std::size_t kChunkGroups = 512;
  // Marks a group whose starts are in wide_, from the index under the mark.
  static constexpr std::uint32_t kWide = 0x80000000u;

  struct Group {
    std::uint32_t base;
    std::uint16_t offset[kGroupLines];
  };

  const Group& GroupOf(std::size_t index) const {
    const std::size_t group = index / kGroupLines;
    return chunks_[group / kChunkGroups][group % kChunkGroups];
  }
  void StartGroup(std::uint32_t start);
  void Widen(Group& group, std::size_t slot, std::uint32_t start);

  std::vector<std::unique_ptr<Group[]>> chunks_;
  std::vector<std::uint32_t> wide_;
  Group* current_ = nullptr;  // the group the next start goes into, unless it starts one
  std::size_t size_ = 0;
};

// How a text's bytes are scanned: 16 bytes at a time as every processor
// can, or 32 at a time where it has AVX2. Both find the same lines.
enum class ByteScan { Portable, Avx2 };

// Whether this processor can scan so.
bool CanScanWith(ByteScan scan);

// The current scenario file, one byte string per line, numbered from 0.
// The lines are views into the file's bytes as read, so a file of
// a hundred megabytes costs one buffer for its text and a small table.
class ScenarioText {
 public:
  ScenarioText() = default;

  // Splits a file's bytes: a line ends at CR, at LF or at CR LF, which is
  // one break. A last line without a break is kept; a break at the very end
  // adds no empty line. A NUL byte ends the text. The same pass finds the
  // label lines, into `labels` when given. A text of 4 GiB or more raises
  // std::bad_alloc, as one that does not fit in memory would.
  static ScenarioText FromFileBytes(platform::FileBuffer file, LabelLines* labels = nullptr);
  static ScenarioText FromFileBytes(Bytes file, LabelLines* labels = nullptr) {
    return FromFileBytes(platform::FileBuffer(std::move(file)), labels);
  }
  // The same with a scan named, to hold one against the other; one the
  // processor lacks gives way to the portable scan.
  static ScenarioText FromFileBytes(platform::FileBuffer file, LabelLines* labels, ByteScan scan);

  std::int64_t Count() const { return count_; }
  bool Contains(std::int64_t index) const { return index >= 0 && index < Count(); }

  // Line `index`; raises the list's index error for a number outside the file.
  BytesView At(std::int64_t index) const;

  // Line `index` without the check, for loops already bounded by Count().
  BytesView operator[](std::int64_t index) const {
    const auto i = static_cast<std::size_t>(index);
    const auto [start, next] = starts_.Span(i);
    std::size_t end = next;
    const char* const text = text_.data();
    // A line never begins with LF (CR LF is one break), so the bytes before
    // the next line's start tell the break: LF, CR LF, CR, or none at the end.
    if (end > start && (text[end - 1] == '\n' || text[end - 1] == '\r')) {
      end -= (text[end - 1] == '\n' && end - 1 > start && text[end - 2] == '\r') ? 2 : 1;
    }
    return BytesView(text + start, end - start);
  }

 private:
  platform::FileBuffer text_;
  // Where each line starts, and one more entry where the text ends.
  LineStarts starts_;
  std::int64_t count_ = 0;
};

}  // namespace torvane
