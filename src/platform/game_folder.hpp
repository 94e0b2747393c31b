#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_reader.hpp"

namespace torvane::platform {

// The largest file a game may name. A real scenario or picture is a few
// hundred kilobytes; the largest bitmap the decoder takes (16,777,216 pixels
// of 32 bits) is 64 MB.
inline constexpr std::uint64_t kGameFileLimit = std::uint64_t{128} << 20;

// The folder a game runs in, and the one way every file a game names is
// found. Scenario files name pictures, music, sounds and the next scenario as
// they were written on Windows, while the files may have been copied here
// with their names in any letter case and with code page 932 names either
// kept as bytes or converted to UTF-8.
class GameFolder {
 public:
  explicit GameFolder(std::filesystem::path root);

  // Files held in memory, by the name of a file in the folder (code page
  // 932 bytes), found by ReadFile before the disk's: an editor's unsaved
  // buffer, or a fuzzer's input. Resolve never sees them, so only what is
  // read whole (scenarios and pictures) can be held; music and effects are
  // always played from disk.
  void Hold(std::string name, std::string bytes);

  const std::filesystem::path& Root() const { return root_; }

  // The file that `name` (code page 932 bytes, as the script wrote it)
  // refers to, or nothing when no file matches. Tries the name as written
  // first; then reads "\" as a separator (never the second byte of a
  // double-byte character) and matches each component without regard to
  // ASCII letter case, against the raw bytes and against the UTF-8 form.
  std::optional<std::filesystem::path> Resolve(std::string_view name) const;

  // The whole content of the regular file that `name` resolves to, or
  // nothing when it cannot be found or read, or is no regular file. A name
  // may leave the folder (an absolute path, or ".." past it), as it could on
  // Windows. Raises "ファイル %s は大きすぎます" for a file over
  // kGameFileLimit.
  // A held file is found first, under the same rules for letter case.
  std::optional<std::string> ReadFile(std::string_view name) const;

  // The same file, in a buffer the read fills first: for files
  // read whole once and kept, such as scenarios.
  std::optional<FileBuffer> ReadFileBuffer(std::string_view name) const;

 private:
  const std::vector<std::string>& Listing(const std::filesystem::path& dir, bool refresh) const;
  std::optional<std::string> MatchEntry(const std::filesystem::path& dir, const std::string& component) const;

  const std::string* HeldFile(std::string_view name) const;
  // Where ReadFile finds `name`: held, on disk, or nowhere.
  struct Found {
    const std::string* held = nullptr;
    std::optional<std::filesystem::path> path;
  };
  Found FindForReading(std::string_view name) const;

  std::filesystem::path root_;
  std::map<std::string, std::string> held_;
  mutable std::map<std::filesystem::path, std::vector<std::string>> listings_;
};

}  // namespace torvane::platform
