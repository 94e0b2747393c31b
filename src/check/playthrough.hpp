#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "game/virtual_time.hpp"

namespace torvane::check {

// What the explorer learns from every playthrough, whichever path it took.
struct PlayRecord {
  std::set<std::pair<Bytes, std::int32_t>> Stepped;     // file, line: run as a step
  std::set<std::pair<Bytes, std::int32_t>> BlockLines;  // file, line: read by a block command
  std::set<std::tuple<Bytes, std::int32_t, int>> Chosen;  // file, "@CMD" line, entry
  struct SavePoint {
    Bytes Next;
    Bytes File;
    std::int32_t Line;
  };
  std::vector<SavePoint> SavePoints;  // every "@SAV" run, in order
};

// How a playthrough ended: at a choice not yet made, or at a dead end.
struct PlayOutcome {
  enum class Kind { Decision, Stuck, Stopped, Loop, Unclickable, NoGame };
  Kind What = Kind::Decision;
  bool Items = false;         // the decision is the item dialog's (else the command list's)
  std::size_t Choices = 0;    // how many ways the decision can go
  std::vector<Bytes> Labels;  // what each choice shows
  std::string State;          // everything the rest of the game depends on
  Bytes File;                 // where: the deciding command, or the dead end
  std::int32_t Line = 0;
  std::optional<Bytes> Error;  // the error's text, for Stopped
  // An ending ("@LST") met after the last choice given, and the inputs up
  // to it.
  std::optional<std::pair<Bytes, std::int32_t>> Ending;
  std::vector<std::string> InputsToEnding;
  std::vector<std::string> Inputs;  // the whole playthrough, as input lines
};

// Plays the game once on the virtual clock: Start (or Continue), then the
// given choices at the decisions met in order, clicking through every
// message, up to the next decision or a dead end.
PlayOutcome Play(const GameSetup& setup, bool continued, const std::vector<int>& choices, PlayRecord& record);

}  // namespace torvane::check
