#include "save/save_point.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>

#include "platform/script_error.hpp"
#include "platform/game_folder.hpp"
#include "save/ini_file.hpp"

namespace torvane {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFileName = "Kesmar.ini";
constexpr const char* kSection = "Game";
constexpr const char* kKey = "Next";

std::optional<std::string> ReadWhole(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// The save file in `dir`: an existing one in any letter case, else "Kesmar.ini".
fs::path SaveFileIn(const fs::path& dir) {
  if (auto found = platform::GameFolder(dir).Resolve(kFileName)) return *found;
  return dir / kFileName;
}

bool CanWriteIn(const fs::path& dir) { return ::access(dir.c_str(), W_OK) == 0; }

// A folder of the game's own under $XDG_DATA_HOME: its folder name and a
// hash of its full path, so two games of the same name do not share it.
fs::path FallbackFolder(const fs::path& game_dir) {
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

bool WriteAtomically(const fs::path& path, const std::string& bytes) {
  const fs::path temp = path.string() + ".tmp-" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  const bool ok = written == bytes.size() && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !ok || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

SavePointFile SavePointFile::ForGame(const fs::path& game_dir) { return ForGame(game_dir, CanWriteIn(game_dir)); }

SavePointFile SavePointFile::ForGame(const fs::path& game_dir, bool folder_writable) {
  const fs::path beside_game = SaveFileIn(game_dir);
  if (folder_writable) return SavePointFile(beside_game, beside_game);
  const fs::path fallback = SaveFileIn(FallbackFolder(game_dir));
  std::error_code error;
  // A save point shipped with a read-only game counts until the player saves.
  const fs::path read = fs::exists(fallback, error) ? fallback : beside_game;
  return SavePointFile(read, fallback);
}

SavePointFile SavePointFile::AtPath(const fs::path& file) { return SavePointFile(file, file); }

Bytes SavePointFile::ReadNext() const {
  const auto bytes = ReadWhole(read_path_);
  if (!bytes) return "Sinario00.txt";
  return IniFile::Parse(*bytes).Read(kSection, kKey).value_or("Sinario00.txt");
}

void SavePointFile::WriteNext(BytesView value) const {
  std::error_code error;
  fs::create_directories(write_path_.parent_path().empty() ? "." : write_path_.parent_path(), error);
  // A first save into the fallback folder keeps what the game's own file held.
  auto existing = ReadWhole(write_path_);
  if (!existing) existing = ReadWhole(read_path_);
  IniFile ini = IniFile::Parse(existing.value_or(""));
  ini.Write(kSection, kKey, value);
  if (!WriteAtomically(write_path_, ini.Serialize())) {
    throw ScriptError(error_text::CannotWrite(fs::absolute(write_path_, error).string()));
  }
}

}  // namespace torvane
