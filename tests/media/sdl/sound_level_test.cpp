// The player's levels and the soundfont search on the real mixer, its
// thread running on SDL's "dummy" driver: what is measured is what the
// mixer hands the device, after every volume it applies.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "media/sdl/sdl_audio.hpp"
#include "media/sdl/sdl_media.hpp"
#include "media/sdl/soundfonts.hpp"
#include "media/sdl/virtual_media.hpp"
#include "sound_test_support.hpp"

namespace torvane {
namespace {

using testing_support::OpenOutcome;
using testing_support::SoundFixtures;
using testing_support::WaitFor;

// The loudest sample the mixer handed the device since the last Reset.
std::atomic<int> loudest{0};
std::atomic<long> mixed_bytes{0};

void Measure(void* /*data*/, Uint8* stream, int length) {
  const auto* samples = reinterpret_cast<const Sint16*>(stream);
  int peak = loudest.load();
  for (int i = 0; i < length / 2; ++i) peak = std::max(peak, std::abs(int{samples[i]}));
  loudest = peak;
  mixed_bytes += length;
}

// The peak over the next `ms` of what the mixer mixes.
int PeakOver(int ms) {
  loudest = 0;
  const long from = mixed_bytes.load();
  // Whole buffers, however the dummy driver's thread is scheduled.
  WaitFor([&] { return mixed_bytes.load() - from >= 44100L * 4 * ms / 1000; });
  return loudest.load();
}

// A track heard at `percent`, from its start.
int MusicPeak(SdlMusic& music, const char* file, int percent) {
  sdl::SetMusicLevel(percent);
  music.Open(file);
  music.Play();
  const int peak = PeakOver(800);
  music.Close();
  return peak;
}

int EffectPeak(SdlSound& sounds, const char* file, int percent) {
  sdl::SetEffectsLevel(percent);
  sounds.Play(file);
  return PeakOver(250);
}

// In a fresh process, as the audio opens once per process. The synthesizer
// renders MIDI into the mixer's music slot, where the mixer's own music
// volume never reaches: a level MIDI ignored would show here.
TEST(SoundLevelDeathTest, MusicAndEffectsAreHeardAtTheirLevelsAcrossTracksAndReopening) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const platform::GameFolder folder = SoundFixtures();
        SdlMusic music(folder);
        SdlSound sounds(folder);
        sdl::OpenAudio(sdl::AudioOutput::Device);
        Mix_SetPostMix(Measure, nullptr);
        std::string failed;
        const auto expect = [&](bool ok, const std::string& what) {
          if (!ok) failed += what + "\n";
        };
        const auto near_half = [](int half, int full) { return full > 300 && std::abs(2 * half - full) < full / 10; };
        int midi_full = 0;
        for (const char* file : {"tune.mid", "tune.ogg"}) {
          const int full = MusicPeak(music, file, 100);
          const int half = MusicPeak(music, file, 50);
          const int none = MusicPeak(music, file, 0);
          if (midi_full == 0) midi_full = full;
          expect(near_half(half, full), std::string(file) + " at 50 %: " + std::to_string(half) + " of " +
                                            std::to_string(full));
          expect(none <= 1, std::string(file) + " at 0 %: " + std::to_string(none));
        }
        // At once on the track that plays.
        sdl::SetMusicLevel(100);
        music.Open("tune.mid");
        music.Play();
        const int before = PeakOver(500);
        sdl::SetMusicLevel(0);
        PeakOver(100);  // what was mixed before the change
        expect(PeakOver(300) <= 1 && before > 300, "a playing MIDI track falls silent at once");
        music.Close();

        const int full = EffectPeak(sounds, "chime.wav", 100);
        const int half = EffectPeak(sounds, "chime.wav", 50);
        expect(near_half(half, full), "an effect at 50 %: " + std::to_string(half) + " of " + std::to_string(full));

        // The device let go and opened again keeps the levels.
        sdl::SetMusicLevel(30);
        sdl::SetEffectsLevel(20);
        Mix_HaltChannel(-1);
        sdl::ReleaseAudioIfQuiet();
        expect(Mix_QuerySpec(nullptr, nullptr, nullptr) == 0, "the quiet audio is released");
        sdl::OpenAudio(sdl::AudioOutput::Device);
        Mix_SetPostMix(Measure, nullptr);
        expect(Mix_Volume(sdl::kEffectChannel, -1) == 26, "the effects' level after reopening");
        expect(Mix_VolumeMusic(-1) == 38, "the music's level after reopening");
        const int reopened = MusicPeak(music, "tune.mid", 30);
        expect(std::abs(10 * reopened - 3 * midi_full) < midi_full / 10,
               "MIDI at 30 % after reopening: " + std::to_string(reopened) + " of " + std::to_string(midi_full));
        if (!failed.empty()) std::fprintf(stderr, "%s", failed.c_str());
        std::exit(failed.empty() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "^$");
}

std::filesystem::path EmptyRoot() {
  const std::filesystem::path root = std::filesystem::path(testing::TempDir()) / "torvane-no-soundfonts";
  std::filesystem::create_directories(root);
  return root;
}

// No soundfont anywhere: MIDI music opens, plays, ends and loops to no
// sound, told once on stderr and once to the player; a file that is not
// music still fails as before.
TEST(SoundLevelDeathTest, WithNoSoundfontMidiPlaysSilentlyAndTheGameGoesOn) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        unsetenv("SDL_SOUNDFONTS");
        sdl::ChooseSoundfont("/no/such/chosen.sf2", EmptyRoot());
        const platform::GameFolder folder = SoundFixtures();
        SdlMusic music(folder);
        int told = 0;
        music.OnSilentMidi([&](const std::string&) { ++told; });
        bool ok = OpenOutcome(music, "tune.mid") == "(opened)";
        music.Play();
        ok = ok && music.IsPlaying() && WaitFor([&] { return !music.IsPlaying(); });  // it plays out
        ok = ok && OpenOutcome(music, "garbage.mid") == "音楽ファイル「garbage.mid」を開けません";
        ok = ok && OpenOutcome(music, "missing.mid") == "音楽ファイル「missing.mid」を開けません";
        ok = ok && OpenOutcome(music, "tune.mid") == "(opened)" && OpenOutcome(music, "tune.ogg") == "(opened)";
        const platform::SteadyClock clock;
        VirtualMusic runner(folder, clock);
        ok = ok && OpenOutcome(runner, "tune.mid") == "(opened)";
        std::exit(ok && told == 1 ? 0 : 1);
      },
      testing::ExitedWithCode(0),
      "^torvane: the chosen soundfont /no/such/chosen.sf2 cannot be used; trying the usual places\n"
      "torvane: no soundfont for MIDI music could be loaded; MIDI plays silently\n$");
}

// A chosen file FluidSynth will not load is passed over for the next
// place, with one warning, and MIDI is heard.
TEST(SoundLevelDeathTest, AnUnusableChosenSoundfontFallsThroughToTheUsualPlaces) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string chosen = std::string(TORVANE_SOUND_FIXTURES) + "/tune.wav";
  EXPECT_EXIT(
      {
        unsetenv("SDL_SOUNDFONTS");
        sdl::ChooseSoundfont(chosen);
        const platform::GameFolder folder = SoundFixtures();
        SdlMusic music(folder);
        SdlSound sounds(folder);
        int told = 0;
        music.OnSilentMidi([&](const std::string&) { ++told; });
        sdl::OpenAudio(sdl::AudioOutput::Device);
        Mix_SetPostMix(Measure, nullptr);
        const int peak = MusicPeak(music, "tune.mid", 100);
        const bool effect = sounds.Play("tune.mid");
        std::exit(peak > 300 && effect && told == 0 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "^torvane: the chosen soundfont " + chosen + " cannot be used; trying the usual places\n$");
}

}  // namespace
}  // namespace torvane
