#pragma once

#include <filesystem>

#include "platform/bytes.hpp"

namespace torvane {

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

  // The saved file name, or "Sinario00.txt" when the file, the section or
  // the key is missing.
  Bytes ReadNext() const;
  // Replaces the value and nothing else in the file, through a temporary
  // file and a rename, so the file is never half-written. Raises
  // "%s に書き込めません" with the file's path when it cannot.
  void WriteNext(BytesView value) const;

  const std::filesystem::path& ReadPath() const { return read_path_; }
  const std::filesystem::path& WritePath() const { return write_path_; }

 private:
  SavePointFile(std::filesystem::path read_path, std::filesystem::path write_path)
      : read_path_(std::move(read_path)), write_path_(std::move(write_path)) {}

  std::filesystem::path read_path_;
  std::filesystem::path write_path_;
};

}  // namespace torvane
