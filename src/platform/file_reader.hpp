#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>

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

}  // namespace torvane::platform
