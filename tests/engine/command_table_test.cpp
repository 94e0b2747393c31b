#include <gtest/gtest.h>


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
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(kCommandTable[i].Handler, kCommandTable[j].Handler);
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

}  // namespace
}  // namespace torvane
