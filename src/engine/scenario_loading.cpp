// Loading a scenario file, the start sequence and "@NXT".
#include <limits>

#include "engine/operands.hpp"
#include "platform/script_error.hpp"
#include "ui/form1.hpp"

namespace torvane {
namespace {

void CheckCapacity(BytesView file_name, const ScenarioText& lines, const LabelLines& labels) {
  if (lines.Count() > std::numeric_limits<std::int32_t>::max()) {
    throw ScriptError(error_text::TooManyLines(file_name, std::numeric_limits<std::int32_t>::max()));
  }
  if (labels.tags.size() > kTagCapacity) {
    throw ScriptError(error_text::TooManyLabels(file_name, "@TAG", labels.tags.size(), kTagCapacity));
  }
  if (labels.subs.size() > kSubCapacity) {
    throw ScriptError(error_text::TooManyLabels(file_name, "@SUB", labels.subs.size(), kSubCapacity));
  }
}

}  // namespace

void TForm1::LoadScenario(BytesView file_name) {
  auto bytes = folder_.ReadFile(file_name);
  if (!bytes) throw ScriptError(error_text::CannotOpenFile(file_name));
  ScenarioText lines = ScenarioText::FromFileBytes(std::move(*bytes));
  // A file with more labels than the tables hold is refused whole, so the
  // current file and its labels stay as they were.
  const LabelLines labels = FindLabelLines(lines);
  CheckCapacity(file_name, lines, labels);
  Engine.ScenarioLines = std::move(lines);
  IndexLabels(*Engine.ScenarioLines, labels, Engine.TagTable, Engine.SubTable);
  scenario_file_ = Bytes(file_name);
}

void TForm1::StartScenario(BytesView file_name, StartMode mode) {
  const bool new_game = mode == StartMode::NewGame;
  if (new_game) Engine.ScenarioLines.emplace();
  LoadScenario(file_name);
  host_.ScenarioLoaded(file_name, mode);
  Engine.ClickGate = 1;
  Engine.MenuGate = 1;
  Form.ListBox1.Enabled = false;
  Form.Label2.Caption.clear();
  Form.Label2.Enabled = false;
  if (new_game) Form.Image3.Visible = false;
  Engine.CurrentLine = new_game ? 0 : 1;
  Engine.ReturnDepth = 0;
  if (new_game) {
    Form.Cursors.Register(1, "OSE01");
    Timer2.SetEnabled(true);
    Form.MENU01.Visible = false;
    Form.N1.Visible = false;
    Form.CONTI.Visible = false;
  }
}

// The first line of the next file is never executed, though a label on it
// is indexed. The old file's lines are gone, so the return stack is emptied.
void TForm1::CmdNXT(BytesView line) {
  const Bytes file_name(FileOperand(line));
  StartScenario(file_name, StartMode::NextFile);
}

}  // namespace torvane
