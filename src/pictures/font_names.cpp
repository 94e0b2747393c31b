#include "pictures/font_names.hpp"

#include <array>
#include <string>
#include <utility>

#include "platform/ascii.hpp"

namespace torvane::pictures {
namespace {

// Full-width ASCII (U+FF01..U+FF5E, three UTF-8 bytes EF BC 81 .. EF BD 9E)
// folded to ASCII, spaces (U+0020, U+3000) dropped, letters lowered, so
// "ＭＳ Ｐゴシック", "MS PGothic" and "ms pゴシック" compare alike.
std::string Folded(std::string_view face) {
  std::string out;
  for (std::size_t i = 0; i < face.size();) {
    const auto b0 = static_cast<unsigned char>(face[i]);
    if (b0 == 0xEF && i + 2 < face.size()) {
      const auto b1 = static_cast<unsigned char>(face[i + 1]);
      const auto b2 = static_cast<unsigned char>(face[i + 2]);
      const unsigned code = ((b0 & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
      if (code >= 0xFF01 && code <= 0xFF5E) {
        out += FoldAscii(static_cast<char>(code - 0xFF01 + 0x21));
        i += 3;
        continue;
      }
    }
    if (face.substr(i, 3) == "\xE3\x80\x80") {  // U+3000
      i += 3;
      continue;
    }
    if (face[i] != ' ') out += FoldAscii(face[i]);
    ++i;
  }
  return out;
}

}  // namespace

std::string_view SubstituteFontFamily(std::string_view face) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kSubstitutes{{
      {"msgothic", "IPAGothic"},
      {"ms\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF", "IPAGothic"},  // ゴシック
      {"mspgothic", "IPAPGothic"},
      {"msp\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF", "IPAPGothic"},
      {"msuigothic", "IPAPGothic"},
      {"msmincho", "IPAMincho"},
      {"ms\xE6\x98\x8E\xE6\x9C\x9D", "IPAMincho"},  // 明朝
      {"mspmincho", "IPAPMincho"},
      {"msp\xE6\x98\x8E\xE6\x9C\x9D", "IPAPMincho"},
  }};
  const std::string folded = Folded(face);
  for (const auto& [name, family] : kSubstitutes) {
    if (folded == name) return family;
  }
  return face;
}

}  // namespace torvane::pictures
