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
    const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    root_ = fs::temp_directory_path() / ("torvane-gf-" + std::to_string(::getpid()) + "-" + test);
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
  EXPECT_EQ(folder.ReadFile("\\Data\\\\bg.bmp"), "bitmap");
  EXPECT_EQ(folder.ReadFile("data\\..\\START.TXT"), "start");
  EXPECT_EQ(folder.Resolve(root_.string() + "/START.TXT"), root_ / "start.txt");
}

TEST_F(GameFolderTest, DoubleByteNamesMatchAsCp932OrUtf8) {
  Write("\x83\x5C.TXT", "cp932 name");
  fs::create_directory(root_ / "表示");
  Write("表示/Title.BMP", "utf8 folder");
  Write("\x83\x61.txt", "small ya");  // ャ; ア is 83 41
  GameFolder folder(root_);
  EXPECT_EQ(folder.ReadFile("\x83\x5C.txt"), "cp932 name");
  EXPECT_EQ(folder.ReadFile("\x95\x5C\x8E\xA6\\title.bmp"), "utf8 folder");
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

TEST_F(GameFolderTest, OnlyExistingRegularFilesAreRead) {
  ASSERT_EQ(::mkfifo((root_ / "pipe").c_str(), 0600), 0);  // reading it must not block
  GameFolder folder(root_);
  // Cut short at its NUL, "start.txt\0.bmp" would name a file that exists.
  for (const std::string& name : {"nothing.txt"s, "data\\nothing.bmp"s, "nodir\\bg.bmp"s, "\\\\"s, ""s, "DATA"s,
                                  "pipe"s, "start.txt\0.bmp"s, std::string(100000, 'a')}) {
    EXPECT_EQ(folder.ReadFile(name), std::nullopt) << name;
  }
  EXPECT_EQ(folder.Resolve("DATA"), root_ / "data");
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
  Write("bin.dat", bytes);
  Write("empty.txt", "");
  GameFolder folder(root_);
  EXPECT_EQ(folder.ReadFile("BIN.DAT"), bytes);
  EXPECT_EQ(folder.ReadFile("Empty.txt"), "");
}

// Held files stand for files of the folder itself, found by the same rules,
// before the disk's; music and effects, played by path, never see them.
TEST_F(GameFolderTest, HeldFilesAreReadBeforeTheDisksOnly) {
  GameFolder folder(root_);
  folder.Hold("Sinario00.txt", "held scene");
  folder.Hold("Next.txt", "held only");
  EXPECT_EQ(folder.ReadFile("Sinario00.txt"), "held scene");
  EXPECT_EQ(folder.ReadFile("SINARIO00.TXT"), "held scene");
  EXPECT_EQ(folder.ReadFile("\\next.txt"), "held only");
  EXPECT_EQ(folder.Resolve("Next.txt"), std::nullopt);
  EXPECT_EQ(folder.Resolve("Sinario00.txt"), root_ / "Sinario00.txt");
  // Names in a subfolder or outside the folder go to the disk.
  folder.Hold("BG.BMP", "held bitmap");
  EXPECT_EQ(folder.ReadFile("data\\bg.bmp"), "bitmap");
  EXPECT_EQ(folder.ReadFile(root_.string() + "/start.txt"), "start");
  EXPECT_EQ(folder.ReadFile("start.txt"), "start");
  EXPECT_EQ(folder.ReadFile("Next.txt\0"s), std::nullopt);
}

// Scenarios are read into a buffer by the same rules, held files first.
TEST_F(GameFolderTest, BufferReadingFindsWhatReadFileFinds) {
  GameFolder folder(root_);
  folder.Hold("Next.txt", "held only");
  const auto view = [&](std::string_view name) -> std::optional<std::string> {
    auto buffer = folder.ReadFileBuffer(name);
    if (!buffer) return std::nullopt;
    return std::string(buffer->View());
  };
  for (const char* name : {"SINARIO00.TXT", "data\\bg.bmp", "next.txt", "missing.txt", "data", ""}) {
    EXPECT_EQ(view(name), folder.ReadFile(name)) << name;
  }
  EXPECT_EQ(view("NEXT.TXT"), "held only");
  EXPECT_EQ(view("Sinario00.txt\0"s), std::nullopt);
}

}  // namespace
}  // namespace torvane::platform
