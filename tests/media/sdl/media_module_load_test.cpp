// The module the desktop player loads: it must load on its own, and its
// devices must behave as the linked-in ones do, errors included, across
// the boundary between the module and the program.
#include <gtest/gtest.h>

#include <SDL_mixer.h>

#include <string>

#include "media/media_module.hpp"
#include "sound_test_support.hpp"

namespace torvane {
namespace {

using testing_support::OpenOutcome;
using testing_support::SoundFixtures;
using testing_support::WaitFor;

const MediaModuleApi& Module() {
  std::string error;
  const MediaModuleApi* api = LoadMediaModule({TORVANE_MEDIA_MODULE}, error);
  if (!api) throw std::runtime_error(error);
  return *api;
}

TEST(MediaModuleLoad, TheBuiltModuleLoadsAndPlaysMusicAndEffects) {
  const MediaModuleApi& api = Module();
  EXPECT_EQ(api.Version, kMediaModuleVersion);
  const platform::GameFolder folder = SoundFixtures();
  std::unique_ptr<MusicDevice> music(api.NewMusic(folder));
  std::unique_ptr<SoundDevice> sounds(api.NewSound(folder));

  EXPECT_EQ(OpenOutcome(*music, "tune.ogg"), "(opened)");
  music->Play();
  EXPECT_TRUE(music->IsPlaying());
  music->Stop();
  EXPECT_FALSE(music->IsPlaying());
  // The module's error reaches the program as the program's own type.
  EXPECT_EQ(OpenOutcome(*music, "garbage.mid"), "音楽ファイル「garbage.mid」を開けません");
  EXPECT_FALSE(music->IsPlaying());

  EXPECT_TRUE(sounds->Play("chime.wav"));
  EXPECT_FALSE(sounds->Play("missing.wav"));
}

TEST(MediaModuleLoad, LoadingTwiceGivesTheSameModule) {
  EXPECT_EQ(&Module(), &Module());
}

}  // namespace
}  // namespace torvane
