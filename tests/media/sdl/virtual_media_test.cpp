#include "media/sdl/virtual_media.hpp"

#include <gtest/gtest.h>

#include <SDL_mixer.h>

#include "media/sdl/sdl_media.hpp"
#include "sound_test_support.hpp"

namespace torvane {
namespace {

using testing_support::OpenOutcome;
using testing_support::SoundFixtures;

class VirtualMusicTest : public testing::Test {
 protected:
  void PlayFrom(const char* file, std::int64_t start) {
    music_.Open(file);
    clock_.AdvanceTo(start);
    music_.Play();
  }
  bool PlayingAt(std::int64_t ms) {
    clock_.AdvanceTo(ms);
    return music_.IsPlaying();
  }
  void StopAt(std::int64_t ms) {
    clock_.AdvanceTo(ms);
    music_.Stop();
  }
  void PlayAt(std::int64_t ms) {
    clock_.AdvanceTo(ms);
    music_.Play();
  }

  platform::GameFolder folder_ = SoundFixtures();
  platform::VirtualClock clock_;
  VirtualMusic music_{folder_, clock_};
};

TEST_F(VirtualMusicTest, ATrackPlaysForItsLengthAndPlayAfterTheEndRestartsIt) {
  // The decoders report 0.8 s and 1.500045 s.
  music_.Open("tune.wav");
  EXPECT_FALSE(PlayingAt(10)) << "not before Play";
  PlayFrom("tune.ogg", 1000);
  StopAt(1200);
  PlayAt(1300);
  EXPECT_TRUE(PlayingAt(2599));
  EXPECT_FALSE(PlayingAt(2600));
  StopAt(2700);  // "@BGM" stops a finished track: it does not become resumable
  PlayAt(3000);
  EXPECT_TRUE(PlayingAt(4499));
  EXPECT_FALSE(PlayingAt(4500));
  PlayAt(5000);  // the loop timer
  EXPECT_TRUE(PlayingAt(6499));
  EXPECT_FALSE(PlayingAt(6500));
  EXPECT_EQ(Mix_PlayingMusic(), 0) << "nothing is actually played";
}

TEST_F(VirtualMusicTest, StopKeepsTheTimeLeftAndPlayResumes) {
  PlayFrom("tune.wav", 0);  // 800 ms
  PlayAt(100);              // already playing: no restart
  StopAt(300);
  EXPECT_FALSE(PlayingAt(10000)) << "a stopped track stays stopped";
  PlayAt(10000);
  StopAt(10200);
  PlayAt(20000);
  EXPECT_TRUE(PlayingAt(20299));
  EXPECT_FALSE(PlayingAt(20300));
  // "@BGM" on the same file starts it over.
  PlayFrom("tune.wav", 30000);
  StopAt(30700);
  music_.Open("tune.wav");
  music_.Play();
  EXPECT_TRUE(PlayingAt(31499));
  EXPECT_FALSE(PlayingAt(31500));
}

TEST_F(VirtualMusicTest, ATrackOfUnknownLengthPlaysUntilStopped) {
  PlayFrom("tune.mid", 0);
  EXPECT_TRUE(PlayingAt(24LL * 3600 * 1000));
  StopAt(24LL * 3600 * 1000 + 1);
  EXPECT_FALSE(music_.IsPlaying());
}

TEST_F(VirtualMusicTest, FailedOpenLeavesNoTrack) {
  PlayFrom("tune.ogg", 0);
  EXPECT_EQ(OpenOutcome(music_, "garbage.mid"), "音楽ファイル「garbage.mid」を開けません");
  EXPECT_FALSE(music_.IsPlaying());
  music_.Play();
  EXPECT_FALSE(music_.IsPlaying());
}

// The headless runner must accept and refuse the very files the player does.
TEST(VirtualMediaParityTest, OpensAndEffectsSucceedAndFailAsOnTheMixer) {
  const platform::GameFolder folder = SoundFixtures();
  platform::VirtualClock clock;
  VirtualMusic virtual_music(folder, clock);
  VirtualSound virtual_sounds(folder);
  SdlMusic music(folder);
  SdlSound sounds(folder);
  int opened = 0;
  for (const char* file : {"tune.mid", "tune.wav", "tune.ogg", "tune.mp3", "tune.flac", "short.wav", "chime.wav",
                           "disguised.wav", "Tune.Mid", "garbage.mid", "missing.wav", "", ".", "\x89\xB9.wav"}) {
    SCOPED_TRACE(file);
    const std::string outcome = OpenOutcome(music, file);
    EXPECT_EQ(OpenOutcome(virtual_music, file), outcome);
    EXPECT_EQ(virtual_sounds.Play(file), sounds.Play(file));
    opened += outcome == "(opened)";
  }
  EXPECT_EQ(opened, 9);
  Mix_HaltChannel(-1);
}

}  // namespace
}  // namespace torvane
