#include "platform/atomic_file.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <string>

namespace torvane::platform {
namespace {

constexpr std::string_view kTemporaryMark = ".tmp-";
// A file name longer than this leaves no room for the mark and 16 digits
// within the 255 bytes a name may have.
constexpr std::size_t kLongestPrefix = 200;
constexpr int kNameAttempts = 16;

struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int value) : fd(value) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

std::string TemporaryPrefix(std::string_view file_name) {
  return std::string(file_name.substr(0, kLongestPrefix)) + std::string(kTemporaryMark);
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

std::uint64_t RandomNumber() {
  std::uint64_t value = 0;
  if (::getrandom(&value, sizeof value, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof value)) return value;
  // O_EXCL keeps the name unique anyway; the randomness only makes it
  // unguessable, and the kernel pool is seeded long before a game runs.
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return (static_cast<std::uint64_t>(now.tv_nsec) << 20) ^ static_cast<std::uint64_t>(::getpid()) ^
         static_cast<std::uint64_t>(now.tv_sec);
}

std::string RandomDigits() {
  constexpr char kDigits[] = "0123456789abcdef";
  std::uint64_t value = RandomNumber();
  std::string digits(16, '0');
  for (char& digit : digits) {
    digit = kDigits[value & 0xF];
    value >>= 4;
  }
  return digits;
}

// A replacement holds an exclusive lock on its temporary file for as long as
// the file has its name, and the kernel drops the lock when the process
// dies. So a temporary file that can be locked belongs to a replacement that
// was killed, and one that cannot belongs to a save running right now in
// another player, which must be left alone.
void RemoveLeftovers(int dir, std::string_view file_name) {
  const int listing_fd = ::dup(dir);
  if (listing_fd < 0) return;
  DIR* listing = ::fdopendir(listing_fd);
  if (listing == nullptr) {
    ::close(listing_fd);
    return;
  }
  while (const dirent* entry = ::readdir(listing)) {
    if (!IsTemporaryFileOf(entry->d_name, file_name)) continue;
    const Fd file(::openat(dir, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat held {};
    struct stat named {};
    if (file.fd < 0 || ::fstat(file.fd, &held) != 0 || !S_ISREG(held.st_mode)) continue;
    if (::flock(file.fd, LOCK_EX | LOCK_NB) != 0) continue;
    // Still the file that was locked, not a new one under a reused name.
    if (::fstatat(dir, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) != 0 || named.st_ino != held.st_ino ||
        named.st_dev != held.st_dev) {
      continue;
    }
    ::unlinkat(dir, entry->d_name, 0);
  }
  ::closedir(listing);
}

// Creates and locks the temporary file; its name goes to `name`.
int CreateTemporary(int dir, std::string_view file_name, std::string& name) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    name = TemporaryPrefix(file_name) + RandomDigits();
    const int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    // A save cleaning up leftovers may have taken the file between the
    // create and the lock; it is unlinked then, and another name is needed.
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_nlink > 0) return fd;
    ::close(fd);
  }
  errno = EEXIST;
  return -1;
}

bool WriteAll(int fd, BytesView bytes, const FileCalls& calls) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = calls.write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    // A short write is followed by another try, which tells the reason;
    // a write of nothing at all has none to tell.
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool IsTemporaryFileOf(std::string_view entry, std::string_view file_name) {
  const std::string prefix = TemporaryPrefix(file_name);
  if (!entry.starts_with(prefix)) return false;
  const std::string_view digits = entry.substr(prefix.size());
  if (digits.empty() || digits.size() > 32) return false;
  for (const char c : digits) {
    if (!IsHexDigit(c)) return false;
  }
  return true;
}

mode_t NewFileMode() {
  // The umask can only be read by setting it, which would race with other
  // threads creating files; the kernel shows it here instead.
  mode_t mask = 022;
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
      unsigned value = 0;
      if (std::sscanf(line, "Umask: %o", &value) == 1) {
        mask = static_cast<mode_t>(value & 0777);
        break;
      }
    }
    std::fclose(status);
  }
  return static_cast<mode_t>(0666 & ~mask);
}

bool ReplaceFileAtomically(const std::filesystem::path& path, BytesView bytes, mode_t mode, const FileCalls& calls) {
  const std::filesystem::path parent = path.parent_path();
  const std::string file_name = path.filename().native();
  if (file_name.empty()) {
    errno = EISDIR;
    return false;
  }
  const Fd dir(::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.fd < 0) return false;
  RemoveLeftovers(dir.fd, file_name);

  std::string temporary;
  // Held open, and so locked, until the rename has taken its name away.
  const Fd file(CreateTemporary(dir.fd, file_name, temporary));
  if (file.fd < 0) return false;
  const bool written = WriteAll(file.fd, bytes, calls) && ::fchmod(file.fd, mode & 0777) == 0 &&
                       calls.fsync(file.fd) == 0 &&
                       calls.renameat(dir.fd, temporary.c_str(), dir.fd, file_name.c_str()) == 0;
  if (!written) {
    const int reason = errno;
    ::unlinkat(dir.fd, temporary.c_str(), 0);
    errno = reason;
    return false;
  }
  // Without this the rename itself may be lost in a crash. A file system
  // that cannot sync a folder says EINVAL; there is nothing more to do.
  return calls.fsync(dir.fd) == 0 || errno == EINVAL;
}

}  // namespace torvane::platform
