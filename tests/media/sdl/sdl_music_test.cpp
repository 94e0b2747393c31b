#include "media/sdl/sdl_media.hpp"
#include "media/sdl/virtual_media.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>

#include "media/sdl/sdl_audio.hpp"
#include "sound_test_support.hpp"

namespace torvane {
namespace {

using testing_support::OpenOutcome;
using testing_support::SoundFixtures;
using testing_support::WaitFor;

class SdlMusicTest : public testing::Test {
 protected:
  // Plays `file` until `seconds` of it have played.
  void PlayInto(const char* file, double seconds) {
    music_.Open(file);
    music_.Play();
    ASSERT_TRUE(WaitFor([&] { return music_.PositionSeconds() >= seconds; })) << file;
  }

  platform::GameFolder folder_ = SoundFixtures();
  SdlMusic music_{folder_};
};

TEST_F(SdlMusicTest, EveryFormatOpensPlaysStopsAndResumes) {
  // Ogg Vorbis named .wav: the content picks the decoder. TUNE.OGG: the
  // name goes through the game folder, which ignores letter case.
  for (const char* file : {"tune.mid", "tune.wav", "tune.ogg", "tune.mp3", "tune.flac", "disguised.wav", "TUNE.OGG"}) {
    SCOPED_TRACE(file);
    music_.Open(file);
    EXPECT_FALSE(music_.IsPlaying()) << "an opened track waits for Play";
    music_.Play();
    EXPECT_TRUE(music_.IsPlaying());
    music_.Stop();
    EXPECT_FALSE(music_.IsPlaying());
    music_.Play();
    EXPECT_TRUE(music_.IsPlaying());
  }
  music_.Close();
  music_.Play();
  EXPECT_FALSE(music_.IsPlaying());
  EXPECT_EQ(Mix_PlayingMusic(), 0);
}

TEST_F(SdlMusicTest, OpenFailuresNameTheFileAndLeaveNoTrack) {
  const std::pair<std::string, std::string> cases[] = {
      {"missing.ogg", "音楽ファイル「missing.ogg」を開けません"},
      {"", "音楽ファイル「」を開けません"},
      {"garbage.mid", "音楽ファイル「garbage.mid」を開けません"},
      {"\x89\xB9\x8A\x79.mid", "音楽ファイル「音楽.mid」を開けません"},
  };
  for (const auto& [file, text] : cases) {
    SCOPED_TRACE(file);
    music_.Open("tune.ogg");
    music_.Play();
    EXPECT_EQ(OpenOutcome(music_, file), text);
    EXPECT_FALSE(music_.IsPlaying()) << "the old track was closed first";
    music_.Play();
    EXPECT_EQ(Mix_PlayingMusic(), 0) << "nothing is left open to play";
  }
  const auto open_files = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator{});
  };
  const auto before = open_files();
  for (int i = 0; i < 20; ++i) OpenOutcome(music_, "garbage.mid");
  EXPECT_EQ(open_files(), before) << "a refused file is closed again";
}

// Opening a FIFO would wait for a writer that never comes.
TEST_F(SdlMusicTest, AFifoUnderAGameFileNameFailsWithoutBlocking) {
  const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "torvane-sdl-fifo";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  ASSERT_EQ(mkfifo((dir / "pipe.mid").c_str(), 0600), 0);
  const platform::GameFolder folder(dir);
  SdlSound sounds(folder);
  auto outcome = std::async(std::launch::async, [&] {
    SdlMusic music(folder);
    return OpenOutcome(music, "pipe.mid") + (sounds.Play("pipe.mid") ? " (effect started)" : "");
  });
  const bool finished = outcome.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  if (!finished) ::close(::open((dir / "pipe.mid").c_str(), O_WRONLY | O_NONBLOCK));  // lets it end
  EXPECT_TRUE(finished);
  EXPECT_EQ(outcome.get(), "音楽ファイル「pipe.mid」を開けません");
}

TEST_F(SdlMusicTest, StopKeepsThePositionAndPlayResumesFromThere) {
  PlayInto("tune.ogg", 0.3);
  music_.Play();
  EXPECT_GE(music_.PositionSeconds(), 0.3) << "Play on a playing track does not rewind it";
  music_.Stop();
  const double stopped_at = music_.PositionSeconds();
  SDL_Delay(150);
  EXPECT_EQ(music_.PositionSeconds(), stopped_at) << "a stopped track does not move on";
  music_.Play();
  EXPECT_TRUE(music_.IsPlaying());
  EXPECT_GE(music_.PositionSeconds(), stopped_at);
}

TEST_F(SdlMusicTest, APlayedOutTrackStopsAndPlayStartsItAgain) {
  music_.Open("short.wav");  // 0.3 s
  for (int round = 0; round < 2; ++round) {
    music_.Play();
    EXPECT_TRUE(music_.IsPlaying());
    EXPECT_LT(music_.PositionSeconds(), 0.25) << "from the start";
    ASSERT_TRUE(WaitFor([&] { return !music_.IsPlaying(); }));
    music_.Stop();  // what "@BGM" does; it must not make the finished track resumable
  }
}

TEST_F(SdlMusicTest, BgmSequenceRestartsTheTrackPlaying) {
  PlayInto("tune.ogg", 0.4);
  for (const char* file : {"tune.ogg", "tune.wav"}) {
    SCOPED_TRACE(file);
    ASSERT_TRUE(music_.IsPlaying());
    music_.Stop();
    music_.Open(file);
    music_.Play();
    EXPECT_TRUE(music_.IsPlaying());
    EXPECT_LT(music_.PositionSeconds(), 0.35);
  }
}

// MIDI plays on the synthesizer every MIDI track shares, outside the mixer's
// own music: stopping, resuming, playing out and starting again behave as
// for any track, and the end is told.
TEST_F(SdlMusicTest, AMidiTrackStopsResumesPlaysOutAndIsToldOfItsEnd) {
  std::atomic<int> told{0};
  music_.OnPlayedOut([&] { ++told; });
  music_.Open("tune.mid");  // 4.3 s
  music_.Play();
  EXPECT_TRUE(music_.IsPlaying());
  music_.Stop();
  EXPECT_FALSE(music_.IsPlaying());
  SDL_Delay(100);
  EXPECT_EQ(told, 0) << "a stopped track has not played out";
  music_.Play();
  EXPECT_TRUE(music_.IsPlaying());
  ASSERT_TRUE(WaitFor([&] { return !music_.IsPlaying(); }));
  EXPECT_TRUE(WaitFor([&] { return told > 0; }));
  music_.Stop();
  music_.Play();
  EXPECT_TRUE(music_.IsPlaying()) << "from the start again";
  music_.OnPlayedOut({});
}

TEST_F(SdlMusicTest, TheMixersOwnTracksPlayAfterMidiAndAreToldOfTheirEnd) {
  std::atomic<int> told{0};
  music_.Open("tune.mid");
  music_.Play();
  PlayInto("tune.ogg", 0.2);  // the mixer mixes its own music again
  music_.Open("tune.mid");
  music_.Play();
  EXPECT_TRUE(music_.IsPlaying());
  music_.Open("short.wav");
  music_.OnPlayedOut([&] { ++told; });
  music_.Play();
  ASSERT_TRUE(WaitFor([&] { return !music_.IsPlaying(); }));
  EXPECT_TRUE(WaitFor([&] { return told > 0; }));
  music_.OnPlayedOut({});
}

// Where nothing is heard nothing is mixed: after the silent audio opens, no
// thread of the process wakes. In a fresh process, as the audio opens once.
TEST(SdlAudioDeathTest, SilentAudioWakesNoThread) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const auto switches = [] {
          long total = 0;
          for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            std::ifstream status(task.path() / "status");
            for (std::string line; std::getline(status, line);) {
              if (line.find("ctxt_switches:") != std::string::npos) total += std::stol(line.substr(line.find(':') + 1));
            }
          }
          return total;
        };
        sdl::OpenAudio(sdl::AudioOutput::Silent);
        const platform::GameFolder folder = SoundFixtures();
        VirtualSound sounds(folder);
        const bool started = sounds.Play("chime.wav");
        SDL_Delay(50);  // the device thread is under way: its first period
        const long before = switches();
        SDL_Delay(300);  // six periods of the dummy driver
        // This thread's own two sleeps and reads are all there is.
        std::exit(started && switches() - before <= 4 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

// Without a sound device the player warns once and plays on silently. In a
// fresh process, since the audio opens once per process.
TEST(SdlAudioDeathTest, NoSoundDeviceFallsBackToSilence) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        const platform::GameFolder folder = SoundFixtures();
        SdlMusic music(folder);
        SdlSound sounds(folder);
        music.Open("tune.ogg");
        music.Play();
        const bool silent = std::string(SDL_GetCurrentAudioDriver()) == "dummy";
        std::exit(silent && music.IsPlaying() && sounds.Play("chime.wav") ? 0 : 1);
      },
      testing::ExitedWithCode(0), "^torvane: no sound device \\(.*no-such-driver.*\\); playing silently\n$");
}

}  // namespace
}  // namespace torvane
