// Feeds arbitrary bytes to the scenario loader and to the engine.
//
// The input is one scenario file, or two split at the first 0xFF 0xFE pair:
// "Sinario00.txt" before it, "Next.txt" after it, so that "@NXT Next.txt"
// reaches a second file; the second part is also the picture "@BGS" finds
// as Next.bmp, Next.ico, Next.wmf or Next.emf (the picture target fuzzes
// the decoders themselves).
// First the line splitting, label counting and operand slicing are checked
// against simple references; then a new game is started on the files, held
// in memory, and stepped under a virtual clock, and continued if it saved.
// Only the save point touches the disk.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

#include "engine/command_table.hpp"
#include "engine/label_index.hpp"
#include "engine/operands.hpp"
#include "engine/scenario_text.hpp"
#include "platform/script_error.hpp"
#include "game/virtual_time.hpp"
#include "story/item_dialog.hpp"
#include "oracle.hpp"

// UBSan reports would otherwise print and carry on, unseen by the fuzzer.
extern "C" const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }
// Every execution frees a whole game. Behind AddressSanitizer's default
// quarantine of 256 MB each new game lands on pages never touched before,
// and faulting them in was a third of the time; 16 MB still holds many
// executions' worth of freed memory for use-after-free checks.
// Allocation stacks cut at 10 frames still name the allocating code, and
// recording the whole stack on every allocation was a twentieth of the
// time; rerun a reproducer with malloc_context_size=30 for the rest.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16:malloc_context_size=10"; }

namespace {

namespace fs = std::filesystem;
using torvane::BytesView;

// Past the deepest return stack (500 calls) and the fullest label table
// (600 entries) with room to spare; longer runs only went round the same
// loops again and were most of an execution's time.
constexpr int kMaxSteps = 1200;
// Files two "@NXT" lines load back and forth would otherwise be loaded on
// every step: after this many loads a session has shown what it can.
constexpr int kMaxLoads = 64;
// Each save writes the save point to the disk; a script that saves in a
// loop spent most of its time there, always writing the same bytes.
constexpr int kMaxSaves = 16;

TORVANE_ORACLE void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz_scenario: broken: %s\n", what);
  std::abort();
}

// Answers every modal request at once, deterministically, so that one
// input always runs the same way.
class FuzzHost final : public torvane::ModalHost, public torvane::GameObserver {
 public:
  void ShowErrorBox(const torvane::ErrorReport& /*error*/) override { ++errors; }
  torvane::MessageBoxResult ShowMessageBox(const torvane::MessageBoxRequest& box) override {
    // "No" to the quit question, so the game goes on.
    return box.Buttons == torvane::MessageBoxButtons::YesNo ? torvane::MessageBoxResult::No
                                                            : torvane::MessageBoxResult::Ok;
  }
  // Picks each entry in turn, and every so often closes the dialog instead.
  void RunItemDialog(torvane::TForm2& dialog) override {
    const std::size_t choices = dialog.ListBox21Items.size() + 1;
    const std::size_t pick = dialogs++ % choices;
    if (pick + 1 == choices) dialog.Close();
    else dialog.SelectEntry(static_cast<int>(pick));
  }
  void WaitHandlingMessages(std::int64_t /*ms*/) override {}
  void CloseMainWindow() override { closed = true; }
  void SavePointWritten(torvane::BytesView /*next*/) override { ++saves; }
  void ScenarioLoaded(torvane::BytesView /*file*/, torvane::StartMode /*mode*/) override { ++loads; }

  int errors = 0;
  int loads = 0;
  int saves = 0;
  std::size_t dialogs = 0;
  bool closed = false;
};

// A folder of this process's own for the save point, so parallel fuzzing
// jobs do not share it. It sits under TMPDIR, which the smoke script points
// at its scratch; a run that ends normally removes it.
const fs::path& GameDir() {
  // Never destroyed, so the exit handler below can still read it.
  static const fs::path* const dir = [] {
    auto* path = new fs::path(fs::temp_directory_path() / ("torvane_fuzz_" + std::to_string(::getpid())));
    fs::create_directories(*path);
    return path;
  }();
  static const bool cleanup_registered = std::atexit([] {
    std::error_code ignored;
    fs::remove_all(GameDir(), ignored);
  }) == 0;
  (void)cleanup_registered;
  return *dir;
}

TORVANE_ORACLE bool IsBreak(char c) { return c == '\r' || c == '\n'; }

// The lines must give back the text before the first NUL, each followed by
// one break (CR, LF or CR LF), the last one with or without it.
TORVANE_ORACLE void CheckSplit(BytesView input, const torvane::ScenarioText& lines) {
  const BytesView text = input.substr(0, input.find('\0'));
  std::size_t pos = 0;
  for (std::int64_t i = 0; i < lines.Count(); ++i) {
    const BytesView line = lines[i];
    for (char c : line) Require(!IsBreak(c) && c != '\0', "a line holds a break or a NUL");
    Require(text.substr(pos, line.size()) == line, "a line differs from the text");
    pos += line.size();
    if (pos == text.size()) {
      Require(i + 1 == lines.Count(), "lines after the end of the text");
      break;
    }
    Require(IsBreak(text[pos]), "a line does not end at a break");
    if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ++pos;
    ++pos;
    Require(pos < text.size() || i + 1 == lines.Count(), "a break at the end added a line");
  }
  Require(pos == text.size(), "the lines do not cover the text");
  Require(text.empty() == (lines.Count() == 0), "an empty text must have no lines");
}

TORVANE_ORACLE void CheckInteger(BytesView text) {
  // The non-raising form keeps exceptions, which are slow under the
  // sanitizers, out of the per-line checks.
  const std::optional<std::int32_t> converted = torvane::ParseInteger(text);
  if (converted) Require(torvane::ConvertInteger(text) == *converted, "the two conversions differ");
  // A reference for the plain decimal form only: spaces, an optional "-",
  // digits.
  BytesView rest = text;
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  BytesView digits = rest;
  if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != BytesView::npos) {
    if (digits.empty() && (rest.empty() || rest == "-")) Require(!converted, "an empty number converted");
    return;
  }
  std::int32_t expected = 0;
  const auto result = std::from_chars(rest.data(), rest.data() + rest.size(), expected);
  if (result.ec == std::errc::result_out_of_range) {
    Require(!converted, "a decimal outside 32 bits converted");
  } else {
    Require(converted.has_value() && *converted == expected, "a decimal converted wrongly");
  }
}

TORVANE_ORACLE bool Within(BytesView part, BytesView whole) {
  if (part.empty()) return true;
  return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

TORVANE_ORACLE void CheckOperands(BytesView line) {
  const BytesView name = torvane::NameOperand(line);
  Require(Within(name, line), "a name operand outside its line");
  Require(name.empty() || (!torvane::IsBlank(name.front()) && !torvane::IsBlank(name.back())),
          "a name operand keeps a blank");
  const BytesView file = torvane::FileOperand(line);
  Require(file.size() == (line.size() > 5 ? line.size() - 5 : 0), "a file operand of the wrong length");
  CheckInteger(torvane::SliceBytes(line, 6, 7));
  CheckInteger(torvane::SliceBytes(line, 6, 12));
  const torvane::Pair pair = torvane::SplitAtFirstComma(line);
  Require(pair.first.find(',') == BytesView::npos, "the first part of a pair holds a comma");
  Require(pair.first.size() + pair.second.size() + (pair.first.size() < line.size() ? 1 : 0) == line.size(),
          "a pair loses bytes");
  const torvane::ItemDefinition item = torvane::ItemDefinitionLine(line);
  Require(Within(item.description, line), "an item description outside its line");
  Require(torvane::IsExactEnd(line) == (line == "@END"), "the exact end test");
  if (torvane::IsExactEnd(line)) Require(torvane::IsTrimmedEnd(line), "an exact end that is not a trimmed end");
}

// A line's operands and class depend on its bytes alone, so checking the
// first lines of each input reaches every line the fuzzer can write; the
// rest of a long input only repeated the same checks.
constexpr std::int64_t kLinesChecked = 256;

TORVANE_ORACLE void CheckLines(const torvane::ScenarioText& lines, const torvane::LabelCounts& counts) {
  torvane::LabelCounts expected;
  for (std::int64_t i = 0; i < lines.Count(); ++i) {
    const BytesView line = lines[i];
    if (line.substr(0, 4) == "@TAG") ++expected.tags;
    if (line.substr(0, 4) == "@SUB") ++expected.subs;
    if (i >= kLinesChecked) continue;
    CheckOperands(line);
    const torvane::LineClass kind = torvane::ClassifyLine(line);
    Require((kind.Kind == torvane::LineKind::Command) == (kind.Row != nullptr), "a class without its row");
    if (kind.Row) Require(kind.Row->Opcode == torvane::OpcodeOf(line), "a command of another opcode");
  }
  Require(counts.tags == expected.tags && counts.subs == expected.subs, "label counts");
}

TORVANE_ORACLE bool LabelsFit(const torvane::LabelCounts& counts) {
  return counts.tags <= torvane::kTagCapacity && counts.subs <= torvane::kSubCapacity;
}

// Find is a linear search: asking it for every entry would make a big
// table cost as much as the rest of an execution. The ends of the table
// are where its bounds are.
TORVANE_ORACLE bool SampledEntry(std::size_t index, std::size_t from, std::size_t to) {
  constexpr std::size_t kEnds = 8;
  return index < from + kEnds || index + kEnds >= to;
}

// The line of the first of the table's first `filled` entries named `name`,
// or -1: the reference for Find, scanned in file order.
TORVANE_ORACLE std::int32_t FirstLineOf(const torvane::LabelTable& table, std::size_t filled, BytesView name) {
  for (std::size_t i = 0; i < filled; ++i) {
    if (table.Entry(i).Name == name) return table.Entry(i).Line;
  }
  return -1;
}

TORVANE_ORACLE void CheckTable(const torvane::ScenarioText& lines, const torvane::LabelTable& table, BytesView opcode,
                               std::size_t earlier_filled) {
  const std::size_t filled = table.Filled();
  for (std::size_t i = 0; i < filled; ++i) {
    const torvane::LabelEntry& entry = table.Entry(i);
    Require(torvane::OpcodeOf(lines.At(entry.Line)) == opcode, "a label entry not on its label line");
    Require(torvane::NameOperand(lines[entry.Line]) == entry.Name, "a label entry of another name");
    Require(i == 0 || table.Entry(i - 1).Line < entry.Line, "label entries out of file order");
  }
  for (std::size_t i = 0; i < filled; ++i) {
    if (!SampledEntry(i, 0, filled)) continue;
    const BytesView name = table.Entry(i).Name;
    const auto found = table.Find(name);
    Require(found.has_value() && *found == FirstLineOf(table, i + 1, name), "a label not found at its first line");
  }
  // Entries left over from the earlier file must not be found unless the
  // current file defines the name too.
  for (std::size_t i = filled; i < earlier_filled; ++i) {
    if (!SampledEntry(i, filled, earlier_filled)) continue;
    const BytesView name = table.Entry(i).Name;
    Require(table.Find(name).has_value() == (FirstLineOf(table, filled, name) >= 0), "a stale label found");
  }
}

// Indexes `earlier` then `current` into the same tables, as a "@NXT" does.
// The tables live on across inputs because building them is most of an
// execution's cost; only this input's entries are checked.
TORVANE_ORACLE void CheckIndex(const torvane::ScenarioText* earlier, const torvane::ScenarioText& current,
                const torvane::LabelCounts& counts) {
  static torvane::LabelTable tags(torvane::kTagCapacity);
  static torvane::LabelTable subs(torvane::kSubCapacity);
  std::size_t earlier_tags = 0;
  std::size_t earlier_subs = 0;
  if (earlier && LabelsFit(torvane::CountLabels(*earlier))) {
    torvane::IndexLabels(*earlier, tags, subs);
    earlier_tags = tags.Filled();
    earlier_subs = subs.Filled();
  }
  if (!LabelsFit(counts)) return;
  torvane::IndexLabels(current, tags, subs);
  Require(tags.Filled() == counts.tags && subs.Filled() == counts.subs, "label tables not filled");
  CheckTable(current, tags, "@TAG", earlier_tags);
  CheckTable(current, subs, "@SUB", earlier_subs);
}

// One session of the game from a menu command, stepped under a virtual
// clock; true when it wrote the save point.
bool RunSession(const std::map<std::string, std::string>& files, void (torvane::TForm1::*command)()) {
  FuzzHost host;
  torvane::VirtualGame game(torvane::GameSetup{GameDir(), GameDir() / "Kesmar.ini", {}, files}, host, host);
  torvane::TForm1& form = game.Game.Form();
  form.RunMenuCommand(command);
  if (host.errors != 0) return false;  // the start failed; the title stays

  using torvane::WaitKind;
  std::size_t menus = 0;
  for (int step = 0; step < kMaxSteps && !host.closed && host.loads < kMaxLoads && host.saves < kMaxSaves; ++step) {
    const auto wait = game.Game.Waiting();
    // Nothing changes any more once the script stopped or the engine stays
    // on a line that is not a command.
    if (wait == WaitKind::Stopped || wait == WaitKind::Stuck) break;
    // Releases a wait for a click, so the fuzzer reaches what comes after.
    // Until "@STE" shows the normal screen, the narration label covers the
    // game and takes the press: the game is stuck for good.
    if (wait == WaitKind::Click) {
      form.PressAt(300, 350, torvane::MouseButton::Left);
      if (game.Game.Waiting() == WaitKind::Click) break;
    }
    const int errors_before = host.errors;
    if (game.Game.Waiting() == WaitKind::Choice) {
      // Nothing can release a menu without entries.
      if (form.Form.ListBox1Items.empty()) break;
      form.ListBox1Select(static_cast<int>(menus++ % form.Form.ListBox1Items.size()));
      if (host.errors != errors_before) Require(!form.Timer2.Enabled(), "the tick goes on after a menu error");
      if (!form.Timer2.Enabled()) break;
    }
    const std::int64_t due = form.Timers.NextDue();
    if (due < 0 || game.Time.Advance(due) != torvane::VirtualTime::Step::Fired) break;

    Require(form.Engine.ReturnDepth >= 0 && form.Engine.ReturnDepth <= torvane::EngineState::kReturnStackCapacity,
            "return depth outside the stack");
    Require(form.Engine.TagTable.Filled() <= torvane::kTagCapacity, "tag table overfilled");
    Require(form.Engine.SubTable.Filled() <= torvane::kSubCapacity, "sub table overfilled");
    if (host.errors != errors_before) Require(!form.Timer2.Enabled(), "the tick goes on after an error");
  }
  form.FormDestroy();
  return host.saves > 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const BytesView input(reinterpret_cast<const char*>(data), size);

  const torvane::ScenarioText whole = torvane::ScenarioText::FromFileBytes(torvane::Bytes(input));
  CheckSplit(input, whole);
  const torvane::LabelCounts whole_counts = torvane::CountLabels(whole);
  CheckLines(whole, whole_counts);

  const std::size_t separator = input.find("\xFF\xFE");
  const BytesView first = input.substr(0, separator);
  std::map<std::string, std::string> files{{"Sinario00.txt", std::string(first)}};
  if (separator == BytesView::npos) {
    CheckIndex(nullptr, whole, whole_counts);
  } else {
    const BytesView second = input.substr(separator + 2);
    const torvane::ScenarioText second_lines = torvane::ScenarioText::FromFileBytes(torvane::Bytes(second));
    const torvane::ScenarioText first_lines = torvane::ScenarioText::FromFileBytes(torvane::Bytes(first));
    CheckIndex(&second_lines, first_lines, torvane::CountLabels(first_lines));
    // The second part under the picture names too, so "@BGS Next.bmp" and
    // the like decode it.
    for (const char* name : {"Next.txt", "Next.bmp", "Next.ico", "Next.wmf", "Next.emf"}) files[name] = second;
  }
  // A game that saved is continued from its save point, as the title's
  // Continue would, which reads back what "@SAV" wrote. Only then is there
  // a file to remove for the next input.
  if (RunSession(files, &torvane::TForm1::N1Click)) {
    RunSession(files, &torvane::TForm1::CONTIClick);
    std::error_code ignored;
    fs::remove(GameDir() / "Kesmar.ini", ignored);
  }
  return 0;
}
