#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::platform {

// The folder a game runs in, and the one way every file a game names is
// found. Scenario files name pictures, music, sounds and the next scenario as
// they were written on Windows, while the files may have been copied here
// with their names in any letter case and with code page 932 names either
// kept as bytes or converted to UTF-8.
class GameFolder {
 public:
  explicit GameFolder(std::filesystem::path root);

  const std::filesystem::path& Root() const { return root_; }

  // The file that `name` (code page 932 bytes, as the script wrote it)
  // refers to, or nothing when no file matches. Tries the name as written
  // first; then reads "\" as a separator (never the second byte of a
  // double-byte character) and matches each component without regard to
  // ASCII letter case, against the raw bytes and against the UTF-8 form.
  std::optional<std::filesystem::path> Resolve(std::string_view name) const;

  // The whole content of the regular file that `name` resolves to, or
  // nothing when it cannot be found or read.
  std::optional<std::string> ReadFile(std::string_view name) const;

 private:
  const std::vector<std::string>& Listing(const std::filesystem::path& dir, bool refresh) const;
  std::optional<std::string> MatchEntry(const std::filesystem::path& dir, const std::string& component) const;

  std::filesystem::path root_;
  mutable std::map<std::filesystem::path, std::vector<std::string>> listings_;
};

}  // namespace torvane::platform
