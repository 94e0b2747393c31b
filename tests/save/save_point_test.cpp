#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/script_error.hpp"
#include "platform/cp932.hpp"
#include "save/save_point.hpp"
#include "support/file_contents.hpp"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using test::Names;
using test::Read;
using test::Write;

class SavePoint : public ::testing::Test {
 protected:
  SavePoint() : dir_(fs::temp_directory_path() / ("torvane-save-" + std::to_string(::getpid()))) {
    fs::create_directories(dir_);
  }
  ~SavePoint() override { fs::remove_all(dir_); }
  // The text of the error the save raised, or "saved".
  static std::string Outcome(const SavePointFile& save, BytesView value) {
    try {
      save.WriteNext(value);
      return "saved";
    } catch (const ScriptError& error) {
      return platform::Cp932ToUtf8(error.Text());
    }
  }
  static mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info.st_mode;
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

TEST_F(SavePoint, OddFilesReadAsMissingAndAreNeverReplaced) {
  const fs::path file = dir_ / "Kesmar.ini";
  const auto make = [&](const std::string& kind) {
    fs::remove_all(file);
    if (kind == "folder") fs::create_directory(file);
    if (kind == "fifo") ::mkfifo(file.c_str(), 0644);
    if (kind == "device") fs::create_symlink("/dev/zero", file);
    if (kind == "link loop") fs::create_symlink("Kesmar.ini", file);
    if (kind == "over 16 MB") {
      Write(file, "[Game]\r\nNext=Big.txt\r\n");
      fs::resize_file(file, (std::uintmax_t{16} << 20) + 1);
    }
  };
  for (const std::string kind : {"folder", "fifo", "device", "link loop", "over 16 MB"}) {
    make(kind);
    const mode_t before = ModeOf(file);
    const auto save = SavePointFile::ForGame(dir_);
    EXPECT_EQ(save.ReadNext(), "Sinario00.txt") << kind;
    EXPECT_EQ(Outcome(save, "Sinario01.txt"), file.string() + " に書き込めません") << kind;
    EXPECT_EQ(ModeOf(file), before) << kind;
    EXPECT_EQ(Names(dir_), std::set<std::string>{"Kesmar.ini"}) << kind;
    if (kind == "device") {
      EXPECT_EQ(fs::read_symlink(file), "/dev/zero");
    }
  }
  EXPECT_EQ(fs::file_size(file), (std::uintmax_t{16} << 20) + 1);
}

TEST_F(SavePoint, ALinkIsWrittenThroughToItsTarget) {
  fs::create_directories(dir_ / "game");
  fs::create_directories(dir_ / "saves" / "deeper");
  const fs::path target = dir_ / "saves" / "deeper" / "real.ini";
  Write(target, "[Other]\r\nA=1\r\n[Game]\r\nNext=old.txt\r\n");
  // A relative link to a relative link to the file.
  fs::create_symlink("deeper/real.ini", dir_ / "saves" / "hop.ini");
  fs::create_symlink("../saves/hop.ini", dir_ / "game" / "Kesmar.ini");

  const auto save = SavePointFile::ForGame(dir_ / "game");
  EXPECT_EQ(save.ReadNext(), "old.txt");
  EXPECT_EQ(Outcome(save, "new.txt"), "saved");
  EXPECT_EQ(Read(target), "[Other]\r\nA=1\r\n[Game]\r\nNext=new.txt\r\n");
  EXPECT_EQ(fs::read_symlink(dir_ / "game" / "Kesmar.ini"), "../saves/hop.ini");
  EXPECT_EQ(fs::read_symlink(dir_ / "saves" / "hop.ini"), "deeper/real.ini");
  EXPECT_EQ(Names(dir_ / "saves" / "deeper"), std::set<std::string>{"real.ini"});
  EXPECT_EQ(SavePointFile::ForGame(dir_ / "game").ReadNext(), "new.txt");

  // A link to a file not there yet makes it.
  fs::create_symlink(dir_ / "saves" / "later.ini", dir_ / "Kesmar.ini");
  EXPECT_EQ(Outcome(SavePointFile::ForGame(dir_), "a.txt"), "saved");
  EXPECT_EQ(Read(dir_ / "saves" / "later.ini"), "[Game]\r\nNext=a.txt\r\n");
  EXPECT_TRUE(fs::is_symlink(dir_ / "Kesmar.ini"));
}

TEST_F(SavePoint, TheFileKeepsItsModeAndANewOneGetsTheUsualMode) {
  const fs::path file = dir_ / "Kesmar.ini";
  Write(file, "[Game]\r\nNext=a\r\n");
  ::chmod(file.c_str(), 0604);
  SavePointFile::AtPath(file).WriteNext("b");
  EXPECT_EQ(ModeOf(file) & 07777, 0604u);

  fs::remove(file);
  const mode_t old_mask = ::umask(027);
  SavePointFile::AtPath(file).WriteNext("c");
  ::umask(old_mask);
  EXPECT_EQ(ModeOf(file) & 07777, 0640u);
}

}  // namespace
}  // namespace torvane
