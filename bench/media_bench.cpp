// Music on SDL2_mixer's "dummy" driver: how long a track takes to open (the
// General MIDI soundfont is loaded by the first MIDI track of the process
// alone, before the timing starts, and shared by every other), and how long the
// "@BGM" sequence takes until the track reports playing; and how long "@SEM"
// takes to start an effect, the worst ones cut at a minute. Built into
// torvane_bench when it links torvane_sdl, which defines TORVANE_BENCH_MEDIA.
#ifdef TORVANE_BENCH_MEDIA

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "media/sdl/sdl_media.hpp"
#include "media/sdl/virtual_media.hpp"
#include "platform/clock.hpp"
#include "platform/game_folder.hpp"

namespace {

torvane::platform::GameFolder Fixtures() {
  return torvane::platform::GameFolder(std::filesystem::path(TORVANE_TESTS_DIR) / "media" / "sdl" / "fixtures");
}

// Before the first device opens the audio: measure the mixer, not a sound card.
void UseDummyDriver() {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
}

void BM_OpenTrack(benchmark::State& state, const char* file) {
  UseDummyDriver();
  const auto folder = Fixtures();
  torvane::SdlMusic music(folder);
  for (auto _ : state) music.Open(file);
  music.Close();
}
BENCHMARK_CAPTURE(BM_OpenTrack, midi, "tune.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenTrack, ogg, "tune.ogg")->Unit(benchmark::kMicrosecond);

// "@BGM" on a playing track: Stop, Open, Play, then until IsPlaying().
void BM_BgmUntilPlaying(benchmark::State& state, const char* file) {
  UseDummyDriver();
  const auto folder = Fixtures();
  torvane::SdlMusic music(folder);
  music.Open(file);
  music.Play();
  for (auto _ : state) {
    if (music.IsPlaying()) music.Stop();
    music.Open(file);
    music.Play();
    if (!music.IsPlaying()) {
      state.SkipWithError("the track did not start");
      break;
    }
  }
  music.Close();
}
BENCHMARK_CAPTURE(BM_BgmUntilPlaying, midi, "tune.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BgmUntilPlaying, ogg, "tune.ogg")->Unit(benchmark::kMicrosecond);

// The headless runner's "@BGM": the same open checks, then the clock.
void BM_VirtualBgm(benchmark::State& state, const char* file) {
  UseDummyDriver();
  const auto folder = Fixtures();
  torvane::platform::VirtualClock clock;
  torvane::VirtualMusic music(folder, clock);
  for (auto _ : state) {
    if (music.IsPlaying()) music.Stop();
    music.Open(file);
    music.Play();
  }
}
BENCHMARK_CAPTURE(BM_VirtualBgm, midi, "tune.mid")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_VirtualBgm, ogg, "tune.ogg")->Unit(benchmark::kMicrosecond);

// "@SEM": reading, decoding and starting an effect.
void BM_StartEffect(benchmark::State& state, const char* file) {
  UseDummyDriver();
  const auto folder = Fixtures();
  torvane::SdlSound sounds(folder);
  for (auto _ : state) {
    if (!sounds.Play(file)) {
      state.SkipWithError("the effect did not start");
      break;
    }
  }
}
BENCHMARK_CAPTURE(BM_StartEffect, wav, "chime.wav")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_StartEffect, ogg, "tune.ogg")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_StartEffect, midi, "tune.mid")->Unit(benchmark::kMillisecond);

// The worst effects, too large to commit: written by
// `scripts/make-sound-fixtures.py --worst-case DIR`, found through
// TORVANE_WORST_SOUNDS=DIR. Each decodes only its first minute.
void BM_StartWorstEffect(benchmark::State& state, const char* file) {
  const char* dir = std::getenv("TORVANE_WORST_SOUNDS");
  if (dir == nullptr || !std::filesystem::exists(std::filesystem::path(dir) / file)) {
    state.SkipWithError("set TORVANE_WORST_SOUNDS to the folder make-sound-fixtures.py --worst-case wrote");
    return;
  }
  UseDummyDriver();
  const torvane::platform::GameFolder folder{std::filesystem::path(dir)};
  torvane::SdlSound sounds(folder);
  for (auto _ : state) {
    if (!sounds.Play(file)) {
      state.SkipWithError("the effect did not start");
      break;
    }
  }
}
BENCHMARK_CAPTURE(BM_StartWorstEffect, ogg_4h_silence, "4h.ogg")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_StartWorstEffect, midi_4h_note, "4h.mid")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_StartWorstEffect, wav_128mb, "128mb.wav")->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

#endif  // TORVANE_BENCH_MEDIA
