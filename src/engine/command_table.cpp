#include "engine/command_table.hpp"

#include "ui/form1.hpp"

namespace torvane {

#define TORVANE_ROW(op, form, lines) \
  CommandRow { "@" #op, &TForm1::Cmd##op, "Cmd" #op, OperandForm::form, LineEffect::lines }

const std::array<CommandRow, 34> kCommandTable = {{
    TORVANE_ROW(CMD, MenuBlock, Block),
    TORVANE_ROW(JMP, Name, Transfer),
    TORVANE_ROW(FON, Flag, OneLine),
    TORVANE_ROW(FOF, Flag, OneLine),
    TORVANE_ROW(TXT, MessageBlock, Block),
    TORVANE_ROW(BGM, File, OneLine),
    TORVANE_ROW(SEM, File, OneLine),
    TORVANE_ROW(ESB, None, Transfer),
    TORVANE_ROW(RTN, None, Transfer),
    TORVANE_ROW(CLF, None, OneLine),
    TORVANE_ROW(FJP, FlagAndLabel, Conditional),
    TORVANE_ROW(FSB, FlagAndLabel, Conditional),
    TORVANE_ROW(GSB, Name, Transfer),
    TORVANE_ROW(BGS, File, OneLine),
    TORVANE_ROW(LST, None, OneLine),
    TORVANE_ROW(NXT, File, Transfer),
    TORVANE_ROW(END, None, OneLine),
    TORVANE_ROW(TAG, Name, OneLine),
    TORVANE_ROW(SUB, Name, OneLine),
    TORVANE_ROW(STR, None, OneLine),
    TORVANE_ROW(STX, PageBlock, Block),
    TORVANE_ROW(STE, None, OneLine),
    TORVANE_ROW(REM, Comment, OneLine),
    TORVANE_ROW(IIZ, ItemBlock, Block),
    TORVANE_ROW(IGG, Name, OneLine),
    TORVANE_ROW(IGN, Name, OneLine),
    TORVANE_ROW(IUU, Name, OneLine),
    TORVANE_ROW(IUN, Name, OneLine),
    TORVANE_ROW(ICL, None, OneLine),
    TORVANE_ROW(IVW, Number, OneLine),
    TORVANE_ROW(ITM, None, OneLine),
    TORVANE_ROW(ISS, Number, OneLine),
    TORVANE_ROW(ISJ, Pair, Conditional),
    TORVANE_ROW(SAV, File, OneLine),
}};

#undef TORVANE_ROW

LineClass ClassifyLine(BytesView line) {
  const BytesView opcode = OpcodeOf(line);
  for (const CommandRow& row : kCommandTable) {
    if (row.Opcode == opcode) return {LineKind::Command, &row};
  }
  if (opcode.empty() || opcode == "    ") return {LineKind::PassedOver};
  return {LineKind::NotACommand};
}

}  // namespace torvane
