#include "check/checker.hpp"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "check/encoding_check.hpp"
#include "check/named_files.hpp"
#include "check/scenario_files.hpp"
#include "check/text_fit.hpp"
#include "engine/command_table.hpp"
#include "engine/operands.hpp"
#include "game/form1.hpp"
#include "platform/cp932.hpp"
#include "platform/game_file_names.hpp"
#include "platform/script_error.hpp"
#include "story/story_state.hpp"

namespace torvane::check {
namespace {

using platform::Cp932ToUtf8;

// How a file's lines were met: run as a step, or read as part of a block.
enum class Reach : std::uint8_t { None, Run, Block };

// What a step can do next, as far as the checker follows it.
struct StepResult {
  std::vector<std::int32_t> Next;  // lines of the same file
  std::int32_t Last = 0;           // the last line the step read
};

int ColumnOf(BytesView line, BytesView part) {
  if (part.empty() || part.data() < line.data() || part.data() > line.data() + line.size()) return 1;
  return static_cast<int>(part.data() - line.data()) + 1;
}

// A line that is not a command but is meant to be one: an opcode in the
// wrong letter case or after blanks. Empty when it is no such line.
std::optional<std::string> MeantCommand(BytesView line, std::string& check) {
  const BytesView trimmed = TrimBlanks(line);
  if (trimmed.size() < 4 || trimmed.front() != '@') return std::nullopt;
  Bytes upper(trimmed.substr(0, 4));
  for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  const LineClass meant = ClassifyLine(upper);
  if (meant.Kind != LineKind::Command) return std::nullopt;
  const bool leading_blank = trimmed.data() != line.data();
  check = leading_blank ? "leading-blank" : "opcode-case";
  if (leading_blank) return "the opcode must start the line: the blanks before " + Quoted(trimmed.substr(0, 4)) +
                            " make it no command, and the game stops here";
  return "opcodes are case-sensitive: " + Quoted(trimmed.substr(0, 4)) + " is no command (did you mean " +
         std::string(meant.Row->Opcode) + "?), and the game stops here";
}

class GameChecker {
 public:
  explicit GameChecker(const platform::GameFolder& folder) : set_(folder), files_(folder) {}

  Findings Run() {
    ScenarioFile* first = set_.Find(kFirstScenario);
    if (!first) {
      Add(set_.ShownPath(kFirstScenario), 0, 1, Severity::Error,
          "the game has no 'Sinario00.txt': Start cannot open it", "missing-file");
    } else {
      Enter(*first, 0);
    }
    // Files are walked as steps reach them; a walk may name new ones.
    for (bool progress = true; progress;) {
      progress = false;
      for (ScenarioFile* file : set_.Files()) {
        auto& pending = pending_[file];
        if (pending.empty()) continue;
        progress = true;
        Walk(*file);
      }
    }
    set_.AddUnnamedFiles();
    for (ScenarioFile* file : set_.Files()) {
      ScanUnreached(*file);
      CheckFileWide(*file);
    }
    CheckItemUses();
    return Sorted();
  }

 private:
  struct FileState {
    std::vector<Reach> Reached;
    std::set<Bytes> UsedTags, UsedSubs;
  };
  struct ItemUse {
    std::string File;
    int Line, Column;
    Bytes Name;
    bool Stops;  // "@IGG" and its kin stop on an unknown item; "@ISJ" never matches it
  };

  void Add(std::string file, int line, int column, Severity level, std::string text, std::string check) {
    const auto key = std::make_tuple(file, line, column, check, text);
    if (!seen_.insert(key).second) return;
    findings_.push_back({std::move(file), line, column, level, std::move(text), std::move(check)});
  }
  void At(const ScenarioFile& file, std::int32_t line, int column, Severity level, std::string text,
          std::string check) {
    Add(file.ShownName, line + 1, column, level, std::move(text), std::move(check));
  }

  FileState& StateOf(const ScenarioFile& file) {
    FileState& state = states_[&file];
    if (state.Reached.size() != static_cast<std::size_t>(file.Lines.Count())) {
      state.Reached.assign(static_cast<std::size_t>(file.Lines.Count()), Reach::None);
    }
    return state;
  }

  void Enter(ScenarioFile& file, std::int32_t line) {
    file.Reachable = true;
    pending_[&file].push_back(line);
  }

  // Follows every step reachable from the file's pending entry lines.
  void Walk(ScenarioFile& file) {
    FileState& state = StateOf(file);
    std::vector<std::int32_t> work;
    work.swap(pending_[&file]);
    while (!work.empty()) {
      const std::int32_t line = work.back();
      work.pop_back();
      if (line >= file.Lines.Count()) {
        // Only the line before can say why the script ran off the end.
        continue;
      }
      if (state.Reached[static_cast<std::size_t>(line)] == Reach::Run) continue;
      const StepResult step = Step(file, line, true);
      for (std::int32_t next : step.Next) {
        if (next >= file.Lines.Count()) {
          At(file, step.Last, 1, Severity::Error,
             "the script runs past the last line of the file here, and the game stops with an index error",
             "end-of-file");
        } else if (state.Reached[static_cast<std::size_t>(next)] != Reach::Run) {
          work.push_back(next);
        }
      }
    }
  }

  // Lines no step reaches are still checked, and reported as never run.
  void ScanUnreached(ScenarioFile& file) {
    FileState& state = StateOf(file);
    const std::int32_t count = static_cast<std::int32_t>(file.Lines.Count());
    if (!file.Reachable) {
      At(file, -1, 1, Severity::Warning,
         "no scenario reachable from 'Sinario00.txt' names this file in '@NXT' or '@SAV'", "unreachable");
    }
    std::optional<std::int32_t> run_start;
    std::int32_t run_end = 0;
    auto close_run = [&] {
      if (!run_start) return;
      const std::int32_t lines = run_end - *run_start + 1;
      At(file, *run_start, 1, Severity::Warning,
         lines == 1 ? std::string("this line never runs")
                    : "these " + std::to_string(lines) + " lines never run (to line " + std::to_string(run_end + 1) +
                          ")",
         "unreachable");
      run_start.reset();
    };
    for (std::int32_t line = 0; line < count;) {
      if (state.Reached[static_cast<std::size_t>(line)] != Reach::None) {
        close_run();
        ++line;
        continue;
      }
      const StepResult step = Step(file, line, false);
      // Comments, empty lines, labels and stray block ends between the
      // parts of a script never run, and need not.
      const BytesView text = file.Lines[line];
      const LineClass kind = ClassifyLine(text);
      const bool quiet = kind.Kind == LineKind::PassedOver ||
                         (kind.Kind == LineKind::Command &&
                          (kind.Row->Id == CommandId::REM || kind.Row->Id == CommandId::TAG ||
                           kind.Row->Id == CommandId::SUB || kind.Row->Id == CommandId::END));
      if (file.Reachable && !quiet) {
        if (!run_start) run_start = line;
        run_end = step.Last;
      } else if (file.Reachable && run_start) {
        run_end = step.Last;
      }
      line = std::max(step.Last, line) + 1;
      if (quiet && run_start && run_end < line - 1) run_end = line - 1;
    }
    close_run();
  }

  // One step from `line`, as the engine would run it: reports what it finds
  // and says where the script goes next. `live` is false for lines no step
  // reaches: they are checked, but name no new entry.
  StepResult Step(ScenarioFile& file, std::int32_t line, bool live) {
    FileState& state = StateOf(file);
    state.Reached[static_cast<std::size_t>(line)] = Reach::Run;
    const BytesView text = file.Lines[line];
    StepResult result{{}, line};
    const LineClass kind = ClassifyLine(text);
    if (kind.Kind == LineKind::PassedOver) {
      result.Next.push_back(line + 1);
      return result;
    }
    if (kind.Kind == LineKind::NotACommand) {
      std::string check = "not-a-command";
      if (auto meant = MeantCommand(text, check)) {
        At(file, line, 1, Severity::Error, *meant, check);
      } else if (!TrimBlanks(text).empty() && TrimBlanks(text).front() == '@') {
        At(file, line, 1, Severity::Error,
           Quoted(OpcodeOf(text)) + " is no command: the game stops on this line", check);
      } else if (TrimBlanks(text).empty()) {
        At(file, line, 1, Severity::Error,
           "a line of blanks is no command: the game stops here (leave it empty, or start it with four spaces)",
           check);
      } else {
        At(file, line, 1, Severity::Error,
           "this line is no command, and the game stops on it: " + Quoted(text) +
               " (text belongs inside a '@TXT' block)",
           check);
      }
      return result;
    }
    const CommandRow& row = *kind.Row;
    Operands operands;
    try {
      operands = DecodeOperands(row, text);
    } catch (const ScriptError& error) {
      At(file, line, 6, Severity::Error, "the operand does not convert: " + Cp932ToUtf8(error.Text()), "operand");
      return result;
    }
    auto next_line = [&] { result.Next.push_back(line + 1); };
    switch (row.Id) {
      case CommandId::TXT: {
        CheckPortrait(file, line, operands.Number);
        const auto end = ReadBlock(file, line, /*exact_end=*/true, "'@TXT'", result);
        if (!end) return result;
        Bytes message = "\n";
        for (std::int32_t i = line + 1; i < *end; ++i) message.append(file.Lines[i]).push_back('\n');
        if (auto overflow = MessageOverflow(message)) At(file, line, 1, Severity::Warning, *overflow, "text-fit");
        result.Next.push_back(*end + 1);
        return result;
      }
      case CommandId::CMD: return Menu(file, line, operands);
      case CommandId::IIZ: {
        const auto end = ReadBlock(file, line, /*exact_end=*/false, "'@IIZ'", result);
        if (!end) return result;
        for (std::int32_t i = line + 1; i < *end; ++i) {
          if (static_cast<std::size_t>(i - line - 1) == StoryState::kItemCapacity) {
            At(file, i, 1, Severity::Error,
               "the item table holds " + std::to_string(StoryState::kItemCapacity) +
                   " items: this definition stops the script",
               "limit");
            return result;
          }
          defined_items_.insert(Bytes(ItemDefinitionLine(file.Lines[i]).name));
        }
        result.Next.push_back(*end + 1);
        return result;
      }
      case CommandId::STX: return Narration(file, line, result);
      case CommandId::JMP: {
        UseLabel(file, line, operands.Name, /*tag=*/true, result);
        return result;
      }
      case CommandId::GSB: {
        UseLabel(file, line, operands.Name, /*tag=*/false, result);
        next_line();  // where the call returns
        return result;
      }
      case CommandId::FJP:
      case CommandId::FSB: {
        CheckFlag(file, line, operands.Number);
        UseLabel(file, line, operands.Name, row.Id == CommandId::FJP, result);
        next_line();
        return result;
      }
      case CommandId::FON:
      case CommandId::FOF:
        CheckFlag(file, line, operands.Number);
        next_line();
        return result;
      case CommandId::ISJ:
        UseItem(file, line, operands.Name, /*stops=*/false);
        UseLabel(file, line, operands.Second, /*tag=*/false, result);
        next_line();
        return result;
      case CommandId::ESB:
      case CommandId::RTN: return result;  // the call's own next line follows
      case CommandId::NXT:
      case CommandId::SAV: {
        const bool next = row.Id == CommandId::NXT;
        if (auto problem = files_.Check(operands.Name, NamedKind::Scenario)) {
          At(file, line, 6, problem->Level, problem->Text, problem->Check);
        }
        if (ScenarioFile* target = set_.Find(operands.Name); target && live) Enter(*target, 1);
        if (!next) next_line();
        return result;
      }
      case CommandId::BGS:
      case CommandId::BGM:
      case CommandId::SEM:
        CheckNamedFile(file, line, row.Id, operands.Name);
        next_line();
        return result;
      case CommandId::IGG:
      case CommandId::IGN:
      case CommandId::IUU:
      case CommandId::IUN:
        UseItem(file, line, operands.Name, /*stops=*/true);
        next_line();
        return result;
      case CommandId::IVW:
      case CommandId::ISS:
        CheckPortrait(file, line, operands.Number);
        next_line();
        return result;
      default: next_line(); return result;
    }
  }

  // The block after `line` up to its end line; reports a missing end and
  // block lines that look like commands. Nothing when the end never comes.
  std::optional<std::int32_t> ReadBlock(ScenarioFile& file, std::int32_t line, bool exact_end, const char* what,
                                        StepResult& result) {
    FileState& state = StateOf(file);
    for (std::int32_t i = line + 1; i < file.Lines.Count(); ++i) {
      const BytesView text = file.Lines[i];
      if (exact_end ? IsExactEnd(text) : IsTrimmedEnd(text)) {
        state.Reached[static_cast<std::size_t>(i)] = std::max(state.Reached[static_cast<std::size_t>(i)], Reach::Block);
        result.Last = i;
        return i;
      }
      if (state.Reached[static_cast<std::size_t>(i)] == Reach::None) {
        state.Reached[static_cast<std::size_t>(i)] = Reach::Block;
      }
      result.Last = i;
      if (exact_end && IsTrimmedEnd(text)) {
        At(file, i, 1, Severity::Error,
           std::string("this is no end of the ") + what +
               " block: only a line of exactly '@END' ends it, so this line is shown as text",
           "swallowed-command");
      } else if (ClassifyLine(text).Kind == LineKind::Command) {
        At(file, i, 1, Severity::Error,
           Quoted(OpcodeOf(text)) + " is read as part of the " + what + " block above (line " +
               std::to_string(line + 1) + "), not run: is its '@END' missing?",
           "swallowed-command");
      }
    }
    At(file, line, 1, Severity::Error,
       std::string("the ") + what + " block has no '@END': it reads past the last line, and the game stops",
       "unended-block");
    return std::nullopt;
  }

  StepResult Menu(ScenarioFile& file, std::int32_t line, const Operands& operands) {
    StepResult result{{}, line};
    if (auto overflow = CaptionOverflow(operands.Name)) At(file, line, 6, Severity::Warning, *overflow, "text-fit");
    const auto end = ReadBlock(file, line, /*exact_end=*/false, "'@CMD'", result);
    if (!end) return result;
    for (std::int32_t i = line + 1; i < *end; ++i) {
      if (static_cast<std::size_t>(i - line - 1) == TForm1::kCommandTargetCapacity) {
        At(file, i, 1, Severity::Error,
           "the command list holds " + std::to_string(TForm1::kCommandTargetCapacity) +
               " entries: this entry stops the script",
           "limit");
        return result;
      }
      const BytesView entry_line = file.Lines[i];
      const MenuEntry entry = MenuEntryLine(entry_line);
      if (auto overflow = EntryOverflow(entry.text)) At(file, i, 1, Severity::Warning, *overflow, "text-fit");
      UseLabel(file, i, entry.target, /*tag=*/false, result, ColumnOf(entry_line, entry.target));
    }
    result.Last = *end;
    // Every entry's call returns after the block; a menu without entries
    // waits for ever.
    if (*end > line + 1) result.Next.push_back(*end + 1);
    return result;
  }

  // The narration runs to its "@STE" or "@LST" line, which the next step runs.
  StepResult Narration(ScenarioFile& file, std::int32_t line, StepResult& result) {
    FileState& state = StateOf(file);
    const std::int32_t count = static_cast<std::int32_t>(file.Lines.Count());
    auto mark = [&](std::int32_t i) {
      if (state.Reached[static_cast<std::size_t>(i)] == Reach::None) state.Reached[static_cast<std::size_t>(i)] = Reach::Block;
      result.Last = std::max(result.Last, i);
    };
    auto past_end = [&] {
      At(file, line, 1, Severity::Error,
         "the narration has no '@STE' or '@LST' after its pages: it reads past the last line, and the game stops",
         "unended-block");
      return result;
    };
    std::int32_t current = line;
    while (true) {
      BytesView text = file.Lines[current];
      if (text == "@STE" || text == "@LST") {
        result.Next.push_back(current);
        return result;
      }
      for (const CommandId inline_id : {CommandId::BGM, CommandId::SEM}) {
        const LineClass kind = ClassifyLine(text);
        if (kind.Kind == LineKind::Command && kind.Row->Id == inline_id) {
          state.Reached[static_cast<std::size_t>(current)] = Reach::Run;
          CheckNamedFile(file, current, inline_id, FileOperand(text));
          if (++current >= count) return past_end();
          text = file.Lines[current];
        }
      }
      // The page's head line is passed over unseen: "@STX" by custom.
      if (current != line) {
        mark(current);
        if (text != "@STX") {
          const bool command = ClassifyLine(text).Kind == LineKind::Command;
          At(file, current, 1, Severity::Warning,
             command ? Quoted(OpcodeOf(text)) +
                           " never runs: the narration passes over the line after a page's '@END' (write '@STX' "
                           "there, or end the narration with '@STE' first)"
                     : "this text is dropped: the narration passes over the line after a page's '@END' unseen",
             "dropped-text");
        }
      }
      if (++current >= count) return past_end();
      Bytes page;
      const std::int32_t page_start = current;
      for (; file.Lines[current] != "@END"; ++current) {
        mark(current);
        const BytesView page_line = file.Lines[current];
        if (ClassifyLine(page_line).Kind == LineKind::Command || IsTrimmedEnd(page_line)) {
          At(file, current, 1, Severity::Error,
             Quoted(page_line) + " is read as text of the page that starts on line " +
                 std::to_string(page_start + 1) + ": a page ends only at a line of exactly '@END'",
             "swallowed-command");
        }
        page.append(page_line).push_back('\n');
        if (current + 1 >= count) return past_end();
      }
      mark(current);
      if (auto overflow = PageOverflow(page)) At(file, page_start, 1, Severity::Warning, *overflow, "text-fit");
      if (++current >= count) return past_end();
    }
  }

  void UseLabel(ScenarioFile& file, std::int32_t line, BytesView name, bool tag, StepResult& result,
                int column = 0) {
    FileState& state = StateOf(file);
    (tag ? state.UsedTags : state.UsedSubs).insert(Bytes(name));
    const BytesView text = file.Lines[line];
    if (column == 0) column = name.empty() ? static_cast<int>(text.size()) + 1 : ColumnOf(text, name);
    const auto& lines = tag ? file.Labels.tags : file.Labels.subs;
    for (const std::int32_t label_line : lines) {
      if (NameOperand(file.Lines[label_line]) == name) {
        result.Next.push_back(label_line);
        return;
      }
    }
    const char* kind = tag ? "@TAG" : "@SUB";
    std::string text_out = name.empty() ? std::string("no label is named here")
                                        : "no '" + std::string(kind) + " " + Cp932ToUtf8(name) + "' in this file";
    if (!name.empty() && IsBlank(name.front())) {
      text_out += " (the blank after the comma is part of the name, and labels are trimmed)";
    } else {
      const auto& other = tag ? file.Labels.subs : file.Labels.tags;
      for (const std::int32_t label_line : other) {
        if (NameOperand(file.Lines[label_line]) == name) {
          text_out += std::string(" (line ") + std::to_string(label_line + 1) + " defines it with '" +
                      (tag ? "@SUB" : "@TAG") + "')";
          break;
        }
      }
    }
    At(file, line, column, Severity::Error, text_out + ": the game stops here", "undefined-label");
  }

  void UseItem(const ScenarioFile& file, std::int32_t line, BytesView name, bool stops) {
    item_uses_.push_back({file.ShownName, line + 1, ColumnOf(file.Lines[line], name), Bytes(name), stops});
  }

  void CheckItemUses() {
    for (const ItemUse& use : item_uses_) {
      if (defined_items_.count(use.Name)) continue;
      if (use.Stops) {
        Add(use.File, use.Line, use.Column, Severity::Error,
            "no '@IIZ' block defines the item '" + Cp932ToUtf8(use.Name) + "': the game stops here", "undefined-item");
      } else {
        Add(use.File, use.Line, use.Column, Severity::Warning,
            "no '@IIZ' block defines the item '" + Cp932ToUtf8(use.Name) + "': this test never holds",
            "undefined-item");
      }
    }
  }

  void CheckFlag(const ScenarioFile& file, std::int32_t line, std::int32_t flag) {
    if (flag >= 0) return;
    At(file, line, 6, Severity::Error,
       "flag " + std::to_string(flag) + " is outside the flags 00 to 99: the game stops here", "limit");
  }

  void CheckPortrait(const ScenarioFile& file, std::int32_t line, std::int32_t number) {
    if (number >= 0 && number <= 10) return;
    At(file, line, 6, Severity::Note,
       "portrait " + std::to_string(number) + " is none of 0 to 10: the portrait shown stays as it was", "portrait");
  }

  void CheckNamedFile(const ScenarioFile& file, std::int32_t line, CommandId id, BytesView name) {
    const NamedKind kind = id == CommandId::BGS ? NamedKind::Picture
                           : id == CommandId::BGM ? NamedKind::Music
                                                  : NamedKind::Effect;
    if (auto problem = files_.Check(name, kind)) At(file, line, 6, problem->Level, problem->Text, problem->Check);
  }

  // Checks of a file as a whole: its encoding, and its labels.
  void CheckFileWide(const ScenarioFile& file) {
    for (const Finding& found : CheckEncoding(file.Raw)) {
      Add(file.ShownName, found.Line, found.Column, found.Level, found.Text, found.Check);
    }
    FileState& state = StateOf(file);
    auto labels = [&](const std::vector<std::int32_t>& lines, std::size_t capacity, const char* opcode,
                      const std::set<Bytes>& used) {
      std::map<Bytes, std::int32_t> first;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::int32_t line = lines[i];
        const BytesView name = NameOperand(file.Lines[line]);
        if (i == capacity) {
          At(file, line, 1, Severity::Error,
             "a file holds at most " + std::to_string(capacity) + " '" + opcode +
                 "' labels: this file has " + std::to_string(lines.size()) + ", and loading it stops the game",
             "limit");
        }
        const auto [where, inserted] = first.emplace(Bytes(name), line);
        if (!inserted) {
          At(file, line, ColumnOf(file.Lines[line], name), Severity::Warning,
             std::string("'") + opcode + " " + Cp932ToUtf8(name) + "' is defined again: the first, on line " +
                 std::to_string(where->second + 1) + ", is the one found",
             "duplicate-label");
        } else if (!used.count(Bytes(name))) {
          At(file, line, ColumnOf(file.Lines[line], name), Severity::Warning,
             std::string("'") + opcode + " " + Cp932ToUtf8(name) + "' is never used in this file", "unused-label");
        }
      }
    };
    labels(file.Labels.tags, kTagCapacity, "@TAG", state.UsedTags);
    labels(file.Labels.subs, kSubCapacity, "@SUB", state.UsedSubs);
  }

  Findings Sorted() {
    std::stable_sort(findings_.begin(), findings_.end(), [](const Finding& a, const Finding& b) {
      return std::tie(a.File, a.Line, a.Column) < std::tie(b.File, b.Line, b.Column);
    });
    return std::move(findings_);
  }

  ScenarioSet set_;
  NamedFiles files_;
  std::map<const ScenarioFile*, FileState> states_;
  std::map<const ScenarioFile*, std::vector<std::int32_t>> pending_;
  std::set<Bytes> defined_items_;
  std::vector<ItemUse> item_uses_;
  Findings findings_;
  std::set<std::tuple<std::string, int, int, std::string, std::string>> seen_;
};

}  // namespace

Findings CheckGame(const platform::GameFolder& folder) { return GameChecker(folder).Run(); }

}  // namespace torvane::check
