#include "check/playthrough.hpp"

#include <limits>

#include "engine/command_table.hpp"
#include "platform/cp932.hpp"
#include "story/item_dialog.hpp"

namespace torvane::check {
namespace {

// Steps without a decision or a click after which a playthrough counts as
// running on for ever: far more than any script runs between two waits.
constexpr int kStepsWithoutWait = 200000;
// Clicks without a choice after which messages count as shown in an
// endless loop.
constexpr std::size_t kInputsWithoutChoice = 100000;

// Thrown to leave the game from inside a step once the outcome is known.
// It is no standard exception, so the game's own error path lets it pass.
struct Suspended {};

void AppendNumber(std::string& key, std::int64_t value) {
  key += std::to_string(value);
  key += ',';
}

void AppendText(std::string& key, BytesView text) {
  AppendNumber(key, static_cast<std::int64_t>(text.size()));
  key.append(text);
}

class Playthrough final : public ModalHost, public GameObserver {
 public:
  Playthrough(const GameSetup& setup, const std::vector<int>& choices, PlayRecord& record)
      : game_(setup, *this, *this), choices_(choices), record_(record) {}

  PlayOutcome Run(bool continued) {
    TForm1& form = game_.Game.Form();
    try {
      Log(continued ? "continue" : "start");
      form.RunMenuCommand(continued ? &TForm1::CONTIClick : &TForm1::N1Click);
      while (true) {
        const std::optional<WaitKind> wait = game_.Game.Waiting();
        if (!wait) {
          const std::int64_t due = form.Timers.NextDue();
          if (due == std::numeric_limits<std::int64_t>::max()) End(PlayOutcome::Kind::Loop);
          game_.Time.Advance(due);
          continue;
        }
        CloseBlock();
        switch (*wait) {
          case WaitKind::Title: End(PlayOutcome::Kind::NoGame);
          case WaitKind::Stopped: End(PlayOutcome::Kind::Stopped);
          case WaitKind::Stuck: End(PlayOutcome::Kind::Stuck);
          case WaitKind::Click:
            Log("click");
            steps_ = 0;
            form.PressAt(300, 350, MouseButton::Left);
            // The narration screen covers the window and takes no press.
            if (form.Engine.ClickGate == 0) End(PlayOutcome::Kind::Unclickable);
            if (inputs_.size() > kInputsWithoutChoice + next_choice_ * 64) End(PlayOutcome::Kind::Loop);
            break;
          case WaitKind::Choice: {
            const int choice = Decide(false, form.Form.ListBox1Items);
            record_.Chosen.insert({form.ScenarioFile(), menu_line_, choice});
            Log("# " + platform::Cp932ToUtf8(form.Form.ListBox1Items[static_cast<std::size_t>(choice)]));
            Log("choose " + std::to_string(choice));
            form.ListBox1Select(choice);
            break;
          }
          default: End(PlayOutcome::Kind::Stopped);
        }
      }
    } catch (const Suspended&) {
    }
    outcome_.Inputs = std::move(inputs_);
    return std::move(outcome_);
  }

 private:
  // ModalHost
  void ShowErrorBox(const ErrorReport& error) override { last_error_ = error; }
  MessageBoxResult ShowMessageBox(const MessageBoxRequest& /*box*/) override {
    if (last_opcode_ == "@LST" && next_choice_ == choices_.size() && !outcome_.Ending) {
      outcome_.Ending = {game_.Game.Form().ScenarioFile(), last_line_};
      outcome_.InputsToEnding = inputs_;
      outcome_.InputsToEnding.push_back("ok");
    }
    Log("ok");
    return MessageBoxResult::Ok;
  }
  void RunItemDialog(TForm2& dialog) override {
    CloseBlock();
    std::vector<Bytes> labels = dialog.ListBox21Items;
    labels.push_back(Sjis("（閉じる）"));
    while (!dialog.Closed()) {
      const int choice = Decide(true, labels, &dialog.ListBox21Items);
      if (static_cast<std::size_t>(choice) == dialog.ListBox21Items.size()) {
        Log("close");
        dialog.Close();
      } else {
        Log("# " + platform::Cp932ToUtf8(dialog.ListBox21Items[static_cast<std::size_t>(choice)]));
        Log("pick " + std::to_string(choice));
        dialog.SelectEntry(choice);
      }
    }
  }
  void WaitHandlingMessages(std::int64_t ms) override { game_.Time.RunUntil(game_.Time.After(ms)); }
  void CloseMainWindow() override { End(PlayOutcome::Kind::NoGame); }

  // GameObserver
  void StepStarting(std::int32_t line, BytesView opcode) override {
    CloseBlock();
    const Bytes& file = game_.Game.Form().ScenarioFile();
    record_.Stepped.insert({file, line});
    last_line_ = line;
    last_opcode_ = Bytes(opcode);
    if (const LineClass kind = ClassifyLine(opcode); kind.Kind == LineKind::Command) {
      if (kind.Row->Lines == LineEffect::Block) open_block_ = line;
      if (kind.Row->Id == CommandId::CMD) menu_line_ = line;
    }
    if (++steps_ > kStepsWithoutWait) End(PlayOutcome::Kind::Loop);
  }
  void SavePointWritten(BytesView next) override {
    record_.SavePoints.push_back({Bytes(next), game_.Game.Form().ScenarioFile(), last_line_});
  }

  // The lines a block command read: from its own line to where it left
  // CurrentLine, which is known at the next step or wait.
  void CloseBlock() {
    if (!open_block_) return;
    const Bytes& file = game_.Game.Form().ScenarioFile();
    for (std::int32_t line = *open_block_ + 1; line < game_.Game.Form().Engine.CurrentLine; ++line) {
      record_.BlockLines.insert({file, line});
    }
    open_block_.reset();
  }

  void Log(std::string input) { inputs_.push_back(std::move(input)); }

  // The next given choice, or, when none is left, the decision as the
  // outcome.
  int Decide(bool items, const std::vector<Bytes>& labels, const std::vector<Bytes>* dialog_entries = nullptr) {
    steps_ = 0;
    if (next_choice_ < choices_.size()) {
      const int choice = choices_[next_choice_++];
      return choice;
    }
    outcome_.What = PlayOutcome::Kind::Decision;
    outcome_.Items = items;
    outcome_.Choices = labels.size();
    outcome_.Labels = labels;
    outcome_.State = StateKey(items, dialog_entries);
    outcome_.File = game_.Game.Form().ScenarioFile();
    outcome_.Line = items ? last_line_ : menu_line_;
    throw Suspended{};
  }

  [[noreturn]] void End(PlayOutcome::Kind kind) {
    const TForm1& form = game_.Game.Form();
    outcome_.What = kind;
    outcome_.File = form.ScenarioFile();
    outcome_.Line = kind == PlayOutcome::Kind::Unclickable ? last_line_ : form.Engine.CurrentLine;
    if (kind == PlayOutcome::Kind::Stopped || kind == PlayOutcome::Kind::NoGame) {
      if (last_error_) {
        outcome_.Error = last_error_->Text;
        if (last_error_->File) outcome_.File = *last_error_->File;
        if (last_error_->Line) outcome_.Line = *last_error_->Line;
      }
    }
    throw Suspended{};
  }

  // Everything that decides how the game goes on from a decision.
  std::string StateKey(bool items, const std::vector<Bytes>* dialog_entries) const {
    const TForm1& form = game_.Game.Form();
    const EngineState& engine = form.Engine;
    std::string key;
    AppendNumber(key, items ? 1 : 0);
    AppendText(key, form.ScenarioFile());
    AppendNumber(key, engine.CurrentLine);
    AppendNumber(key, engine.ClickGate);
    AppendNumber(key, engine.MenuGate);
    AppendNumber(key, engine.ReturnDepth);
    for (std::int32_t i = 0; i < engine.ReturnDepth; ++i) AppendNumber(key, engine.ReturnStack[static_cast<std::size_t>(i)]);
    key.append(reinterpret_cast<const char*>(form.Story.FlagBank.data()), form.Story.FlagBank.size());
    for (const ItemRecord& item : form.Story.ItemTable) {
      AppendText(key, item.Name);
      AppendText(key, item.Holding);
      AppendText(key, item.Usage);
      AppendText(key, item.Description);
    }
    AppendText(key, form.Story.SelectedItem.Name);
    AppendText(key, form.Story.SelectedItem.Holding);
    AppendText(key, form.Story.SelectedItem.Usage);
    AppendText(key, form.Story.SelectedItem.Description);
    const std::size_t shown = form.Form.ListBox1Items.size();
    AppendNumber(key, static_cast<std::int64_t>(shown));
    for (std::size_t i = 0; i < shown; ++i) {
      AppendText(key, form.Form.ListBox1Items[i]);
      AppendText(key, form.CommandTargets[i]);
    }
    if (dialog_entries) {
      for (const Bytes& entry : *dialog_entries) AppendText(key, entry);
    }
    return key;
  }

  VirtualGame game_;
  const std::vector<int>& choices_;
  PlayRecord& record_;
  std::size_t next_choice_ = 0;
  PlayOutcome outcome_;
  std::vector<std::string> inputs_;
  std::optional<ErrorReport> last_error_;
  std::int32_t last_line_ = 0;
  std::int32_t menu_line_ = 0;
  Bytes last_opcode_;
  std::optional<std::int32_t> open_block_;
  int steps_ = 0;
};

}  // namespace

PlayOutcome Play(const GameSetup& setup, bool continued, const std::vector<int>& choices, PlayRecord& record) {
  Playthrough playthrough(setup, choices, record);
  return playthrough.Run(continued);
}

}  // namespace torvane::check
