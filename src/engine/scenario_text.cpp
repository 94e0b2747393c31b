#include "engine/scenario_text.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/script_error.hpp"

namespace torvane {

void LineStarts::StartGroup(std::uint32_t start) {
  const std::size_t group = size_ / kGroupLines;
  // Left uninitialised: each entry is written before it is read.
  if (group % kChunkGroups == 0) chunks_.emplace_back(new Group[kChunkGroups]);
  current_ = &chunks_.back()[group % kChunkGroups];
  current_->base = start;
  current_->offset[0] = 0;
}

void LineStarts::Widen(Group& group, std::size_t slot, std::uint32_t start) {
  const std::size_t at = wide_.size();
  wide_.resize(at + kGroupLines);
  for (std::size_t k = 0; k < slot; ++k) wide_[at + k] = group.base + group.offset[k];
  wide_[at + slot] = start;
  group.base = kWide | static_cast<std::uint32_t>(at);
}

namespace {

// Which of 64 bytes are LF, CR and NUL: bit i for byte i.
struct ByteMasks {
  std::uint64_t lf = 0;
  std::uint64_t cr = 0;
  std::uint64_t nul = 0;
};

inline ByteMasks Classify64(const char* data) {
  ByteMasks masks;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i nul = _mm_setzero_si128();
  const auto bits = [](__m128i equal, int k) {
    return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(equal))} << (16 * k);
  };
  const auto take = [&](int k) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * k));
    masks.lf |= bits(_mm_cmpeq_epi8(block, lf), k);
    masks.cr |= bits(_mm_cmpeq_epi8(block, cr), k);
    masks.nul |= bits(_mm_cmpeq_epi8(block, nul), k);
  };
  // Spelled out: the shifts become constants.
  take(0);
  take(1);
  take(2);
  take(3);
#else
  for (int i = 0; i < 64; ++i) {
    masks.lf |= std::uint64_t{data[i] == '\n'} << i;
    masks.cr |= std::uint64_t{data[i] == '\r'} << i;
    masks.nul |= std::uint64_t{data[i] == '\0'} << i;
  }
#endif
  return masks;
}

// The last bytes of a text, short of 64, padded with a byte that is neither
// a break nor a NUL.
ByteMasks ClassifyTail(const char* data, std::size_t count) {
  char padded[64];
  std::memset(padded, 'x', sizeof padded);
  std::memcpy(padded, data, count);
  return Classify64(padded);
}

std::uint32_t FourBytes(const char* bytes) {
  std::uint32_t word;
  std::memcpy(&word, bytes, 4);
  return word;
}

}  // namespace

// One pass over the bytes, 64 at a time: the breaks and the first NUL are
// found together, and a line's first four bytes are looked at as its start
// is taken. A line starts after a LF, and after a CR that no LF follows, so
// the starts of a block come from its masks and the last byte of the block
// before, without looking at a break twice.
ScenarioText ScenarioText::FromFileBytes(platform::FileBuffer file, LabelLines* labels) {
  if (file.size() > std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
  ScenarioText lines;
  const char* const begin = file.data();
  const std::size_t size = file.size();
  const std::uint32_t tag = FourBytes("@TAG");
  const std::uint32_t sub = FourBytes("@SUB");
  std::int64_t count = 0;
  LabelLines found;
  const auto add_line = [&](std::size_t start) {
    lines.starts_.Push(static_cast<std::uint32_t>(start));
    // Four bytes of a label name no break and no NUL, so they lie within
    // the line whatever follows.
    if (start + 4 <= size) {
      const std::uint32_t opcode = FourBytes(begin + start);
      if (opcode == tag) found.tags.push_back(static_cast<std::int32_t>(count));
      else if (opcode == sub) found.subs.push_back(static_cast<std::int32_t>(count));
    }
    ++count;
  };

  // A text that is empty, or ends at its first byte, has no line.
  if (size > 0 && begin[0] != '\0') add_line(0);
  std::size_t end = size;  // the first NUL, if any, ends the text
  std::uint64_t lf_before = 0;
  std::uint64_t cr_before = 0;
  for (std::size_t block = 0; block < end; block += 64) {
    const ByteMasks masks = block + 64 <= size ? Classify64(begin + block) : ClassifyTail(begin + block, size - block);
    std::uint64_t starts = ((masks.lf << 1) | lf_before) | (((masks.cr << 1) | cr_before) & ~masks.lf);
    lf_before = masks.lf >> 63;
    cr_before = masks.cr >> 63;
    // A start at the end of the text, after its last break or at its NUL,
    // begins no line.
    const std::size_t stop = masks.nul != 0 ? block + static_cast<std::size_t>(std::countr_zero(masks.nul))
                                            : std::min(size, block + 64);
    if (stop < block + 64) starts &= (std::uint64_t{1} << (stop - block)) - 1;
    for (; starts != 0; starts &= starts - 1) add_line(block + static_cast<std::size_t>(std::countr_zero(starts)));
    if (masks.nul != 0) end = stop;
  }
  lines.starts_.Push(static_cast<std::uint32_t>(end));
  lines.count_ = count;
  if (labels != nullptr) *labels = std::move(found);
  file.Shorten(end);
  lines.text_ = std::move(file);
  return lines;
}

BytesView ScenarioText::At(std::int64_t index) const {
  if (!Contains(index)) throw ScriptError(error_text::ListIndexOutOfBounds(index));
  return (*this)[index];
}

}  // namespace torvane
