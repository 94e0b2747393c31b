#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/headless/input_script.hpp"
#include "app/headless/json_writer.hpp"
#include "platform/clock.hpp"
#include "platform/game_folder.hpp"
#include "ui/form1.hpp"
#include "ui/game_host.hpp"

namespace torvane::headless {

struct RunnerOptions {
  std::filesystem::path GameDir = ".";
  std::optional<std::filesystem::path> SaveFile;
  std::int64_t MaxTimeMs = 3600000;
  bool Trace = false;
};

// What the game waits for when the runner takes an input line.
enum class WaitKind { Title, Click, Choice, Items, Box, Stopped, Stuck };
const char* WaitName(WaitKind kind);

inline constexpr int kExitNormal = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInputMismatch = 3;

// The game on a virtual clock: takes the player's actions from an input
// script whenever the game waits for the player, and writes what the player
// would see and hear as a JSON Lines transcript.
class Runner final : public GameHost {
 public:
  Runner(const RunnerOptions& options, std::ostream& transcript);

  // Plays the inputs; returns the exit status.
  int Run(const std::vector<InputAction>& inputs);

  TForm1& Form() { return form_; }

 private:
  void ShowErrorBox(const ErrorReport& error) override;
  void ScenarioLoaded(BytesView file, StartMode mode) override;
  void StepStarting(std::int32_t line, BytesView opcode) override;
  void LineNotACommand(std::int32_t line) override;

  std::optional<WaitKind> CurrentWait() const;
  bool Fits(const InputAction& input, std::optional<WaitKind> wait) const;
  // Applies an input that fits; false when it ends the run.
  bool Apply(const InputAction& input);
  // Fires every timer due up to `deadline`; false when the time limit ends the run.
  bool RunUntil(std::int64_t deadline);

  JsonObject Event(const char* kind) const;
  void Write(const JsonObject& event);
  std::string StateJson() const;
  void End(const char* reason, std::optional<WaitKind> wait);

  RunnerOptions options_;
  std::ostream& out_;
  platform::VirtualClock clock_;
  platform::GameFolder folder_;
  TForm1 form_;
  std::optional<std::int32_t> stuck_line_;  // the line the engine stays on, once reported
};

}  // namespace torvane::headless
