#include "check/explorer.hpp"

#include <unistd.h>

#include <chrono>
#include <deque>
#include <fstream>
#include <map>
#include <set>
#include <system_error>

#include "check/playthrough.hpp"
#include "check/scenario_files.hpp"
#include "engine/command_table.hpp"
#include "engine/operands.hpp"
#include "platform/cp932.hpp"
#include "platform/game_file_names.hpp"
#include "save/save_point.hpp"

namespace torvane::check {
namespace fs = std::filesystem;
namespace {

using platform::Cp932ToUtf8;

// A folder of the explorer's own for the save point it plays with, so
// that the game's own is never read or written. In memory where it can be:
// every save point is synced to its disk, which costs far more than play.
class ScratchFolder {
 public:
  ScratchFolder() {
    static int count = 0;
    std::error_code error;
    const fs::path base = ::access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path(error);
    path_ = base /
            ("torvane-explore-" + std::to_string(::getpid()) + "-" + std::to_string(++count));
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

struct Edge {
  int To = -1;  // a node, or -1 for a dead end
  bool Ending = false;
};

// A decision point, or the start of a playthrough (Choices 0, one edge).
struct Node {
  std::size_t Start = 0;
  Bytes File;
  std::int32_t Line = 0;
  bool Items = false;
  bool IsStart = false;
  bool Cut = false;  // a bound stopped its search
  std::vector<Edge> Out;
};

struct Job {
  std::size_t Start;
  std::vector<int> Choices;
  int From;  // the node whose choice this is
};

class Explorer {
 public:
  Explorer(const fs::path& game_dir, const ExploreOptions& options)
      : game_dir_(game_dir), options_(options), folder_(game_dir), files_(folder_) {}

  ExploreReport Run() {
    began_ = std::chrono::steady_clock::now();
    AddStart("Start", "");
    while (!jobs_.empty()) {
      Job job = std::move(jobs_.front());
      jobs_.pop_front();
      if (OverBounds()) {
        nodes_[static_cast<std::size_t>(job.From)].Cut = true;
        report_.Complete = false;
        continue;
      }
      RunJob(job);
    }
    Conclude();
    return std::move(report_);
  }

 private:
  bool OverBounds() const {
    if (states_.size() >= options_.MaxStates) return true;
    return std::chrono::steady_clock::now() - began_ > std::chrono::milliseconds(options_.MaxMs);
  }

  void AddStart(const std::string& name, const Bytes& next) {
    report_.Starts.push_back({name, Cp932ToUtf8(next), false});
    start_next_.push_back(next);
    Node node;
    node.Start = report_.Starts.size() - 1;
    node.IsStart = true;
    nodes_.push_back(std::move(node));
    start_nodes_.push_back(static_cast<int>(nodes_.size()) - 1);
    jobs_.push_back({report_.Starts.size() - 1, {}, static_cast<int>(nodes_.size()) - 1});
  }

  void RunJob(const Job& job) {
    const Bytes& next = start_next_[job.Start];
    const fs::path save = scratch_.Path() / kSavePointFile;
    std::error_code error;
    fs::remove(save, error);
    if (!next.empty()) SavePointFile::AtPath(save).WriteNext(next);
    GameSetup setup{game_dir_, save, {}, {}};
    const std::size_t saves_before = record_.SavePoints.size();
    PlayOutcome outcome = Play(setup, !next.empty(), job.Choices, record_);
    for (std::size_t i = saves_before; i < record_.SavePoints.size(); ++i) NoteSavePoint(record_.SavePoints[i]);

    Edge edge;
    edge.Ending = outcome.Ending.has_value();
    if (outcome.Ending) NoteEnding(job.Start, *outcome.Ending, outcome.InputsToEnding);
    if (outcome.What == PlayOutcome::Kind::Decision) {
      const auto [found, inserted] = states_.emplace(outcome.State, static_cast<int>(nodes_.size()));
      edge.To = found->second;
      if (inserted) {
        Node node;
        node.Start = job.Start;
        node.File = outcome.File;
        node.Line = outcome.Line;
        node.Items = outcome.Items;
        nodes_.push_back(std::move(node));
        for (std::size_t choice = 0; choice < outcome.Choices; ++choice) {
          std::vector<int> choices = job.Choices;
          choices.push_back(static_cast<int>(choice));
          jobs_.push_back({job.Start, std::move(choices), edge.To});
        }
      }
    } else {
      DeadEnd(job.Start, outcome);
    }
    nodes_[static_cast<std::size_t>(job.From)].Out.push_back(edge);
  }

  void NoteSavePoint(const PlayRecord::SavePoint& save) {
    save_lines_[save.Next].insert({save.File, save.Line});
    if (known_saves_.insert(save.Next).second) AddStart("Continue with " + Cp932ToUtf8(save.Next), save.Next);
  }

  void NoteEnding(std::size_t start, const std::pair<Bytes, std::int32_t>& where,
                  const std::vector<std::string>& inputs) {
    if (!endings_seen_.insert({start, where.first, where.second}).second) return;
    report_.Endings.push_back({Cp932ToUtf8(where.first), where.second + 1, start, inputs});
  }

  std::string FileShown(BytesView name) {
    if (ScenarioFile* file = files_.Find(name)) return file->ShownName;
    return files_.ShownPath(name);
  }

  void Add(BytesView file, std::int32_t line, Severity level, std::string text, std::string check) {
    const std::string shown = FileShown(file);
    if (!reported_.insert({shown, line, text}).second) return;
    report_.Found.push_back({shown, line + 1, 1, level, std::move(text), std::move(check)});
  }

  void DeadEnd(std::size_t start, const PlayOutcome& outcome) {
    const std::string from = " (from " + report_.Starts[start].Name + ")";
    switch (outcome.What) {
      case PlayOutcome::Kind::Stuck:
        Add(outcome.File, outcome.Line, Severity::Error, "the game gets stuck on this line, which is no command" + from,
            "dead-end");
        break;
      case PlayOutcome::Kind::Stopped:
      case PlayOutcome::Kind::NoGame:
        Add(outcome.File, outcome.Line, Severity::Error,
            "the game stops with an error here: " + Cp932ToUtf8(outcome.Error.value_or("")) + from, "dead-end");
        break;
      case PlayOutcome::Kind::Loop:
        Add(outcome.File, outcome.Line, Severity::Error,
            "the script runs on for ever here without waiting for the player" + from, "dead-end");
        break;
      case PlayOutcome::Kind::Unclickable:
        Add(outcome.File, outcome.Line, Severity::Error,
            "this message waits for a click that cannot reach it: the narration screen is still up "
            "(is an '@STE' missing?)" + from,
            "dead-end");
        break;
      case PlayOutcome::Kind::Decision: break;
    }
  }

  // Which nodes can still reach an ending; a node a bound cut short might.
  std::vector<bool> CanEnd() const {
    std::vector<bool> can(nodes_.size(), false);
    for (bool changed = true; changed;) {
      changed = false;
      for (std::size_t n = 0; n < nodes_.size(); ++n) {
        if (can[n]) continue;
        bool reaches = nodes_[n].Cut;
        for (const Edge& edge : nodes_[n].Out) {
          reaches = reaches || edge.Ending || (edge.To >= 0 && can[static_cast<std::size_t>(edge.To)]);
        }
        if (reaches) {
          can[n] = true;
          changed = true;
        }
      }
    }
    return can;
  }

  void Conclude() {
    const std::vector<bool> can = CanEnd();
    for (std::size_t s = 0; s < start_nodes_.size(); ++s) {
      const bool reaches = can[static_cast<std::size_t>(start_nodes_[s])];
      report_.Starts[s].ReachesEnding = reaches;
      if (reaches) continue;
      const Bytes& next = start_next_[s];
      if (next.empty()) {
        Add(kFirstScenario, 0, Severity::Error, "no ending ('@LST') can be reached from Start", "no-ending");
        continue;
      }
      for (const auto& [file, line] : save_lines_[next]) {
        Add(file, line, Severity::Error,
            "Continue from this save point, with '" + Cp932ToUtf8(next) +
                "', can reach no ending ('@LST'): a new player has no flags and no items there",
            "no-ending");
      }
    }
    // Where an ending stops being reachable: a decision none of whose
    // choices lead to one, though the way there could.
    std::vector<bool> entered_from_good(nodes_.size(), false);
    for (std::size_t n = 0; n < nodes_.size(); ++n) {
      if (!can[n]) continue;
      for (const Edge& edge : nodes_[n].Out) {
        if (edge.To >= 0) entered_from_good[static_cast<std::size_t>(edge.To)] = true;
      }
    }
    for (std::size_t n = 0; n < nodes_.size(); ++n) {
      const Node& node = nodes_[n];
      if (can[n] || node.IsStart || node.Out.empty()) continue;  // an empty menu waits well after an ending
      bool loops = true;
      for (const Edge& edge : node.Out) loops = loops && edge.To == static_cast<int>(n);
      if (loops) {
        Add(node.File, node.Line, Severity::Error,
            "every choice here comes back to this same choice, with nothing changed: the game cannot go on",
            "menu-loop");
      } else if (entered_from_good[n]) {
        Add(node.File, node.Line, Severity::Error,
            "no ending can be reached after this choice, whatever the player picks", "dead-end");
      }
    }
    report_.States = states_.size();
    Cover();
  }

  // Coverage, and the lines no playthrough reached.
  void Cover() {
    Coverage& covered = report_.Covered;
    // Files the playthroughs opened, and those the game folder holds.
    std::set<Bytes> opened;
    for (const auto& [file, line] : record_.Stepped) opened.insert(file);
    files_.Find(kFirstScenario);
    for (const Bytes& name : opened) files_.Find(name);
    files_.AddUnnamedFiles();
    std::map<std::string, Bytes> name_of;  // shown path -> a name the playthroughs used
    for (const Bytes& name : opened) name_of[FileShown(name)] = name;
    for (ScenarioFile* file : files_.Files()) {
      const auto used = name_of.find(file->ShownName);
      const Bytes name = used == name_of.end() ? file->Name : used->second;
      std::optional<std::int32_t> run_start;
      std::int32_t run_end = 0;
      auto close_run = [&] {
        if (!run_start) return;
        if (report_.Complete) {
          const std::int32_t lines = run_end - *run_start + 1;
          Add(name, *run_start, Severity::Warning,
              lines == 1 ? std::string("no playthrough reaches this line")
                         : "no playthrough reaches these " + std::to_string(lines) + " lines (to line " +
                               std::to_string(run_end + 1) + ")",
              "never-reached");
        }
        run_start.reset();
      };
      for (std::int32_t line = 0; line < file->Lines.Count(); ++line) {
        const bool stepped = record_.Stepped.count({name, line}) > 0;
        const bool in_block = record_.BlockLines.count({name, line}) > 0;
        const LineClass kind = ClassifyLine(file->Lines[line]);
        if (kind.Kind == LineKind::Command && (kind.Row->Id == CommandId::TAG || kind.Row->Id == CommandId::SUB)) {
          ++covered.Labels;
          if (stepped) ++covered.LabelsReached;
        }
        if (kind.Kind == LineKind::Command && kind.Row->Id == CommandId::CMD && !in_block) {
          for (std::int32_t entry = line + 1, index = 0;
               entry < file->Lines.Count() && !IsTrimmedEnd(file->Lines[entry]); ++entry, ++index) {
            ++covered.Entries;
            if (record_.Chosen.count({name, line, index})) ++covered.EntriesChosen;
          }
        }
        const bool quiet = kind.Kind != LineKind::Command || kind.Row->Id == CommandId::REM ||
                           kind.Row->Id == CommandId::END || in_block;
        if (kind.Kind == LineKind::Command && !in_block) {
          ++covered.Lines;
          if (stepped) ++covered.LinesReached;
        }
        if (stepped || in_block) {
          close_run();
        } else if (!quiet) {
          if (!run_start) run_start = line;
          run_end = line;
        }
      }
      close_run();
    }
  }

  fs::path game_dir_;
  ExploreOptions options_;
  platform::GameFolder folder_;
  ScenarioSet files_;
  ScratchFolder scratch_;
  std::chrono::steady_clock::time_point began_;
  std::deque<Job> jobs_;
  std::vector<Node> nodes_;
  std::vector<int> start_nodes_;
  std::vector<Bytes> start_next_;
  std::map<std::string, int> states_;
  std::set<Bytes> known_saves_;
  std::map<Bytes, std::set<std::pair<Bytes, std::int32_t>>> save_lines_;
  std::set<std::tuple<std::size_t, Bytes, std::int32_t>> endings_seen_;
  std::set<std::tuple<std::string, std::int32_t, std::string>> reported_;
  PlayRecord record_;
  ExploreReport report_;
};

std::string Share(std::size_t part, std::size_t whole) {
  const std::size_t percent = whole == 0 ? 100 : part * 100 / whole;
  return std::to_string(part) + "/" + std::to_string(whole) + " (" + std::to_string(percent) + "%)";
}

}  // namespace

ExploreReport Explore(const fs::path& game_dir, const ExploreOptions& options) {
  ExploreReport report = Explorer(game_dir, options).Run();
  std::stable_sort(report.Found.begin(), report.Found.end(), [](const Finding& a, const Finding& b) {
    return std::tie(a.File, a.Line, a.Column) < std::tie(b.File, b.Line, b.Column);
  });
  return report;
}

std::string FormatCoverage(const ExploreReport& report) {
  const Coverage& c = report.Covered;
  std::string out = "explored " + std::to_string(report.States) + " decision points" +
                    (report.Complete ? "" : " (cut short by a bound: raise --max-states)") + "\n";
  out += "reached: lines " + Share(c.LinesReached, c.Lines) + ", labels " + Share(c.LabelsReached, c.Labels) +
         ", menu entries " + Share(c.EntriesChosen, c.Entries) + "\n";
  for (const ExploreStart& start : report.Starts) {
    out += start.Name + ": " + (start.ReachesEnding ? "an ending can be reached" : "no ending can be reached") + "\n";
  }
  for (const ExploredEnding& ending : report.Endings) {
    out += "ending at " + ending.File + ":" + std::to_string(ending.Line) + " from " +
           report.Starts[ending.Start].Name + " in " + std::to_string(ending.Inputs.size()) + " inputs\n";
  }
  return out;
}

std::vector<fs::path> WriteWalkthroughs(const ExploreReport& report, const fs::path& folder) {
  fs::create_directories(folder);
  std::vector<fs::path> written;
  for (std::size_t i = 0; i < report.Endings.size(); ++i) {
    const ExploredEnding& ending = report.Endings[i];
    const ExploreStart& start = report.Starts[ending.Start];
    const fs::path path = folder / ("ending-" + std::to_string(i + 1) + ".txt");
    std::ofstream out(path, std::ios::binary);
    out << "# The shortest way from " << start.Name << " to the ending at " << ending.File << ":" << ending.Line
        << "\n";
    if (!start.Next.empty()) {
      out << "# Run it with --save-file naming a file that holds:\n#   [Game]\n#   Next=" << start.Next << "\n";
    }
    for (const std::string& input : ending.Inputs) out << input << "\n";
    if (!out) throw std::runtime_error("cannot write " + path.string());
    written.push_back(path);
  }
  return written;
}

}  // namespace torvane::check
