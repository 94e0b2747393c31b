// "@FON", "@FOF", "@CLF", "@FJP" and "@FSB".
#include "engine/interpreter.hpp"
#include "game/form1.hpp"
#include "platform/script_error.hpp"

namespace torvane {
namespace {

// Scripts can name 00 to 99; only a minus sign reaches outside, and such a
// line is refused rather than touching a byte outside the bank.
std::size_t FlagIndex(std::int32_t flag) {
  if (flag < 0 || static_cast<std::size_t>(flag) >= StoryState::kFlagBankSize) {
    throw ScriptError(error_text::FlagOutOfRange(flag));
  }
  return static_cast<std::size_t>(flag);
}

}  // namespace

void TForm1::CmdFON(const Operands& operands) { Story.FlagBank[FlagIndex(operands.Number)] = 1; }

void TForm1::CmdFOF(const Operands& operands) { Story.FlagBank[FlagIndex(operands.Number)] = 0; }

void TForm1::CmdCLF(const Operands& /*operands*/) {
  std::fill_n(Story.FlagBank.begin(), StoryState::kScriptFlags, std::uint8_t{0});
}

// A clear flag never consults the label table, so a misspelt label goes
// unnoticed until its flag is set.
void TForm1::CmdFJP(const Operands& operands) {
  if (Story.FlagBank[FlagIndex(operands.Number)] == 1) Engine.CurrentLine = FindTag(Engine, operands.Name);
}

void TForm1::CmdFSB(const Operands& operands) {
  if (Story.FlagBank[FlagIndex(operands.Number)] == 1) {
    CallSubroutine(Engine, operands.Name, Engine.CurrentLine + 1);
  }
}

}  // namespace torvane
