#include <gtest/gtest.h>

#include <SDL_mixer.h>

#include <filesystem>
#include <vector>

#include "media/sdl/sdl_media.hpp"
#include "sound_test_support.hpp"

namespace torvane {
namespace {

using testing_support::SoundFixtures;
using testing_support::WaitFor;

// The length in bytes of what each sounding channel plays.
std::vector<Uint32> PlayingChunks() {
  std::vector<Uint32> lengths;
  for (int channel = 0; channel < Mix_AllocateChannels(-1); ++channel) {
    if (Mix_Playing(channel)) lengths.push_back(Mix_GetChunk(channel)->alen);
  }
  return lengths;
}

std::ptrdiff_t Threads() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/task"), std::filesystem::directory_iterator{});
}

class SdlSoundTest : public testing::Test {
 protected:
  void TearDown() override { Mix_HaltChannel(-1); }

  platform::GameFolder folder_ = SoundFixtures();
  SdlMusic music_{folder_};
  SdlSound sounds_{folder_};
};

// The sound device goes once nothing sounds or is open, its thread with
// it, and comes back with the next effect or track.
TEST_F(SdlSoundTest, TheDeviceIsLetGoWhenQuietAndOpensAgainOnDemand) {
  const auto before = Threads();
  EXPECT_EQ(music_.ReleaseWhenQuiet(), 0) << "nothing open: nothing to let go";
  ASSERT_TRUE(sounds_.Play("chime.wav"));
  const auto playing = Threads();
  EXPECT_GT(playing, before) << "the device's thread";
  EXPECT_GT(music_.ReleaseWhenQuiet(), 0) << "an effect still sounds: ask again later";
  EXPECT_EQ(Threads(), playing);
  ASSERT_TRUE(WaitFor([] { return PlayingChunks().empty(); }));
  EXPECT_EQ(music_.ReleaseWhenQuiet(), 0);
  EXPECT_EQ(Threads(), before);

  ASSERT_TRUE(sounds_.Play("chime.wav"));
  EXPECT_EQ(PlayingChunks().size(), 1u);
  ASSERT_TRUE(WaitFor([] { return PlayingChunks().empty(); }));
  music_.Open("tune.mid");
  music_.Play();
  EXPECT_EQ(music_.ReleaseWhenQuiet(), 0);
  EXPECT_EQ(Threads(), playing) << "an open track keeps the device";
  EXPECT_TRUE(music_.IsPlaying());
  music_.Close();
  EXPECT_EQ(music_.ReleaseWhenQuiet(), 0);
  music_.Open("tune.ogg");
  music_.Play();
  EXPECT_TRUE(music_.IsPlaying()) << "the mixer's own tracks play on the reopened device";
}

TEST_F(SdlSoundTest, EffectsStartAsynchronouslyAndUnplayableOnesAreSilent) {
  for (const char* file : {"CHIME.WAV", "tune.ogg", "tune.flac", "tune.mp3", "disguised.wav"}) {
    SCOPED_TRACE(file);
    EXPECT_TRUE(sounds_.Play(file));
    EXPECT_EQ(PlayingChunks().size(), 1u) << "Play returns with the effect still sounding";
  }
  EXPECT_TRUE(WaitFor([] { return PlayingChunks().empty(); })) << "an effect plays once";

  testing::internal::CaptureStderr();
  for (const char* file : {"missing.wav", "", "garbage.mid", "."}) EXPECT_FALSE(sounds_.Play(file)) << file;
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(PlayingChunks().empty());
}

TEST_F(SdlSoundTest, ANewEffectCutsOffTheOneStillPlaying) {
  ASSERT_TRUE(sounds_.Play("chime.wav"));  // 1.2 s
  const auto chime = PlayingChunks();
  ASSERT_TRUE(sounds_.Play("click.wav"));  // 0.1 s
  const auto click = PlayingChunks();
  ASSERT_EQ(chime.size(), 1u);
  ASSERT_EQ(click.size(), 1u);
  EXPECT_LT(click[0], chime[0]) << "the click, not the chime, is sounding";

  ASSERT_TRUE(sounds_.Play("chime.wav"));
  EXPECT_FALSE(sounds_.Play("missing.wav"));
  EXPECT_TRUE(PlayingChunks().empty()) << "a sound that cannot play still ends the one before";
}

TEST_F(SdlSoundTest, EffectsLeaveTheMusicAlone) {
  music_.Open("tune.ogg");
  music_.Play();
  ASSERT_TRUE(WaitFor([&] { return music_.PositionSeconds() >= 0.2; }));
  const double before = music_.PositionSeconds();
  EXPECT_TRUE(sounds_.Play("chime.wav"));
  EXPECT_FALSE(sounds_.Play("missing.wav"));
  EXPECT_TRUE(music_.IsPlaying());
  EXPECT_GE(music_.PositionSeconds(), before);

  music_.Stop();
  const double stopped_at = music_.PositionSeconds();
  EXPECT_TRUE(sounds_.Play("chime.wav"));
  EXPECT_FALSE(music_.IsPlaying()) << "an effect does not resume the music";
  EXPECT_EQ(music_.PositionSeconds(), stopped_at);
  music_.Play();
  EXPECT_EQ(PlayingChunks().size(), 1u) << "resuming the music does not cut the effect";
}

}  // namespace
}  // namespace torvane
