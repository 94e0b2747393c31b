#include <gtest/gtest.h>

#include "engine/operands.hpp"
#include "platform/script_error.hpp"
#include "platform/cp932.hpp"

namespace torvane {
namespace {

TEST(IntegerConversion, AcceptsDecimalSignsLeadingSpacesAndHexPrefixes) {
  EXPECT_EQ(ConvertInteger("7"), 7);
  EXPECT_EQ(ConvertInteger("07"), 7);
  EXPECT_EQ(ConvertInteger(" 7"), 7);
  EXPECT_EQ(ConvertInteger("   +12"), 12);
  EXPECT_EQ(ConvertInteger("-3"), -3);
  EXPECT_EQ(ConvertInteger("$1F"), 31);
  EXPECT_EQ(ConvertInteger("x1f"), 31);
  EXPECT_EQ(ConvertInteger("X10"), 16);
  EXPECT_EQ(ConvertInteger("0x10"), 16);
  EXPECT_EQ(ConvertInteger("0X0a"), 10);
  EXPECT_EQ(ConvertInteger("-$10"), -16);
  EXPECT_EQ(ConvertInteger("2147483647"), 2147483647);
  EXPECT_EQ(ConvertInteger("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ConvertInteger("$FFFFFFFF"), -1);
}

TEST(IntegerConversion, RejectsEverythingElseWithTheSliceInTheMessage) {
  for (const char* bad : {"", " ", "7 ", "ab", "+", "-", "$", "0x", "1e3", "\t7", "7\t", "2147483648", "$100000000",
                          "3 look", "--1", "+-1", "0xg"}) {
    EXPECT_FALSE(ParseInteger(bad)) << bad;
    try {
      ConvertInteger(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const ScriptError& error) {
      EXPECT_EQ(platform::Cp932ToUtf8(error.Text()), "'" + std::string(bad) + "' は整数ではありません");
    }
  }
}

TEST(OperandForms, SliceExactBytes) {
  EXPECT_EQ(NameOperand("@JMP  start  "), "start");
  EXPECT_EQ(NameOperand("@JMPstart"), "start");
  EXPECT_EQ(NameOperand("@JMP"), "");
  EXPECT_EQ(NameOperand("@JMP inner  blank\t"), "inner  blank");
  // Byte 5 is skipped whatever it holds; trailing blanks stay.
  EXPECT_EQ(FileOperand("@BGM music.mid"), "music.mid");
  EXPECT_EQ(FileOperand("@BGM  music.mid "), " music.mid ");
  EXPECT_EQ(FileOperand("@BGMxmusic.mid"), "music.mid");
  EXPECT_EQ(FileOperand("@BGM"), "");
  EXPECT_EQ(FlagOperand("@FON 7"), 7);
  EXPECT_EQ(FlagOperand("@FON 07"), 7);
  EXPECT_EQ(FlagOperand("@FON  7"), 7);
  EXPECT_EQ(FlagOperand("@FON 123"), 12);  // only bytes 6-7
  EXPECT_THROW(FlagOperand("@FON 7 "), ScriptError);
  EXPECT_EQ(NumberOperand("@TXT 3"), 3);
  EXPECT_EQ(NumberOperand("@TXT       3trailing"), 3);  // the number ends exactly at byte 12
  EXPECT_THROW(NumberOperand("@TXT 3 look"), ScriptError);
  auto fl = FlagAndLabelOperand("@FSB 03 open  ");
  EXPECT_EQ(fl.flag, 3);
  EXPECT_EQ(fl.label, "open");
  EXPECT_EQ(FlagAndLabelOperand("@FJP 03xlabel").label, "label");  // byte 8 skipped
}

TEST(OperandForms, PairsDivideAtTheFirstCommaOnly) {
  auto pair = PairOperand("@ISJ key,open");
  EXPECT_EQ(pair.first, "key");
  EXPECT_EQ(pair.second, "open");
  EXPECT_EQ(PairOperand("@ISJ key, open").second, " open");
  EXPECT_EQ(PairOperand("@ISJ  key ,a,b ").first, "key ");
  EXPECT_EQ(PairOperand("@ISJ  key ,a,b ").second, "a,b");
  EXPECT_EQ(PairOperand("@ISJ key").second, "");
  auto entry = MenuEntryLine(" Look around , look ");
  EXPECT_EQ(entry.text, " Look around ");
  EXPECT_EQ(entry.target, " look ");
  EXPECT_EQ(MenuEntryLine("Look around").target, "");
}

TEST(OperandForms, ItemDefinitionKeepsFurtherCommasInTheDescription) {
  auto item = ItemDefinitionLine("Key,Get,None,Opens a door, maybe, two");
  EXPECT_EQ(item.name, "Key");
  EXPECT_EQ(item.holding, "Get");
  EXPECT_EQ(item.usage, "None");
  EXPECT_EQ(item.description, "Opens a door, maybe, two");
  auto shortline = ItemDefinitionLine("Lamp,Get");
  EXPECT_EQ(shortline.name, "Lamp");
  EXPECT_EQ(shortline.holding, "Get");
  EXPECT_EQ(shortline.usage, "");
  EXPECT_EQ(shortline.description, "");
}

TEST(BlockEnds, ExactAndTrimmedDiffer) {
  EXPECT_TRUE(IsExactEnd("@END"));
  EXPECT_FALSE(IsExactEnd("@END "));
  EXPECT_FALSE(IsExactEnd(" @END"));
  EXPECT_TRUE(IsTrimmedEnd(" @END \t"));
  EXPECT_FALSE(IsTrimmedEnd("@ENDING"));
  // The full-width space is not a blank.
  EXPECT_FALSE(IsTrimmedEnd("\x81\x40@END"));
}

}  // namespace
}  // namespace torvane
