#include "media/media_module.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/script_error.hpp"
#include "platform/cp932.hpp"

namespace torvane {
namespace {

namespace fs = std::filesystem;

class MediaModuleTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("torvane-media-module-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
};

TEST(MediaModuleCandidates, BesideTheProgramFirstThenTheInstalledFolder) {
  EXPECT_EQ(MediaModuleCandidates("/opt/x/bin", "../lib/x86_64-linux-gnu/torvane"),
            (std::vector<fs::path>{"/opt/x/bin/torvane-sdl-media.so",
                                   "/opt/x/lib/x86_64-linux-gnu/torvane/torvane-sdl-media.so"}));
}

TEST_F(MediaModuleTest, FilesThatAreMissingOrNotModulesAreRefusedWithTheReason) {
  std::string error;
  EXPECT_EQ(LoadMediaModule({}, error), nullptr);
  EXPECT_NE(error, "");

  const fs::path missing = dir_ / "missing.so";
  EXPECT_EQ(LoadMediaModule({missing}, error), nullptr);
  EXPECT_NE(error.find(missing.string()), std::string::npos) << error;

  const fs::path text = dir_ / "torvane-sdl-media.so";
  std::ofstream(text) << "not a library\n";
  EXPECT_EQ(LoadMediaModule({missing, text}, error), nullptr);
  EXPECT_NE(error.find("torvane-sdl-media.so"), std::string::npos) << "the last candidate's reason: " << error;
}

TEST_F(MediaModuleTest, WithoutTheModuleThePlayerWarnsOnceAndStillFindsFiles) {
  std::ofstream(dir_ / "tune.mid") << "MThd";
  const platform::GameFolder folder(dir_);
  PlayerMedia media({dir_ / "nowhere.so"});

  testing::internal::CaptureStderr();
  const auto music = media.NewMusic(folder);
  const auto sounds = media.NewSound(folder);
  const std::string warnings = testing::internal::GetCapturedStderr();
  EXPECT_EQ(warnings, "torvane: playing without music or sound effects: " + (dir_ / "nowhere.so").string() +
                          ": no such file\n");

  // Silent, but the game's music errors are the same.
  music->Open("TUNE.MID");
  music->Play();
  EXPECT_TRUE(music->IsPlaying());
  try {
    music->Open("missing.mid");
    ADD_FAILURE() << "a missing track opened";
  } catch (const ScriptError& error) {
    EXPECT_EQ(platform::Cp932ToUtf8(error.Text()), "音楽ファイル「missing.mid」を開けません");
  }
  EXPECT_FALSE(sounds->Play("missing.wav"));
}

}  // namespace
}  // namespace torvane
