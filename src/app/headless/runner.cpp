#include "app/headless/runner.hpp"

#include "pictures/picture.hpp"
#include "platform/cp932.hpp"
#include "story/item_dialog.hpp"

namespace torvane::headless {
namespace {

std::string Utf8(BytesView cp932) { return platform::Cp932ToUtf8(cp932); }

std::string ItemJson(const ItemRecord& item) {
  return JsonObject()
      .Add("name", Utf8(item.Name))
      .Add("holding", Utf8(item.Holding))
      .Add("usage", Utf8(item.Usage))
      .Add("description", Utf8(item.Description))
      .Str();
}

std::string TextsJson(const std::vector<Bytes>& texts) {
  std::vector<std::string> encoded;
  for (const Bytes& text : texts) encoded.push_back(JsonString(Utf8(text)));
  return JsonArray(encoded);
}

// The entry an input names: its number, or the first entry with its text.
std::optional<int> EntryNamed(const InputAction& input, const std::vector<Bytes>& entries) {
  if (input.Index) {
    if (static_cast<std::size_t>(*input.Index) < entries.size()) return *input.Index;
    return std::nullopt;
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (input.Text && Utf8(entries[i]) == *input.Text) return static_cast<int>(i);
  }
  return std::nullopt;
}

SavePointFile SavePointFor(const RunnerOptions& options) {
  return options.SaveFile ? SavePointFile::AtPath(*options.SaveFile) : SavePointFile::ForGame(options.GameDir);
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
      out_(transcript),
      folder_(options.GameDir),
      save_point_(SavePointFor(options)),
      music_(folder_, clock_),
      sounds_(folder_),
      form_(FormServices{*this, clock_, folder_, music_, sounds_, save_point_}) {}

int Runner::Run(const std::vector<InputAction>& inputs) {
  inputs_ = &inputs;
  try {
    // The window is shown with its title picture as it is created.
    Write(Event("title"));
    while (true) {
      if (closed_) EndRun("exit", std::nullopt, kExitNormal);
      if (const auto wait = CurrentWait()) {
        Apply(TakeInput(*wait));
      } else {
        // The game runs: let virtual time pass to the next timer.
        RunUntil(form_.Timers.NextDue());
      }
    }
  } catch (const RunEnded& ended) {
    out_.flush();
    return ended.Status;
  }
}

std::optional<WaitKind> Runner::CurrentWait() const {
  const EngineState& engine = form_.Engine;
  if (modal_) return modal_;
  if (form_.Form.Image3.Visible) return WaitKind::Title;
  if (!form_.Timer2.Enabled()) return WaitKind::Stopped;
  if (engine.ClickGate == 0) return WaitKind::Click;
  if (engine.MenuGate == 0) return WaitKind::Choice;
  if (stuck_line_ && *stuck_line_ == engine.CurrentLine) return WaitKind::Stuck;
  return std::nullopt;
}

const InputAction& Runner::TakeInput(WaitKind wait) {
  if (wait_observer_) wait_observer_(wait);
  while (true) {
    if (next_input_ == inputs_->size()) EndRun("input-exhausted", wait, kExitNormal);
    const InputAction& input = (*inputs_)[next_input_++];
    if (!Fits(input, wait)) {
      Write(Event("input-error").Add("input", input.Written).Add("waiting", WaitName(wait)));
      EndRun("input-error", wait, kExitInputMismatch);
    }
    Write(Event("input").Add("input", input.Written));
    if (input.Kind != InputKind::Dump) return input;
    Write(Event("state").AddRaw("state", StateJson()));
  }
}

bool Runner::Fits(const InputAction& input, WaitKind wait) const {
  const bool modal_open = wait == WaitKind::Items || wait == WaitKind::Box;
  const FormModel& form = form_.Form;
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
  switch (input.Kind) {
    case InputKind::Start: form_.RunMenuCommand(&TForm1::N1Click); break;
    case InputKind::Continue: form_.RunMenuCommand(&TForm1::CONTIClick); break;
    case InputKind::Exit: form_.RunMenuCommand(&TForm1::MENU12Click); break;
    case InputKind::Click: form_.PressAt(input.X, input.Y, MouseButton::Left); break;
    case InputKind::RightClick: form_.PressAt(input.X, input.Y, MouseButton::Right); break;
    case InputKind::Choose: form_.ListBox1Select(*EntryNamed(input, form_.Form.ListBox1Items)); break;
    case InputKind::Wait: RunUntil(clock_.NowMs() + input.Ms); break;
    case InputKind::Quit: CloseMainWindow(); break;  // the close box asks nothing
    default: break;
  }
}

void Runner::RunUntil(std::int64_t deadline) {
  while (true) {
    const std::int64_t due = form_.Timers.NextDue();
    const bool fire = due >= 0 && due <= deadline;
    const std::int64_t stop = fire ? due : deadline;
    if (stop > options_.MaxTimeMs) {
      clock_.AdvanceTo(options_.MaxTimeMs);
      EndRun("time-limit", CurrentWait(), kExitNormal);
    }
    clock_.AdvanceTo(stop);
    if (!fire) return;
    form_.Timers.FireNextDue(due);
    if (due == deadline || closed_) return;
  }
}

void Runner::EndRun(const char* reason, std::optional<WaitKind> wait, int status) {
  JsonObject event = Event("end").Add("reason", reason);
  if (wait) event.Add("waiting", WaitName(*wait));
  else event.AddNull("waiting");
  Write(event.AddRaw("state", StateJson()));
  throw RunEnded{status};
}

void Runner::ShowErrorBox(const ErrorReport& error) {
  JsonObject event = Event("error").Add("text", Utf8(error.Text));
  if (error.File) event.Add("file", Utf8(*error.File));
  if (error.Line) event.Add("line", static_cast<std::int64_t>(*error.Line));
  Write(event);
}

MessageBoxResult Runner::ShowMessageBox(const MessageBoxRequest& box) {
  Write(Event("box").Add("caption", Utf8(box.Caption)).Add("text", Utf8(box.Text)));
  modal_ = WaitKind::Box;
  box_buttons_ = box.Buttons;
  const InputAction& answer = TakeInput(WaitKind::Box);
  modal_.reset();
  if (answer.Kind == InputKind::Yes) return MessageBoxResult::Yes;
  if (answer.Kind == InputKind::No) return MessageBoxResult::No;
  return MessageBoxResult::Ok;
}

void Runner::RunItemDialog(TForm2& dialog) {
  Write(Event("items").AddRaw("entries", TextsJson(dialog.ListBox21Items)));
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

void Runner::WaitHandlingMessages(std::int64_t ms) { RunUntil(clock_.NowMs() + ms); }

void Runner::CloseMainWindow() {
  closed_ = true;
  form_.FormDestroy();
}

void Runner::ScenarioLoaded(BytesView file, StartMode mode) {
  stuck_line_.reset();
  Write(Event("load").Add("file", Utf8(file)).Add("mode", mode == StartMode::NewGame ? "new" : "next"));
}

void Runner::StepStarting(std::int32_t line, BytesView opcode) {
  stuck_line_.reset();
  if (options_.Trace) Write(Event("step").Add("line", static_cast<std::int64_t>(line)).Add("op", Utf8(opcode)));
}

void Runner::LineNotACommand(std::int32_t line) {
  if (stuck_line_ == line) return;
  stuck_line_ = line;
  Write(Event("stuck").Add("line", static_cast<std::int64_t>(line)));
}

void Runner::ScreenShown(ScreenMode mode) {
  Write(Event("screen").Add("mode", mode == ScreenMode::Narration ? "narration" : "normal"));
}

void Runner::PageShown(BytesView text) { Write(Event("page").Add("text", Utf8(text))); }

void Runner::ScenePictureLoaded(BytesView file, const Picture& picture) {
  Write(Event("scene").Add("file", Utf8(file)).Add("width", picture.Width).Add("height", picture.Height));
}

void Runner::PortraitDrawn(int number) { Write(Event("portrait").Add("n", number)); }

void Runner::MessageWaiting(BytesView text) { Write(Event("message").Add("text", Utf8(text))); }

void Runner::MenuWaiting(BytesView caption, const std::vector<Bytes>& entries) {
  Write(Event("menu").Add("caption", Utf8(caption)).AddRaw("entries", TextsJson(entries)));
}

void Runner::MusicStarted(BytesView file) { Write(Event("music").Add("file", Utf8(file))); }

void Runner::SoundStarted(BytesView file) { Write(Event("sound").Add("file", Utf8(file))); }

void Runner::SavePointWritten(BytesView next) { Write(Event("save").Add("next", Utf8(next))); }

JsonObject Runner::Event(const char* kind) const { return JsonObject().Add("t", clock_.NowMs()).Add("ev", kind); }

void Runner::Write(const JsonObject& event) { out_ << event.Str() << '\n'; }

std::string Runner::StateJson() const {
  const EngineState& engine = form_.Engine;
  const StoryState& story = form_.Story;
  std::vector<std::string> flags;
  for (std::size_t i = 0; i < StoryState::kScriptFlags; ++i) {
    if (story.FlagBank[i] != 0) flags.push_back(std::to_string(i));
  }
  std::vector<std::string> items;
  for (const ItemRecord& item : story.ItemTable) {
    if (item.Name.empty()) break;
    items.push_back(ItemJson(item));
  }
  return JsonObject()
      .Add("line", static_cast<std::int64_t>(engine.CurrentLine))
      .Add("depth", static_cast<std::int64_t>(engine.ReturnDepth))
      .AddRaw("gates", JsonObject().Add("click", int{engine.ClickGate}).Add("menu", int{engine.MenuGate}).Str())
      .AddRaw("flags", JsonArray(flags))
      .Add("message", Utf8(form_.Form.Label1.Caption))
      .Add("caption", Utf8(form_.Form.Label2.Caption))
      .Add("page", Utf8(form_.Form.Label4.Caption))
      .AddRaw("selected", ItemJson(story.SelectedItem))
      .AddRaw("items", JsonArray(items))
      .Add("timer", form_.Timer2.Enabled())
      .Str();
}

}  // namespace torvane::headless
