#pragma once

#include <cstdint>
#include <vector>

#include "platform/bytes.hpp"
#include "engine/engine_state.hpp"
#include "media/media_devices.hpp"
#include "platform/clock.hpp"
#include "platform/game_folder.hpp"
#include "save/save_point.hpp"
#include "story/story_state.hpp"
#include "ui/form_model.hpp"
#include "ui/game_host.hpp"
#include "ui/press_routing.hpp"

namespace torvane {

// The main window object: it holds all engine and story state for as long
// as it lives, and every command of the language is one of its handlers.
// It knows no toolkit: what it shows is `Form`, and what it asks of the
// program around it goes through `GameHost`. The handlers are defined next
// to the rules they implement (engine/, story/, ui/, media/, save/).
// What the main window is given by the program that creates it.
struct FormServices {
  GameHost& Host;
  const platform::Clock& Clock;
  const platform::GameFolder& Folder;
  MusicDevice& Music;  // MediaPlayer1
  SoundDevice& Sounds;
  const SavePointFile& SavePoint;
};

class TForm1 {
 public:
  static constexpr std::size_t kCommandTargetCapacity = 600;

  explicit TForm1(const FormServices& services);
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  EngineState Engine;
  StoryState Story;
  FormModel Form;
  std::vector<Bytes> CommandTargets = std::vector<Bytes>(kCommandTargetCapacity);
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

  // Label look-ups; a name the current file does not define stops the script.
  std::int32_t FindTag(BytesView name) const;
  std::int32_t FindSub(BytesView name) const;

  // A call pushes `return_line` and continues at the "@SUB" line; a return
  // pops it. Shared by "@GSB", "@FSB", "@ISJ" and the command list.
  void CallSubroutine(BytesView name, std::int32_t return_line);
  void ReturnFromCall(BytesView opcode);

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

  // Command handlers, one per opcode, each given the whole line.
  void CmdCMD(BytesView line);
  void CmdJMP(BytesView line);
  void CmdFON(BytesView line);
  void CmdFOF(BytesView line);
  void CmdTXT(BytesView line);
  void CmdBGM(BytesView line);
  void CmdSEM(BytesView line);
  void CmdESB(BytesView line);
  void CmdRTN(BytesView line);
  void CmdCLF(BytesView line);
  void CmdFJP(BytesView line);
  void CmdFSB(BytesView line);
  void CmdGSB(BytesView line);
  void CmdBGS(BytesView line);
  void CmdLST(BytesView line);
  void CmdNXT(BytesView line);
  void CmdEND(BytesView line);
  void CmdTAG(BytesView line);
  void CmdSUB(BytesView line);
  void CmdSTR(BytesView line);
  void CmdSTX(BytesView line);
  void CmdSTE(BytesView line);
  void CmdREM(BytesView line);
  void CmdIIZ(BytesView line);
  void CmdIGG(BytesView line);
  void CmdIGN(BytesView line);
  void CmdIUU(BytesView line);
  void CmdIUN(BytesView line);
  void CmdICL(BytesView line);
  void CmdIVW(BytesView line);
  void CmdITM(BytesView line);
  void CmdISS(BytesView line);
  void CmdISJ(BytesView line);
  void CmdSAV(BytesView line);

 private:
  GameHost& host_;
  const platform::GameFolder& folder_;
  MusicDevice& music_;
  SoundDevice& sounds_;
  const SavePointFile& save_point_;
  Bytes scenario_file_;
};

}  // namespace torvane
