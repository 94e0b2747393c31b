#include "app/headless/runner.hpp"

#include <iostream>

#include "media/sdl/virtual_media.hpp"
#include "platform/cp932.hpp"
#include "story/item_dialog.hpp"

namespace torvane::headless {
namespace {

// The entry an input names: its number, or the first entry with its text.
std::optional<int> EntryNamed(const InputAction& input, const std::vector<Bytes>& entries) {
  if (input.Index) {
    if (static_cast<std::size_t>(*input.Index) < entries.size()) return *input.Index;
    return std::nullopt;
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (input.Text && platform::Cp932ToUtf8(entries[i]) == *input.Text) return static_cast<int>(i);
  }
  return std::nullopt;
}

// Music and effects are opened exactly as the player opens them, and play
// on the player's clock: fast-forward runs the game's, never the music's.
GameSetup SetupFor(const RunnerOptions& options, const platform::Clock& player_clock) {
  GameSetup setup{options.GameDir, options.SaveFile, {}, {}};
  setup.Media = [&player_clock](const platform::GameFolder& folder, const platform::Clock& /*game_clock*/) {
    return MediaDevices{std::make_unique<VirtualMusic>(folder, player_clock), std::make_unique<VirtualSound>(folder)};
  };
  return setup;
}

}  // namespace

const char* WaitName(WaitKind kind) {
  switch (kind) {
    case WaitKind::Title: return "title";
    case WaitKind::Click: return "click";
    case WaitKind::Choice: return "choice";
    case WaitKind::Items: return "items";
    case WaitKind::Box: return "box";
    case WaitKind::Stopped: return "stopped";
    case WaitKind::Stuck: return "stuck";
  }
  return "";
}

Runner::Runner(const RunnerOptions& options, std::ostream& transcript)
    : options_(options),
      game_(SetupFor(options, player_clock_), *this, observers_, options.MaxTimeMs),
      player_clock_(game_.Clock),
      transcript_(transcript, player_clock_, options.Trace),
      reading_(modes_, game_.Clock),
      observers_(reading_, transcript_) {
  transcript_.Quote(Form());
  reading_.Watch(Form());
  if (options.FastSpeed) {
    modes_.Settings.FastSpeed = *options.FastSpeed;
    modes_.SetFastToggled(true);
  }
  if (options.SkipReadFile) {
    seen_.emplace(*options.SkipReadFile);
    if (!seen_->Problem().empty()) std::cerr << "torvane-headless: warning: " << seen_->Problem() << "\n";
    reading_.Keep(&*seen_);
    modes_.SetSkip(true);
  }
  if (options.AutoMs) {
    modes_.Settings.AutoBaseMs = *options.AutoMs;
    modes_.SetAuto(true);
  }
  SyncSpeed();
}

int Runner::Run(const std::vector<InputAction>& inputs) {
  inputs_ = &inputs;
  try {
    // The window is shown with its title picture as it is created.
    transcript_.Write(transcript_.Event("title"));
    while (true) {
      if (closed_) EndRun("exit", std::nullopt, kExitNormal);
      if (const auto wait = CurrentWait()) {
        if (wait == WaitKind::Click && PressForPlayer()) continue;
        Apply(TakeInput(*wait));
      } else {
        // The game runs: let virtual time pass to the next timer.
        RunUntil(Form().Timers.NextDue());
      }
    }
  } catch (const RunEnded& ended) {
    transcript_.Flush();
    SaveSeenLines();
    // An input that does not fit keeps its own status: the walkthrough is
    // wrong before the game is.
    if (options_.Strict && ended.Status == kExitNormal && transcript_.ScriptFaulted()) return kExitScriptFault;
    return ended.Status;
  }
}

std::optional<WaitKind> Runner::CurrentWait() const {
  if (modal_) return modal_;
  return game_.Game.Waiting();
}

const InputAction& Runner::TakeInput(WaitKind wait) {
  if (wait_observer_) wait_observer_(wait);
  while (true) {
    if (next_input_ == inputs_->size()) EndRun("input-exhausted", wait, kExitNormal);
    const InputAction& input = (*inputs_)[next_input_++];
    if (!Fits(input, wait)) {
      transcript_.Write(transcript_.Event("input-error").Add("input", input.Written).Add("waiting", WaitName(wait)));
      EndRun("input-error", wait, kExitInputMismatch);
    }
    transcript_.Write(transcript_.Event("input").Add("input", input.Written));
    if (input.Kind != InputKind::Dump) return input;
    transcript_.Write(transcript_.Event("state").AddRaw("state", TranscriptWriter::StateJson(Form())));
  }
}

bool Runner::Fits(const InputAction& input, WaitKind wait) const {
  const bool modal_open = wait == WaitKind::Items || wait == WaitKind::Box;
  const FormModel& form = game_.Game.Form().Form;
  auto menu_item = [&](const MenuItem& item) { return !modal_open && form.MENU01.Visible && item.Visible; };
  switch (input.Kind) {
    case InputKind::Start: return menu_item(form.N1);
    case InputKind::Continue: return menu_item(form.CONTI);
    case InputKind::Exit: return menu_item(form.MENU12);
    case InputKind::Click:
    case InputKind::RightClick:
    case InputKind::Wait:
    case InputKind::Quit: return !modal_open;
    case InputKind::Choose:
      return wait == WaitKind::Choice && form.ListBox1.Visible && EntryNamed(input, form.ListBox1Items);
    case InputKind::Pick: return wait == WaitKind::Items && EntryNamed(input, dialog_->ListBox21Items);
    case InputKind::Close: return wait == WaitKind::Items;
    case InputKind::Ok: return wait == WaitKind::Box && box_buttons_ == MessageBoxButtons::Ok;
    case InputKind::Yes:
    case InputKind::No: return wait == WaitKind::Box && box_buttons_ == MessageBoxButtons::YesNo;
    case InputKind::Dump: return true;
  }
  return false;
}

// Inputs taken while no modal window is open.
void Runner::Apply(const InputAction& input) {
  TForm1& form = Form();
  switch (input.Kind) {
    case InputKind::Start: form.RunMenuCommand(&TForm1::N1Click); break;
    case InputKind::Continue: form.RunMenuCommand(&TForm1::CONTIClick); break;
    case InputKind::Exit: form.RunMenuCommand(&TForm1::MENU12Click); break;
    case InputKind::Click: form.PressAt(input.X, input.Y, MouseButton::Left); break;
    case InputKind::RightClick: form.PressAt(input.X, input.Y, MouseButton::Right); break;
    case InputKind::Choose: form.ListBox1Select(*EntryNamed(input, form.Form.ListBox1Items)); break;
    // The player's milliseconds, at the speed in force as the wait begins.
    case InputKind::Wait:
      SyncSpeed();
      RunUntil(game_.Time.After(player_clock_.GameMsFor(input.Ms)));
      break;
    case InputKind::Quit: CloseMainWindow(); break;  // the close box asks nothing
    default: break;
  }
}

// After a timer fires at the deadline itself the next input is taken
// before any other timer due at the same moment.
void Runner::RunUntil(std::int64_t deadline) {
  SyncSpeed();
  while (true) {
    const std::int64_t due = Form().Timers.NextDue();
    switch (game_.Time.Advance(deadline)) {
      case VirtualTime::Step::OverLimit: EndRun("time-limit", CurrentWait(), kExitNormal);
      case VirtualTime::Step::Reached: return;
      case VirtualTime::Step::Fired:
        if (due == deadline || closed_) return;
        break;
    }
  }
}

// As a `click` of the input script would, at the moment the mode chooses;
// the timers due by then fire first, as they would during a `wait`.
bool Runner::PressForPlayer() {
  const auto press = reading::PressForPlayer(Form(), modes_, reading_.Shown());
  if (!press) return false;
  if (press->AtMs > game_.Clock.NowMs()) RunUntil(press->AtMs);
  if (closed_ || CurrentWait() != WaitKind::Click) return true;
  if (wait_observer_) wait_observer_(WaitKind::Click);
  transcript_.Write(transcript_.Event("advance").Add("by", reading::ModeName(press->By)));
  Form().PressAt(reading::kPressX, reading::kPressY, MouseButton::Left);
  return true;
}

void Runner::SaveSeenLines() {
  if (seen_ && !seen_->Save()) std::cerr << "torvane-headless: warning: " << seen_->Problem() << "\n";
}

void Runner::EndRun(const char* reason, std::optional<WaitKind> wait, int status) {
  JsonObject event = transcript_.Event("end").Add("reason", reason);
  if (wait) event.Add("waiting", WaitName(*wait));
  else event.AddNull("waiting");
  transcript_.Write(event.AddRaw("state", TranscriptWriter::StateJson(Form())));
  throw RunEnded{status};
}

// The transcript has the error already; nothing waits for the box.
void Runner::ShowErrorBox(const ErrorReport& /*error*/) {}

MessageBoxResult Runner::ShowMessageBox(const MessageBoxRequest& box) {
  modal_ = WaitKind::Box;
  box_buttons_ = box.Buttons;
  const InputAction& answer = TakeInput(WaitKind::Box);
  modal_.reset();
  if (answer.Kind == InputKind::Yes) return MessageBoxResult::Yes;
  if (answer.Kind == InputKind::No) return MessageBoxResult::No;
  return MessageBoxResult::Ok;
}

void Runner::RunItemDialog(TForm2& dialog) {
  modal_ = WaitKind::Items;
  dialog_ = &dialog;
  while (!dialog.Closed()) {
    const InputAction& input = TakeInput(WaitKind::Items);
    if (input.Kind == InputKind::Close) dialog.Close();
    else dialog.SelectEntry(*EntryNamed(input, dialog.ListBox21Items));
  }
  dialog_ = nullptr;
  modal_.reset();
}

void Runner::WaitHandlingMessages(std::int64_t ms) { RunUntil(game_.Time.After(ms)); }

void Runner::CloseMainWindow() {
  closed_ = true;
  Form().FormDestroy();
}

}  // namespace torvane::headless
