#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/bytes.hpp"

namespace torvane {

enum class StartMode { NewGame, NextFile };

// An error as the standard error box shows it, with where it happened when
// it happened in a step, for the author's sake.
struct ErrorReport {
  Bytes Text;                         // code page 932
  std::optional<Bytes> File;          // the scenario file, as the script named it
  std::optional<std::int32_t> Line;   // the line whose step failed
};

// What the game asks of the program around it. The desktop player serves
// it with windows and nested event loops; the headless runner with its
// input script, its virtual clock and its transcript. Who calls: `TForm1`,
// always from within a tick or a player action.
class GameHost {
 public:
  virtual ~GameHost() = default;

  // The standard error box: modal, the text, caption "Torvane", error icon.
  virtual void ShowErrorBox(const ErrorReport& error) = 0;

  // Observations for transcripts and tools; the window ignores them.
  virtual void ScenarioLoaded(BytesView /*file*/, StartMode /*mode*/) {}
  virtual void StepStarting(std::int32_t /*line*/, BytesView /*opcode*/) {}
  virtual void LineNotACommand(std::int32_t /*line*/) {}
};

}  // namespace torvane
