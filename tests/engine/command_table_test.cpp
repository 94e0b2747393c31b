#include <gtest/gtest.h>

#include <string>

#include "engine/command_table.hpp"

namespace torvane {
namespace {

TEST(CommandTable, HoldsTheThirtyFourOpcodesInTestOrder) {
  const char* expected[] = {"@CMD", "@JMP", "@FON", "@FOF", "@TXT", "@BGM", "@SEM", "@ESB", "@RTN",
                            "@CLF", "@FJP", "@FSB", "@GSB", "@BGS", "@LST", "@NXT", "@END", "@TAG",
                            "@SUB", "@STR", "@STX", "@STE", "@REM", "@IIZ", "@IGG", "@IGN", "@IUU",
                            "@IUN", "@ICL", "@IVW", "@ITM", "@ISS", "@ISJ", "@SAV"};
  ASSERT_EQ(kCommandTable.size(), std::size(expected));
  for (std::size_t i = 0; i < kCommandTable.size(); ++i) {
    EXPECT_EQ(kCommandTable[i].Opcode, expected[i]);
    EXPECT_EQ(kCommandTable[i].HandlerName, "Cmd" + std::string(expected[i] + 1));
    EXPECT_EQ(static_cast<std::size_t>(kCommandTable[i].Id), i);
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(kCommandTable[i].Handler, kCommandTable[j].Handler);
  }
}

// Every block command reads its own lines, and only transfers and
// conditionals may leave a line other than by one.
TEST(CommandTable, BlockFormsGoWithBlockCommands) {
  for (const CommandRow& row : kCommandTable) {
    const bool block_form = row.Operands == OperandForm::MessageBlock || row.Operands == OperandForm::MenuBlock ||
                            row.Operands == OperandForm::ItemBlock || row.Operands == OperandForm::PageBlock;
    EXPECT_EQ(block_form, row.Lines == LineEffect::Block) << row.Opcode;
  }
}

TEST(ClassifyLine, OnlyTheFirstFourBytesDecide) {
  EXPECT_EQ(ClassifyLine("@END").Row->Opcode, "@END");
  EXPECT_EQ(ClassifyLine("@ENDING").Row->Opcode, "@END");
  EXPECT_EQ(ClassifyLine("@END of part one").Row->Opcode, "@END");
  EXPECT_EQ(ClassifyLine("@JMPstart").Row->Opcode, "@JMP");
  EXPECT_EQ(ClassifyLine("").Kind, LineKind::PassedOver);
  EXPECT_EQ(ClassifyLine("    ").Kind, LineKind::PassedOver);
  EXPECT_EQ(ClassifyLine("    @TXT anything").Kind, LineKind::PassedOver);
  for (const char* not_a_command : {"@end", " @TXT 1", "\t@REM", " ", "   ", "@EN", "hello", "\x81\x40@REM"}) {
    EXPECT_EQ(ClassifyLine(not_a_command).Kind, LineKind::NotACommand) << not_a_command;
  }
}

// The lookup is by the four bytes as a number: each opcode finds its own
// row, and a line one byte value off on any of the four finds none.
TEST(ClassifyLine, FindsEveryRowAndNothingBetween) {
  for (const CommandRow& row : kCommandTable) {
    ASSERT_EQ(row.Opcode.size(), 4u);
    EXPECT_EQ(ClassifyLine(std::string(row.Opcode) + " x").Row, &row);
    for (std::size_t i = 0; i < 4; ++i) {
      for (const int delta : {-1, 1}) {
        std::string near(row.Opcode);
        near[i] = static_cast<char>(near[i] + delta);
        const LineClass found = ClassifyLine(near);
        if (found.Row) EXPECT_EQ(found.Row->Opcode, near) << "from " << row.Opcode;
        else EXPECT_EQ(found.Kind, LineKind::NotACommand) << near;
      }
    }
  }
}

// Every four bytes that begin with "@": a row is found exactly for the
// table's opcodes, and each finds its own, so the hash has no false match.
TEST(ClassifyLine, AllFourByteLinesAfterTheAtSign) {
  std::size_t found = 0;
  std::string line = "@xyz";
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      for (int c = 0; c < 256; ++c) {
        line[1] = static_cast<char>(a);
        line[2] = static_cast<char>(b);
        line[3] = static_cast<char>(c);
        const LineClass kind = ClassifyLine(line);
        if (kind.Kind == LineKind::Command) {
          ++found;
          ASSERT_EQ(kind.Row->Opcode, line);
        } else {
          ASSERT_EQ(kind.Kind, LineKind::NotACommand);
        }
      }
    }
  }
  EXPECT_EQ(found, kCommandTable.size());
}

// An opcode's own bytes in another place, or cut short, are no command.
TEST(ClassifyLine, ShortLinesAndOtherFirstBytesAreNoCommand) {
  for (const CommandRow& row : kCommandTable) {
    for (std::size_t n = 1; n < 4; ++n) EXPECT_EQ(ClassifyLine(row.Opcode.substr(0, n)).Kind, LineKind::NotACommand);
    for (const char first : {'\0', ' ', 'A', '\x80', '\xC0'}) {
      std::string moved(row.Opcode);
      moved[0] = first;
      EXPECT_EQ(ClassifyLine(moved).Kind, LineKind::NotACommand) << moved;
    }
  }
  EXPECT_EQ(ClassifyLine(std::string(4, '\0')).Kind, LineKind::NotACommand);
  EXPECT_EQ(ClassifyLine("   \t").Kind, LineKind::NotACommand);
  EXPECT_EQ(ClassifyLine("\t   ").Kind, LineKind::NotACommand);
  EXPECT_EQ(ClassifyLine(std::string_view("    ", 3)).Kind, LineKind::NotACommand);
  EXPECT_EQ(ClassifyLine(std::string_view("@TAGx", 4)).Row->Opcode, "@TAG");
}

}  // namespace
}  // namespace torvane
