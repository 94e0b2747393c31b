#include "platform/file_reader.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/child_process.hpp"
#include "platform/cp932.hpp"
#include "platform/game_folder.hpp"
#include "platform/script_error.hpp"

namespace torvane::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Status = FileContent::Status;

class FileReaderTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    root_ = fs::temp_directory_path() / ("torvane-fr-" + std::to_string(::getpid()) + "-" + test);
    fs::remove_all(root_);
    fs::create_directories(root_ / "game");
    // The ordinary user must reach the files the permission tests make.
    ::chmod(root_.c_str(), 0755);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path Write(const std::string& name, const std::string& content, mode_t mode = 0644) {
    const fs::path path = root_ / name;
    std::ofstream(path, std::ios::binary) << content;
    ::chmod(path.c_str(), mode);
    return path;
  }
  // A file of `size` bytes that takes no room on disk.
  fs::path Sparse(const std::string& name, std::uint64_t size) {
    const fs::path path = Write(name, "");
    fs::resize_file(path, size);
    return path;
  }

  fs::path root_;
};

TEST_F(FileReaderTest, ReadsRegularFilesWholeWithTheirMode) {
  const std::string bytes = "line\r\n\0\x83\x5C\xFF\r"s;
  const FileContent read = ReadRegularFile(Write("bin.dat", bytes, 0640), 1 << 20);
  EXPECT_EQ(read.status, Status::Read);
  EXPECT_EQ(read.bytes, bytes);
  EXPECT_EQ(read.mode, 0640u);
  EXPECT_EQ(ReadRegularFile(Write("empty", ""), 0).status, Status::Read);

  // A link to a regular file reads its target.
  fs::create_symlink("bin.dat", root_ / "link");
  EXPECT_EQ(ReadRegularFile(root_ / "link", 1 << 20).bytes, bytes);
}

TEST_F(FileReaderTest, MissingIsToldApartFromCannotOpen) {
  Write("file", "x");
  EXPECT_EQ(ReadRegularFile(root_ / "nothing", 100).status, Status::Missing);
  EXPECT_EQ(ReadRegularFile(root_ / "file" / "below", 100).status, Status::Missing);
  fs::create_symlink("nowhere", root_ / "dangling");
  EXPECT_EQ(ReadRegularFile(root_ / "dangling", 100).status, Status::Missing);
  fs::create_symlink("loop", root_ / "loop");
  EXPECT_EQ(ReadRegularFile(root_ / "loop", 100).status, Status::CannotOpen);
}

TEST_F(FileReaderTest, AnythingButARegularFileCannotBeOpenedAndNeverBlocks) {
  ASSERT_EQ(::mkfifo((root_ / "fifo").c_str(), 0644), 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = (root_ / "sock").string();
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socket_path.c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  fs::create_symlink("/dev/zero", root_ / "zero");
  fs::create_symlink("fifo", root_ / "fifo-link");

  for (const char* name : {"game", "fifo", "sock", "zero", "fifo-link"}) {
    for (const FileAccess access : {FileAccess::Read, FileAccess::ReadWrite}) {
      const FileContent read = ReadRegularFile(root_ / name, 1 << 20, access);
      EXPECT_EQ(read.status, Status::CannotOpen) << name;
      EXPECT_TRUE(read.bytes.empty()) << name;
    }
  }
  EXPECT_EQ(ReadRegularFile("/dev/null", 1 << 20).status, Status::CannotOpen);
  ::close(sock);
}

TEST_F(FileReaderTest, FilesOverTheLimitAreRefused) {
  const fs::path ten = Write("ten", "0123456789");
  EXPECT_EQ(ReadRegularFile(ten, 10).bytes, "0123456789");
  EXPECT_EQ(ReadRegularFile(ten, 9).status, Status::TooLarge);
  EXPECT_EQ(ReadRegularFile(Sparse("huge", std::uint64_t{1} << 40), std::uint64_t{1} << 30).status,
            Status::TooLarge);

  // Files under /proc say they are empty; the limit holds as they are read.
  EXPECT_EQ(ReadRegularFile("/proc/self/status", 10).status, Status::TooLarge);
  const FileContent status = ReadRegularFile("/proc/self/status", 1 << 20);
  EXPECT_EQ(status.status, Status::Read);
  EXPECT_NE(status.bytes.find("Umask:"), std::string::npos);
}

TEST_F(FileReaderTest, PermissionsApplyToTheOrdinaryUser) {
  const fs::path unreadable = Write("unreadable", "secret", 0000);
  const fs::path read_only = Write("read-only", "kept", 0444);
  const test::ChildReport report = test::RunInChild(
      [&] {
        std::string seen;
        for (const fs::path& path : {unreadable, read_only}) {
          for (const FileAccess access : {FileAccess::Read, FileAccess::ReadWrite}) {
            const FileContent read = ReadRegularFile(path, 100, access);
            seen += read.status == Status::Read ? "read:" + read.bytes + " " : "refused ";
          }
        }
        return seen;
      },
      true);
  TORVANE_EXPECT_CHILD_FINISHED(report);
  EXPECT_EQ(report.text, "refused refused read:kept refused ");
}

TEST_F(FileReaderTest, GameFolderReadsOnlyRegularFilesAndNamesTheFileOverItsLimit) {
  const GameFolder folder(root_ / "game");
  ASSERT_EQ(::mkfifo((root_ / "game" / "Scene.bmp").c_str(), 0644), 0);
  fs::create_directory(root_ / "game" / "Sinario01.txt");
  fs::create_symlink("/dev/zero", root_ / "game" / "zero.wmf");
  for (const char* name : {"scene.bmp", "SINARIO01.TXT", "zero.wmf"}) {
    EXPECT_EQ(folder.ReadFile(name), std::nullopt) << name;
  }

  Sparse("game/Big.bmp", kGameFileLimit);
  EXPECT_EQ(folder.ReadFile("big.bmp")->size(), kGameFileLimit);
  Sparse("game/Huge.bmp", kGameFileLimit + 1);
  try {
    (void)folder.ReadFile("..\\game\\huge.bmp");
    ADD_FAILURE() << "no error";
  } catch (const ScriptError& error) {
    EXPECT_EQ(Cp932ToUtf8(error.Text()), "ファイル ..\\game\\huge.bmp は大きすぎます (128 MB まで)");
  }
}

// Games made on Windows may name files outside their folder; they keep
// working.
TEST_F(FileReaderTest, GameFolderFollowsNamesThatLeaveTheFolder) {
  fs::create_directories(root_ / "shared");
  Write("shared/Common.txt", "shared text");
  const GameFolder folder(root_ / "game");
  EXPECT_EQ(folder.ReadFile("..\\shared\\common.txt"), "shared text");
  EXPECT_EQ(folder.ReadFile("../SHARED/Common.txt"), "shared text");
  EXPECT_EQ(folder.ReadFile((root_ / "shared" / "common.TXT").string()), "shared text");
}

std::string View(const FileBufferContent& read) { return std::string(read.bytes.View()); }

// The buffer reading keeps every rule of the string reading, for files
// small and large.
TEST_F(FileReaderTest, BufferReadingKeepsTheRules) {
  const std::string small = "line\r\n\0\x83\x5C\xFF\r"s;
  std::string large(std::size_t{5} << 20, 'x');
  large[0] = '\0';
  large.back() = '\n';
  for (const std::string& bytes : {small, large, ""s}) {
    const fs::path path = Write("f" + std::to_string(bytes.size()), bytes);
    std::optional<FileBufferContent> read(ReadRegularFileBuffer(path, 1 << 30));
    EXPECT_EQ(read->status, Status::Read);
    EXPECT_EQ(View(*read), bytes);
    // Moving keeps the bytes.
    FileBuffer kept = std::move(read->bytes);
    read.reset();
    EXPECT_EQ(kept.View(), bytes);
  }

  Write("file", "x");
  EXPECT_EQ(ReadRegularFileBuffer(root_ / "nothing", 100).status, Status::Missing);
  EXPECT_EQ(ReadRegularFileBuffer(root_ / "file" / "below", 100).status, Status::Missing);
  ASSERT_EQ(::mkfifo((root_ / "fifo").c_str(), 0644), 0);
  for (const char* name : {"game", "fifo"}) {
    EXPECT_EQ(ReadRegularFileBuffer(root_ / name, 100).status, Status::CannotOpen) << name;
  }
  EXPECT_EQ(ReadRegularFileBuffer("/dev/zero", 100).status, Status::CannotOpen);
  const fs::path ten = Write("ten", "0123456789");
  EXPECT_EQ(View(ReadRegularFileBuffer(ten, 10)), "0123456789");
  EXPECT_EQ(ReadRegularFileBuffer(ten, 9).status, Status::TooLarge);
  EXPECT_EQ(ReadRegularFileBuffer(Sparse("huge", std::uint64_t{1} << 40), std::uint64_t{1} << 30).status,
            Status::TooLarge);
  // Files that tell no size grow their buffer as they are read, up to the limit.
  EXPECT_EQ(ReadRegularFileBuffer("/proc/self/status", 10).status, Status::TooLarge);
  EXPECT_NE(View(ReadRegularFileBuffer("/proc/self/status", 1 << 20)).find("Umask:"), std::string::npos);
  const fs::path secret = Write("secret", "s", 0000);
  const test::ChildReport report = test::RunInChild(
      [&] { return std::to_string(static_cast<int>(ReadRegularFileBuffer(secret, 10).status)); }, true);
  TORVANE_EXPECT_CHILD_FINISHED(report);
  EXPECT_EQ(report.text, std::to_string(static_cast<int>(Status::CannotOpen)));
}

TEST(FileBuffer, ShortenKeepsAPrefixAndTakesOverStrings) {
  FileBuffer buffer(std::string("abc\0def"s));
  EXPECT_EQ(buffer.View(), "abc\0def"s);
  buffer.Shorten(3);
  FileBuffer moved = std::move(buffer);
  EXPECT_EQ(moved.View(), "abc");
  EXPECT_EQ(buffer.size(), 0u);  // NOLINT(bugprone-use-after-move): a moved-from buffer is empty
  moved.Shorten(10);
  EXPECT_EQ(moved.View(), "abc");
}

}  // namespace
}  // namespace torvane::platform
