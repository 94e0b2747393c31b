#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "engine/command_table.hpp"
#include "engine/engine_state.hpp"
#include "game/game_observer.hpp"
#include "game/modal_host.hpp"
#include "media/media_devices.hpp"
#include "platform/bytes.hpp"
#include "platform/clock.hpp"
#include "platform/game_file_names.hpp"
#include "platform/game_folder.hpp"
#include "save/save_point.hpp"
#include "story/story_state.hpp"
#include "ui/form_model.hpp"
#include "ui/press_routing.hpp"

namespace torvane {

// What the main window is given by the program that creates it.
struct FormServices {
  ModalHost& Host;
  GameObserver& Observer;
  const platform::Clock& Clock;
  const platform::GameFolder& Folder;
  MusicDevice& Music;  // MediaPlayer1
  SoundDevice& Sounds;
  const SavePointFile& SavePoint;
};

// The main window object: it holds all engine and story state for as long
// as it lives, and every command of the language is one of its handlers.
// It knows no toolkit: what it shows is `Form`, what it asks of the program
// around it goes through `ModalHost`, and what it reports goes to the
// `GameObserver`.
class TForm1 final : public CommandHandlers {
 public:
  static constexpr std::size_t kCommandTargetCapacity = 600;

  explicit TForm1(const FormServices& services);
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  EngineState Engine;
  StoryState Story;
  FormModel Form;
  // Grows to the longest menu shown, up to the capacity; only the entries of
  // the menu on screen are ever read.
  std::vector<Bytes> CommandTargets;
  platform::Timer Timer1;  // the music loop, created off
  platform::Timer Timer2;  // the script tick, on from creation
  platform::TimerSet Timers;

  // The script tick, one step, and the music loop.
  void Timer2Timer();
  void StepScript();
  void Timer1Timer();

  // Loading and starting.
  void LoadScenario(BytesView file_name);
  void StartScenario(BytesView file_name, StartMode mode);
  const Bytes& ScenarioFile() const { return scenario_file_; }
  // The line the engine stays on because it is not a command, once a step
  // has found it there; none after any other step or a load.
  std::optional<std::int32_t> StuckLine() const { return stuck_line_; }
  // Line `line` of the current file as it is written, for reports to the
  // author; none outside the file or before any file was loaded.
  std::optional<BytesView> ScenarioLineText(std::int32_t line) const {
    if (!Engine.ScenarioLines || !Engine.ScenarioLines->Contains(line)) return std::nullopt;
    return (*Engine.ScenarioLines)[line];
  }

  // Player input. A press at client coordinates goes to the control the
  // routing picks; the three press handlers of the game screen act alike.
  void PressAt(int x, int y, MouseButton button);
  void GameScreenMouseDown(MouseButton button);
  void WaitForClick();
  // A selection change in the command list, by mouse or keyboard.
  void ListBox1Select(int index);
  void ListBox1Click();

  // The screens and the portrait.
  void ShowNormalScreen();
  void DrawPortrait(std::int32_t number);

  // Game menu and shutdown. A menu command's error goes to the error box.
  void N1Click();
  void CONTIClick();
  void MENU12Click();
  void FormDestroy();
  void RunMenuCommand(void (TForm1::*command)());

  // The command handlers, one per row of the command table.
#define TORVANE_HANDLER(op, form, lines) void Cmd##op(const Operands& operands) override;
  TORVANE_COMMANDS(TORVANE_HANDLER)
#undef TORVANE_HANDLER

 private:
  // The one way an error reaches the player: whatever `action` raises
  // becomes the report of the error box, naming `line` of the current file
  // when given. Exceptions of the front end's own, which are not standard
  // ones, pass through.
  std::optional<ErrorReport> ErrorOf(const std::function<void()>& action, std::optional<std::int32_t> line);
  // As ErrorOf, showing the box; false when it did.
  bool Guarded(const std::function<void()>& action, std::optional<std::int32_t> line);
  void ShowErrorBox(const ErrorReport& error);
  MessageBoxResult ShowMessageBox(const MessageBoxRequest& box);
  // Runs a command met inside another's block, as its own step would.
  void RunInline(BytesView line);

  ModalHost& host_;
  GameObserver& observer_;
  const platform::GameFolder& folder_;
  MusicDevice& music_;
  SoundDevice& sounds_;
  const SavePointFile& save_point_;
  Bytes scenario_file_;
  std::optional<std::int32_t> stuck_line_;
};

}  // namespace torvane
