#pragma once

#include <filesystem>
#include <functional>
#include <string>

class QWidget;

namespace torvane::qt {

struct PlayerSetup;

// A path a player gave for a game: its folder, or why it is none.
struct GameLocation {
  std::filesystem::path Dir;  // empty when refused
  std::string Problem;        // "PATH: reason", when refused
  bool Found() const { return !Dir.empty(); }
};

// A game is a folder holding Sinario00.txt in any letter case; the path
// may name the folder or that file.
GameLocation LocateGame(const std::filesystem::path& path);

// Whether `dir` holds Sinario00.txt in any letter case.
bool HoldsFirstScenario(const std::filesystem::path& dir);

// Says why a path was refused, on standard error and in a box over
// `parent` (no box without a QApplication).
void ReportRefusedGame(const GameLocation& refused, QWidget* parent);

// Plays the game in `dir`, then each game the player opens from its
// window, one window at a time, until a window closes with no game to
// open next. `setup_for` makes each game's setup; the game's folder, the
// opening of games and the window's place are filled in here. A game
// opened from a window starts afresh in a new window where the old one
// stood; the scale and fullscreen are the settings', which both share.
// Each game shown goes first in the settings' recent games. Runs the
// application's event loop for each window; returns the last one's status.
int PlayGames(const std::filesystem::path& dir,
              const std::function<PlayerSetup(const std::filesystem::path& dir)>& setup_for);

}  // namespace torvane::qt
