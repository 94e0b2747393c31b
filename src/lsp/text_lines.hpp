#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bytes.hpp"

namespace torvane::lsp {

// How the client counts a line's columns, as negotiated at initialize.
enum class PositionEncoding { Utf8, Utf16 };

// One line as the editor holds it (Unicode) and as the engine reads it
// (code page 932 bytes): where each character starts in each form, with
// one more entry for the line's end.
struct LineMap {
  std::vector<std::uint32_t> Cp932{0};
  std::vector<std::uint32_t> Utf8{0};
  std::vector<std::uint32_t> Utf16{0};

  // The client's column of a byte of the engine's line (from 0); a byte
  // inside a double-byte character maps to the character's start.
  std::uint32_t ClientColumn(std::size_t cp932_byte, PositionEncoding encoding) const;
  // The offset into the editor's UTF-8 line of a client column, clamped to
  // the line.
  std::size_t Utf8Offset(std::uint32_t column, PositionEncoding encoding) const;
  // The engine's byte of a client column.
  std::size_t Cp932Offset(std::uint32_t column, PositionEncoding encoding) const;
};

// A character of the editor's text that code page 932 cannot hold.
struct Unencodable {
  std::uint32_t Line;
  std::uint32_t Character;  // index into the line's characters
  std::string Utf8;
};

// A document in both forms.
struct ConvertedText {
  Bytes Cp932;  // the lines joined by CR LF, as a scenario file holds them
  std::vector<LineMap> Lines;
  std::vector<Unencodable> Bad;
};

// The lines of a text: a line ends at CR, LF or CR LF, as in the editor
// and in the engine alike; a break at the very end adds no line.
std::vector<std::string_view> SplitLines(std::string_view text);

// From the editor's UTF-8; a character without a code page 932 form
// becomes "?" and is listed.
ConvertedText FromEditorText(std::string_view utf8);
// From a scenario file's bytes, to map its findings.
ConvertedText FromScenarioBytes(BytesView cp932);

}  // namespace torvane::lsp
