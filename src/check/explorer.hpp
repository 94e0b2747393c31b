#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "check/finding.hpp"

namespace torvane::check {

struct ExploreOptions {
  std::size_t MaxStates = 20000;  // decision points, over all starts
  std::int64_t MaxMs = 60000;     // wall time
};

// Where a playthrough begins: Start, or Continue from a save point.
struct ExploreStart {
  std::string Name;           // "Start", or "Continue with Sinario01.txt" (UTF-8)
  std::string Next;           // the save point's file name (UTF-8); empty for Start
  bool ReachesEnding = false;
};

// An ending ("@LST") and the shortest way there from one start, as the
// headless runner's input lines.
struct ExploredEnding {
  std::string File;  // UTF-8, as the script names it
  int Line = 0;      // from 1
  std::size_t Start = 0;  // index into ExploreReport::Starts
  std::vector<std::string> Inputs;
};

struct Coverage {
  std::size_t Lines = 0, LinesReached = 0;      // command lines
  std::size_t Labels = 0, LabelsReached = 0;    // "@TAG" and "@SUB" lines
  std::size_t Entries = 0, EntriesChosen = 0;   // command-list entries
};

struct ExploreReport {
  Findings Found;
  std::vector<ExploreStart> Starts;
  std::vector<ExploredEnding> Endings;
  Coverage Covered;
  std::size_t States = 0;  // decision points folded into one each
  bool Complete = true;    // false when a bound cut the search short
};

// Plays the game on the virtual clock from Start and from every save point
// a playthrough writes, as Continue in a fresh player sees it: flags and
// items as a new game has them. Tries every command-list entry and every
// item choice, and folds decision points already seen (file, line, return
// stack, flags, items, menu). The game's own save point is never touched.
ExploreReport Explore(const std::filesystem::path& game_dir, const ExploreOptions& options = {});

// "lines 40/52 (76%), labels ..., menu entries ..." for the report.
std::string FormatCoverage(const ExploreReport& report);

// Writes one input script per ending into `folder`; returns the files.
std::vector<std::filesystem::path> WriteWalkthroughs(const ExploreReport& report,
                                                     const std::filesystem::path& folder);

}  // namespace torvane::check
