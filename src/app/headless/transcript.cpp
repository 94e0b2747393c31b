#include "app/headless/transcript.hpp"

#include "pictures/picture.hpp"
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

std::string TextsJson(const std::vector<Bytes>& texts) {
  std::vector<std::string> encoded;
  for (const Bytes& text : texts) encoded.push_back(JsonString(Utf8(text)));
  return JsonArray(encoded);
}

}  // namespace

JsonObject TranscriptWriter::Event(const char* kind) const {
  return JsonObject().Add("t", clock_.NowMs()).Add("ev", kind);
}

void TranscriptWriter::Write(const JsonObject& event) { out_ << event.Str() << '\n'; }

void TranscriptWriter::ScenarioLoaded(BytesView file, StartMode mode) {
  stuck_line_.reset();
  Write(Event("load").Add("file", Utf8(file)).Add("mode", mode == StartMode::NewGame ? "new" : "next"));
}

void TranscriptWriter::StepStarting(std::int32_t line, BytesView opcode) {
  stuck_line_.reset();
  if (trace_) Write(Event("step").Add("line", static_cast<std::int64_t>(line)).Add("op", Utf8(opcode)));
}

void TranscriptWriter::LineNotACommand(std::int32_t line) {
  if (stuck_line_ == line) return;
  stuck_line_ = line;
  faulted_ = true;
  JsonObject event = Event("stuck").Add("line", static_cast<std::int64_t>(line));
  if (form_) {
    event.Add("file", Utf8(form_->ScenarioFile()));
    event.Add("text", Utf8(form_->ScenarioLineText(line).value_or(BytesView())));
  }
  Write(event);
}

void TranscriptWriter::ScreenShown(ScreenMode mode) {
  Write(Event("screen").Add("mode", mode == ScreenMode::Narration ? "narration" : "normal"));
}

void TranscriptWriter::PageShown(BytesView text) { Write(Event("page").Add("text", Utf8(text))); }

void TranscriptWriter::ScenePictureLoaded(BytesView file, const Picture& picture) {
  Write(Event("scene").Add("file", Utf8(file)).Add("width", picture.Width).Add("height", picture.Height));
}

void TranscriptWriter::PortraitDrawn(int number) { Write(Event("portrait").Add("n", number)); }

void TranscriptWriter::MessageWaiting(BytesView text) { Write(Event("message").Add("text", Utf8(text))); }

void TranscriptWriter::MenuWaiting(BytesView caption, const std::vector<Bytes>& entries) {
  Write(Event("menu").Add("caption", Utf8(caption)).AddRaw("entries", TextsJson(entries)));
}

void TranscriptWriter::MusicStarted(BytesView file) { Write(Event("music").Add("file", Utf8(file))); }

void TranscriptWriter::SoundStarted(BytesView file) { Write(Event("sound").Add("file", Utf8(file))); }

void TranscriptWriter::SavePointWritten(BytesView next) { Write(Event("save").Add("next", Utf8(next))); }

void TranscriptWriter::ErrorShown(const ErrorReport& error) {
  JsonObject event = Event("error").Add("text", Utf8(error.Text));
  if (error.File) event.Add("file", Utf8(*error.File));
  if (error.Line) event.Add("line", static_cast<std::int64_t>(*error.Line));
  // A choice's error names the return point after its menu, whose text says
  // nothing of the fault; the menu is still up then, and never after a step.
  if (error.Line && form_ && form_->Engine.MenuGate != 0) {
    if (auto source = form_->ScenarioLineText(*error.Line)) event.Add("source", Utf8(*source));
  }
  faulted_ = true;
  Write(event);
}

void TranscriptWriter::MessageBoxShown(const MessageBoxRequest& box) {
  Write(Event("box").Add("caption", Utf8(box.Caption)).Add("text", Utf8(box.Text)));
}

void TranscriptWriter::ItemDialogShown(const std::vector<Bytes>& entries) {
  Write(Event("items").AddRaw("entries", TextsJson(entries)));
}

std::string TranscriptWriter::StateJson(const TForm1& form) {
  const EngineState& engine = form.Engine;
  const StoryState& story = form.Story;
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
      .Add("message", Utf8(form.Form.Label1.Caption))
      .Add("caption", Utf8(form.Form.Label2.Caption))
      .Add("page", Utf8(form.Form.Label4.Caption))
      .AddRaw("selected", ItemJson(story.SelectedItem))
      .AddRaw("items", JsonArray(items))
      .Add("timer", form.Timer2.Enabled())
      .Str();
}

}  // namespace torvane::headless
