#include "media/deferred_media.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace torvane {
namespace {

// What a device was told of the player's sound, in order.
struct Told {
  std::vector<std::string> music;
  std::vector<std::string> effects;
  std::function<void(const std::string&)> silent_midi;
};

class ToldMusic final : public MusicDevice {
 public:
  explicit ToldMusic(Told& told) : told_(told) {}
  bool IsPlaying() override { return false; }
  void Stop() override {}
  void Open(BytesView) override {}
  void Play() override {}
  void Close() override {}
  void SetVolume(int percent) override { told_.music.push_back("volume " + std::to_string(percent)); }
  void ChooseSoundfont(const std::string& path) override { told_.music.push_back("soundfont " + path); }
  void OnSilentMidi(std::function<void(const std::string&)> notice) override { told_.silent_midi = std::move(notice); }

 private:
  Told& told_;
};

class ToldSound final : public SoundDevice {
 public:
  explicit ToldSound(Told& told) : told_(told) {}
  bool Play(BytesView) override { return true; }
  void SetVolume(int percent) override { told_.effects.push_back("volume " + std::to_string(percent)); }

 private:
  Told& told_;
};

class DeferredSoundTest : public testing::Test {
 protected:
  MediaFactory Factory() {
    return [this](const platform::GameFolder&, const platform::Clock&) {
      ++made;
      return MediaDevices{std::make_unique<ToldMusic>(told), std::make_unique<ToldSound>(told)};
    };
  }
  Told told;
  int made = 0;
  platform::GameFolder folder{"."};
  platform::VirtualClock clock;
};

TEST_F(DeferredSoundTest, WhatThePlayerSetBeforeTheDevicesIsTheirsWhenMade) {
  DeferredMedia media(Factory(), folder, clock);
  media.Music().SetVolume(80);
  media.Music().SetVolume(40);
  media.Sounds().SetVolume(0);
  media.Music().ChooseSoundfont("/fonts/a.sf2");
  std::string why;
  media.Music().OnSilentMidi([&](const std::string& text) { why = text; });
  EXPECT_EQ(made, 0) << "setting a level makes no device";
  media.MakeDevices();
  EXPECT_EQ(told.music, (std::vector<std::string>{"volume 40", "soundfont /fonts/a.sf2"}));
  EXPECT_EQ(told.effects, (std::vector<std::string>{"volume 0"}));
  ASSERT_TRUE(told.silent_midi);
  told.silent_midi("no soundfont");
  EXPECT_EQ(why, "no soundfont");

  // Once made, straight through.
  media.Music().SetVolume(100);
  media.Sounds().SetVolume(70);
  EXPECT_EQ(told.music.back(), "volume 100");
  EXPECT_EQ(told.effects.back(), "volume 70");
}

TEST_F(DeferredSoundTest, NothingSetNothingTold) {
  DeferredMedia media(Factory(), folder, clock);
  media.MakeDevices();
  EXPECT_TRUE(told.music.empty());
  EXPECT_TRUE(told.effects.empty());
  EXPECT_FALSE(told.silent_midi);
}

}  // namespace
}  // namespace torvane
