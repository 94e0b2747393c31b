#include "engine/scenario_text.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TORVANE_SCAN_AVX2 1
#elif defined(__SSE2__)
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

void LineStarts::Append(const std::uint32_t* starts, std::size_t count) {
  while (count > 0) {
    const std::size_t slot = size_ % kGroupLines;
    if (slot == 0) StartGroup(starts[0]);
    const std::size_t take = std::min(kGroupLines - slot, count);
    Group& group = *current_;
    if (!(group.base & kWide) && starts[take - 1] - group.base <= 0xFFFF) {
      for (std::size_t k = 0; k < take; ++k) {
        group.offset[slot + k] = static_cast<std::uint16_t>(starts[k] - group.base);
      }
      size_ += take;
    } else {
      std::size_t k = 0;
      if (slot == 0) {  // StartGroup took the first
        ++size_;
        k = 1;
      }
      for (; k < take; ++k) Push(starts[k]);
    }
    starts += take;
    count -= take;
  }
}

namespace {

// Which of 64 bytes are LF, CR and NUL: bit i for byte i.
struct ByteMasks {
  std::uint64_t lf = 0;
  std::uint64_t cr = 0;
  std::uint64_t nul = 0;
};

// 64 bytes classified 16 at a time, as every x86-64 processor can.
struct PortableBlocks {
  static ByteMasks Classify(const char* data) {
    ByteMasks masks;
#if defined(__SSE2__)
    const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
    const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16));
    const __m128i b2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 32));
    const __m128i b3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 48));
    const auto bits = [&](__m128i byte) {
      const auto lane = [&](__m128i block, int k) {
        return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, byte)))} << (16 * k);
      };
      return lane(b0, 0) | lane(b1, 1) | lane(b2, 2) | lane(b3, 3);
    };
    masks.lf = bits(_mm_set1_epi8('\n'));
    masks.cr = bits(_mm_set1_epi8('\r'));
    // A NUL is rare: one test for all 64 bytes, and its place only when there is one.
    const __m128i zero = _mm_setzero_si128();
    const __m128i least = _mm_min_epu8(_mm_min_epu8(b0, b1), _mm_min_epu8(b2, b3));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(least, zero)) != 0) [[unlikely]] masks.nul = bits(zero);
#else
    for (int i = 0; i < 64; ++i) {
      masks.lf |= std::uint64_t{data[i] == '\n'} << i;
      masks.cr |= std::uint64_t{data[i] == '\r'} << i;
      masks.nul |= std::uint64_t{data[i] == '\0'} << i;
    }
#endif
    return masks;
  }
};

#if TORVANE_SCAN_AVX2
// The same, 32 at a time, where the processor has AVX2.
struct Avx2Blocks {
  [[gnu::target("avx2")]] static std::uint64_t Bits(__m256i low, __m256i high, __m256i byte) {
    const auto low_bits = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, byte)));
    const auto high_bits = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, byte)));
    return std::uint64_t{low_bits} | std::uint64_t{high_bits} << 32;
  }

  [[gnu::target("avx2")]] static ByteMasks Classify(const char* data) {
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + 32));
    ByteMasks masks;
    masks.lf = Bits(low, high, _mm256_set1_epi8('\n'));
    masks.cr = Bits(low, high, _mm256_set1_epi8('\r'));
    const __m256i zero = _mm256_setzero_si256();
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_min_epu8(low, high), zero)) != 0) [[unlikely]] {
      masks.nul = Bits(low, high, zero);
    }
    return masks;
  }
};
#endif

std::uint32_t FourBytes(const char* bytes) {
  std::uint32_t word;
  std::memcpy(&word, bytes, 4);
  return word;
}

// Starts are gathered a batch at a time, then looked at for labels and
// added to the table in tight loops, away from the scan's branches.
constexpr std::size_t kBatch = 4096;

// One pass over a text's bytes, 64 at a time: the breaks and the first NUL
// are found together. A line starts after a LF, and after a CR that no LF
// follows, so the starts of a block come from its masks and the last byte
// of the block before, without looking at a break twice.
class Splitter {
 public:
  Splitter(const char* begin, std::size_t size, LineStarts& starts)
      : begin_(begin), size_(size), end_(size), starts_(starts) {}

  template <typename Blocks>
  void Scan() {
    // Kept in locals: the stores of starts would otherwise make each block
    // load the members again.
    const char* const begin = begin_;
    const std::size_t size = size_;
    std::uint32_t* const pending = pending_;
    std::size_t held = 0;
    // A text that is empty, or ends at its first byte, has no line.
    if (size > 0 && begin[0] != '\0') pending[held++] = 0;
    std::uint64_t lf_before = 0;
    std::uint64_t cr_before = 0;
    std::size_t block = 0;
    for (; block + 64 <= size; block += 64) {
      const ByteMasks masks = Blocks::Classify(begin + block);
      held += WriteStarts(StartsOf(masks, lf_before, cr_before), static_cast<std::uint32_t>(block), pending + held);
      if (masks.nul != 0) [[unlikely]] return Finish(masks, block, held);
      if (held >= kBatch) held = AddPending(held);
    }
    if (block < size) {
      // The last bytes, short of 64, padded with a byte that is neither a
      // break nor a NUL.
      char padded[64];
      std::memset(padded, 'x', sizeof padded);
      std::memcpy(padded, begin + block, size - block);
      const ByteMasks masks = Blocks::Classify(padded);
      held += WriteStarts(StartsOf(masks, lf_before, cr_before), static_cast<std::uint32_t>(block), pending + held);
      return Finish(masks, block, held);
    }
    AddPending(held);
  }

  // Where the text ends: its size, or its first NUL.
  std::size_t End() const { return end_; }
  std::int64_t Count() const { return count_; }
  LabelLines& Labels() { return found_; }

 private:
  // The starts a block's breaks make, from its masks and the last byte of
  // the block before.
  static std::uint64_t StartsOf(const ByteMasks& masks, std::uint64_t& lf_before, std::uint64_t& cr_before) {
    const std::uint64_t starts = ((masks.lf << 1) | lf_before) | (((masks.cr << 1) | cr_before) & ~masks.lf);
    lf_before = masks.lf >> 63;
    cr_before = masks.cr >> 63;
    return starts;
  }

  // The text ends in `block`, at its first NUL or at its last byte. A start
  // at the end, after the last break or at the NUL, begins no line, so
  // those the block wrote past it are taken back.
  void Finish(const ByteMasks& masks, std::size_t block, std::size_t held) {
    end_ = masks.nul != 0 ? block + static_cast<std::size_t>(std::countr_zero(masks.nul)) : size_;
    while (held > 0 && pending_[held - 1] >= end_) --held;
    AddPending(held);
  }

  // Writes the places of the set bits of `bits`, plus `base`, from `out`;
  // the first four unconditionally, since a block seldom starts more
  // lines, so the count decides no branch in most blocks.
  static std::size_t WriteStarts(std::uint64_t bits, std::uint32_t base, std::uint32_t* out) {
    const int count = std::popcount(bits);
    for (int i = 0; i < 4; ++i) {
      out[i] = base + static_cast<std::uint32_t>(std::countr_zero(bits));
      bits &= bits - 1;
    }
    for (int i = 4; i < count; ++i) {
      out[i] = base + static_cast<std::uint32_t>(std::countr_zero(bits));
      bits &= bits - 1;
    }
    return static_cast<std::size_t>(count);
  }

  // Takes the first `held` pending starts into the table; tells how many are
  // left pending, none.
  [[gnu::noinline]] std::size_t AddPending(std::size_t held) {
    const std::uint32_t tag = FourBytes("@TAG");
    const std::uint32_t sub = FourBytes("@SUB");
    for (std::size_t k = 0; k < held; ++k) {
      // Four bytes of a label name no break and no NUL, so they lie within
      // the line whatever follows.
      const std::size_t start = pending_[k];
      if (start + 4 <= size_) {
        const std::uint32_t opcode = FourBytes(begin_ + start);
        const auto number = static_cast<std::int32_t>(count_ + static_cast<std::int64_t>(k));
        if (opcode == tag) [[unlikely]] found_.tags.push_back(number);
        else if (opcode == sub) [[unlikely]] found_.subs.push_back(number);
      }
    }
    starts_.Append(pending_, held);
    count_ += static_cast<std::int64_t>(held);
    return 0;
  }

  const char* begin_;
  std::size_t size_;
  std::size_t end_;
  LineStarts& starts_;
  std::int64_t count_ = 0;
  LabelLines found_;
  // Room for a batch, a block's starts over it, and the unconditional writes.
  std::uint32_t pending_[kBatch + 64 + 4];
};

#if TORVANE_SCAN_AVX2
// Flattened, so that the scan and all it calls are built for AVX2 here alone.
[[gnu::target("avx2,bmi,popcnt"), gnu::flatten]] void ScanWithAvx2(Splitter& splitter) {
  splitter.Scan<Avx2Blocks>();
}
#endif

}  // namespace

bool CanScanWith(ByteScan scan) {
#if TORVANE_SCAN_AVX2
  static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                           __builtin_cpu_supports("popcnt");
#else
  constexpr bool avx2 = false;
#endif
  return scan == ByteScan::Portable || avx2;
}

ScenarioText ScenarioText::FromFileBytes(platform::FileBuffer file, LabelLines* labels) {
  return FromFileBytes(std::move(file), labels, ByteScan::Avx2);
}

ScenarioText ScenarioText::FromFileBytes(platform::FileBuffer file, LabelLines* labels, ByteScan scan) {
  if (file.size() > std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
  ScenarioText lines;
  Splitter splitter(file.data(), file.size(), lines.starts_);
#if TORVANE_SCAN_AVX2
  if (scan == ByteScan::Avx2 && CanScanWith(scan)) ScanWithAvx2(splitter);
  else splitter.Scan<PortableBlocks>();
#else
  static_cast<void>(scan);
  splitter.Scan<PortableBlocks>();
#endif
  const std::size_t end = splitter.End();
  lines.starts_.Push(static_cast<std::uint32_t>(end));
  lines.count_ = splitter.Count();
  if (labels != nullptr) *labels = std::move(splitter.Labels());
  file.Shorten(end);
  lines.text_ = std::move(file);
  return lines;
}

BytesView ScenarioText::At(std::int64_t index) const {
  if (!Contains(index)) throw ScriptError(error_text::ListIndexOutOfBounds(index));
  return (*this)[index];
}

}  // namespace torvane
