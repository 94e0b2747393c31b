// The authors' tools: the static check of the demo and of a generated
// 10 MB game, each beside loading and indexing the same files, which is the
// least a check can do; and the explorer's decision points per second.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "check/checker.hpp"
#include "check/explorer.hpp"
#include "engine/label_index.hpp"
#include "engine/scenario_text.hpp"
#include "platform/cp932.hpp"
#include "platform/game_folder.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path kDemo = TORVANE_DEMO_SOURCE_DIR;

// A game of one 10 MB file: labelled scenes of messages, each jumping to
// the next, and an ending.
struct TempGame {
  fs::path Dir;
  ~TempGame() {
    std::error_code error;
    fs::remove_all(Dir, error);
  }
};

const fs::path& LargeGame() {
  static const TempGame game{[] {
    const fs::path path = fs::temp_directory_path() / ("torvane-check-bench-" + std::to_string(::getpid()));
    fs::create_directories(path);
    std::string text = "@STE\r\n";
    const std::string message = torvane::Sjis("波の音だけが聞こえる。灯台の灯りはもう消えている。") + "\r\n";
    for (int scene = 0; text.size() < (10u << 20); ++scene) {
      if (scene < 500) text += "@TAG s" + std::to_string(scene) + "\r\n";
      text += "@TXT 0\r\n" + message + message + "@END\r\n";
      text += "@FON 01\r\n@SEM nami.wav\r\n";
      if (scene < 499) text += "@JMP s" + std::to_string(scene + 1) + "\r\n";
    }
    text += "@LST\r\n@CMD x\r\n@END\r\n";
    std::ofstream(path / "Sinario00.txt", std::ios::binary) << text;
    std::ofstream(path / "nami.wav", std::ios::binary) << "RIFF";
    return path;
  }()};
  return game.Dir;
}

void LoadAndIndex(const fs::path& dir) {
  const torvane::platform::GameFolder folder(dir);
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".txt") continue;
    auto bytes = folder.ReadFile(entry.path().filename().string());
    if (!bytes) continue;
    const torvane::ScenarioText lines = torvane::ScenarioText::FromFileBytes(std::move(*bytes));
    benchmark::DoNotOptimize(torvane::FindLabelLines(lines));
  }
}

void BM_LoadAndIndexDemo(benchmark::State& state) {
  for (auto _ : state) LoadAndIndex(kDemo);
}
BENCHMARK(BM_LoadAndIndexDemo)->Unit(benchmark::kMicrosecond);

void BM_CheckDemo(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(torvane::check::CheckGame(torvane::platform::GameFolder(kDemo)));
}
BENCHMARK(BM_CheckDemo)->Unit(benchmark::kMicrosecond);

void BM_LoadAndIndex10MB(benchmark::State& state) {
  const fs::path& dir = LargeGame();
  for (auto _ : state) LoadAndIndex(dir);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (10 << 20));
}
BENCHMARK(BM_LoadAndIndex10MB)->Unit(benchmark::kMillisecond);

void BM_Check10MB(benchmark::State& state) {
  const fs::path& dir = LargeGame();
  std::size_t findings = 0;
  for (auto _ : state) findings = torvane::check::CheckGame(torvane::platform::GameFolder(dir)).size();
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (10 << 20));
  state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(BM_Check10MB)->Unit(benchmark::kMillisecond);

void BM_ExploreDemo(benchmark::State& state) {
  std::size_t states = 0;
  for (auto _ : state) states += torvane::check::Explore(kDemo).States;
  state.counters["states/s"] = benchmark::Counter(static_cast<double>(states), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExploreDemo)->Unit(benchmark::kMillisecond);

}  // namespace
