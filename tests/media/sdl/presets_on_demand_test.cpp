#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "media/midi_programs.hpp"
#include "media/sdl/soundfonts.hpp"

namespace torvane::sdl {
namespace {

const char* const kFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// A Standard MIDI File of one track holding `events`.
std::string OneTrackFile(const std::string& events) {
  const std::size_t n = events.size();
  return std::string("MThd\0\0\0\6\0\0\0\1\1\xE0", 14) + "MTrk" +
         std::string{static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                     static_cast<char>(n)} +
         events;
}

// A track that selects, besides melodic presets: a bank the soundfont
// lacks (FluidSynth falls back on bank 0), a drum kit it has, and one it
// lacks (it falls back on the first kit).
std::string Track(int melodic, int kit) {
  std::string events;
  const auto put = [&events](std::initializer_list<int> bytes) {
    for (int b : bytes) events.push_back(static_cast<char>(b));
  };
  put({0, 0xB0, 0, 8, 0, 0xC0, melodic, 0, 0xC1, melodic + 1, 0, 0xC9, kit});
  for (int ch : {0, 1, 2, 9}) put({0, 0x90 | ch, 60 + ch, 100, 0, 0x90 | ch, 38 + ch, 90});
  put({0x83, 0x60, 0x80, 60, 0});  // the player ends once every note has
  for (int ch : {0, 1, 2, 9}) put({0, 0x80 | ch, 60 + ch, 0, 0, 0x80 | ch, 38 + ch, 0});
  put({0x83, 0x60, 0xFF, 0x2F, 0});
  return OneTrackFile(events);
}

struct Synth {
  explicit Synth(bool on_demand, const MidiPrograms& first_programs = kResetPrograms, const char* font = kFont) {
    settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", 44100);
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    synth = new_fluid_synth(settings);
    if (on_demand) {
      ChooseSoundfont(font, "/nonexistent");
      loaded = presets.Load(synth, first_programs);
    } else {
      loaded = fluid_synth_sfload(synth, font, 1) != FLUID_FAILED;
    }
  }
  ~Synth() {
    delete_fluid_synth(synth);
    presets.Forget();
    delete_fluid_settings(settings);
  }

  std::vector<std::int16_t> Play(const std::string& midi) {
    presets.Need(synth, ProgramsOfMidi(midi).value());
    fluid_synth_system_reset(synth);
    fluid_player_t* player = new_fluid_player(synth);
    fluid_player_add_mem(player, midi.data(), midi.size());
    fluid_player_play(player);
    std::vector<std::int16_t> out, block(1024 * 2);
    // Ten seconds at most: the track lasts one.
    while (fluid_player_get_status(player) == FLUID_PLAYER_PLAYING && out.size() < 441000 * 2) {
      fluid_synth_write_s16(synth, 1024, block.data(), 0, 2, block.data(), 1, 2);
      out.insert(out.end(), block.begin(), block.end());
    }
    delete_fluid_player(player);
    return out;
  }

  bool Holds(int bank, int program) const {
    for (int i = 0; i < fluid_synth_sfcount(synth); ++i) {
      if (fluid_sfont_get_preset(fluid_synth_get_sfont(synth, i), bank, program)) return true;
    }
    return false;
  }

  int Presets() const {
    int count = 0;
    for (int i = 0; i < fluid_synth_sfcount(synth); ++i) {
      fluid_sfont_t* font = fluid_synth_get_sfont(synth, i);
      fluid_sfont_iteration_start(font);
      while (fluid_sfont_iteration_next(font)) ++count;
    }
    return count;
  }

  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  PresetsOnDemand presets;
  bool loaded = false;
};

TEST(PresetsOnDemandTest, TracksSoundAsWithTheWholeSoundfont) {
  if (!std::filesystem::exists(kFont)) GTEST_SKIP() << "no General MIDI soundfont";
  Synth whole(false), on_demand(true);
  ASSERT_TRUE(whole.loaded && on_demand.loaded);
  const std::string first = Track(5, 16), second = Track(40, 3);
  const std::vector<std::int16_t> heard = whole.Play(first);
  ASSERT_GT(heard.size(), 44100u * 2);
  ASSERT_LT(heard.size(), 441000u * 2);
  EXPECT_NE(heard, std::vector<std::int16_t>(heard.size(), 0));
  EXPECT_TRUE(on_demand.Play(first) == heard);
  const int after_first = on_demand.Presets();
  // The second track's presets are added to the first's.
  EXPECT_TRUE(on_demand.Play(second) == whole.Play(second));
  EXPECT_GT(on_demand.Presets(), after_first);
  // Each preset once, and far fewer than the soundfont holds: programs 0, 5,
  // 6, 16, 40, 41 and 3, in each bank that has them.
  EXPECT_LT(on_demand.Presets(), whole.Presets() / 8);
  // And the first track again, on the presets loaded: as the whole
  // soundfont plays it after the same two tracks.
  const int loaded = on_demand.Presets();
  EXPECT_TRUE(on_demand.Play(first) == whole.Play(first));
  EXPECT_EQ(on_demand.Presets(), loaded);
}

// Each of channels 0 to 2 set to one of `programs` before its notes, as
// most tracks begin, with channel 0 in `bank`.
std::string SetBeforePlaying(std::initializer_list<int> programs, int bank = 8) {
  std::string events;
  const auto put = [&events](std::initializer_list<int> bytes) {
    for (int b : bytes) events.push_back(static_cast<char>(b));
  };
  put({0, 0xB0, 0, bank});
  int ch = 0;
  for (int program : programs) {
    put({0, 0xC0 | ch, program, 0, 0x90 | ch, 60 + ch, 100});
    ++ch;
  }
  put({0x83, 0x60, 0x80, 60, 0, 0, 0x81, 61, 0, 0, 0x82, 62, 0, 0x83, 0x60, 0xFF, 0x2F, 0});
  return OneTrackFile(events);
}

TEST(PresetsOnDemandTest, TheResetsProgramIsLoadedOnlyWhenItMaySound) {
  if (!std::filesystem::exists(kFont)) GTEST_SKIP() << "no General MIDI soundfont";
  const std::string track = SetBeforePlaying({89, 48, 46});
  const MidiPrograms programs = ProgramsOfMidi(track).value();
  ASSERT_FALSE(programs.test(0));
  Synth whole(false), on_demand(true, programs);
  ASSERT_TRUE(whole.loaded && on_demand.loaded);
  // The piano and the first kit are not loaded, nor their samples: the
  // channels the track leaves alone hold no preset, and it sounds the same.
  EXPECT_FALSE(on_demand.Holds(0, 0));
  EXPECT_FALSE(on_demand.Holds(128, 0));
  const std::vector<std::int16_t> heard = whole.Play(track);
  EXPECT_NE(heard, std::vector<std::int16_t>(heard.size(), 0));
  EXPECT_TRUE(on_demand.Play(track) == heard);
  EXPECT_FALSE(on_demand.Holds(0, 0));
  // A later track that plays on a channel it has not set brings them in.
  const std::string unset = Track(5, 16);
  EXPECT_TRUE(on_demand.Play(unset) == whole.Play(unset));
  EXPECT_TRUE(on_demand.Holds(0, 0) && on_demand.Holds(128, 0));
}

TEST(PresetsOnDemandTest, AProgramBankZeroLacksBringsTheOneFluidSynthFallsBackOn) {
  if (!std::filesystem::exists(kFont)) GTEST_SKIP() << "no General MIDI soundfont";
  // TimGM6mb with its program 89 moved from bank 0 to bank 8: a program
  // change to 89 in bank 0 then plays FluidSynth's fallback, the piano.
  std::string font;
  {
    std::ifstream in(kFont, std::ios::binary);
    font.assign(std::istreambuf_iterator<char>(in), {});
  }
  const std::size_t phdr = font.find("phdr");
  ASSERT_NE(phdr, std::string::npos);
  bool moved = false;
  for (std::size_t at = phdr + 8; at + 38 <= font.size() && !moved; at += 38) {
    if (font[at + 20] == 89 && font[at + 21] == 0 && font[at + 22] == 0 && font[at + 23] == 0) {
      font[at + 22] = 8;
      moved = true;
    }
  }
  ASSERT_TRUE(moved);
  const std::string path = std::filesystem::path(::testing::TempDir()) / "bank8.sf2";
  std::ofstream(path, std::ios::binary) << font;

  const std::string track = SetBeforePlaying({89}, 0);
  Synth whole(false, kResetPrograms, path.c_str()), on_demand(true, ProgramsOfMidi(track).value(), path.c_str());
  ASSERT_TRUE(whole.loaded && on_demand.loaded);
  EXPECT_TRUE(on_demand.Holds(0, 0));
  const std::vector<std::int16_t> heard = whole.Play(track);
  EXPECT_NE(heard, std::vector<std::int16_t>(heard.size(), 0));
  EXPECT_TRUE(on_demand.Play(track) == heard);
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace torvane::sdl
