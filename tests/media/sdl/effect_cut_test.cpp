#include "media/sdl/effect_decoder.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/sdl/sdl_media.hpp"
#include "media/sdl/virtual_media.hpp"
#include "sound_test_support.hpp"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using sdl::ChunkPtr;
using sdl::DecodeEffect;
using sdl::EffectCutBytes;

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string Fixture(const std::string& name) { return ReadBytes(fs::path(TORVANE_SOUND_FIXTURES) / name); }

// What the mixer made of the same bytes before effects were cut. The source
// is closed here, as SDL_mixer leaks it for a broken Ogg header.
ChunkPtr LoadedInFull(const std::string& bytes) {
  SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  if (source == nullptr) return nullptr;  // no bytes at all
  ChunkPtr chunk(Mix_LoadWAV_RW(source, 0));
  SDL_RWclose(source);
  return chunk;
}

// 8-bit mono PCM at 8 kHz: a 440 Hz tone, so that a cut made of padding
// instead of the file's samples shows.
std::string ToneWave(int seconds) {
  constexpr int kRate = 8000;
  std::string data;
  for (int i = 0; i < seconds * kRate; ++i) {
    data.push_back(static_cast<char>(128 + std::lround(100 * std::sin(2 * M_PI * 440 * i / kRate))));
  }
  auto le = [](std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
  };
  const std::string fmt = le(1, 2) + le(1, 2) + le(kRate, 4) + le(kRate, 4) + le(1, 2) + le(8, 2);
  const std::string body = "WAVEfmt " + le(16, 4) + fmt + "data" + le(static_cast<std::uint32_t>(data.size()), 4) + data;
  return "RIFF" + le(static_cast<std::uint32_t>(body.size()), 4) + body;
}

// The loudest sample in bytes [from, to) of a signed 16-bit chunk.
int Peak(const Mix_Chunk& chunk, Uint32 from, Uint32 to) {
  int peak = 0;
  for (Uint32 at = from; at + 1 < to && at + 1 < chunk.alen; at += 2) {
    Sint16 sample;
    std::memcpy(&sample, chunk.abuf + at, 2);
    peak = std::max(peak, std::abs(int{sample}));
  }
  return peak;
}

// A scratch game folder of files the repository cannot hold.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "torvane-effects-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
  }
  ~ScratchFolder() {
    std::error_code error;
    fs::remove_all(root_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const fs::path& Root() const { return root_; }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(root_ / name, std::ios::binary) << bytes;
  }

 private:
  fs::path root_;
};

class EffectCutTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { sdl::OpenAudio(sdl::AudioOutput::Silent); }
  void TearDown() override { Mix_HaltChannel(-1); }

  // The length of the chunk the effect channel plays, 0 when silent.
  static Uint32 Playing() { return Mix_Playing(sdl::kEffectChannel) ? Mix_GetChunk(sdl::kEffectChannel)->alen : 0; }
};

TEST_F(EffectCutTest, TheCutIsAMinuteInTheMixersFormat) {
  int freq = 0;
  Uint16 format = 0;
  int channels = 0;
  ASSERT_TRUE(Mix_QuerySpec(&freq, &format, &channels));
  EXPECT_EQ(EffectCutBytes(), static_cast<Uint32>(60 * freq * channels * (SDL_AUDIO_BITSIZE(format) / 8)));
}

TEST_F(EffectCutTest, LongEffectsOfEveryKindPlayExactlyTheCut) {
  const ScratchFolder scratch;
  scratch.Write("tone.wav", ToneWave(90));
  for (const auto& folder : {platform::GameFolder(TORVANE_SOUND_FIXTURES), platform::GameFolder(scratch.Root())}) {
    SdlSound sounds(folder);
    for (const char* file : {"long.ogg", "long.flac", "long.mid", "long.mod", "tone.wav"}) {
      if (!fs::exists(folder.Root() / file)) continue;
      SCOPED_TRACE(file);
      EXPECT_TRUE(sounds.Play(file));
      EXPECT_EQ(Playing(), EffectCutBytes());
    }
  }
}

TEST_F(EffectCutTest, ACutHoldsTheDecodedSoundNotPadding) {
  const ChunkPtr tone = DecodeEffect(ToneWave(90));
  ASSERT_TRUE(tone);
  const Uint32 second = EffectCutBytes() / 60;
  EXPECT_GT(Peak(*tone, tone->alen - second, tone->alen), 10000) << "the tone lasts to the end of the cut";

  const ChunkPtr note = DecodeEffect(Fixture("long.mid"));
  ASSERT_TRUE(note);
  EXPECT_EQ(note->alen, EffectCutBytes());
  EXPECT_GT(Peak(*note, 0, second), 100) << "the held note sounds";
}

TEST_F(EffectCutTest, EffectsWithinTheCutDecodeAsBefore) {
  std::vector<std::pair<std::string, std::string>> effects{{"59 s tone", ToneWave(59)}};
  for (const char* file : {"tune.wav", "tune.ogg", "tune.flac", "tune.mp3", "tune.mid", "short.wav", "chime.wav",
                           "click.wav", "disguised.wav"}) {
    effects.emplace_back(file, Fixture(file));
  }
  for (const auto& [name, bytes] : effects) {
    SCOPED_TRACE(name);
    const ChunkPtr before = LoadedInFull(bytes);
    const ChunkPtr now = DecodeEffect(bytes);
    ASSERT_TRUE(before);
    ASSERT_TRUE(now);
    ASSERT_EQ(now->alen, before->alen);
    EXPECT_EQ(std::memcmp(now->abuf, before->abuf, now->alen), 0);
  }
}

// Every MIDI effect renders on a fresh synthesizer lent the soundfont
// loaded once: what came before leaves nothing in its sound.
TEST_F(EffectCutTest, MidiEffectsSoundTheSameWhateverCameBefore) {
  const std::string tune = Fixture("tune.mid");
  const ChunkPtr first = DecodeEffect(tune);
  const ChunkPtr other = DecodeEffect(Fixture("long.mid"));
  const ChunkPtr again = DecodeEffect(tune);
  ASSERT_TRUE(first && other && again);
  EXPECT_GT(Peak(*first, 0, first->alen), 1000);
  ASSERT_EQ(again->alen, first->alen);
  EXPECT_EQ(std::memcmp(again->abuf, first->abuf, first->alen), 0);
}

TEST_F(EffectCutTest, TheSameBytesAreRefusedAsBefore) {
  // long.mid is left out: in full it is hours of synthesis.
  std::vector<std::pair<std::string, std::string>> effects{
      {"empty", ""},           {"three bytes", "RIF"},        {"RIFF garbage", "RIFF garbage of no use"},
      {"WAVE", "WAVE"},        {"AIFF garbage", "FORM\x01\x02"}, {"VOC garbage", "Creative Voice File"},
      {"Ogg garbage", "OggS junk"}, {"MIDI garbage", std::string("MThd\0\0\0\6\0\0\0\1", 12)},
      {"fLaC garbage", "fLaC and nothing else"}, {"61 s tone", ToneWave(61)}};
  for (const char* file : {"tune.wav", "tune.ogg", "tune.flac", "tune.mp3", "tune.mid", "short.wav", "disguised.wav",
                           "garbage.mid", "long.ogg", "long.flac", "long.mod"}) {
    effects.emplace_back(file, Fixture(file));
  }
  int accepted = 0;
  for (const auto& [name, bytes] : effects) {
    SCOPED_TRACE(name);
    const bool before = LoadedInFull(bytes) != nullptr;
    EXPECT_EQ(DecodeEffect(bytes) != nullptr, before);
    accepted += before;
  }
  // FluidSynth takes a bare MIDI header as a file without notes.
  EXPECT_EQ(accepted, 12) << "both the refused and the accepted are covered";
}

TEST_F(EffectCutTest, UnreadableEffectsAreSilentAndNeverThrow) {
  const ScratchFolder scratch;
  scratch.Write("empty.wav", "");
  fs::create_directory(scratch.Root() / "folder.wav");
  ASSERT_EQ(::mkfifo((scratch.Root() / "pipe.wav").c_str(), 0600), 0);
  // Sparse: one byte over the limit costs no disk.
  scratch.Write("huge.wav", ToneWave(1));
  fs::resize_file(scratch.Root() / "huge.wav", platform::kGameFileLimit + 1);
  const platform::GameFolder folder(scratch.Root());
  SdlSound sounds(folder);
  VirtualSound virtual_sounds(folder);
  for (const char* file : {"empty.wav", "folder.wav", "pipe.wav", "huge.wav", "missing.wav"}) {
    SCOPED_TRACE(file);
    bool played = true;
    EXPECT_NO_THROW(played = sounds.Play(file));
    EXPECT_FALSE(played);
    EXPECT_NO_THROW(played = virtual_sounds.Play(file));
    EXPECT_FALSE(played);
    EXPECT_EQ(Playing(), 0u);
  }
}

TEST_F(EffectCutTest, TheRunnerAnswersAsThePlayerForEveryFixture) {
  const platform::GameFolder folder = testing_support::SoundFixtures();
  SdlSound sounds(folder);
  VirtualSound virtual_sounds(folder);
  int played = 0;
  for (const auto& entry : fs::directory_iterator(folder.Root())) {
    const std::string file = entry.path().filename().string();
    SCOPED_TRACE(file);
    const bool plays = sounds.Play(file);
    EXPECT_EQ(virtual_sounds.Play(file), plays);
    played += plays;
  }
  EXPECT_EQ(played, 13) << "every fixture but garbage.mid";
}

}  // namespace
}  // namespace torvane
