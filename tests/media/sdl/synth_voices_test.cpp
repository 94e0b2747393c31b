#include "media/sdl/synth_voices.hpp"

#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "media/sdl/soundfonts.hpp"

namespace torvane::sdl {
namespace {

TEST(SynthVoicesTest, GrowsOnlyWhenANoteMightFindNoFreeVoice) {
  EXPECT_EQ(VoicesBeforeNote(kFirstVoices, 0), kFirstVoices);
  EXPECT_EQ(VoicesBeforeNote(kFirstVoices, kFirstVoices - kSpareVoices), kFirstVoices);
  EXPECT_EQ(VoicesBeforeNote(kFirstVoices, kFirstVoices - kSpareVoices + 1), kMostVoices);
  // Never past FluidSynth's own default, however many sound.
  EXPECT_EQ(VoicesBeforeNote(kMostVoices, kMostVoices), kMostVoices);
  EXPECT_EQ(VoicesBeforeNote(kMostVoices - 8, kMostVoices - 8), kMostVoices);
  // Doubling would leave too little room: enough for the next note.
  EXPECT_EQ(VoicesBeforeNote(8, 20), 36);
}

// A Standard MIDI File: every channel strikes `notes` notes at once, holds
// them a quarter note and lets them ring out.
std::string Burst(int notes) {
  std::string events;
  const auto put = [&events](std::initializer_list<int> bytes) {
    for (int b : bytes) events.push_back(static_cast<char>(b));
  };
  for (int ch = 0; ch < 16; ++ch) put({0, 0xC0 | ch, ch == 9 ? 0 : (ch * 7 + 3) % 128});  // 9: the drum kit
  for (int ch = 0; ch < 16; ++ch) {
    for (int k = 0; k < notes; ++k) put({0, 0x90 | ch, 36 + (k * 5 + ch * 3) % 60, 100});
  }
  put({0x83, 0x60, 0xB0, 7, 100});  // 480 ticks on
  for (int ch = 0; ch < 16; ++ch) {
    for (int k = 0; k < notes; ++k) put({0, 0x80 | ch, 36 + (k * 5 + ch * 3) % 60, 0});
  }
  put({0x87, 0x40, 0xB0, 7, 100, 0, 0xFF, 0x2F, 0});  // 960 ticks of release
  const auto be32 = [](std::size_t n) {
    return std::string{static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                       static_cast<char>(n)};
  };
  return std::string("MThd\0\0\0\6\0\0\0\1\1\xE0", 14) + "MTrk" + be32(events.size()) + events;
}

struct Rendered {
  std::vector<std::int16_t> samples;
  int polyphony = 0;
};

Rendered Render(const std::string& midi, const char* font, int polyphony, bool growing) {
  fluid_settings_t* settings = new_fluid_settings();
  fluid_settings_setnum(settings, "synth.sample-rate", 44100);
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  fluid_settings_setint(settings, "synth.polyphony", polyphony);
  fluid_synth_t* synth = new_fluid_synth(settings);
  fluid_synth_sfload(synth, font, 1);
  fluid_player_t* player = new_fluid_player(synth);
  if (growing) fluid_player_set_playback_callback(player, PlayGrowingVoices, synth);
  fluid_player_add_mem(player, midi.data(), midi.size());
  fluid_player_play(player);
  Rendered out;
  std::vector<std::int16_t> block(2048 * 2);
  while (fluid_player_get_status(player) == FLUID_PLAYER_PLAYING) {
    fluid_synth_write_s16(synth, 2048, block.data(), 0, 2, block.data(), 1, 2);
    out.samples.insert(out.samples.end(), block.begin(), block.end());
  }
  out.polyphony = fluid_synth_get_polyphony(synth);
  delete_fluid_player(player);
  delete_fluid_synth(synth);
  delete_fluid_settings(settings);
  return out;
}

TEST(SynthVoicesTest, GrownVoicesSoundAsTheFullPolyphonyDoes) {
  const char* font = "/usr/share/sounds/sf2/TimGM6mb.sf2";
  if (!std::filesystem::exists(font)) GTEST_SKIP() << "no General MIDI soundfont";
  const std::string midi = Burst(6);
  const Rendered full = Render(midi, font, kMostVoices, false);
  const Rendered grown = Render(midi, font, kFirstVoices, true);
  EXPECT_EQ(grown.polyphony, kMostVoices);  // the burst needed more than the first voices
  ASSERT_EQ(grown.samples.size(), full.samples.size());
  EXPECT_TRUE(grown.samples == full.samples);
  // Without growing, the same burst is cut (FluidSynth says so for every note).
  const QuietFluidSynth quiet;
  EXPECT_FALSE(Render(midi, font, kFirstVoices, false).samples == full.samples);
}

}  // namespace
}  // namespace torvane::sdl
