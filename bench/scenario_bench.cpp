// Scenario loading and stepping throughput, each beside a baseline that
// does the least work the same input allows: counting lines for loading,
// classifying lines without the timer and form machinery for stepping.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/command_table.hpp"
#include "engine/label_index.hpp"
#include "engine/scenario_text.hpp"
#include "game/virtual_time.hpp"
#include "platform/cp932.hpp"
#include "platform/game_folder.hpp"

namespace {

namespace fs = std::filesystem;
using torvane::Bytes;

constexpr std::size_t kScenarioBytes = 10u << 20;
constexpr std::size_t kHugeScenarioBytes = 100u << 20;
constexpr int kTags = 500;
constexpr int kSubs = 400;
constexpr int kStepLines = 100000;
constexpr const char* kScenarioName = "Sinario00.txt";

// A fixed generator, so every run measures the same bytes.
class Lcg {
 public:
  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  std::size_t Below(std::size_t n) { return Next() % n; }

 private:
  std::uint64_t state_ = 0x746f7276616e65ULL;
};

std::vector<Bytes> JapanesePhrases() {
  const char* const utf8[] = {
      "こんにちは、旅の方。",
      "扉の向こうから冷たい風が吹いてくる。",
      "「この鍵は、どこで手に入れたのですか？」",
      "古い地図には、見覚えのない島が描かれていた。",
      "彼女は静かに首を横に振った。",
      "遠くで鐘の音が三度鳴った。",
      "机の上に一通の手紙が置いてある。",
      "……誰もいないようだ。",
  };
  std::vector<Bytes> phrases;
  for (const char* text : utf8) phrases.push_back(torvane::platform::Utf8ToCp932(text));
  return phrases;
}

void AppendLine(Bytes& out, std::string_view line) {
  out.append(line);
  out.append("\r\n");
}

// Filler between labels: message blocks, menu blocks, comments, flag
// commands, jumps, empty and indented lines, in a mix like a real game's.
void AppendFiller(Bytes& out, Lcg& rng, const std::vector<Bytes>& phrases) {
  const std::string tag = "T" + std::to_string(rng.Below(kTags));
  switch (rng.Below(10)) {
    case 0:
    case 1:
    case 2:
    case 3: {
      AppendLine(out, "@TXT 1");
      for (std::size_t i = 0, n = 1 + rng.Below(4); i < n; ++i) {
        Bytes line = phrases[rng.Below(phrases.size())];
        if (rng.Below(2) != 0) line += phrases[rng.Below(phrases.size())];
        AppendLine(out, line);
      }
      AppendLine(out, "@END");
      break;
    }
    case 4: {
      AppendLine(out, "@CMD");
      for (std::size_t i = 0, n = 2 + rng.Below(3); i < n; ++i) {
        AppendLine(out, phrases[rng.Below(phrases.size())].substr(0, 12) + "," + tag);
      }
      AppendLine(out, "@END");
      break;
    }
    case 5:
      AppendLine(out, "@REM " + torvane::Bytes(phrases[rng.Below(phrases.size())]));
      break;
    case 6:
      AppendLine(out, "@FON " + std::to_string(rng.Below(100)));
      AppendLine(out, "@FJP " + std::to_string(rng.Below(100)) + " " + tag);
      break;
    case 7:
      AppendLine(out, "@BGM music" + std::to_string(rng.Below(20)) + ".mid");
      AppendLine(out, "@JMP " + tag);
      break;
    case 8:
      AppendLine(out, "");
      AppendLine(out, "    ");
      break;
    default:
      AppendLine(out, "@GSB S" + std::to_string(rng.Below(kSubs)));
      break;
  }
}

// About `bytes` bytes with exactly kTags "@TAG" and kSubs "@SUB" lines
// spread evenly through the file, CR LF breaks throughout.
Bytes MakeScenario(std::size_t bytes) {
  const std::vector<Bytes> phrases = JapanesePhrases();
  Lcg rng;
  Bytes out;
  out.reserve(bytes + 4096);
    constexpr int kLabels = kTags + kSubs;
  int tags = 0;
  int subs = 0;
  for (int i = 0; i < kLabels; ++i) {
    // Interleaves the two kinds in their 5:4 proportion.
    if (tags * kSubs <= subs * kTags) {
      AppendLine(out, "@TAG T" + std::to_string(tags++));
    } else {
      AppendLine(out, "@SUB S" + std::to_string(subs++));
    }
    const std::size_t segment_end = bytes / kLabels * static_cast<std::size_t>(i + 1);
    while (out.size() < segment_end) AppendFiller(out, rng, phrases);
    if (i % 2 == 1) AppendLine(out, "@RTN");
  }
  return out;
}

const Bytes& LargeScenario() {
  static const Bytes text = MakeScenario(kScenarioBytes);
  return text;
}

// Lines the engine passes over, between a "@TAG top" and a "@JMP top", so
// the script never ends.
const Bytes& LoopScenario() {
  static const Bytes text = [] {
    Bytes out;
    AppendLine(out, "@TAG top");
    for (int i = 0; i < kStepLines; ++i) {
      switch (i % 4) {
        case 0:
        case 1:
          AppendLine(out, "@REM x");
          break;
        case 2:
          AppendLine(out, "");
          break;
        default:
          AppendLine(out, "    ");
          break;
      }
    }
    AppendLine(out, "@JMP top");
    return out;
  }();
  return text;
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

// One folder per game, created on first use and removed when the program ends.
class TempGame {
 public:
  explicit TempGame(const Bytes& scenario) {
    static int serial = 0;
    dir_ = fs::temp_directory_path() /
           ("torvane_bench_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
    fs::create_directories(dir_);
    WriteBytes(dir_ / kScenarioName, scenario);
  }
  TempGame(const TempGame&) = delete;
  TempGame& operator=(const TempGame&) = delete;
  ~TempGame() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  const fs::path& Dir() const { return dir_; }
  fs::path Scenario() const { return dir_ / kScenarioName; }

 private:
  fs::path dir_;
};

const TempGame& LargeGame() {
  static const TempGame game(LargeScenario());
  return game;
}

// 100 MB, built only when a benchmark asks for it.
const TempGame& HugeGame() {
  static const TempGame game(MakeScenario(kHugeScenarioBytes));
  return game;
}

const TempGame& LoopGame() {
  static const TempGame game(LoopScenario());
  return game;
}

class CountingHost final : public torvane::ModalHost {
 public:
  void ShowErrorBox(const torvane::ErrorReport& /*error*/) override { ++errors; }
  torvane::MessageBoxResult ShowMessageBox(const torvane::MessageBoxRequest& /*box*/) override {
    return torvane::MessageBoxResult::Ok;
  }
  void RunItemDialog(torvane::TForm2& /*dialog*/) override {}
  void WaitHandlingMessages(std::int64_t /*ms*/) override {}
  void CloseMainWindow() override {}
  int errors = 0;
};

// A game on the virtual clock with silent media.
struct BenchGame {
  explicit BenchGame(const TempGame& game)
      : played(torvane::GameSetup{game.Dir(), game.Dir() / "Kesmar.ini", {}, {}}, host, quiet),
        form(played.Game.Form()) {}

  CountingHost host;
  torvane::GameObserver quiet;
  torvane::VirtualGame played;
  torvane::TForm1& form;
};

std::int64_t CountLineFeeds(const Bytes& bytes) {
  return static_cast<std::int64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
}

Bytes ReadWholeFile(const fs::path& path) {
  Bytes data(fs::file_size(path), '\0');
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throw std::runtime_error("cannot open " + path.string());
  const std::size_t got = std::fread(data.data(), 1, data.size(), file);
  std::fclose(file);
  data.resize(got);
  return data;
}

// ---- Loading from memory -------------------------------------------------

// What LoadScenario does once the bytes are in memory, as for a held file.
// The copy of the input is made outside the timing, so the text is warm.
void BM_LoadIndex_Memory(benchmark::State& state) {
  const Bytes& source = LargeScenario();
  torvane::LabelTable tags(torvane::kTagCapacity);
  torvane::LabelTable subs(torvane::kSubCapacity);
  for (auto _ : state) {
    state.PauseTiming();
    Bytes bytes = source;
    state.ResumeTiming();
    torvane::LabelLines found;
    torvane::ScenarioText lines = torvane::ScenarioText::FromFileBytes(std::move(bytes), &found);
    if (found.tags.size() > torvane::kTagCapacity || found.subs.size() > torvane::kSubCapacity) {
      state.SkipWithError("generated scenario has too many labels");
      break;
    }
    torvane::IndexLabels(lines, found, tags, subs);
    benchmark::DoNotOptimize(lines);
  }
  if (tags.Filled() != static_cast<std::size_t>(kTags) || subs.Filled() != static_cast<std::size_t>(kSubs)) {
    state.SkipWithError("label tables do not hold the generated labels");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_LoadIndex_Memory)->Unit(benchmark::kMillisecond)->MinTime(0.5);

void BM_CountLines_Memory(benchmark::State& state) {
  const Bytes& source = LargeScenario();
  for (auto _ : state) {
    benchmark::DoNotOptimize(source.data());
    std::int64_t count = CountLineFeeds(source);
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_CountLines_Memory)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// The same count with one memchr per line, the other usual way to find breaks.
void BM_MemchrLines_Memory(benchmark::State& state) {
  const Bytes& source = LargeScenario();
  for (auto _ : state) {
    std::int64_t count = 0;
    const char* pos = source.data();
    const char* const end = pos + source.size();
    while (const void* hit = std::memchr(pos, '\n', static_cast<std::size_t>(end - pos))) {
      ++count;
      pos = static_cast<const char*>(hit) + 1;
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_MemchrLines_Memory)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// The parts of BM_LoadIndex_Memory on their own, to show where its time goes.
void BM_SplitOnly_Memory(benchmark::State& state) {
  const Bytes& source = LargeScenario();
  for (auto _ : state) {
    state.PauseTiming();
    Bytes bytes = source;
    state.ResumeTiming();
    torvane::ScenarioText lines = torvane::ScenarioText::FromFileBytes(std::move(bytes));
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_SplitOnly_Memory)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// The same split by the scan every processor has, beside the one above,
// which takes AVX2 where there is one.
void BM_SplitOnlyPortable_Memory(benchmark::State& state) {
  const Bytes& source = LargeScenario();
  for (auto _ : state) {
    state.PauseTiming();
    Bytes bytes = source;
    state.ResumeTiming();
    torvane::ScenarioText lines = torvane::ScenarioText::FromFileBytes(
        torvane::platform::FileBuffer(std::move(bytes)), nullptr, torvane::ByteScan::Portable);
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_SplitOnlyPortable_Memory)->Unit(benchmark::kMillisecond)->MinTime(0.5);

void BM_CountAndIndexOnly_Memory(benchmark::State& state) {
  const Bytes& source = LargeScenario();
  const torvane::ScenarioText lines = torvane::ScenarioText::FromFileBytes(source);
  torvane::LabelTable tags(torvane::kTagCapacity);
  torvane::LabelTable subs(torvane::kSubCapacity);
  for (auto _ : state) {
    torvane::LabelCounts counts = torvane::CountLabels(lines);
    benchmark::DoNotOptimize(counts);
    torvane::IndexLabels(lines, tags, subs);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
  state.counters["lines"] = static_cast<double>(lines.Count());
}
BENCHMARK(BM_CountAndIndexOnly_Memory)->Unit(benchmark::kMillisecond)->MinTime(0.3);

// ---- Loading from disk ----------------------------------------------------

// The whole LoadScenario path: finding and reading the file, splitting,
// checking and indexing. The file sits in the page cache after the first
// read, and each load reuses memory the one before it touched: warm.
void BM_LoadScenario_Disk(benchmark::State& state) {
  BenchGame game(LargeGame());
  torvane::TForm1& form = game.form;
  form.RunMenuCommand(&torvane::TForm1::N1Click);
  if (game.host.errors != 0 || !form.Engine.ScenarioLines) {
    state.SkipWithError("the generated scenario did not start");
    return;
  }
  for (auto _ : state) {
    form.LoadScenario(kScenarioName);
    benchmark::DoNotOptimize(form.Engine.ScenarioLines->Count());
  }
  if (form.Engine.TagTable.Filled() != static_cast<std::size_t>(kTags)) {
    state.SkipWithError("tag table does not hold the generated tags");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(LargeScenario().size()));
}
BENCHMARK(BM_LoadScenario_Disk)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// The same load on fresh memory each time, as a player's first load meets
// it: the previous file is dropped and the allocator gives its memory back
// before the clock runs, so the load pays for every page it touches.
void LoadColdAndCheck(benchmark::State& state, const TempGame& game, std::size_t bytes) {
  BenchGame played(game);
  torvane::TForm1& form = played.form;
  form.RunMenuCommand(&torvane::TForm1::N1Click);
  if (played.host.errors != 0 || !form.Engine.ScenarioLines) {
    state.SkipWithError("the generated scenario did not start");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    form.Engine.ScenarioLines.emplace();
    ::malloc_trim(0);
    state.ResumeTiming();
    form.LoadScenario(kScenarioName);
    benchmark::DoNotOptimize(form.Engine.ScenarioLines->Count());
  }
  if (form.Engine.TagTable.Filled() != static_cast<std::size_t>(kTags)) {
    state.SkipWithError("tag table does not hold the generated tags");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

void BM_LoadScenario_DiskCold(benchmark::State& state) { LoadColdAndCheck(state, LargeGame(), kScenarioBytes); }
BENCHMARK(BM_LoadScenario_DiskCold)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// `wc -l FILE` as a process, start to exit: the yardstick for loading.
void CountLinesWithWc(benchmark::State& state, const fs::path& path) {
  const std::string file = path.string();
  char* const argv[] = {const_cast<char*>("wc"), const_cast<char*>("-l"), const_cast<char*>(file.c_str()), nullptr};
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  for (auto _ : state) {
    pid_t child = 0;
    int status = 0;
    if (posix_spawnp(&child, "wc", &quiet, nullptr, argv, environ) != 0 || ::waitpid(child, &status, 0) != child ||
        !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("wc -l failed");
      break;
    }
  }
  posix_spawn_file_actions_destroy(&quiet);
}

// The 100 MB figures, one beside the other in the same run: the whole load,
// cold, and wc -l on the same file.
void BM_LoadScenario100MB_DiskCold(benchmark::State& state) {
  LoadColdAndCheck(state, HugeGame(), kHugeScenarioBytes);
}
BENCHMARK(BM_LoadScenario100MB_DiskCold)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_WcLines100MB_Process(benchmark::State& state) {
  CountLinesWithWc(state, HugeGame().Scenario());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kHugeScenarioBytes));
}
BENCHMARK(BM_WcLines100MB_Process)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

void BM_ReadCountLines_Disk(benchmark::State& state) {
  const fs::path path = LargeGame().Scenario();
  for (auto _ : state) {
    const Bytes bytes = ReadWholeFile(path);
    std::int64_t count = CountLineFeeds(bytes);
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(LargeScenario().size()));
}
BENCHMARK(BM_ReadCountLines_Disk)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// The project's own reading, with name resolution, and nothing after it.
void BM_GameFolderReadOnly_Disk(benchmark::State& state) {
  const torvane::platform::GameFolder folder(LargeGame().Dir());
  for (auto _ : state) {
    auto bytes = folder.ReadFile(kScenarioName);
    if (!bytes) {
      state.SkipWithError("cannot read the generated scenario");
      break;
    }
    benchmark::DoNotOptimize(bytes->data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(LargeScenario().size()));
}
BENCHMARK(BM_GameFolderReadOnly_Disk)->Unit(benchmark::kMillisecond)->MinTime(0.3);

// ---- Stepping -------------------------------------------------------------

// One tick per iteration on the virtual clock, as the player's event loop
// would fire it.
void BM_StepTimer(benchmark::State& state) {
  BenchGame game(LoopGame());
  torvane::TForm1& form = game.form;
  form.RunMenuCommand(&torvane::TForm1::N1Click);
  if (game.host.errors != 0) {
    state.SkipWithError("the loop scenario did not start");
    return;
  }
  for (auto _ : state) {
    if (game.played.Time.Advance(form.Timers.NextDue()) != torvane::VirtualTime::Step::Fired) {
      state.SkipWithError("no timer was due");
      break;
    }
  }
  if (game.host.errors != 0 || !form.Timer2.Enabled()) state.SkipWithError("the loop scenario stopped");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StepTimer)->MinTime(0.5);

// The step alone, without the timers, to show what the tick machinery adds.
void BM_StepDirect(benchmark::State& state) {
  BenchGame game(LoopGame());
  torvane::TForm1& form = game.form;
  form.RunMenuCommand(&torvane::TForm1::N1Click);
  if (game.host.errors != 0) {
    state.SkipWithError("the loop scenario did not start");
    return;
  }
  for (auto _ : state) form.StepScript();
  if (form.Engine.CurrentLine < 0 || form.Engine.CurrentLine > kStepLines + 1) {
    state.SkipWithError("the step left the loop");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StepDirect)->MinTime(0.3);

// The least a step must do: take the next line and classify it; the last
// line goes back to the first, as its jump would.
void BM_ClassifyBaseline(benchmark::State& state) {
  const torvane::ScenarioText lines = torvane::ScenarioText::FromFileBytes(LoopScenario());
  const std::int64_t count = lines.Count();
  std::int64_t current = 0;
  std::int64_t not_commands = 0;
  for (auto _ : state) {
    const torvane::LineClass kind = torvane::ClassifyLine(lines[current]);
    if (kind.Kind == torvane::LineKind::NotACommand) ++not_commands;
    current = current + 1 < count ? current + 1 : 0;
    benchmark::DoNotOptimize(current);
  }
  if (not_commands != 0) state.SkipWithError("the loop scenario holds a line that is not a command");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ClassifyBaseline)->MinTime(0.5);

// Taking each line's opcode without classifying it, to show what
// ClassifyLine's table search costs within the baseline above.
void BM_WalkLinesOnly(benchmark::State& state) {
  const torvane::ScenarioText lines = torvane::ScenarioText::FromFileBytes(LoopScenario());
  const std::int64_t count = lines.Count();
  std::int64_t current = 0;
  for (auto _ : state) {
    torvane::BytesView opcode = torvane::OpcodeOf(lines[current]);
    benchmark::DoNotOptimize(opcode);
    current = current + 1 < count ? current + 1 : 0;
    benchmark::DoNotOptimize(current);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WalkLinesOnly)->MinTime(0.3);

}  // namespace
