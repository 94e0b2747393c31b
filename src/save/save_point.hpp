#pragma once

#include <filesystem>

#include "platform/atomic_file.hpp"
#include "platform/bytes.hpp"

namespace torvane {

// The folder of the game in `game_dir` under $XDG_DATA_HOME/torvane/
// (~/.local/share when unset), for what the player keeps of that game
// outside its own folder.
std::filesystem::path GameDataFolder(const std::filesystem::path& game_dir);

// The save point: the scenario file a continued game starts from, kept as
// section "Game", key "Next" of "Kesmar.ini". One installed player serves
// many games, so the file lives in the game's own folder; where that folder
// cannot be written, in a folder of the game's own under $XDG_DATA_HOME.
class SavePointFile {
 public:
  // The file the game in `game_dir` uses. "Kesmar.ini" in any letter case
  // is the same file.
  static SavePointFile ForGame(const std::filesystem::path& game_dir);
  // The same, told whether the game's folder can be written.
  static SavePointFile ForGame(const std::filesystem::path& game_dir, bool folder_writable);
  // Exactly this file, for reading and writing.
  static SavePointFile AtPath(const std::filesystem::path& file);
  // The same, writing through `calls`, which tests make fail.
  static SavePointFile AtPath(const std::filesystem::path& file, const platform::FileCalls& calls);

  // The saved file name, or "Sinario00.txt" when the file, the section or
  // the key is missing, or the file is no regular file, cannot be read or
  // is over 16 MB.
  Bytes ReadNext() const;
  // Replaces the value and nothing else in the file, through a temporary
  // file and a rename, so the file always holds the old content or the new.
  // A link is written through to its target. Raises "%s に書き込めません"
  // with the file's path, leaving the file as it was, when it cannot: the
  // file or its folder may not be written, the file cannot be read whole
  // (so its other sections would be lost), it is no regular file, or the
  // disk is full.
  void WriteNext(BytesView value) const;

  const std::filesystem::path& ReadPath() const { return read_path_; }
  const std::filesystem::path& WritePath() const { return write_path_; }

 private:
  SavePointFile(std::filesystem::path read_path, std::filesystem::path write_path)
      : read_path_(std::move(read_path)), write_path_(std::move(write_path)) {}

  std::filesystem::path read_path_;
  std::filesystem::path write_path_;
  platform::FileCalls calls_;
};

}  // namespace torvane
