#include "check/encoding_check.hpp"

#include <optional>

#include "platform/cp932.hpp"

namespace torvane::check {
namespace {

// The length of a UTF-8 sequence of two or more bytes at `i`, or 0.
std::size_t Utf8SequenceAt(BytesView text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
  else return 0;
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// Whether the whole text reads as UTF-8 with at least one character of
// three bytes: Japanese in UTF-8 is made of those, while code page 932
// text hardly ever forms one sequence, let alone only valid ones.
bool LooksLikeUtf8(BytesView text, std::size_t& first) {
  bool found = false;
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = Utf8SequenceAt(text, i);
    if (length == 0) return false;
    if (length >= 3 && !found) {
      found = true;
      first = i;
    }
    i += length;
  }
  return found;
}

bool IsTrailByte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFC && byte != 0x7F; }

// Single bytes that code page 932 leaves without a character.
bool IsUnmappedSingle(unsigned char byte) { return byte == 0x80 || byte == 0xA0 || byte >= 0xFD; }

struct Position {
  int Line;
  int Column;
};

Position PositionOf(BytesView text, std::size_t offset) {
  Position position{1, 1};
  for (std::size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++position.Line;
      position.Column = 1;
    } else if (text[i] != '\r') {
      ++position.Column;
    }
  }
  return position;
}

}  // namespace

Findings CheckEncoding(BytesView file) {
  Findings findings;
  // The loader reads no further than a NUL, and neither does the game.
  const BytesView text = file.substr(0, file.find('\0'));
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    findings.push_back({"", 1, 1, Severity::Error,
                        "the file starts with a UTF-8 byte-order mark: its first line is no command, and the text is "
                        "garbled; save it as Shift-JIS (code page 932) without a mark",
                        "encoding"});
    return findings;
  }
  std::size_t first_utf8 = 0;
  if (LooksLikeUtf8(text, first_utf8)) {
    const Position at = PositionOf(text, first_utf8);
    findings.push_back({"", at.Line, at.Column, Severity::Error,
                        "the file is saved as UTF-8: the game reads Shift-JIS (code page 932), so its text is "
                        "garbled and its names are not found",
                        "encoding"});
    return findings;
  }
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (platform::IsCp932LeadByte(byte)) {
      if (i + 1 < text.size() && IsTrailByte(static_cast<unsigned char>(text[i + 1]))) {
        i += 2;
        continue;
      }
    } else if (!IsUnmappedSingle(byte)) {
      ++i;
      continue;
    }
    const Position at = PositionOf(text, i);
    findings.push_back({"", at.Line, at.Column, Severity::Warning,
                        "these bytes are no Shift-JIS (code page 932) character: the game shows something else",
                        "encoding"});
    return findings;  // one is enough to find the file's problem
  }
  return findings;
}

}  // namespace torvane::check
