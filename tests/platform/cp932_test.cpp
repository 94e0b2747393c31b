#include "platform/cp932.hpp"

#include <gtest/gtest.h>

#include <string>

namespace torvane::platform {
namespace {

using namespace std::string_literals;

std::string Repeat(const std::string& s, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += s;
  return out;
}

TEST(Cp932Test, ConvertsAsciiAndDoubleByteCharactersBothWays) {
  const std::string ascii = "Sinario\\00.txt ~\r\n\0end"s;
  EXPECT_EQ(Cp932ToUtf8(ascii), ascii);
  EXPECT_EQ(Utf8ToCp932(ascii), ascii);
  // Every second byte here is 0x5C.
  EXPECT_EQ(Cp932ToUtf8("\x83\x5C\x95\x5C\0\x94\x5C"s), "ソ表\0能"s);
  EXPECT_EQ(Utf8ToCp932("ソ表能"), "\x83\x5C\x95\x5C\x94\x5C");
  // ～ ① 髙, which the plain Shift_JIS tables get wrong or lack.
  EXPECT_EQ(Cp932ToUtf8("\x81\x60\x87\x40\xFB\xFC"), "\uFF5E\u2460\u9AD9");
  EXPECT_EQ(Utf8ToCp932("\uFF5E\u2460\u9AD9"), "\x81\x60\x87\x40\xFB\xFC");
  // One byte in, three out: the output buffer has to grow.
  EXPECT_EQ(Cp932ToUtf8(std::string(100, '\xB1')), Repeat("\uFF71", 100));
}

TEST(Cp932Test, UnconvertibleBytesBecomeReplacementAndConversionContinues) {
  EXPECT_EQ(Cp932ToUtf8("a\x80" "b\xFF\x83\x5C"), "a\uFFFD" "b\uFFFDソ");
  // A lead byte with a bad second byte must not swallow the ASCII after it.
  EXPECT_EQ(Cp932ToUtf8("\x83 x"), "\uFFFD x");
  EXPECT_EQ(Cp932ToUtf8("\x83\x5C\xE0"), "ソ\uFFFD");
  EXPECT_EQ(Cp932ToUtf8(std::string(100, '\x80')), Repeat("\uFFFD", 100));
}

TEST(Cp932Test, WhatCp932CannotHoldBecomesQuestionMark) {
  EXPECT_EQ(Utf8ToCp932("caf\u00E9 \u4E02\u30BD"), "caf? ?\x83\x5C");
  EXPECT_EQ(Utf8ToCp932("a\U0001F600b"), "a?b");  // one "?" per character, not per byte
  EXPECT_EQ(Utf8ToCp932("a\xFF" "b"), "a?b");
  EXPECT_EQ(Utf8ToCp932("\xC0\x80\xE0\x80\xAF\xED\xA0\x80"), "????????");  // overlongs, surrogate
  EXPECT_EQ(Utf8ToCp932("\xE3\x82" "A\xE3\x82\xBD\xE3\x82"), "?A\x83\x5C?");  // truncated ソ
}

TEST(Cp932Test, LeadByteRanges) {
  for (int b : {0x81, 0x9F, 0xE0, 0xFC}) EXPECT_TRUE(IsCp932LeadByte(static_cast<unsigned char>(b))) << b;
  for (int b : {0x5C, 0x80, 0xA0, 0xDF, 0xFD}) EXPECT_FALSE(IsCp932LeadByte(static_cast<unsigned char>(b))) << b;
}

}  // namespace
}  // namespace torvane::platform
