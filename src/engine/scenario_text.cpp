#include "engine/scenario_text.hpp"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/script_error.hpp"

namespace torvane {
namespace {

// The first CR or LF at or after `pos`, or `size`. Sixteen bytes at a time
// where the processor compares vectors, eight at a time elsewhere: a byte
// equal to CR or LF becomes zero after the XOR, and the classic zero-byte
// test finds the lowest such byte exactly.
std::size_t FindLineBreak(const char* data, std::size_t pos, std::size_t size) {
#if defined(__SSE2__)
  const __m128i lf16 = _mm_set1_epi8('\n');
  const __m128i cr16 = _mm_set1_epi8('\r');
  for (; pos + 16 <= size; pos += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
    const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, lf16), _mm_cmpeq_epi8(block, cr16)));
    if (hits) return pos + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(hits)));
  }
#endif
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHighs = 0x8080808080808080ull;
  for (; pos + 8 <= size; pos += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + pos, 8);
    const std::uint64_t lf = word ^ (kOnes * '\n');
    const std::uint64_t cr = word ^ (kOnes * '\r');
    const std::uint64_t hits = (((lf - kOnes) & ~lf) | ((cr - kOnes) & ~cr)) & kHighs;
    if (hits) return pos + static_cast<std::size_t>(std::countr_zero(hits) / 8);
  }
  while (pos < size && data[pos] != '\n' && data[pos] != '\r') ++pos;
  return pos;
}

}  // namespace

ScenarioText ScenarioText::FromFileBytes(Bytes file) {
  ScenarioText lines;
  if (auto nul = file.find('\0'); nul != Bytes::npos) file.resize(nul);
  lines.text_ = std::move(file);
  const char* const begin = lines.text_.data();
  const std::size_t size = lines.text_.size();
  // Room for lines of 16 bytes on average up front: reserving only claims
  // address space, while growing would copy the table and fault it in again.
  lines.starts_.clear();
  lines.starts_.reserve(size / 16 + 2);
  std::size_t pos = 0;
  while (pos < size) {
    lines.starts_.push_back(pos);
    const std::size_t stop = FindLineBreak(begin, pos, size);
    if (stop == size) {
      pos = size;
      break;
    }
    pos = stop + 1;
    if (begin[stop] == '\r' && pos < size && begin[pos] == '\n') ++pos;
  }
  lines.starts_.push_back(pos);
  return lines;
}

BytesView ScenarioText::At(std::int64_t index) const {
  if (!Contains(index)) throw ScriptError(error_text::ListIndexOutOfBounds(index));
  return (*this)[index];
}

}  // namespace torvane
