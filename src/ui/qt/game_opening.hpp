#pragma once

#include <filesystem>
#include <string>

class QWidget;

namespace torvane::qt {

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

}  // namespace torvane::qt
