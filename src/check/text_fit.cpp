#include "check/text_fit.hpp"

#include <algorithm>
#include <bitset>
#include <vector>

#include "platform/cp932.hpp"

namespace torvane::check {
namespace {

// A piece of a line that is never broken: a word, a blank, or one
// double-byte character with the closing marks that may not start a line.
struct Unit {
  double Width;
  bool Blank;
};

// The double-byte characters that may not start a line, as one bit each
// of their two bytes: a line breaks before one only together with the
// character before it.
class ClosingMarks {
 public:
  ClosingMarks() {
    for (const char* mark : {"、", "。", "，", "．", "」", "』", "）", "！", "？", "ー", "…", "・", "ぁ", "ぃ", "ぅ",
                             "ぇ", "ぉ", "っ", "ゃ", "ゅ", "ょ", "ッ", "ャ", "ュ", "ョ"}) {
      const Bytes bytes = Sjis(mark);
      bits_.set(CodeOf(bytes));
    }
  }
  bool Contains(BytesView character) const { return bits_.test(CodeOf(character)); }

 private:
  static std::size_t CodeOf(BytesView character) {
    return static_cast<std::size_t>(static_cast<unsigned char>(character[0])) << 8 |
           static_cast<unsigned char>(character[1]);
  }
  std::bitset<65536> bits_;
};

bool ClosesLine(BytesView character) {
  static const ClosingMarks marks;
  return marks.Contains(character);
}

std::vector<Unit> UnitsOf(BytesView line, double half) {
  std::vector<Unit> units;
  bool in_word = false;
  for (std::size_t i = 0; i < line.size();) {
    const auto byte = static_cast<unsigned char>(line[i]);
    if (platform::IsCp932LeadByte(byte) && i + 1 < line.size()) {
      const BytesView character = line.substr(i, 2);
      if (ClosesLine(character) && !units.empty()) units.back().Width += 2 * half;
      else units.push_back({2 * half, false});
      in_word = false;
      i += 2;
      continue;
    }
    // "&" marks the next character as the accelerator and is not drawn.
    if (byte == '&' && i + 1 < line.size()) {
      ++i;
      continue;
    }
    const double width = byte == '\t' ? 8 * half : half;
    if (byte <= 0x20) {
      units.push_back({width, true});
      in_word = false;
    } else if (in_word) {
      units.back().Width += width;
    } else {
      units.push_back({width, false});
      in_word = true;
    }
    ++i;
  }
  return units;
}

template <typename OnRow>
void LayOut(BytesView text, const TextBox& box, OnRow on_row) {
  const double half = box.PixelHeight / 2.0;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const BytesView line = text.substr(start, end - start);
    double row = 0;
    for (const Unit& unit : UnitsOf(line, half)) {
      if (box.Wraps && row > 0 && row + unit.Width > box.Width && !unit.Blank) {
        on_row(row);
        row = 0;
      }
      row += unit.Width;
    }
    on_row(row);
    if (end >= text.size()) break;
    start = end + 1;
  }
}

std::string Rows(int rows) { return std::to_string(rows) + (rows == 1 ? " row" : " rows"); }

std::optional<std::string> Overflow(BytesView text, const TextBox& box, const char* what) {
  const int rows = RowsOf(text, box);
  const int shown = box.Height / box.LineSpacing;
  if (box.Wraps && rows > shown) {
    return std::string(what) + " takes " + Rows(rows) + " but its box shows " + Rows(shown) +
           ": the rest is cut off";
  }
  const double widest = WidestRow(text, box);
  if (widest > box.Width) {
    return std::string(what) + " is " + std::to_string(static_cast<int>(widest + 0.5)) +
           " pixels wide but its box is " + std::to_string(box.Width) + ": the rest is cut off";
  }
  return std::nullopt;
}

}  // namespace

int RowsOf(BytesView text, const TextBox& box) {
  int rows = 0;
  LayOut(text, box, [&](double) { ++rows; });
  return rows;
}

double WidestRow(BytesView text, const TextBox& box) {
  double widest = 0;
  LayOut(text, box, [&](double row) { widest = std::max(widest, row); });
  return widest;
}

// The message area's text starts with a line feed and ends with one.
std::optional<std::string> MessageOverflow(BytesView message) {
  BytesView shown = message;
  if (!shown.empty() && shown.back() == '\n') shown.remove_suffix(1);
  return Overflow(shown, kMessageBox, "the message");
}

std::optional<std::string> CaptionOverflow(BytesView caption) { return Overflow(caption, kCaptionBox, "the caption"); }

std::optional<std::string> PageOverflow(BytesView page) {
  BytesView shown = page;
  if (!shown.empty() && shown.back() == '\n') shown.remove_suffix(1);
  return Overflow(shown, kPageBox, "the page");
}

std::optional<std::string> EntryOverflow(BytesView entry) { return Overflow(entry, kEntryBox, "the entry"); }

}  // namespace torvane::check
