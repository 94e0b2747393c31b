#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "save/ini_file.hpp"

namespace torvane {
namespace {

using namespace std::string_literals;

std::string RoundTrip(const std::string& bytes) { return IniFile::Parse(bytes).Serialize(); }

std::string AfterWrite(const std::string& bytes, const char* section, const char* key, const std::string& value) {
  IniFile file = IniFile::Parse(bytes);
  file.Write(section, key, value);
  return file.Serialize();
}

std::optional<std::string> ReadFrom(const std::string& bytes, const char* section, const char* key) {
  return IniFile::Parse(bytes).Read(section, key);
}

TEST(IniFileBytes, SerializeGivesBackAnyInputExactly) {
  const std::string cases[] = {"", "\r", "\n", "\r\n", "\n\r", "\r\r\n\n", "no break at the end",
                               "[Game]\rNext=a\rOther=b\r", "[Game]\r\nNext=a\nX=1\rY=2\r\n\r\n\n",
                               "[Ga\0me]\r\nNe\0xt=\0\r\n\0"s, "[\x83\x5C]\r\n\x83\x5C=\x83\x5C.txt\x81",
                               "[Game]\r\nNext=" + std::string(1 << 20, 'x') + "\r\n" + std::string(1 << 20, ';')};
  for (const std::string& bytes : cases) EXPECT_EQ(RoundTrip(bytes), bytes);

  // The bytes that steer the parser, mixed with anything else.
  std::mt19937 random(20240611);
  const std::string steering = "\r\n[]=; \t\"'\0\x81\x5D"s;
  for (int round = 0; round < 400; ++round) {
    std::string bytes(random() % 200, '\0');
    for (char& c : bytes) {
      c = random() % 2 ? steering[random() % steering.size()] : static_cast<char>(random() % 256);
    }
    ASSERT_EQ(RoundTrip(bytes), bytes) << "round " << round;
    // A write must not disturb the splitting of what it leaves alone.
    const std::string written = AfterWrite(bytes, "Game", "Next", "Sinario01.txt");
    ASSERT_EQ(RoundTrip(written), written) << "round " << round;
    ASSERT_EQ(ReadFrom(written, "Game", "Next"), "Sinario01.txt") << "round " << round;
  }
}

TEST(IniFileRead, OnlyTheFirstSectionAndKeyOfANameCount) {
  const std::string text =
      "Next=outside\r\n"
      "[Other]\r\nNext=other\r\n"
      "[gAME]\r\n;Next=comment\r\nNEXT=first\r\nnext=second\r\nEmpty=\r\n"
      "[Game]\r\nNext=third\r\nLater=x\r\n";
  EXPECT_EQ(ReadFrom(text, "Game", "Next"), "first");
  EXPECT_EQ(ReadFrom(text, "Game", "Empty"), "");
  EXPECT_EQ(ReadFrom(text, "Game", "Later"), std::nullopt);
  EXPECT_EQ(ReadFrom(text, "Game", ";Next"), std::nullopt);
  EXPECT_EQ(ReadFrom(text, "Game", "Missing"), std::nullopt);
  EXPECT_EQ(ReadFrom(text, "Missing", "Next"), std::nullopt);
  EXPECT_EQ(ReadFrom("Next=outside\r\n", "Game", "Next"), std::nullopt);
}

TEST(IniFileRead, CaseIsFoldedForAsciiLettersOnly) {
  // 0x83 0x41 and 0x83 0x61 are two different katakana; 0x81 0x5D holds a
  // ']' byte that does not close the header.
  const std::string text = "[\x83\x41]\r\nK=a\r\n[\x83\x61\x81\x5D]\r\nK=b\r\n[\xB1]\r\nK=c\r\n";
  EXPECT_EQ(ReadFrom(text, "\x83\x41", "k"), "a");
  EXPECT_EQ(ReadFrom(text, "\x83\x61\x81\x5D", "k"), "b");
  EXPECT_EQ(ReadFrom(text, "\x83\x61", "k"), std::nullopt);
  EXPECT_EQ(ReadFrom(text, "\xB1", "K"), "c");
  EXPECT_EQ(ReadFrom(text, "\x91", "K"), std::nullopt);
}

TEST(IniFileRead, BlanksQuotesAndOddHeaders) {
  const std::string text =
      " \t[ Game \t] trailing\r\n"
      "  Next \t=  Sinario01.txt \t\r\n"
      "Double=\" two words \"\r\nSingle= 'x' \r\nMixed=\"x'\r\nLone=\"\r\nPair=''\r\nInner=\"a\"b\"\r\n"
      "[Open\r\nKey=in open\r\n";
  EXPECT_EQ(ReadFrom(text, "GAME", "next"), "Sinario01.txt");
  EXPECT_EQ(ReadFrom(text, "Game", "Double"), " two words ");
  EXPECT_EQ(ReadFrom(text, "Game", "Single"), "x");
  EXPECT_EQ(ReadFrom(text, "Game", "Mixed"), "\"x'");
  EXPECT_EQ(ReadFrom(text, "Game", "Lone"), "\"");
  EXPECT_EQ(ReadFrom(text, "Game", "Pair"), "");
  EXPECT_EQ(ReadFrom(text, "Game", "Inner"), "a\"b");
  EXPECT_EQ(ReadFrom(text, "Open", "Key"), "in open");
  // The caller's names are trimmed too, so a padded name finds what it wrote.
  EXPECT_EQ(ReadFrom(text, " Game\t", "\tNext "), "Sinario01.txt");
  EXPECT_EQ(AfterWrite(AfterWrite("", " Game", "Next ", "a"), "Game", "Next", "b"), "[ Game]\r\nNext=b\r\n");
}

TEST(IniFileRead, ValuesAreCutAt2047Bytes) {
  std::string value(3000, 'v');
  value[2046] = 'L';
  value[2047] = 'X';
  EXPECT_EQ(ReadFrom("[Game]\r\nNext=" + value + "\r\n", "Game", "Next"), value.substr(0, 2047));
  EXPECT_EQ(ReadFrom("[Game]\nNext=\"" + value.substr(0, 2047) + "\"", "Game", "Next"), value.substr(0, 2047));
  EXPECT_EQ(ReadFrom("[Game]\nNext=" + std::string(1 << 20, 'm'), "Game", "Next")->size(), 2047u);
}

TEST(IniFileWrite, ReplacesTheKeyLineAndKeepsEverythingElse) {
  const std::string text =
      "; saved by the game\r\n[Options]\nSound=1\n\n[game]\r; note\rnext = Sinario00.txt\rNext=dup\r\n[Game]\nNext=x";
  EXPECT_EQ(AfterWrite(text, "Game", "Next", "Sinario02.txt"),
            "; saved by the game\r\n[Options]\nSound=1\n\n[game]\r; note\rNext=Sinario02.txt\rNext=dup\r\n[Game]\nNext=x");
  // Written twice, the key is still one line.
  EXPECT_EQ(AfterWrite(AfterWrite("", "Game", "Next", "a"), "GAME", "NEXT", "b"), "[Game]\r\nNEXT=b\r\n");
}

TEST(IniFileWrite, AddsAMissingKeyAfterTheSectionsLastNonBlankLine) {
  EXPECT_EQ(AfterWrite("[Game]\r\nA=1\r\n\r\n  \r\n[Other]\r\nNext=o\r\n", "Game", "Next", "v"),
            "[Game]\r\nA=1\r\nNext=v\r\n\r\n  \r\n[Other]\r\nNext=o\r\n");
  EXPECT_EQ(AfterWrite("[Game]\r\n\r\n[Game]\r\nNext=second\r\n", "Game", "Next", "v"),
            "[Game]\r\nNext=v\r\n\r\n[Game]\r\nNext=second\r\n");
  EXPECT_EQ(AfterWrite("[Game]\nA=1", "Game", "Next", "v"), "[Game]\nA=1\r\nNext=v\r\n");
  EXPECT_EQ(AfterWrite("[Game]\rA=1\r\t", "Game", "Next", "v"), "[Game]\rA=1\rNext=v\r\n\t");
}

TEST(IniFileWrite, AddsAMissingSectionAtTheEnd) {
  EXPECT_EQ(AfterWrite("", "Game", "Next", "v"), "[Game]\r\nNext=v\r\n");
  EXPECT_EQ(AfterWrite("Next=outside", "Game", "Next", "v"), "Next=outside\r\n[Game]\r\nNext=v\r\n");
  EXPECT_EQ(AfterWrite("[Other]\rB=2\r", "Game", "Next", "v"), "[Other]\rB=2\r[Game]\r\nNext=v\r\n");
}

TEST(IniFileWrite, ValuesAreStoredAsGivenUpToALineBreak) {
  const std::string sjis = "\x83\x5C\x83\x74\x83\x67.txt";
  const std::string written = AfterWrite("[Game]\r\nNext=a\r\n", "Game", "Next", sjis);
  EXPECT_EQ(written, "[Game]\r\nNext=" + sjis + "\r\n");
  EXPECT_EQ(ReadFrom(written, "Game", "Next"), sjis);

  // Blanks are kept in the file but not read back, as on Windows.
  const std::string padded = AfterWrite("", "Game", "Next", "  Sinario01.txt\t");
  EXPECT_EQ(padded, "[Game]\r\nNext=  Sinario01.txt\t\r\n");
  EXPECT_EQ(ReadFrom(padded, "Game", "Next"), "Sinario01.txt");

  EXPECT_EQ(AfterWrite("[Game]\r\n", "Game", "Next", "one\rtwo"), "[Game]\r\nNext=one\r\n");
  EXPECT_EQ(AfterWrite("", "Game", "Next", "\nrest"), "[Game]\r\nNext=\r\n");
  EXPECT_EQ(AfterWrite("", "Game", "Next", "a\0b"s), "[Game]\r\nNext=a\0b\r\n"s);
}

}  // namespace
}  // namespace torvane
