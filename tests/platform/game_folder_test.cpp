#include "platform/game_folder.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace torvane::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class GameFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    root_ = fs::temp_directory_path() / ("torvane-gf-" + std::to_string(::getpid()) + "-" + info->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "data");
    Write("start.txt", "start");
    Write("Sinario00.txt", "scene 0");
    Write("data/BG.BMP", "bitmap");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  // `name` is raw bytes, as the file system stores them.
  void Write(const std::string& name, const std::string& content) {
    std::ofstream(root_ / name, std::ios::binary) << content;
  }

  fs::path root_;
};

TEST_F(GameFolderTest, FindsNamesInAnyLetterCaseAndWithBackslashes) {
  GameFolder folder(root_);
  EXPECT_EQ(folder.Resolve("start.txt"), root_ / "start.txt");
  EXPECT_EQ(folder.Resolve("SINARIO00.TXT"), root_ / "Sinario00.txt");
  EXPECT_EQ(folder.Resolve("data\\bg.bmp"), root_ / "data/BG.BMP");
  EXPECT_EQ(folder.Resolve("\\DATA\\\\Bg.Bmp"), root_ / "data/BG.BMP");
  EXPECT_EQ(folder.ReadFile("Data\\bg.bmp"), "bitmap");
  EXPECT_EQ(folder.Resolve(root_.string() + "/START.TXT"), root_ / "start.txt");
  EXPECT_EQ(folder.ReadFile("data\\..\\START.TXT"), "start");
}

TEST_F(GameFolderTest, SecondByte5CIsNotASeparatorWhetherStoredAsCp932OrUtf8) {
  Write("\x83\x5C.TXT", "cp932 name");
  fs::create_directory(root_ / "表示");
  Write("表示/Title.BMP", "utf8 folder");
  Write("能.txt", "utf8 name");
  GameFolder folder(root_);
  EXPECT_EQ(folder.ReadFile("\x83\x5C.txt"), "cp932 name");
  EXPECT_EQ(folder.ReadFile("\x95\x5C\x8E\xA6\\title.bmp"), "utf8 folder");
  EXPECT_EQ(folder.Resolve("\x94\x5C.TXT"), root_ / "能.txt");
}

TEST_F(GameFolderTest, CaseFoldingLeavesDoubleByteCharactersAlone) {
  Write("\x83\x61.txt", "small ya");  // ャ; ア is 83 41
  GameFolder folder(root_);
  EXPECT_EQ(folder.ReadFile("\x83\x61.TXT"), "small ya");
  EXPECT_EQ(folder.Resolve("\x83\x41.txt"), std::nullopt);
}

TEST_F(GameFolderTest, SeveralMatchesPickExactBytesThenSmallestName) {
  Write("readme.txt", "lower");
  Write("README.TXT", "upper");
  Write("ソ.TXT", "upper so");
  Write("ソ.txt", "lower so");
  GameFolder folder(root_);
  EXPECT_EQ(folder.ReadFile("Readme.txt"), "upper");
  EXPECT_EQ(folder.ReadFile("\x83\x5C.txt"), "lower so");
}

TEST_F(GameFolderTest, MissingFilesAndDirectoriesAreNotFound) {
  Write("plain.txt", "x");
  GameFolder folder(root_);
  for (std::string name : {"nothing.txt", "data\\nothing.bmp", "nodir\\bg.bmp", "PLAIN.TXT\\x", "\\\\", ""}) {
    EXPECT_EQ(folder.Resolve(name), std::nullopt) << name;
    EXPECT_EQ(folder.ReadFile(name), std::nullopt) << name;
  }
  EXPECT_EQ(folder.Resolve("DATA"), root_ / "data");
  EXPECT_EQ(folder.ReadFile("DATA"), std::nullopt);
  EXPECT_EQ(folder.ReadFile("data"), std::nullopt);
  // Opening a FIFO for reading would block until a writer came along.
  ASSERT_EQ(::mkfifo((root_ / "pipe").c_str(), 0600), 0);
  EXPECT_EQ(folder.ReadFile("PIPE"), std::nullopt);
}

TEST_F(GameFolderTest, HostileNamesAreNotFoundAndDoNotThrow) {
  GameFolder folder(root_);
  // Cut at the NUL this would name start.txt, which exists.
  EXPECT_EQ(folder.Resolve("start.txt\0.bmp"s), std::nullopt);
  EXPECT_EQ(folder.Resolve(std::string(100000, 'a')), std::nullopt);
  EXPECT_EQ(folder.Resolve(std::string(5000, '\\') + "start.txt"), root_ / "start.txt");
  EXPECT_EQ(folder.Resolve("\xFF\xFE\\\x80\\data\\\x83"), std::nullopt);
}

TEST_F(GameFolderTest, CachedListingsPickUpNewAndRenamedFiles) {
  GameFolder folder(root_);
  EXPECT_EQ(folder.Resolve("data\\late.bmp"), std::nullopt);
  Write("data/LATE.BMP", "late");
  EXPECT_EQ(folder.ReadFile("data\\late.bmp"), "late");

  fs::remove(root_ / "data/BG.BMP");
  Write("data/bg.BMP", "renamed");
  EXPECT_EQ(folder.ReadFile("data\\BG.bmp"), "renamed");
}

TEST_F(GameFolderTest, ReadFileReturnsExactBytes) {
  const std::string bytes = "line\r\n\0\x83\x5C\xFF\r"s;
  std::string big(3 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
  Write("bin.dat", bytes);
  Write("big.dat", big);
  Write("empty.txt", "");
  GameFolder folder(root_);
  EXPECT_EQ(folder.ReadFile("BIN.DAT"), bytes);
  EXPECT_EQ(folder.ReadFile("big.dat"), big);
  EXPECT_EQ(folder.ReadFile("Empty.txt"), "");
}

}  // namespace
}  // namespace torvane::platform
