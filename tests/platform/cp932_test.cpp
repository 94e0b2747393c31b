#include "platform/cp932.hpp"

#include <gtest/gtest.h>

#include <string>

namespace torvane::platform {
namespace {

using namespace std::string_literals;

// Strict UTF-8 check: no overlongs, surrogates or values past U+10FFFF.
bool IsValidUtf8(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      unsigned lo = 0x80, hi = 0xBF;
      if (k == 1 && b == 0xE0) lo = 0xA0;
      if (k == 1 && b == 0xED) hi = 0x9F;
      if (k == 1 && b == 0xF0) lo = 0x90;
      if (k == 1 && b == 0xF4) hi = 0x8F;
      if (c < lo || c > hi) return false;
    }
    i += n;
  }
  return true;
}

const std::string kSoHyoNoCp932 = "\x83\x5C\x95\x5C\x94\x5C";
const std::string kSoHyoNoUtf8 = "ソ表能";

TEST(Cp932Test, AsciiPassesThroughBothWaysWithNul) {
  const std::string ascii = "Sinario\\00.txt ~\r\n\0end"s;
  EXPECT_EQ(Cp932ToUtf8(ascii), ascii);
  EXPECT_EQ(Utf8ToCp932(ascii), ascii);
  EXPECT_EQ(Cp932ToUtf8("\x83\x5C\0\x83\x5C"s), "ソ\0ソ"s);
}

TEST(Cp932Test, ConvertsCharactersWhoseSecondByteIsBackslash) {
  EXPECT_EQ(Cp932ToUtf8(kSoHyoNoCp932), kSoHyoNoUtf8);
  EXPECT_EQ(Utf8ToCp932(kSoHyoNoUtf8), kSoHyoNoCp932);
}

TEST(Cp932Test, UsesWindowsMappingsForCharactersShiftJisGetsWrong) {
  EXPECT_EQ(Cp932ToUtf8("\x81\x60"), "\uFF5E");  // ～
  EXPECT_EQ(Cp932ToUtf8("\x87\x40"), "\u2460");  // ①
  EXPECT_EQ(Cp932ToUtf8("\xFB\xFC"), "\u9AD9");  // 髙
  EXPECT_EQ(Utf8ToCp932("\uFF5E\u2460\u9AD9"), "\x81\x60\x87\x40\xFB\xFC");
  EXPECT_EQ(Cp932ToUtf8("\xB1\xDF"), "\uFF71\uFF9F");  // half-width katakana
  // One byte in, three out: the output buffer has to grow.
  std::string katakana;
  for (int i = 0; i < 100; ++i) katakana += "\uFF71";
  EXPECT_EQ(Cp932ToUtf8(std::string(100, '\xB1')), katakana);
}

TEST(Cp932Test, UnconvertibleBytesBecomeReplacementAndConversionContinues) {
  EXPECT_EQ(Cp932ToUtf8("a\x80" "b\xFF\x83\x5C"), "a\uFFFD" "b\uFFFDソ");
  // A lead byte with a bad second byte must not swallow the ASCII after it.
  EXPECT_EQ(Cp932ToUtf8("\x83 x"), "\uFFFD x");
  EXPECT_EQ(Cp932ToUtf8("ab\x83"), "ab\uFFFD");
  std::string replacements;
  for (int i = 0; i < 100; ++i) replacements += "\uFFFD";
  EXPECT_EQ(Cp932ToUtf8(std::string(100, '\x80')), replacements);
  EXPECT_EQ(Cp932ToUtf8("\x83\x5C\xE0"), "ソ\uFFFD");
}

TEST(Cp932Test, EveryTwoByteInputGivesValidUtf8) {
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int trail = 0; trail <= 0xFF; ++trail) {
      const std::string in{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string out = Cp932ToUtf8(in);
      ASSERT_TRUE(IsValidUtf8(out) && !out.empty()) << std::hex << lead << ' ' << trail;
    }
  }
}

TEST(Cp932Test, CharactersWithoutCp932FormBecomeQuestionMark) {
  EXPECT_EQ(Utf8ToCp932("caf\u00E9"), "caf?");
  EXPECT_EQ(Utf8ToCp932("a\U0001F600b"), "a?b");  // one "?" per character, not per byte
  EXPECT_EQ(Utf8ToCp932("\u4E02\u30BD"), "?\x83\x5C");
}

TEST(Cp932Test, InvalidUtf8BecomesQuestionMark) {
  EXPECT_EQ(Utf8ToCp932("a\xFF" "b"), "a?b");
  EXPECT_EQ(Utf8ToCp932("\xC0\x80"), "??");  // overlong NUL
  EXPECT_EQ(Utf8ToCp932("\xE0\x80\xAF\xED\xA0\x80"), "??????");  // overlong "/", surrogate
  EXPECT_EQ(Utf8ToCp932("\xE3\x82" "A"), "?A");  // truncated ソ
  EXPECT_EQ(Utf8ToCp932("\xE3\x82\xBD\xE3\x82"), "\x83\x5C?");
}

TEST(Cp932Test, LeadByteRanges) {
  for (int b : {0x81, 0x9F, 0xE0, 0xFC}) EXPECT_TRUE(IsCp932LeadByte(static_cast<unsigned char>(b))) << b;
  for (int b : {0x00, 0x5C, 0x80, 0xA0, 0xDF, 0xFD, 0xFF}) EXPECT_FALSE(IsCp932LeadByte(static_cast<unsigned char>(b))) << b;
}

}  // namespace
}  // namespace torvane::platform
