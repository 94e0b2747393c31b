#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/bytes.hpp"

namespace torvane::platform {

// How a file is opened. ReadWrite proves, before the file is read, that it
// may also be replaced: a save point the player may not write, or may not
// read, must never be rewritten.
enum class FileAccess { Read, ReadWrite };

struct FileContent {
  enum class Status {
    Read,        // `bytes` holds the whole file
    Missing,     // no file of that name
    CannotOpen,  // not a regular file, no permission, or a read error
    TooLarge,    // larger than the limit
  };
  Status status = Status::Missing;
  Bytes bytes;
  mode_t mode = 0;  // the file's permission bits, when read
};

// Reads the regular file at `path` whole, of at most `limit` bytes. A
// directory, FIFO, socket or device is refused without being read, and a
// FIFO never blocks the open. Raises nothing but std::bad_alloc.
FileContent ReadRegularFile(const std::filesystem::path& path, std::uint64_t limit,
                            FileAccess access = FileAccess::Read);

// A whole file's bytes, read only, in memory that nothing wrote before the
// file did: read into memory that is never filled first. It is never
// mapped, since a mapping faults when an author shortens the file while it
// plays. Bytes already in memory are taken over as they are. Moving it
// keeps the bytes where they are, except for a short string's.
class FileBuffer {
 public:
  // How the buffer's memory goes back.
  struct Free {
    void operator()(char* bytes) const noexcept;
  };

  FileBuffer() = default;
  explicit FileBuffer(std::string bytes);
  FileBuffer(FileBuffer&& other) noexcept;
  FileBuffer& operator=(FileBuffer&& other) noexcept;
  FileBuffer(const FileBuffer&) = delete;
  FileBuffer& operator=(const FileBuffer&) = delete;
  ~FileBuffer();

  const char* data() const { return data_; }
  std::size_t size() const { return size_; }
  BytesView View() const { return {data_, size_}; }

  // Leaves the first `size` bytes in view; the memory stays until the buffer goes.
  void Shorten(std::size_t size);

 private:
  friend struct BufferReader;
  void Release() noexcept;

  std::string string_;
  std::unique_ptr<char, Free> owned_;
  const char* data_ = string_.data();
  std::size_t size_ = 0;
};

struct FileBufferContent {
  FileContent::Status status = FileContent::Status::Missing;
  FileBuffer bytes;
};

// ReadRegularFile's reading, under the same rules and limit, into a FileBuffer.
FileBufferContent ReadRegularFileBuffer(const std::filesystem::path& path, std::uint64_t limit);

}  // namespace torvane::platform
