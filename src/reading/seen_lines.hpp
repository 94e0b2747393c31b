#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "platform/bytes.hpp"

namespace torvane::reading {

// Where a text was shown: the scenario file as the script named it, the
// line the game stood on when the text appeared (a message's wait begins
// on its own line, a page's "@END" is its own), and a hash of the text, so
// that a line which shows changing text (the items held, an item's
// description) counts as seen only with the text the player read.
struct TextPlace {
  Bytes File;
  std::int32_t Line = 0;
  std::uint64_t TextHash = 0;

  static TextPlace Of(BytesView file, std::int32_t line, BytesView text);
  auto operator<=>(const TextPlace&) const = default;
};

// The messages and pages a player has seen of one game, kept in a file of
// their own. Nothing in it changes what the game does; skip reads it.
class SeenLines {
 public:
  // Files far larger than any game's lines are not read.
  static constexpr std::uint64_t kFileLimit = std::uint64_t{64} << 20;

  // In memory only, never written.
  SeenLines() = default;
  // Read from `file`, and written back there by Save. A missing file is an
  // empty store; a damaged one is not used, Problem() says why, and the
  // next Save replaces it.
  explicit SeenLines(std::filesystem::path file);

  // seen-lines in the game's folder under $XDG_DATA_HOME/torvane/, beside
  // the save point's fallback.
  static std::filesystem::path FileForGame(const std::filesystem::path& game_dir);

  bool Contains(const TextPlace& place) const { return places_.contains(place); }
  // Records `place`; true when it was seen before.
  bool Mark(const TextPlace& place);
  std::size_t Size() const { return places_.size(); }
  // Places marked since the last Save.
  bool Dirty() const { return dirty_; }

  // Writes the store whole, atomically; false, with Problem() saying why,
  // when it cannot. In memory only, or with nothing new: nothing to do.
  bool Save();

  const std::optional<std::filesystem::path>& File() const { return file_; }
  const std::string& Problem() const { return problem_; }

  // The file's text, and the store read back from it; none when it is not
  // a seen-lines file.
  std::string Serialize() const;
  static std::optional<std::set<TextPlace>> Parse(BytesView text);

 private:
  std::optional<std::filesystem::path> file_;
  std::set<TextPlace> places_;
  std::string problem_;
  bool dirty_ = false;
};

}  // namespace torvane::reading
