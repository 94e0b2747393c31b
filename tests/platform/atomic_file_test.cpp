#include "platform/atomic_file.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace torvane::platform {
namespace {

namespace fs = std::filesystem;

// What the fake calls saw of the temporary file, and which call fails.
struct Seen {
  std::vector<std::string> names;
  std::vector<mode_t> modes;
};
Seen seen;

std::string NameOf(int fd) {
  std::error_code ec;
  return fs::read_symlink("/proc/self/fd/" + std::to_string(fd), ec).filename().string();
}

bool IsFolder(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
}

ssize_t WatchingWrite(int fd, const void* data, std::size_t size) {
  struct stat info {};
  ::fstat(fd, &info);
  seen.names.push_back(NameOf(fd));
  seen.modes.push_back(info.st_mode & 07777);
  return ::write(fd, data, size);
}
ssize_t FullDisk(int, const void*, std::size_t) {
  errno = ENOSPC;
  return -1;
}
// Writes a part, then finds the disk full, as a file system does.
ssize_t FillsUp(int fd, const void* data, std::size_t size) {
  static bool wrote = false;
  wrote = !wrote;
  if (!wrote) return FullDisk(fd, data, size);
  return ::write(fd, data, size / 2);
}
ssize_t WritesNothing(int, const void*, std::size_t) { return 0; }
ssize_t Interrupted(int fd, const void* data, std::size_t size) {
  static int calls = 0;
  if (++calls % 2 == 1) {
    errno = EINTR;
    return -1;
  }
  return ::write(fd, data, size < 3 ? size : 3);
}
int FileSyncFails(int fd) {
  if (IsFolder(fd)) return ::fsync(fd);
  errno = EIO;
  return -1;
}
int FolderSyncFails(int fd) {
  if (!IsFolder(fd)) return ::fsync(fd);
  errno = EIO;
  return -1;
}
int FolderSyncUnsupported(int fd) {
  if (!IsFolder(fd)) return ::fsync(fd);
  errno = EINVAL;
  return -1;
}
int RenameFails(int, const char*, int, const char*) {
  errno = EIO;
  return -1;
}

class AtomicFileTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    dir_ = fs::temp_directory_path() / ("torvane-af-" + std::to_string(::getpid()) + "-" + test);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    seen = Seen{};
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void Write(const std::string& name, const std::string& content) {
    std::ofstream(dir_ / name, std::ios::binary) << content;
  }
  std::string Read(const std::string& name) {
    std::ifstream file(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }
  std::set<std::string> Names() {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename().string());
    return names;
  }
  static mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info.st_mode & 07777;
  }

  fs::path dir_;
};

TEST_F(AtomicFileTest, WritesThroughARandomPrivateNameAndGivesTheModeLast) {
  Write("Kesmar.ini", "old");
  FileCalls calls;
  calls.write = WatchingWrite;
  ASSERT_TRUE(ReplaceFileAtomically(dir_ / "Kesmar.ini", "first", 0640, calls));
  ASSERT_TRUE(ReplaceFileAtomically(dir_ / "Kesmar.ini", "second", 0604, calls));
  EXPECT_EQ(Read("Kesmar.ini"), "second");
  EXPECT_EQ(ModeOf(dir_ / "Kesmar.ini"), 0604u);
  EXPECT_EQ(Names(), std::set<std::string>{"Kesmar.ini"});

  ASSERT_EQ(seen.names.size(), 2u);
  EXPECT_NE(seen.names[0], seen.names[1]);
  for (std::size_t i = 0; i < seen.names.size(); ++i) {
    EXPECT_TRUE(IsTemporaryFileOf(seen.names[i], "Kesmar.ini")) << seen.names[i];
    EXPECT_EQ(seen.names[i].size(), std::string("Kesmar.ini.tmp-").size() + 16) << seen.names[i];
    EXPECT_EQ(seen.modes[i], 0600u);
  }
}

TEST_F(AtomicFileTest, AFailureBeforeTheRenameKeepsTheOldFileAndLeavesNothing) {
  const std::string old_bytes = "[Game]\r\nNext=old.txt\r\n";
  const std::string new_bytes(100000, 'n');
  struct Fault {
    const char* name;
    FileCalls calls;
  };
  std::vector<Fault> faults(5);
  faults[0] = {"disk full", {}};
  faults[0].calls.write = FullDisk;
  faults[1] = {"short write, then disk full", {}};
  faults[1].calls.write = FillsUp;
  faults[2] = {"a write of nothing", {}};
  faults[2].calls.write = WritesNothing;
  faults[3] = {"file sync fails", {}};
  faults[3].calls.fsync = FileSyncFails;
  faults[4] = {"rename fails", {}};
  faults[4].calls.renameat = RenameFails;
  for (const Fault& fault : faults) {
    Write("Kesmar.ini", old_bytes);
    ::chmod((dir_ / "Kesmar.ini").c_str(), 0640);
    EXPECT_FALSE(ReplaceFileAtomically(dir_ / "Kesmar.ini", new_bytes, 0644, fault.calls)) << fault.name;
    EXPECT_EQ(Read("Kesmar.ini"), old_bytes) << fault.name;
    EXPECT_EQ(ModeOf(dir_ / "Kesmar.ini"), 0640u) << fault.name;
    EXPECT_EQ(Names(), std::set<std::string>{"Kesmar.ini"}) << fault.name;
  }

  FileCalls interrupted;
  interrupted.write = Interrupted;
  EXPECT_TRUE(ReplaceFileAtomically(dir_ / "Kesmar.ini", "interrupted writes go on", 0644, interrupted));
  EXPECT_EQ(Read("Kesmar.ini"), "interrupted writes go on");

  EXPECT_FALSE(ReplaceFileAtomically(dir_ / "no-folder" / "Kesmar.ini", "x", 0644));
  EXPECT_FALSE(ReplaceFileAtomically(dir_ / "Kesmar.ini" / "below", "x", 0644));
}

// After the rename the new content is in place; whether it survives a crash
// depends on the folder's sync, which only a file system without one may skip.
TEST_F(AtomicFileTest, TheFolderSyncDecidesSuccess) {
  FileCalls unsupported;
  unsupported.fsync = FolderSyncUnsupported;
  EXPECT_TRUE(ReplaceFileAtomically(dir_ / "Kesmar.ini", "a", 0644, unsupported));
  FileCalls failing;
  failing.fsync = FolderSyncFails;
  EXPECT_FALSE(ReplaceFileAtomically(dir_ / "Kesmar.ini", "b", 0644, failing));
  EXPECT_EQ(Read("Kesmar.ini"), "b");
  EXPECT_EQ(Names(), std::set<std::string>{"Kesmar.ini"});
}

TEST_F(AtomicFileTest, LeftoversOfKilledReplacementsGoButNoOtherFile) {
  Write("Kesmar.ini", "old");
  // Old players named them by process number; new ones by random digits.
  Write("Kesmar.ini.tmp-4242", "stale");
  Write("Kesmar.ini.tmp-0123456789abcdef", "stale");
  // Not ours by their names.
  Write("Kesmar.ini.tmp-notes.txt", "keep");
  Write("Kesmar.ini.tmp-", "keep");
  Write("Kesmar.ini.tmp-ABCDEF", "keep");
  Write("Other.ini.tmp-4242", "keep");
  Write("Kesmar.ini.bak", "keep");
  // Another player's save in progress holds its lock.
  Write("Kesmar.ini.tmp-feedfacefeedface", "in progress");
  const int held = ::open((dir_ / "Kesmar.ini.tmp-feedfacefeedface").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  // A link under such a name is neither followed nor removed.
  Write("target.txt", "keep");
  fs::create_symlink("target.txt", dir_ / "Kesmar.ini.tmp-00aa");

  ASSERT_TRUE(ReplaceFileAtomically(dir_ / "Kesmar.ini", "new", 0644));
  EXPECT_EQ(Names(), (std::set<std::string>{"Kesmar.ini", "Kesmar.ini.tmp-notes.txt", "Kesmar.ini.tmp-",
                                            "Kesmar.ini.tmp-ABCDEF", "Other.ini.tmp-4242", "Kesmar.ini.bak",
                                            "Kesmar.ini.tmp-feedfacefeedface", "target.txt", "Kesmar.ini.tmp-00aa"}));
  EXPECT_EQ(Read("target.txt"), "keep");
  ::close(held);
  // Once its owner is gone, the next replacement removes it.
  ASSERT_TRUE(ReplaceFileAtomically(dir_ / "Kesmar.ini", "newer", 0644));
  EXPECT_FALSE(fs::exists(dir_ / "Kesmar.ini.tmp-feedfacefeedface"));
}

TEST_F(AtomicFileTest, LongNamesStillFitTheirTemporaryName) {
  const std::string name(250, 'k');
  EXPECT_TRUE(ReplaceFileAtomically(dir_ / name, "long", 0644));
  EXPECT_EQ(Read(name), "long");
  EXPECT_EQ(Names(), std::set<std::string>{name});
}

TEST_F(AtomicFileTest, NewFilesFollowTheUmask) {
  const mode_t old_mask = ::umask(027);
  const mode_t mode = NewFileMode();
  ::umask(old_mask);
  EXPECT_EQ(mode, 0640u);
}

}  // namespace
}  // namespace torvane::platform
