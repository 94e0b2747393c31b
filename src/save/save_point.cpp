#include "save/save_point.hpp"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

#include "platform/file_reader.hpp"
#include "platform/game_file_names.hpp"
#include "platform/game_folder.hpp"
#include "platform/script_error.hpp"
#include "save/ini_file.hpp"

namespace torvane {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSection = "Game";
constexpr const char* kKey = "Next";

// A save point this game writes is a few dozen bytes, and every save
// rewrites the whole file, so anything near this is no save point.
constexpr std::uint64_t kSavePointLimit = std::uint64_t{16} << 20;
// As many links as the kernel follows in one path.
constexpr int kMostLinks = 40;

// The save file in `dir`: an existing one in any letter case, else "Kesmar.ini".
fs::path SaveFileIn(const fs::path& dir) {
  if (auto found = platform::GameFolder(dir).Resolve(kSavePointFile)) return *found;
  return dir / kSavePointFile;
}

bool CanWriteIn(const fs::path& dir) { return ::access(dir.c_str(), W_OK) == 0; }

}  // namespace

// Its folder name and a hash of its full path, so two games of the same
// name do not share it.
fs::path GameDataFolder(const fs::path& game_dir) {
  fs::path base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) base = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home) base = fs::path(home) / ".local" / "share";
  else base = fs::temp_directory_path();
  std::error_code error;
  const fs::path full = fs::weakly_canonical(fs::absolute(game_dir, error), error);
  const auto hash = std::hash<std::string>{}(full.string());
  char suffix[20];
  std::snprintf(suffix, sizeof suffix, "-%08zx", hash & 0xFFFFFFFFu);
  std::string name = full.filename().string();
  if (name.empty()) name = "game";
  return base / "torvane" / (name + suffix);
}

namespace {

// The file that writing `path` must replace: a link is written through, so
// that the link stays and its target gets the new content. Nothing when the
// links go round in a loop.
std::optional<fs::path> FollowLinks(fs::path path) {
  for (int hop = 0; hop <= kMostLinks; ++hop) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
    const fs::path target = fs::read_symlink(path, error);
    if (error) return std::nullopt;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return std::nullopt;
}

}  // namespace

SavePointFile SavePointFile::ForGame(const fs::path& game_dir) { return ForGame(game_dir, CanWriteIn(game_dir)); }

SavePointFile SavePointFile::ForGame(const fs::path& game_dir, bool folder_writable) {
  const fs::path beside_game = SaveFileIn(game_dir);
  if (folder_writable) return SavePointFile(beside_game, beside_game);
  const fs::path fallback = SaveFileIn(GameDataFolder(game_dir));
  std::error_code error;
  // A save point shipped with a read-only game counts until the player saves.
  const fs::path read = fs::exists(fallback, error) ? fallback : beside_game;
  return SavePointFile(read, fallback);
}

SavePointFile SavePointFile::AtPath(const fs::path& file) { return SavePointFile(file, file); }

SavePointFile SavePointFile::AtPath(const fs::path& file, const platform::FileCalls& calls) {
  SavePointFile save = AtPath(file);
  save.calls_ = calls;
  return save;
}

// Continue takes a file it cannot read (a folder, a FIFO, a device, one it
// may not read or one far too large) as no file at all.
Bytes SavePointFile::ReadNext() const {
  const platform::FileContent content = platform::ReadRegularFile(read_path_, kSavePointLimit);
  if (content.status != platform::FileContent::Status::Read) return kFirstScenario;
  return IniFile::Parse(content.bytes).Read(kSection, kKey).value_or(kFirstScenario);
}

void SavePointFile::WriteNext(BytesView value) const {
  std::error_code error;
  const fs::path shown = fs::absolute(write_path_, error);
  const auto fail = [&] { throw ScriptError(error_text::CannotWrite(shown.string())); };
  fs::create_directories(shown.parent_path(), error);
  const std::optional<fs::path> target = FollowLinks(shown);
  if (!target) fail();

  // Opened for writing as well, so that a file the player may not write is
  // refused here rather than replaced through the rename; and one that
  // cannot be read whole is never taken for an empty one, which would lose
  // its other sections.
  platform::FileContent existing = platform::ReadRegularFile(*target, kSavePointLimit, platform::FileAccess::ReadWrite);
  using Status = platform::FileContent::Status;
  if (existing.status == Status::Missing) {
    existing.mode = platform::NewFileMode();
    // A first save into the fallback folder keeps what the game's own file
    // held; that file is not replaced, so it only needs to be readable.
    if (read_path_ != write_path_) {
      platform::FileContent shipped = platform::ReadRegularFile(read_path_, kSavePointLimit);
      if (shipped.status == Status::Read) existing.bytes = std::move(shipped.bytes);
    }
  } else if (existing.status != Status::Read) {
    fail();
  }

  IniFile ini = IniFile::Parse(existing.bytes);
  existing.bytes = Bytes();
  ini.Write(kSection, kKey, value);
  if (!platform::ReplaceFileAtomically(*target, ini.Serialize(), existing.mode, calls_)) fail();
}

}  // namespace torvane
