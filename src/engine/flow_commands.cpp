// "@JMP", "@GSB", "@RTN", "@ESB", and the commands that only advance.
#include "engine/operands.hpp"
#include "ui/form1.hpp"

namespace torvane {

// A jump lands on the "@TAG" line itself, which runs as one more step: a
// jump costs a tick before its target. The return stack is not touched.
void TForm1::CmdJMP(BytesView line) { Engine.CurrentLine = FindTag(NameOperand(line)); }

void TForm1::CmdGSB(BytesView line) { CallSubroutine(NameOperand(line), Engine.CurrentLine + 1); }

void TForm1::CmdRTN(BytesView /*line*/) { ReturnFromCall("@RTN"); }

void TForm1::CmdESB(BytesView /*line*/) { ReturnFromCall("@ESB"); }

void TForm1::CmdEND(BytesView /*line*/) { Engine.CurrentLine += 1; }

void TForm1::CmdTAG(BytesView /*line*/) { Engine.CurrentLine += 1; }

// A "@SUB" line reached by falling through is passed over like any other:
// a subroutine has no entry guard.
void TForm1::CmdSUB(BytesView /*line*/) { Engine.CurrentLine += 1; }

void TForm1::CmdREM(BytesView /*line*/) { Engine.CurrentLine += 1; }

}  // namespace torvane
