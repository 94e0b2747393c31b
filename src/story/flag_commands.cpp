// "@FON", "@FOF", "@CLF", "@FJP" and "@FSB".
#include "engine/operands.hpp"
#include "platform/script_error.hpp"
#include "ui/form1.hpp"

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

void TForm1::CmdFON(BytesView line) {
  Story.FlagBank[FlagIndex(FlagOperand(line))] = 1;
  Engine.CurrentLine += 1;
}

void TForm1::CmdFOF(BytesView line) {
  Story.FlagBank[FlagIndex(FlagOperand(line))] = 0;
  Engine.CurrentLine += 1;
}

void TForm1::CmdCLF(BytesView /*line*/) {
  std::fill_n(Story.FlagBank.begin(), StoryState::kScriptFlags, std::uint8_t{0});
  Engine.CurrentLine += 1;
}

// A clear flag never consults the label table, so a misspelt label goes
// unnoticed until its flag is set.
void TForm1::CmdFJP(BytesView line) {
  const auto [flag, label] = FlagAndLabelOperand(line);
  if (Story.FlagBank[FlagIndex(flag)] == 1) Engine.CurrentLine = FindTag(label);
  else Engine.CurrentLine += 1;
}

void TForm1::CmdFSB(BytesView line) {
  const auto [flag, label] = FlagAndLabelOperand(line);
  if (Story.FlagBank[FlagIndex(flag)] == 1) CallSubroutine(label, Engine.CurrentLine + 1);
  else Engine.CurrentLine += 1;
}

}  // namespace torvane
