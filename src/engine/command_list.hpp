#pragma once

// Every command of the language, in the order the engine tests a line's
// opcode against them: X(opcode without "@", operand form, line effect).
// The command table's rows and the handler declarations are both made
// from this list, so a command is added here and nowhere else.
#define TORVANE_COMMANDS(X)           \
  X(CMD, MenuBlock, Block)            \
  X(JMP, Name, Transfer)              \
  X(FON, Flag, OneLine)               \
  X(FOF, Flag, OneLine)               \
  X(TXT, MessageBlock, Block)         \
  X(BGM, File, OneLine)               \
  X(SEM, File, OneLine)               \
  X(ESB, None, Transfer)              \
  X(RTN, None, Transfer)              \
  X(CLF, None, OneLine)               \
  X(FJP, FlagAndLabel, Conditional)   \
  X(FSB, FlagAndLabel, Conditional)   \
  X(GSB, Name, Transfer)              \
  X(BGS, File, OneLine)               \
  X(LST, None, OneLine)               \
  X(NXT, File, Transfer)              \
  X(END, None, OneLine)               \
  X(TAG, Name, OneLine)               \
  X(SUB, Name, OneLine)               \
  X(STR, None, OneLine)               \
  X(STX, PageBlock, Block)            \
  X(STE, None, OneLine)               \
  X(REM, Comment, OneLine)            \
  X(IIZ, ItemBlock, Block)            \
  X(IGG, Name, OneLine)               \
  X(IGN, Name, OneLine)               \
  X(IUU, Name, OneLine)               \
  X(IUN, Name, OneLine)               \
  X(ICL, None, OneLine)               \
  X(IVW, Number, OneLine)             \
  X(ITM, None, OneLine)               \
  X(ISS, Number, OneLine)             \
  X(ISJ, Pair, Conditional)           \
  X(SAV, File, OneLine)
