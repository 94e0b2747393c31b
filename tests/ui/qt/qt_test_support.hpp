#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QTest>

#include "ui/qt/main_window.hpp"

namespace torvane::testing {

// A game folder of its own under the system's temporary folder.
class TempGame {
 public:
  TempGame();
  ~TempGame();
  TempGame(const TempGame&) = delete;
  TempGame& operator=(const TempGame&) = delete;

  const std::filesystem::path& Dir() const { return dir_; }
  // Writes `utf8_lines` as code page 932 with CR LF line ends.
  void WriteScenario(const std::string& name, const std::vector<std::string>& utf8_lines) const;

 private:
  std::filesystem::path dir_;
};

// What the window reported as the game ran, with when.
struct Observations final : GameObserver {
  using Clock = std::chrono::steady_clock;
  std::vector<std::pair<Clock::time_point, std::string>> pages;
  std::vector<std::string> messages;
  int menus = 0;

  void PageShown(BytesView text) override;
  void MessageWaiting(BytesView text) override;
  void MenuWaiting(BytesView, const std::vector<Bytes>&) override { ++menus; }
};

// A shown main window on a temporary game, with headless media.
class WindowFixture : public ::testing::Test {
 protected:
  // `author`: the window's author mode; `media`: silent devices when empty.
  void Open(const std::vector<std::string>& scenario, bool author = false, MediaFactory media = {});
  // The window on a game folder of its own, its save point in the
  // temporary folder.
  void OpenFolder(const std::filesystem::path& dir);
  void Show(const std::filesystem::path& dir, bool author, MediaFactory media);
  void Start() { window->StartAction()->trigger(); }
  // Runs the event loop until `done` holds; false after `ms`.
  static bool WaitFor(const std::function<bool()>& done, int ms = 5000);
  bool WaitForMessage() {
    return WaitFor([&] { return window->Form().Engine.ClickGate == 0; });
  }
  std::string MessageUtf8();
  // Calls `act` with the first modal window that opens, from inside its
  // event loop.
  static void OnModal(std::function<void(QWidget*)> act);
  // Calls `act` once `condition` holds, from whichever event loop runs
  // then (a narration page's own, for one).
  static void When(std::function<bool()> condition, std::function<void()> act);

  TempGame game;
  Observations seen;
  // The window's settings, in memory: set them before opening.
  qt::PlayerSettings settings;
  // Where the window writes its text out, when set before opening.
  TextOutFile* text_out = nullptr;
  // Where the window keeps the lines seen: set it before opening; none
  // keeps nothing.
  std::optional<std::filesystem::path> seen_lines;
  std::unique_ptr<qt::MainWindow> window;
};

std::string Utf8(BytesView cp932);

// Saves the image as a test artefact to look at.
void SaveArtefact(const QImage& image, const std::string& name);

}  // namespace torvane::testing
