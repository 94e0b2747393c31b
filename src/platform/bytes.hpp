#pragma once

#include <string>
#include <string_view>

namespace torvane {

// Scenario text is code page 932 bytes from loading to display; it is
// converted only at the edge, for drawing and for transcripts.
using Bytes = std::string;
using BytesView = std::string_view;

// Positions in the command language count bytes from 1. Both slices are cut
// short at the end of the line, and one that starts after the last byte is
// empty: slicing never fails.
inline BytesView SliceBytes(BytesView line, std::size_t first, std::size_t last) {
  if (first == 0 || first > line.size() || last < first) return {};
  return line.substr(first - 1, last - first + 1);
}

inline BytesView SliceFrom(BytesView line, std::size_t first) {
  if (first == 0 || first > line.size()) return {};
  return line.substr(first - 1);
}

// Any byte up to 0x20 is a blank; the full-width space (0x81 0x40) is not.
inline bool IsBlank(char byte) { return static_cast<unsigned char>(byte) <= 0x20; }

inline BytesView TrimBlanks(BytesView text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Bytes 1-4; a shorter line is its own opcode.
inline BytesView OpcodeOf(BytesView line) { return line.substr(0, 4); }

}  // namespace torvane
