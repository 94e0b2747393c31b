#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/headless/input_script.hpp"
#include "app/headless/json_writer.hpp"
#include "media/sdl/virtual_media.hpp"
#include "platform/clock.hpp"
#include "platform/game_folder.hpp"
#include "save/save_point.hpp"
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
// would see and hear as a JSON Lines transcript. Modal steps (the item
// dialog, message boxes) take their inputs from inside the step, as the
// window's nested event loops would.
class Runner final : public GameHost {
 public:
  Runner(const RunnerOptions& options, std::ostream& transcript);

  // Plays the inputs; returns the exit status.
  int Run(const std::vector<InputAction>& inputs);

  TForm1& Form() { return form_; }
  // The item dialog while it is open, or null.
  TForm2* OpenItemDialog() { return dialog_; }

  // Called at every wait for the player, before its input is taken.
  void SetWaitObserver(std::function<void(WaitKind)> observer) { wait_observer_ = std::move(observer); }

 private:
  // Thrown to end the run from wherever it stands, after the `end` event.
  struct RunEnded {
    int Status;
  };

  void ShowErrorBox(const ErrorReport& error) override;
  MessageBoxResult ShowMessageBox(const MessageBoxRequest& box) override;
  void RunItemDialog(TForm2& dialog) override;
  void WaitHandlingMessages(std::int64_t ms) override;
  void CloseMainWindow() override;
  void ScenarioLoaded(BytesView file, StartMode mode) override;
  void StepStarting(std::int32_t line, BytesView opcode) override;
  void LineNotACommand(std::int32_t line) override;
  void ScreenShown(ScreenMode mode) override;
  void PageShown(BytesView text) override;
  void ScenePictureLoaded(BytesView file, const Picture& picture) override;
  void PortraitDrawn(int number) override;
  void MessageWaiting(BytesView text) override;
  void MenuWaiting(BytesView caption, const std::vector<Bytes>& entries) override;
  void MusicStarted(BytesView file) override;
  void SoundStarted(BytesView file) override;
  void SavePointWritten(BytesView next) override;

  std::optional<WaitKind> CurrentWait() const;
  // The next input line, which must fit `wait`; `dump` is applied on the way.
  const InputAction& TakeInput(WaitKind wait);
  bool Fits(const InputAction& input, WaitKind wait) const;
  void Apply(const InputAction& input);
  // Fires every timer due up to `deadline`, then sets the clock there.
  void RunUntil(std::int64_t deadline);
  [[noreturn]] void EndRun(const char* reason, std::optional<WaitKind> wait, int status);

  JsonObject Event(const char* kind) const;
  void Write(const JsonObject& event);
  std::string StateJson() const;

  RunnerOptions options_;
  std::ostream& out_;
  platform::VirtualClock clock_;
  platform::GameFolder folder_;
  SavePointFile save_point_;
  VirtualMusic music_;
  VirtualSound sounds_;
  TForm1 form_;

  const std::vector<InputAction>* inputs_ = nullptr;
  std::size_t next_input_ = 0;
  std::optional<WaitKind> modal_;            // Items or Box while one is open
  MessageBoxButtons box_buttons_ = MessageBoxButtons::Ok;
  TForm2* dialog_ = nullptr;
  std::optional<std::int32_t> stuck_line_;  // the line the engine stays on, once reported
  bool closed_ = false;
  std::function<void(WaitKind)> wait_observer_;
};

}  // namespace torvane::headless
