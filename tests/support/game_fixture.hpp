#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "game/virtual_time.hpp"
#include "platform/cp932.hpp"
#include "story/item_dialog.hpp"

namespace torvane::testing {

// A host that records what the game asked of it, and answers modal
// requests from scripted answers; it observes the game too.
struct RecordingHost final : ModalHost, GameObserver {
  std::vector<ErrorReport> errors;
  std::vector<std::pair<Bytes, StartMode>> loads;
  std::vector<std::int32_t> steps;
  std::vector<std::int32_t> stuck;
  std::vector<MessageBoxRequest> boxes;
  std::vector<std::vector<Bytes>> dialogs;
  std::vector<std::int64_t> waits;
  MessageBoxResult box_answer = MessageBoxResult::Ok;
  int dialog_pick = -1;  // the entry to pick, or -1 to close the dialog
  bool closed = false;

  void ShowErrorBox(const ErrorReport& error) override { errors.push_back(error); }
  MessageBoxResult ShowMessageBox(const MessageBoxRequest& box) override {
    boxes.push_back(box);
    return box_answer;
  }
  void RunItemDialog(TForm2& dialog) override {
    dialogs.push_back(dialog.ListBox21Items);
    if (dialog_pick < 0) dialog.Close();
    else dialog.SelectEntry(dialog_pick);
  }
  void WaitHandlingMessages(std::int64_t ms) override { waits.push_back(ms); }
  void CloseMainWindow() override { closed = true; }
  void ScenarioLoaded(BytesView file, StartMode mode) override { loads.emplace_back(Bytes(file), mode); }
  void StepStarting(std::int32_t line, BytesView) override { steps.push_back(line); }
  void LineNotACommand(std::int32_t line) override { stuck.push_back(line); }

  std::string LastErrorUtf8() const { return errors.empty() ? "" : platform::Cp932ToUtf8(errors.back().Text); }
};

// A fresh name for a game folder under the system's temporary folder.
inline std::filesystem::path NewFolderName() {
  static std::atomic<int> counter{0};
  return std::filesystem::temp_directory_path() /
         ("torvane-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
}

// A game folder of its own and a game on the virtual clock in it.
class GameFixture : public ::testing::Test {
 protected:
  GameFixture() { std::filesystem::create_directories(dir_); }
  ~GameFixture() override { std::filesystem::remove_all(dir_); }

  void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }

  // Writes "Sinario00.txt" and chooses Start.
  void StartWith(const std::string& bytes) {
    WriteFile(kFirstScenario, bytes);
    form.RunMenuCommand(&TForm1::N1Click);
  }

  // Lets virtual time pass up to `ms` from now, firing every timer due.
  void RunFor(std::int64_t ms) { game.Time.RunUntil(game.Time.After(ms)); }

  // Runs exactly `n` script ticks.
  void Ticks(int n) { RunFor(50 * static_cast<std::int64_t>(n)); }


  std::filesystem::path dir_ = NewFolderName();
  RecordingHost host;
  VirtualGame game{GameSetup{dir_, dir_ / "save" / "Kesmar.ini", {}, {}}, host, host};
  TForm1& form = game.Game.Form();
  platform::VirtualClock& clock = game.Clock;
  MusicDevice& music = game.Game.Music();
};

}  // namespace torvane::testing
