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

}  // namespace
}  // namespace torvane
