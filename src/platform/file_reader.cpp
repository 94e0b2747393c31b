#include "platform/file_reader.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace torvane::platform {
namespace {

using Status = FileContent::Status;

struct Fd {
  int fd = -1;
  Fd() = default;
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

Status MissingOr(Status other) { return errno == ENOENT || errno == ENOTDIR ? Status::Missing : other; }

// Opens the regular file at `path` and tells its size, of at most `limit`
// bytes; Status::Read when the file may be read.
Status OpenRegular(const std::filesystem::path& path, std::uint64_t limit, FileAccess access, Fd& file,
                   struct stat& info) {
  // Looked at before the open, because opening a device can itself do
  // something (a tape rewinds, a terminal becomes ours).
  if (::stat(path.c_str(), &info) != 0) return MissingOr(Status::CannotOpen);
  if (!S_ISREG(info.st_mode)) return Status::CannotOpen;

  // O_NONBLOCK keeps a FIFO swapped in after the stat from hanging the open;
  // the fstat below then turns it away. Regular files ignore the flag.
  const int flags = (access == FileAccess::ReadWrite ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  file.fd = ::open(path.c_str(), flags);
  if (file.fd < 0) return MissingOr(Status::CannotOpen);
  if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return Status::CannotOpen;
  if (static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0)) > limit) return Status::TooLarge;
  return Status::Read;
}

std::uint64_t SizeOf(const struct stat& info) { return static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0)); }

// Reads from `fd` to the end into `data`, which holds `capacity` bytes,
// growing it through `grow(new_capacity)` as needed, up to `limit` bytes.
// Sized from fstat and one byte over, the read that sees the end needs no
// growth. The file may still grow meanwhile, and some files (those under
// /proc) tell no size, so the read goes to the end, up to the limit.
template <typename Grow>
Status ReadToEnd(int fd, std::uint64_t limit, char*& data, std::size_t& capacity, std::size_t& used, Grow grow) {
  used = 0;
  for (;;) {
    if (used == capacity) {
      if (used > limit) return Status::TooLarge;
      grow(static_cast<std::size_t>(std::min<std::uint64_t>(limit + 1, std::uint64_t{capacity} * 2)));
    }
    const ssize_t n = ::read(fd, data + used, capacity - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::CannotOpen;
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  return used > limit ? Status::TooLarge : Status::Read;
}

std::size_t FirstCapacity(std::uint64_t size, std::uint64_t limit) {
  return static_cast<std::size_t>(size > 0 ? size + 1 : std::min<std::uint64_t>(limit + 1, 4096));
}

}  // namespace

FileContent ReadRegularFile(const std::filesystem::path& path, std::uint64_t limit, FileAccess access) {
  Fd file;
  struct stat info {};
  if (const Status opened = OpenRegular(path, limit, access, file, info); opened != Status::Read) {
    return FileContent{opened, {}, 0};
  }
  FileContent content{Status::Read, {}, static_cast<mode_t>(info.st_mode & 07777)};
  Bytes& bytes = content.bytes;
  bytes.resize(FirstCapacity(SizeOf(info), limit));
  char* data = bytes.data();
  std::size_t capacity = bytes.size();
  std::size_t used = 0;
  const Status read = ReadToEnd(file.fd, limit, data, capacity, used, [&](std::size_t grown) {
    bytes.resize(grown);
    data = bytes.data();
    capacity = grown;
  });
  if (read != Status::Read) return FileContent{read, {}, 0};
  bytes.resize(used);
  return content;
}

FileBuffer::FileBuffer(std::string bytes) : string_(std::move(bytes)), size_(string_.size()) {}

FileBuffer::FileBuffer(FileBuffer&& other) noexcept { *this = std::move(other); }

FileBuffer& FileBuffer::operator=(FileBuffer&& other) noexcept {
  if (this == &other) return *this;
  Release();
  const bool in_string = other.data_ == other.string_.data();
  string_ = std::move(other.string_);
  owned_ = std::move(other.owned_);
  data_ = in_string ? string_.data() : other.data_;
  size_ = std::exchange(other.size_, 0);
  other.string_.clear();
  other.data_ = other.string_.data();
  return *this;
}

FileBuffer::~FileBuffer() { Release(); }

void FileBuffer::Release() noexcept { owned_.reset(); }

void FileBuffer::Free::operator()(char* bytes) const noexcept { std::free(bytes); }

void FileBuffer::Shorten(std::size_t size) { size_ = std::min(size_, size); }

namespace {

// Memory that nothing writes before the read does. A large buffer is laid
// on huge pages where the system offers them: fresh memory is paid for a
// page at a time, and a hundred megabytes in small pages cost more than
// the read itself.
std::unique_ptr<char, FileBuffer::Free> Allocate(std::size_t size) {
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  char* bytes = nullptr;
  if (size >= 2 * kHugePage) {
    const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
    bytes = static_cast<char*>(std::aligned_alloc(kHugePage, rounded));
    if (bytes) ::madvise(bytes, rounded, MADV_HUGEPAGE);
  } else {
    bytes = static_cast<char*>(std::malloc(size));
  }
  if (!bytes) throw std::bad_alloc();
  return std::unique_ptr<char, FileBuffer::Free>(bytes);
}

}  // namespace

struct BufferReader {
  static Status Read(int fd, std::uint64_t size, std::uint64_t limit, FileBuffer& buffer) {
    std::size_t capacity = FirstCapacity(size, limit);
    auto owned = Allocate(capacity);
    char* data = owned.get();
    std::size_t used = 0;
    const Status read = ReadToEnd(fd, limit, data, capacity, used, [&](std::size_t grown) {
      auto larger = Allocate(grown);
      std::memcpy(larger.get(), owned.get(), capacity);
      owned = std::move(larger);
      data = owned.get();
      capacity = grown;
    });
    if (read != Status::Read) return read;
    buffer.owned_ = std::move(owned);
    buffer.data_ = buffer.owned_.get();
    buffer.size_ = used;
    return Status::Read;
  }
};

FileBufferContent ReadRegularFileBuffer(const std::filesystem::path& path, std::uint64_t limit) {
  Fd file;
  struct stat info {};
  FileBufferContent content;
  content.status = OpenRegular(path, limit, FileAccess::Read, file, info);
  if (content.status != Status::Read) return content;
  const std::uint64_t size = SizeOf(info);
  content.status = BufferReader::Read(file.fd, size, limit, content.bytes);
  if (content.status != Status::Read) content.bytes = FileBuffer();
  return content;
}

}  // namespace torvane::platform
