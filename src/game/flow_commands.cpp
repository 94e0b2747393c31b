// "@JMP", "@GSB", "@RTN", "@ESB", and the commands that only advance.
#include "engine/interpreter.hpp"
#include "game/form1.hpp"

namespace torvane {

// A jump lands on the "@TAG" line itself, which runs as one more step: a
// jump costs a tick before its target. The return stack is not touched.
void TForm1::CmdJMP(const Operands& operands) { Engine.CurrentLine = FindTag(Engine, operands.Name); }

void TForm1::CmdGSB(const Operands& operands) {
  CallSubroutine(Engine, operands.Name, Engine.CurrentLine + 1);
}

void TForm1::CmdRTN(const Operands& /*operands*/) { ReturnFromCall(Engine, "@RTN"); }

void TForm1::CmdESB(const Operands& /*operands*/) { ReturnFromCall(Engine, "@ESB"); }

void TForm1::CmdEND(const Operands& /*operands*/) {}

void TForm1::CmdTAG(const Operands& /*operands*/) {}

// A "@SUB" line reached by falling through is passed over like any other:
// a subroutine has no entry guard.
void TForm1::CmdSUB(const Operands& /*operands*/) {}

void TForm1::CmdREM(const Operands& /*operands*/) {}

}  // namespace torvane
