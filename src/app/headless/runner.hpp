#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <vector>

#include "app/headless/input_script.hpp"
#include "app/headless/transcript.hpp"
#include "game/game_wait.hpp"
#include "game/modal_host.hpp"
#include "game/observer_tee.hpp"
#include "game/virtual_time.hpp"
#include "reading/clock_speed.hpp"
#include "reading/reading_modes.hpp"
#include "reading/reading_observer.hpp"
#include "reading/seen_lines.hpp"

namespace torvane::headless {

struct RunnerOptions {
  std::filesystem::path GameDir = ".";
  std::optional<std::filesystem::path> SaveFile;
  std::int64_t MaxTimeMs = 3600000;
  bool Trace = false;
  // A script error or a stuck engine ends the run with kExitScriptFault.
  bool Strict = false;
  // The reading modes, each pressing for the player where a message waits.
  std::optional<int> FastSpeed;                     // fast-forward at this speed
  std::optional<std::filesystem::path> SkipReadFile;  // skip of the lines seen, kept here
  std::optional<std::int64_t> AutoMs;               // auto-advance after this, plus per character
};

const char* WaitName(WaitKind kind);

inline constexpr int kExitNormal = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInputMismatch = 3;
inline constexpr int kExitScriptFault = 4;

// The game on a virtual clock: takes the player's actions from an input
// script whenever the game waits for the player, and writes what the player
// would see and hear as a JSON Lines transcript. Modal steps (the item
// dialog, message boxes) take their inputs from inside the step, as the
// window's nested event loops would.
class Runner final : public ModalHost {
 public:
  Runner(const RunnerOptions& options, std::ostream& transcript);

  // Plays the inputs; returns the exit status.
  int Run(const std::vector<InputAction>& inputs);

  TForm1& Form() { return game_.Game.Form(); }
  // The item dialog while it is open, or null.
  TForm2* OpenItemDialog() { return dialog_; }

  // Called at every wait for the player, before its input is taken.
  void SetWaitObserver(std::function<void(WaitKind)> observer) { wait_observer_ = std::move(observer); }

 private:
  // Thrown to end the run from wherever it stands, after the `end` event.
  // It is no standard exception, so the game's own error path lets it pass.
  struct RunEnded {
    int Status;
  };

  void ShowErrorBox(const ErrorReport& error) override;
  MessageBoxResult ShowMessageBox(const MessageBoxRequest& box) override;
  void RunItemDialog(TForm2& dialog) override;
  void WaitHandlingMessages(std::int64_t ms) override;
  void CloseMainWindow() override;

  std::optional<WaitKind> CurrentWait() const;
  // The next input line, which must fit `wait`; `dump` is applied on the way.
  const InputAction& TakeInput(WaitKind wait);
  bool Fits(const InputAction& input, WaitKind wait) const;
  void Apply(const InputAction& input);
  // Fires the timers due up to `deadline`, then sets the clock there.
  void RunUntil(std::int64_t deadline);
  [[noreturn]] void EndRun(const char* reason, std::optional<WaitKind> wait, int status);
  // A mode's press for the player at a message; false when none presses it.
  bool PressForPlayer();
  // The transcript's clock follows the speed the modes run the game at.
  void SyncSpeed() { player_clock_.SetSpeed(modes_.Speed()); }
  void SaveSeenLines();

  RunnerOptions options_;
  reading::ReadingModes modes_;
  std::optional<reading::SeenLines> seen_;
  VirtualGame game_;
  reading::PlayerClock player_clock_;
  TranscriptWriter transcript_;
  reading::ReadingObserver reading_;
  ObserverTee observers_;  // the modes hear each report before the transcript

  const std::vector<InputAction>* inputs_ = nullptr;
  std::size_t next_input_ = 0;
  std::optional<WaitKind> modal_;  // Items or Box while one is open
  MessageBoxButtons box_buttons_ = MessageBoxButtons::Ok;
  TForm2* dialog_ = nullptr;
  bool closed_ = false;
  std::function<void(WaitKind)> wait_observer_;
};

}  // namespace torvane::headless
