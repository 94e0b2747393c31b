#pragma once

#include <cstdint>

#include "check/finding.hpp"
#include "platform/game_folder.hpp"

namespace torvane::check {

// The static checker: reads every scenario file the game can reach from
// its first file through "@NXT" and "@SAV", and every other scenario file
// in its folder, and reports what would stop, freeze or break the game,
// and what is likely wrong though it plays. It reads lines with the
// engine's own loader, command table, operand forms and file resolver.
// Findings come sorted by file, line and column.
Findings CheckGame(const platform::GameFolder& folder);

}  // namespace torvane::check
