// The save point under the faults a player can meet: files and folders the
// player may not write, a full disk, and a player killed while it saves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <random>
#include <set>
#include <string>

#include "platform/child_process.hpp"
#include "platform/cp932.hpp"
#include "platform/script_error.hpp"
#include "save/ini_file.hpp"
#include "save/save_point.hpp"
#include "support/file_contents.hpp"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using test::kNobody;
using test::RunInChild;

using test::Names;
using test::Read;
using test::Write;

// The text of the error the save raised, or "saved".
std::string Outcome(const SavePointFile& save, BytesView value) {
  try {
    save.WriteNext(value);
    return "saved";
  } catch (const ScriptError& error) {
    return platform::Cp932ToUtf8(error.Text());
  }
}

std::string CannotWrite(const fs::path& path) { return path.string() + " に書き込めません"; }

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  ::lstat(path.c_str(), &info);
  return info.st_mode & 07777;
}

// A save point with more in it than the game's own key, all of which must
// survive every save: 18 KB, so that its writes take several pages.
const std::string kOtherSections = [] {
  std::string text = "; kept by hand\r\n[Options]\r\n";
  for (int i = 0; i < 1000; ++i) text += "Key" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
  return text;
}();
const std::string kSaved = kOtherSections + "[Game]\r\nNext=Sinario03.txt\r\n";

class SavePointFaults : public testing::Test {
 protected:
  void SetUp() override {
    const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    root_ = fs::temp_directory_path() / ("torvane-spf-" + std::to_string(::getpid()) + "-" + test);
    fs::remove_all(root_);
    game_ = root_ / "game";
    fs::create_directories(game_);
    ::chmod(root_.c_str(), 0755);
    Own(game_);
  }
  void TearDown() override {
    std::error_code ec;
    // A folder the test made read-only must become writable again to go.
    for (const auto& entry : fs::recursive_directory_iterator(root_, ec)) {
      if (entry.is_directory(ec) && !entry.is_symlink(ec)) ::chmod(entry.path().c_str(), 0755);
    }
    fs::remove_all(root_, ec);
  }
  // Under root the permission tests run as nobody, whose files these are.
  static void Own(const fs::path& path) {
    if (::geteuid() == 0) (void)::lchown(path.c_str(), kNobody, kNobody);
  }

  fs::path root_;
  fs::path game_;
};

TEST_F(SavePointFaults, AFileThePlayerMayNotWriteOrReadIsKeptByteForByte) {
  const fs::path file = game_ / "Kesmar.ini";
  for (const mode_t mode : {0444, 0000, 0200}) {
    Write(file, kSaved);
    Own(file);
    ::chmod(file.c_str(), mode);
    const test::ChildReport report = RunInChild(
        [&] {
          const auto save = SavePointFile::ForGame(game_);
          return save.ReadNext() + " | " + Outcome(save, "Sinario04.txt");
        },
        true);
    TORVANE_EXPECT_CHILD_FINISHED(report);
    // Continue reads what it may read; nothing is ever written.
    const std::string read = mode == 0444 ? "Sinario03.txt" : "Sinario00.txt";
    EXPECT_EQ(report.text, read + " | " + CannotWrite(file)) << std::oct << mode;
    EXPECT_EQ(Read(file), kSaved) << std::oct << mode;
    EXPECT_EQ(ModeOf(file), mode) << std::oct << mode;
    EXPECT_EQ(Names(game_), std::set<std::string>{"Kesmar.ini"}) << std::oct << mode;
  }
}

// The fallback folder serves a game folder the player may not write at all;
// a named file in a folder that cannot be written is the write error.
TEST_F(SavePointFaults, AFolderThePlayerMayNotWriteFallsBackOnlyForTheGamesOwnFile) {
  const fs::path data = root_ / "data";
  fs::create_directories(data);
  Own(data);
  Write(game_ / "Kesmar.ini", kSaved);
  ::chmod(game_.c_str(), 0555);
  const test::ChildReport report = RunInChild(
      [&] {
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
        const auto game = SavePointFile::ForGame(game_);
        const auto named = SavePointFile::AtPath(game_ / "Named.ini");
        std::string seen = Outcome(game, "Mine.txt");
        seen += " | " + SavePointFile::ForGame(game_).ReadNext();
        seen += " | " + Outcome(named, "x");
        return seen + " | " + game.WritePath().string();
      },
      true);
  TORVANE_EXPECT_CHILD_FINISHED(report);
  const std::string prefix = "saved | Mine.txt | " + CannotWrite(game_ / "Named.ini") + " | ";
  ASSERT_TRUE(report.text.starts_with(prefix)) << report.text;
  const fs::path fallback = report.text.substr(prefix.size());
  EXPECT_TRUE(fallback.string().starts_with((data / "torvane").string())) << fallback;
  // The shipped file's other sections went with the first save.
  EXPECT_EQ(Read(fallback), kOtherSections + "[Game]\r\nNext=Mine.txt\r\n");
  EXPECT_EQ(Read(game_ / "Kesmar.ini"), kSaved);
  EXPECT_EQ(Names(game_), std::set<std::string>{"Kesmar.ini"});
}

// The temporary file goes beside the link's target, so a link in a folder
// the player may not write still saves.
TEST_F(SavePointFaults, ALinkInAFolderThePlayerMayNotWriteSavesBesideItsTarget) {
  const fs::path saves = root_ / "saves";
  fs::create_directories(saves);
  Own(saves);
  Write(saves / "Kesmar.ini", kSaved);
  Own(saves / "Kesmar.ini");
  fs::create_symlink(saves / "Kesmar.ini", game_ / "Kesmar.ini");
  ::chmod(game_.c_str(), 0555);
  const test::ChildReport report =
      RunInChild([&] { return Outcome(SavePointFile::AtPath(game_ / "Kesmar.ini"), "Sinario04.txt"); }, true);
  TORVANE_EXPECT_CHILD_FINISHED(report);
  EXPECT_EQ(report.text, "saved");
  EXPECT_EQ(Read(saves / "Kesmar.ini"), kOtherSections + "[Game]\r\nNext=Sinario04.txt\r\n");
  EXPECT_TRUE(fs::is_symlink(game_ / "Kesmar.ini"));
  EXPECT_EQ(Names(saves), std::set<std::string>{"Kesmar.ini"});
}

ssize_t DiskFullAfterAPart(int fd, const void* data, std::size_t size) {
  static bool wrote = false;
  wrote = !wrote;
  if (wrote) return ::write(fd, data, size > 4096 ? 4096 : size);
  errno = ENOSPC;
  return -1;
}

TEST_F(SavePointFaults, AWriteThatFailsHalfwayRaisesTheWriteErrorAndKeepsTheFile) {
  const fs::path file = game_ / "Kesmar.ini";
  Write(file, kSaved);
  platform::FileCalls calls;
  calls.write = DiskFullAfterAPart;
  EXPECT_EQ(Outcome(SavePointFile::AtPath(file, calls), "Sinario04.txt"), CannotWrite(file));
  EXPECT_EQ(Read(file), kSaved);
  EXPECT_EQ(Names(game_), std::set<std::string>{"Kesmar.ini"});
}

// A real full disk: a small tmpfs in a mount namespace of the child's own.
// Root may make one; an ordinary user may where user namespaces are allowed.
std::string EnterPrivateTmpfs(const fs::path& mount_point, const char* options) {
  const uid_t uid = ::geteuid();
  const gid_t gid = ::getegid();
  if (::unshare(uid == 0 ? CLONE_NEWNS : CLONE_NEWUSER | CLONE_NEWNS) != 0) return "no mount namespace";
  if (uid != 0) {
    Write("/proc/self/setgroups", "deny");
    Write("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
    Write("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
  }
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return "cannot make mounts private";
  if (::mount("tmpfs", mount_point.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options) != 0) return "no tmpfs";
  return "";
}

// Fills the file system, leaving `room` bytes.
void Fill(const fs::path& filler, std::size_t room) {
  const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const std::string block(4096, 'f');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  struct stat info {};
  ::fstat(fd, &info);
  ::ftruncate(fd, info.st_size > static_cast<off_t>(room) ? info.st_size - static_cast<off_t>(room) : 0);
  ::close(fd);
}

TEST_F(SavePointFaults, AFullDiskRaisesTheWriteErrorAndKeepsTheFile) {
  const fs::path disk = root_ / "disk";
  fs::create_directories(disk);
  const test::ChildReport report = RunInChild([&]() -> std::string {
    if (std::string why = EnterPrivateTmpfs(disk, "size=256k,nr_inodes=64"); !why.empty()) {
      std::fprintf(stderr, "full-disk test skipped: %s (%s)\n", why.c_str(), std::strerror(errno));
      ::_exit(77);
    }
    const fs::path file = disk / "Kesmar.ini";
    const fs::path filler = disk / "filler";
    const auto save = SavePointFile::AtPath(file);
    Write(file, kSaved);
    std::string broken;
    const auto check = [&](const char* when) {
      if (Read(file) != kSaved) broken += std::string(when) + ": the file changed; ";
      if (Names(disk) != std::set<std::string>{"Kesmar.ini", "filler"}) broken += std::string(when) + ": files left; ";
    };
    // No room at all, then room for a part of the new file only: the file
    // is 18 KB and each write gets as far as the free pages.
    for (const std::size_t room : {std::size_t{0}, std::size_t{8192}}) {
      Fill(filler, room);
      const std::string outcome = Outcome(save, "Sinario04.txt");
      if (outcome != CannotWrite(file)) broken += "with " + std::to_string(room) + " bytes free: " + outcome + "; ";
      check(room == 0 ? "no room" : "some room");
    }
    // Every inode taken: the temporary file cannot even be made.
    fs::remove(filler);
    Write(filler, "");
    for (int i = 0; ::open((disk / ("i" + std::to_string(i))).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644) >= 0;) ++i;
    if (Outcome(save, "Sinario04.txt") != CannotWrite(file)) broken += "no inode: saved; ";
    if (Read(file) != kSaved) broken += "no inode: the file changed; ";
    // With room again, the save goes through.
    std::set<std::string> names = Names(disk);
    names.erase("Kesmar.ini");
    for (const std::string& name : names) fs::remove(disk / name);
    if (Outcome(save, "Sinario04.txt") != "saved") broken += "room again: not saved; ";
    if (Read(file) != kOtherSections + "[Game]\r\nNext=Sinario04.txt\r\n") broken += "room again: wrong content; ";
    return broken;
  });
  TORVANE_EXPECT_CHILD_FINISHED(report);
  EXPECT_EQ(report.text, "");
}

// A player saving over and over is killed at random moments. The file holds
// the old or the new content every time, never a part or a mix, and the
// temporary files of killed saves do not pile up. TORVANE_KILL_ROUNDS sets
// the number of kills.
TEST_F(SavePointFaults, KilledWhileSavingTheFileIsAlwaysWhole) {
  int rounds = 200;
  if (const char* set = std::getenv("TORVANE_KILL_ROUNDS")) rounds = std::atoi(set);
  const fs::path file = game_ / "Kesmar.ini";
  Write(file, kSaved);
  // Values of different lengths, so that a torn or mixed file shows.
  const std::string values[] = {"A.txt", "Sinario" + std::string(3000, 'B') + ".txt"};
  std::set<std::string> whole = {kSaved};
  for (const std::string& value : values) {
    IniFile ini = IniFile::Parse(kSaved);
    ini.Write("Game", "Next", value);
    whole.insert(ini.Serialize());
  }

  auto* saves = static_cast<std::atomic<long>*>(
      ::mmap(nullptr, sizeof(std::atomic<long>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(saves, MAP_FAILED);
  new (saves) std::atomic<long>(0);
  std::mt19937 random(std::random_device{}());
  int torn = 0;
  int left_behind = 0;
  std::size_t most_left = 0;
  for (int round = 0; round < rounds; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const auto save = SavePointFile::AtPath(file);
      for (long i = round;; ++i) {
        try {
          save.WriteNext(values[i % 2]);
        } catch (...) {
          ::_exit(1);
        }
        saves->fetch_add(1);
      }
    }
    // Every tenth kill first waits (up to 5 s) for the child to finish a
    // save, so that kills also land after whole saves on a machine too
    // loaded for any save to finish within the random delays.
    if (round % 10 == 0) {
      const long before = saves->load();
      for (int waited = 0; saves->load() == before && waited < 10000; ++waited) ::usleep(500);
    }
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 8000)(random));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child stopped by itself, status " << status;
    if (!whole.contains(Read(file))) ++torn;
    const std::size_t left = Names(game_).size() - 1;
    if (left > 0) ++left_behind;
    most_left = std::max(most_left, left);
  }
  EXPECT_EQ(torn, 0);
  // Each save removes what the last killed one left.
  EXPECT_LE(most_left, 1u);
  EXPECT_EQ(Outcome(SavePointFile::AtPath(file), "C.txt"), "saved");
  EXPECT_EQ(Names(game_), std::set<std::string>{"Kesmar.ini"});
  EXPECT_GT(saves->load(), 0);
  std::printf("%d kills, %ld saves, %d left a temporary file\n", rounds, saves->load(), left_behind);
  ::munmap(saves, sizeof(std::atomic<long>));
}

}  // namespace
}  // namespace torvane
