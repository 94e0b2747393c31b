#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/script_error.hpp"
#include "platform/cp932.hpp"
#include "save/save_point.hpp"

namespace torvane {
namespace {

namespace fs = std::filesystem;

class SavePoint : public ::testing::Test {
 protected:
  SavePoint() : dir_(fs::temp_directory_path() / ("torvane-save-" + std::to_string(::getpid()))) {
    fs::create_directories(dir_);
  }
  ~SavePoint() override { fs::remove_all(dir_); }
  std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }
  fs::path dir_;
};

TEST_F(SavePoint, MissingFileReadsTheFirstScenario) {
  EXPECT_EQ(SavePointFile::ForGame(dir_).ReadNext(), "Sinario00.txt");
}

TEST_F(SavePoint, WriteKeepsTheRestOfTheFileAndAnyLetterCaseIsTheSameFile) {
  std::ofstream(dir_ / "kesmar.ini", std::ios::binary) << "; keep\r\n[Other]\nA=1\r\n";
  const auto save = SavePointFile::ForGame(dir_);
  save.WriteNext("\x83\x5C.txt");
  EXPECT_EQ(Read(dir_ / "kesmar.ini"), "; keep\r\n[Other]\nA=1\r\n[Game]\r\nNext=\x83\x5C.txt\r\n");
  EXPECT_FALSE(fs::exists(dir_ / "Kesmar.ini"));
  EXPECT_EQ(SavePointFile::ForGame(dir_).ReadNext(), "\x83\x5C.txt");
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(SavePoint, UnwritableFileRaisesTheWriteErrorWithItsPath) {
  const fs::path target = dir_ / "missing-folder" / "Kesmar.ini";
  std::ofstream(dir_ / "missing-folder", std::ios::binary) << "a file where a folder should be";
  try {
    SavePointFile::AtPath(target).WriteNext("x");
    ADD_FAILURE();
  } catch (const ScriptError& error) {
    EXPECT_EQ(platform::Cp932ToUtf8(error.Text()), target.string() + " に書き込めません");
  }
}

TEST_F(SavePoint, ReadOnlyGameFolderSavesUnderXdgDataHome) {
  const fs::path game = dir_ / "game";
  const fs::path data = dir_ / "data";
  fs::create_directories(game);
  std::ofstream(game / "Kesmar.ini", std::ios::binary) << "[Game]\r\nNext=Shipped.txt\r\n";
  ::setenv("XDG_DATA_HOME", data.c_str(), 1);
  const auto save = SavePointFile::ForGame(game, false);
  EXPECT_EQ(save.ReadNext(), "Shipped.txt");
  save.WriteNext("Mine.txt");
  EXPECT_EQ(SavePointFile::ForGame(game, false).ReadNext(), "Mine.txt");
  EXPECT_TRUE(save.WritePath().string().starts_with(data.string()));
  EXPECT_EQ(Read(game / "Kesmar.ini"), "[Game]\r\nNext=Shipped.txt\r\n");
  ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace torvane
