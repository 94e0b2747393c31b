#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <filesystem>

#include "platform/bytes.hpp"

namespace torvane::platform {

// The calls through which a replacement writes and commits its file. Tests
// put failing ones in their place to play a full disk or a failing device.
struct FileCalls {
  ssize_t (*write)(int fd, const void* data, std::size_t size) = ::write;
  int (*fsync)(int fd) = ::fsync;
  int (*renameat)(int from_dir, const char* from, int to_dir, const char* to) = ::renameat;
};

// Replaces the file at `path` with `bytes` and permission bits `mode`, so
// that the name holds the old content or the new one and nothing else, even
// when the process is killed or the machine stops: the bytes go to a new
// file beside it (a random name, created exclusively, never through a link,
// mode 0600 while it is written), which is synced and renamed over the old
// one, and then the folder is synced. `path` itself must not be a link; the
// caller follows links first. Temporary files that killed replacements left
// in the folder are removed first. False when any step fails, with the old
// file as it was and no temporary file left.
bool ReplaceFileAtomically(const std::filesystem::path& path, BytesView bytes, mode_t mode,
                           const FileCalls& calls = {});

// Whether `entry` is the name of a temporary file that a replacement of the
// file named `file_name` makes.
bool IsTemporaryFileOf(std::string_view entry, std::string_view file_name);

// The permission bits a new file gets: 0666 less the process's umask.
mode_t NewFileMode();

}  // namespace torvane::platform
