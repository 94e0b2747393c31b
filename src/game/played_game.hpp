#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <optional>

#include "game/form1.hpp"
#include "game/game_observer.hpp"
#include "game/game_wait.hpp"
#include "game/modal_host.hpp"
#include "media/deferred_media.hpp"
#include "platform/clock.hpp"
#include "platform/game_folder.hpp"
#include "save/save_point.hpp"

namespace torvane {

// What a front end chooses about the game it plays.
struct GameSetup {
  std::filesystem::path GameDir = ".";
  std::optional<std::filesystem::path> SaveFile;  // default: the game's own save point
  MediaFactory Media;                             // default: silent devices
  // Scenario and picture files played from memory rather than from GameDir
  // (see platform::GameFolder::Hold): name, bytes.
  std::map<std::string, std::string> HeldFiles;
};

// A game as every front end plays it: its folder, its save point, its
// devices and the main window object, on the front end's clock. The window,
// the headless runner, the tests, the benchmarks and the fuzzer all build
// their game through this one type.
class PlayedGame {
 public:
  PlayedGame(const GameSetup& setup, const platform::Clock& clock, ModalHost& host, GameObserver& observer);
  PlayedGame(const PlayedGame&) = delete;
  PlayedGame& operator=(const PlayedGame&) = delete;

  TForm1& Form() { return form_; }
  const TForm1& Form() const { return form_; }
  const platform::GameFolder& Folder() const { return folder_; }
  const SavePointFile& SavePoint() const { return save_point_; }
  std::optional<WaitKind> Waiting() const { return WhatGameWaitsFor(form_); }
  MusicDevice& Music() { return media_.Music(); }
  SoundDevice& Sounds() { return media_.Sounds(); }
  // Makes the devices now rather than when the game first needs them.
  void MakeMediaDevices() { media_.MakeDevices(); }

 private:
  platform::GameFolder folder_;
  SavePointFile save_point_;
  DeferredMedia media_;
  TForm1 form_;
};

}  // namespace torvane
