// Feeds arbitrary bytes to the save point's read-modify-write, on disk.
//
// Byte 0 picks what stands under the name Kesmar.ini: a file, nothing, a
// link to a file in another folder, or a folder. Byte 1 picks a fault: none,
// a disk that fills up after some bytes, a failing rename, or writes cut into
// pieces of a few bytes. The rest is the file's content, then, after the
// first 0xFF 0xFE pair, the value to save (a plain name when there is none).
//
// Continue must read what the INI file reads, or the first scenario; a save
// must leave exactly the bytes the INI file gives after the same write, or,
// when it fails, raise the write error and leave the old bytes. No
// temporary file may remain and a link must stay a link.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "oracle.hpp"
#include "platform/atomic_file.hpp"
#include "platform/cp932.hpp"
#include "platform/script_error.hpp"
#include "save/ini_file.hpp"
#include "save/save_point.hpp"

// UBSan reports would otherwise print and carry on, unseen by the fuzzer.
extern "C" const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }

namespace {

namespace fs = std::filesystem;

enum class Under { File, Nothing, Link, Folder };
enum class Fault { None, DiskFills, RenameFails, SmallWrites };

TORVANE_ORACLE void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz_save_point: broken: %s\n", what);
  std::abort();
}

// The game folder and the folder a link points into, under TMPDIR, which
// the fuzz scripts point at a scratch folder.
const fs::path& Root() {
  static const fs::path* const root = [] {
    auto* path = new fs::path(fs::temp_directory_path() / ("torvane_fuzz_save_" + std::to_string(::getpid())));
    fs::create_directories(*path / "game");
    fs::create_directories(*path / "saves");
    return path;
  }();
  static const bool cleanup_registered = std::atexit([] {
    std::error_code ignored;
    fs::remove_all(Root(), ignored);
  }) == 0;
  (void)cleanup_registered;
  return *root;
}

std::size_t disk_room = 0;

ssize_t FillingWrite(int fd, const void* data, std::size_t size) {
  if (disk_room == 0) {
    errno = ENOSPC;
    return -1;
  }
  const std::size_t part = size < disk_room ? size : disk_room;
  const ssize_t n = ::write(fd, data, part);
  if (n > 0) disk_room -= static_cast<std::size_t>(n);
  return n;
}
ssize_t SmallWrite(int fd, const void* data, std::size_t size) {
  return ::write(fd, data, size < 7 ? size : 1 + size % 7);
}
// Nothing is to be learnt from the disk's own sync, and it would slow each
// input down to the disk's pace.
int NoSync(int) { return 0; }
int FailingRename(int, const char*, int, const char*) {
  errno = EIO;
  return -1;
}

TORVANE_ORACLE std::string ReadAll(const fs::path& path) {
  std::string bytes;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  Require(fd >= 0, "cannot read the save point back");
  char buffer[65536];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
    Require(n > 0, "cannot read the save point back");
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return bytes;
}

TORVANE_ORACLE void WriteAll(const fs::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  Require(fd >= 0, "cannot make the save point");
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    Require(n > 0, "cannot make the save point");
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  ::close(fd);
}

TORVANE_ORACLE std::set<std::string> Names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

TORVANE_ORACLE std::string NextIn(std::string_view bytes) {
  return torvane::IniFile::Parse(bytes).Read("Game", "Next").value_or("Sinario00.txt");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto under = static_cast<Under>(data[0] % 4);
  const auto fault = static_cast<Fault>(data[1] % 4);
  const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
  const std::size_t marker = rest.find("\xFF\xFE");
  const std::string_view before = rest.substr(0, marker);
  const std::string_view value = marker == std::string_view::npos ? "Sinario01.txt" : rest.substr(marker + 2);

  const fs::path game = Root() / "game";
  const fs::path name = game / "Kesmar.ini";
  const fs::path target = Root() / "saves" / "real.ini";
  std::error_code ignored;
  fs::remove_all(name, ignored);
  fs::remove(target, ignored);
  switch (under) {
    case Under::File: WriteAll(name, before); break;
    case Under::Nothing: break;
    case Under::Link:
      WriteAll(target, before);
      fs::create_symlink("../saves/real.ini", name);
      break;
    case Under::Folder: fs::create_directory(name); break;
  }
  const bool has_file = under == Under::File || under == Under::Link;
  const fs::path holder = under == Under::Link ? target : name;

  torvane::platform::FileCalls calls;
  calls.fsync = NoSync;
  if (fault == Fault::DiskFills) {
    calls.write = FillingWrite;
    disk_room = size % 4096;
  }
  if (fault == Fault::RenameFails) calls.renameat = FailingRename;
  if (fault == Fault::SmallWrites) calls.write = SmallWrite;
  const auto save = torvane::SavePointFile::AtPath(name, calls);

  Require(save.ReadNext() == (has_file ? NextIn(before) : "Sinario00.txt"), "Continue reads another name");

  torvane::IniFile expected = torvane::IniFile::Parse(has_file ? before : "");
  expected.Write("Game", "Next", value);
  const std::string after = expected.Serialize();
  const bool must_fail = under == Under::Folder || fault == Fault::RenameFails ||
                         (fault == Fault::DiskFills && disk_room < after.size());
  bool failed = false;
  try {
    save.WriteNext(value);
  } catch (const torvane::ScriptError& error) {
    failed = true;
    Require(error.Text() == torvane::error_text::CannotWrite(fs::absolute(name).string()), "another error text");
  }
  Require(failed == must_fail, must_fail ? "a save that cannot be made succeeded" : "a save failed");

  if (under == Under::Folder) {
    Require(fs::is_directory(name), "the folder was replaced");
  } else if (failed) {
    Require(has_file ? ReadAll(holder) == before : !fs::exists(holder), "a failed save changed the file");
  } else {
    Require(ReadAll(holder) == after, "the saved bytes differ from the INI file's");
    Require(save.ReadNext() == NextIn(after), "Continue does not read what was saved");
  }
  if (under == Under::Link) Require(fs::is_symlink(name), "the link was replaced");
  const bool file_left = under != Under::Nothing || !failed;
  Require(Names(game) == (file_left ? std::set<std::string>{"Kesmar.ini"} : std::set<std::string>{}),
          "a temporary file was left in the game folder");
  Require(Names(Root() / "saves") == (under == Under::Link ? std::set<std::string>{"real.ini"} : std::set<std::string>{}),
          "a temporary file was left beside the link's target");
  return 0;
}
