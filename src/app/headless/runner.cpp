#include "app/headless/runner.hpp"

#include "platform/cp932.hpp"

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
    : options_(options), out_(transcript), folder_(options.GameDir), form_(*this, clock_, folder_) {}

int Runner::Run(const std::vector<InputAction>& inputs) {
  // The window is shown with its title picture as it is created.
  Write(Event("title"));
  std::size_t next = 0;
  while (true) {
    const auto wait = CurrentWait();
    if (!wait) {
      // The game runs: let virtual time pass to the next timer.
      const std::int64_t due = form_.Timers.NextDue();
      if (!RunUntil(due)) return kExitNormal;
      continue;
    }
    if (next == inputs.size()) {
      End("input-exhausted", wait);
      return kExitNormal;
    }
    const InputAction& input = inputs[next++];
    if (!Fits(input, wait)) {
      Write(Event("input-error").Add("input", input.Written).Add("waiting", WaitName(*wait)));
      End("input-error", wait);
      return kExitInputMismatch;
    }
    Write(Event("input").Add("input", input.Written));
    if (!Apply(input)) return kExitNormal;
  }
}

std::optional<WaitKind> Runner::CurrentWait() const {
  const EngineState& engine = form_.Engine;
  if (form_.Form.Image3.Visible) return WaitKind::Title;
  if (!form_.Timer2.Enabled()) return WaitKind::Stopped;
  if (engine.ClickGate == 0) return WaitKind::Click;
  if (engine.MenuGate == 0) return WaitKind::Choice;
  if (stuck_line_ && *stuck_line_ == engine.CurrentLine) return WaitKind::Stuck;
  return std::nullopt;
}

bool Runner::Fits(const InputAction& input, std::optional<WaitKind> wait) const {
  const bool modal_open = wait == WaitKind::Items || wait == WaitKind::Box;
  const FormModel& form = form_.Form;
  switch (input.Kind) {
    case InputKind::Start: return !modal_open && form.MENU01.Visible && form.N1.Visible;
    case InputKind::Dump: return true;
    case InputKind::Click:
    case InputKind::RightClick:
    case InputKind::Wait:
    case InputKind::Quit: return !modal_open;
    default: return false;
  }
}

bool Runner::Apply(const InputAction& input) {
  switch (input.Kind) {
    case InputKind::Start: form_.RunMenuCommand(&TForm1::N1Click); return true;
    case InputKind::Click: form_.PressAt(input.X, input.Y, MouseButton::Left); return true;
    case InputKind::RightClick: form_.PressAt(input.X, input.Y, MouseButton::Right); return true;
    case InputKind::Wait: return RunUntil(clock_.NowMs() + input.Ms);
    case InputKind::Dump: Write(Event("state").AddRaw("state", StateJson())); return true;
    case InputKind::Quit:
      // The close box ends the program at once, without a question.
      form_.FormDestroy();
      End("exit", std::nullopt);
      return false;
    default: return true;
  }
}

bool Runner::RunUntil(std::int64_t deadline) {
  while (true) {
    const std::int64_t due = form_.Timers.NextDue();
    const std::int64_t stop = due >= 0 && due <= deadline ? due : deadline;
    if (stop > options_.MaxTimeMs) {
      clock_.AdvanceTo(options_.MaxTimeMs);
      End("time-limit", CurrentWait());
      return false;
    }
    clock_.AdvanceTo(stop);
    if (stop != due) return true;
    form_.Timers.FireNextDue(due);
    if (due == deadline) return true;
  }
}

void Runner::ShowErrorBox(const ErrorReport& error) {
  JsonObject event = Event("error").Add("text", Utf8(error.Text));
  if (error.File) event.Add("file", Utf8(*error.File));
  if (error.Line) event.Add("line", static_cast<std::int64_t>(*error.Line));
  Write(event);
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

JsonObject Runner::Event(const char* kind) const {
  return JsonObject().Add("t", clock_.NowMs()).Add("ev", kind);
}

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

void Runner::End(const char* reason, std::optional<WaitKind> wait) {
  JsonObject event = Event("end").Add("reason", reason);
  if (wait) event.Add("waiting", WaitName(*wait));
  else event.AddNull("waiting");
  Write(event.AddRaw("state", StateJson()));
  out_.flush();
}

}  // namespace torvane::headless
