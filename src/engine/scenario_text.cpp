#include "engine/scenario_text.hpp"

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

// Which of 64 bytes are CR or LF, and which are NUL: bit i for byte i.
struct ByteMasks {
  std::uint64_t breaks = 0;
  std::uint64_t nuls = 0;
};

ByteMasks Classify64(const char* data) {
  ByteMasks masks;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i nul = _mm_setzero_si128();
  for (int k = 0; k < 4; ++k) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * k));
    const __m128i breaks = _mm_or_si128(_mm_cmpeq_epi8(block, lf), _mm_cmpeq_epi8(block, cr));
    masks.breaks |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(breaks))} << (16 * k);
    masks.nuls |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, nul)))}
                  << (16 * k);
  }
#else
  for (int i = 0; i < 64; ++i) {
    masks.breaks |= std::uint64_t{data[i] == '\n' || data[i] == '\r'} << i;
    masks.nuls |= std::uint64_t{data[i] == '\0'} << i;
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
// is taken.
ScenarioText ScenarioText::FromFileBytes(platform::FileBuffer file, LabelLines* labels) {
  if (file.size() > std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
  ScenarioText lines;
  const char* const begin = file.data();
  const std::size_t size = file.size();
  const std::uint32_t tag = FourBytes("@TAG");
  const std::uint32_t sub = FourBytes("@SUB");
  std::int64_t count = 0;
  const auto add_line = [&](std::size_t start) {
    lines.starts_.Push(static_cast<std::uint32_t>(start));
    // Four bytes of a label name no break and no NUL, so they lie within
    // the line whatever follows.
    if (labels != nullptr && start + 4 <= size) {
      const std::uint32_t opcode = FourBytes(begin + start);
      if (opcode == tag) labels->tags.push_back(static_cast<std::int32_t>(count));
      else if (opcode == sub) labels->subs.push_back(static_cast<std::int32_t>(count));
    }
    ++count;
  };

  std::size_t end = size;  // the first NUL, if any, ends the text
  std::size_t line_start = 0;
  for (std::size_t block = 0; block < end; block += 64) {
    const ByteMasks masks = block + 64 <= size ? Classify64(begin + block) : ClassifyTail(begin + block, size - block);
    std::uint64_t hits = masks.breaks;
    if (masks.nuls != 0) {
      const int nul = std::countr_zero(masks.nuls);
      end = block + static_cast<std::size_t>(nul);
      hits &= (std::uint64_t{1} << nul) - 1;
    }
    for (; hits != 0; hits &= hits - 1) {
      const std::size_t at = block + static_cast<std::size_t>(std::countr_zero(hits));
      if (at < line_start) continue;  // the LF of a CR LF
      add_line(line_start);
      line_start = at + 1;
      if (begin[at] == '\r' && line_start < size && begin[line_start] == '\n') ++line_start;
    }
  }
  // A last line without a break; a break or a NUL right at the end adds none.
  if (line_start < end) add_line(line_start);
  lines.starts_.Push(static_cast<std::uint32_t>(end));
  lines.count_ = count;
  file.Shorten(end);
  lines.text_ = std::move(file);
  return lines;
}

BytesView ScenarioText::At(std::int64_t index) const {
  if (!Contains(index)) throw ScriptError(error_text::ListIndexOutOfBounds(index));
  return (*this)[index];
}

}  // namespace torvane
