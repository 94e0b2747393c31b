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
      const std::uint32_t base = group.base;
      if (take == kGroupLines) {
        // A whole group, most of them: a loop of known length, which the
        // compiler turns into vector instructions.
        for (std::size_t k = 0; k < kGroupLines; ++k) group.offset[k] = static_cast<std::uint16_t>(starts[k] - base);
      } else {
        for (std::size_t k = 0; k < take; ++k) group.offset[slot + k] = static_cast<std::uint16_t>(starts[k] - base);
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

// What 64 bytes hold: bit i for byte i.
struct ByteMasks {
  std::uint64_t lf = 0;
  std::uint64_t cr = 0;
  std::uint64_t nul = 0;
  // Where a '@' stands two bytes before an 'A' or a 'U', reading two bytes
  // past the 64 too: the places a "@TAG" or "@SUB" line could start. Of the
  // other commands only "@IUU" looks so.
  // Only where the blocks' kMasksLabels says so.
  std::uint64_t label = 0;
};

// How many bytes past its 64 a block's classification reads.
constexpr std::size_t kLookAhead = 2;

// 64 bytes classified 16 at a time, as every x86-64 processor can. Its
// masks leave labels out: without a bit count in one instruction, the scan
// takes each start by itself and looks at its first bytes as it does.
struct PortableBlocks {
  static constexpr bool kMasksLabels = false;

  static ByteMasks Classify(const char* data) {
    ByteMasks masks;
#if defined(__SSE2__)
    const auto load = [&](int at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at)); };
    const __m128i b0 = load(0);
    const __m128i b1 = load(16);
    const __m128i b2 = load(32);
    const __m128i b3 = load(48);
    const auto bits = [](__m128i equal, int k) {
      return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(equal))} << (16 * k);
    };
    const auto all = [&](__m128i byte) {
      return bits(_mm_cmpeq_epi8(b0, byte), 0) | bits(_mm_cmpeq_epi8(b1, byte), 1) |
             bits(_mm_cmpeq_epi8(b2, byte), 2) | bits(_mm_cmpeq_epi8(b3, byte), 3);
    };
    masks.lf = all(_mm_set1_epi8('\n'));
    masks.cr = all(_mm_set1_epi8('\r'));
    // A NUL is rare: one test for all 64 bytes, and its place only when there is one.
    const __m128i zero = _mm_setzero_si128();
    const __m128i least = _mm_min_epu8(_mm_min_epu8(b0, b1), _mm_min_epu8(b2, b3));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(least, zero)) != 0) [[unlikely]] masks.nul = all(zero);
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
  static constexpr bool kMasksLabels = true;

  [[gnu::target("avx2")]] static __m256i Load(const char* data) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data));
  }

  [[gnu::target("avx2")]] static std::uint64_t Bits(__m256i low, __m256i high) {
    const auto low_bits = static_cast<std::uint32_t>(_mm256_movemask_epi8(low));
    const auto high_bits = static_cast<std::uint32_t>(_mm256_movemask_epi8(high));
    return std::uint64_t{low_bits} | std::uint64_t{high_bits} << 32;
  }

  [[gnu::target("avx2")]] static std::uint64_t Equal(__m256i low, __m256i high, __m256i byte) {
    return Bits(_mm256_cmpeq_epi8(low, byte), _mm256_cmpeq_epi8(high, byte));
  }

  [[gnu::target("avx2")]] static __m256i Label(__m256i first, const char* data) {
    const __m256i third = Load(data + 2);
    const __m256i is_a_or_u = _mm256_or_si256(_mm256_cmpeq_epi8(third, _mm256_set1_epi8('A')),
                                              _mm256_cmpeq_epi8(third, _mm256_set1_epi8('U')));
    return _mm256_and_si256(_mm256_cmpeq_epi8(first, _mm256_set1_epi8('@')), is_a_or_u);
  }

  // Writes the places of the set bits of `bits`, plus `base`, from `out`;
  // the first four unconditionally, since a block seldom starts more lines,
  // so the count decides no branch in most blocks. TZCNT gives 64 for no
  // bit, so those four need no test either.
  [[gnu::target("bmi,popcnt")]] static std::size_t WriteStarts(std::uint64_t bits, std::uint32_t base,
                                                               std::uint32_t* out) {
    const auto count = static_cast<std::size_t>(_mm_popcnt_u64(bits));
    out[0] = base + static_cast<std::uint32_t>(_tzcnt_u64(bits));
    bits = _blsr_u64(bits);
    out[1] = base + static_cast<std::uint32_t>(_tzcnt_u64(bits));
    bits = _blsr_u64(bits);
    out[2] = base + static_cast<std::uint32_t>(_tzcnt_u64(bits));
    bits = _blsr_u64(bits);
    out[3] = base + static_cast<std::uint32_t>(_tzcnt_u64(bits));
    bits = _blsr_u64(bits);
    for (std::size_t i = 4; i < count; ++i) {
      out[i] = base + static_cast<std::uint32_t>(_tzcnt_u64(bits));
      bits = _blsr_u64(bits);
    }
    return count;
  }

  [[gnu::target("avx2")]] static ByteMasks Classify(const char* data) {
    const __m256i low = Load(data);
    const __m256i high = Load(data + 32);
    ByteMasks masks;
    masks.lf = Equal(low, high, _mm256_set1_epi8('\n'));
    masks.cr = Equal(low, high, _mm256_set1_epi8('\r'));
    const __m256i zero = _mm256_setzero_si256();
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_min_epu8(low, high), zero)) != 0) [[unlikely]] {
      masks.nul = Equal(low, high, zero);
    }
    masks.label = Bits(Label(low, data), Label(high, data + 32));
    return masks;
  }
};
#endif

constexpr std::uint32_t FourBytes(const char* bytes) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[0])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[3])) << 24;
}

constexpr std::uint32_t kTag = FourBytes("@TAG");
constexpr std::uint32_t kSub = FourBytes("@SUB");

// Starts are gathered a batch at a time, then added to the table in a tight
// loop, away from the scan's branches.
constexpr std::size_t kBatch = 1024;

// One pass over a text's bytes, 64 at a time: the breaks, the first NUL and
// the label lines are found together. A line starts after a LF, and after a
// CR that no LF follows, so the starts of a block come from its masks and
// the last byte of the block before, without looking at a break twice.
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
    std::size_t held = 0;
    // The first line starts as if after a break; one that would start at
    // the end, in a text that is empty or ends at its first byte, does not.
    std::uint64_t lf_before = 1;
    std::uint64_t cr_before = 0;
    std::size_t block = 0;
    for (; block + 64 + kLookAhead <= size; block += 64) {
      const ByteMasks masks = Blocks::Classify(begin + block);
      if (masks.nul != 0) [[unlikely]] break;
      held = Take<Blocks>(StartsOf(masks, lf_before, cr_before), masks.label, block, held);
    }
    for (; block < size; block += 64) {
      // The last bytes, and the NUL's block, padded past the text with a
      // byte that is neither a break, a NUL nor part of a label.
      char padded[64 + kLookAhead];
      std::memset(padded, 'x', sizeof padded);
      std::memcpy(padded, begin + block, std::min(size - block, sizeof padded));
      const ByteMasks masks = Blocks::Classify(padded);
      std::uint64_t starts = StartsOf(masks, lf_before, cr_before);
      // A start at the end of the text, after its last break or at its
      // NUL, begins no line.
      const std::size_t stop = masks.nul != 0 ? block + static_cast<std::size_t>(std::countr_zero(masks.nul))
                                              : std::min(size, block + 64);
      if (stop < block + 64) starts &= (std::uint64_t{1} << (stop - block)) - 1;
      held = Take<Blocks>(starts, masks.label, block, held);
      if (stop < block + 64) {
        end_ = stop;
        break;
      }
    }
    Flush(held);
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

  // Adds the starts of the block at `block` to the `held` pending; tells
  // how many are pending after.
  template <typename Blocks>
  std::size_t Take(std::uint64_t starts, std::uint64_t label, std::size_t block, std::size_t held) {
    if constexpr (Blocks::kMasksLabels) {
      if ((starts & label) != 0) [[unlikely]] FindLabels(starts, starts & label, block, held);
      held += Blocks::WriteStarts(starts, static_cast<std::uint32_t>(block), pending_ + held);
    } else {
      for (; starts != 0; starts &= starts - 1) {
        const std::size_t start = block + static_cast<std::size_t>(std::countr_zero(starts));
        pending_[held] = static_cast<std::uint32_t>(start);
        if (start + 4 <= size_) [[likely]] LookForLabel(FourBytes(begin_ + start), held);
        ++held;
      }
    }
    return held >= kBatch ? Flush(held) : held;
  }

  // Keeps the line of pending start `held` if its first four bytes make a label.
  void LookForLabel(std::uint32_t opcode, std::size_t held) {
    if (opcode == kTag || opcode == kSub) [[unlikely]] {
      const auto number = count_ + static_cast<std::int64_t>(held);
      (opcode == kTag ? found_.tags : found_.subs).push_back(static_cast<std::int32_t>(number));
    }
  }

  // The label lines among a block's starts, numbered after the lines
  // before them.
  [[gnu::noinline]] void FindLabels(std::uint64_t starts, std::uint64_t maybe, std::size_t block, std::size_t held) {
    for (; maybe != 0; maybe &= maybe - 1) {
      const int bit = std::countr_zero(maybe);
      const std::size_t start = block + static_cast<std::size_t>(bit);
      // Four bytes of a label name no break and no NUL, so they lie within
      // the line whatever follows.
      if (start + 4 > size_) continue;
      const std::uint64_t before = starts & ((std::uint64_t{1} << bit) - 1);
      LookForLabel(FourBytes(begin_ + start), held + static_cast<std::size_t>(std::popcount(before)));
    }
  }

  // Takes the first `held` pending starts into the table; tells how many are
  // left pending, none.
  [[gnu::noinline]] std::size_t Flush(std::size_t held) {
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
