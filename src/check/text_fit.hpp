#pragma once

#include <optional>
#include <string>

#include "platform/bytes.hpp"

namespace torvane::check {

// How the window lays out a label's text in its fixed fonts: each
// half-width character (ASCII and half-width kana) takes half the pixel
// height, each double-byte character the whole; a line breaks between
// words and between double-byte characters, and a word too long for a
// line runs past the edge.
struct TextBox {
  int Width;
  int Height;
  int PixelHeight;  // the font's
  int LineSpacing;  // the font's, in pixels
  bool Wraps;
};

// The rows `text` (code page 932, "\n" between lines) takes in `box`.
int RowsOf(BytesView text, const TextBox& box);
// The widest row, in pixels.
double WidestRow(BytesView text, const TextBox& box);

// The controls' boxes, as the window draws them.
inline constexpr TextBox kMessageBox{450, 139, 19, 21, true};    // Label1
inline constexpr TextBox kCaptionBox{169, 25, 16, 17, false};    // Label2
inline constexpr TextBox kPageBox{632, 426, 24, 26, true};       // Label4
// A row of ListBox1. Its font is proportional: kana and kanji are 17
// pixels wide at 19, and half-width characters about half that.
inline constexpr TextBox kEntryBox{169, 19, 17, 21, false};

// What does not fit, as a finding's text; nothing when it fits.
std::optional<std::string> MessageOverflow(BytesView message);  // Label1's whole caption
std::optional<std::string> CaptionOverflow(BytesView caption);
std::optional<std::string> PageOverflow(BytesView page);
std::optional<std::string> EntryOverflow(BytesView entry);

}  // namespace torvane::check
