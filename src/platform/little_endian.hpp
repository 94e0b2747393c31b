#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/bytes.hpp"

namespace torvane {

// Little-endian field readers. The caller has checked that the field lies
// inside `bytes`; these never check again.
inline std::uint32_t ByteAt(BytesView bytes, std::size_t offset) {
  return static_cast<unsigned char>(bytes[offset]);
}

inline std::uint16_t U16At(BytesView bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(ByteAt(bytes, offset) | ByteAt(bytes, offset + 1) << 8);
}

inline std::uint32_t U32At(BytesView bytes, std::size_t offset) {
  return ByteAt(bytes, offset) | ByteAt(bytes, offset + 1) << 8 | ByteAt(bytes, offset + 2) << 16 |
         ByteAt(bytes, offset + 3) << 24;
}

inline std::int16_t I16At(BytesView bytes, std::size_t offset) {
  return static_cast<std::int16_t>(U16At(bytes, offset));
}

inline std::int32_t I32At(BytesView bytes, std::size_t offset) {
  return static_cast<std::int32_t>(U32At(bytes, offset));
}

// True when `length` bytes from `offset` lie inside `bytes`, without
// overflowing on hostile offsets.
inline bool Fits(BytesView bytes, std::uint64_t offset, std::uint64_t length) {
  return offset <= bytes.size() && length <= bytes.size() - offset;
}

}  // namespace torvane
