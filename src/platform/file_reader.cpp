#include "platform/file_reader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace torvane::platform {
namespace {

using Status = FileContent::Status;

struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

Status MissingOr(Status other) { return errno == ENOENT || errno == ENOTDIR ? Status::Missing : other; }

FileContent Failed(Status status) { return FileContent{status, {}, 0}; }

}  // namespace

FileContent ReadRegularFile(const std::filesystem::path& path, std::uint64_t limit, FileAccess access) {
  // Looked at before the open, because opening a device can itself do
  // something (a tape rewinds, a terminal becomes ours).
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return Failed(MissingOr(Status::CannotOpen));
  if (!S_ISREG(info.st_mode)) return Failed(Status::CannotOpen);

  // O_NONBLOCK keeps a FIFO swapped in after the stat from hanging the open;
  // the fstat below then turns it away. Regular files ignore the flag.
  const int flags = (access == FileAccess::ReadWrite ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  const Fd file{::open(path.c_str(), flags)};
  if (file.fd < 0) return Failed(MissingOr(Status::CannotOpen));
  if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return Failed(Status::CannotOpen);
  const auto size = static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0));
  if (size > limit) return Failed(Status::TooLarge);

  // Sized from fstat and one byte over, so that the read seeing the end
  // needs no growth. The file may still grow meanwhile, and some files
  // (those under /proc) tell no size, so read to the end, up to the limit.
  FileContent content{Status::Read, {}, static_cast<mode_t>(info.st_mode & 07777)};
  Bytes& data = content.bytes;
  data.resize(static_cast<std::size_t>(size > 0 ? size + 1 : std::min<std::uint64_t>(limit + 1, 4096)));
  std::size_t used = 0;
  for (;;) {
    if (used == data.size()) {
      if (used > limit) return Failed(Status::TooLarge);
      data.resize(static_cast<std::size_t>(std::min<std::uint64_t>(limit + 1, std::uint64_t{data.size()} * 2)));
    }
    const ssize_t n = ::read(file.fd, data.data() + used, data.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Failed(Status::CannotOpen);
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  if (used > limit) return Failed(Status::TooLarge);
  data.resize(used);
  return content;
}

}  // namespace torvane::platform
