// What a player switches on changes nothing the game does: the demo's
// walkthrough played on the window with every setting away from its
// default, by real key and mouse events at the scaled positions, reports
// the runner's events in the runner's order.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <QMessageBox>
#include <QPushButton>
#include <nlohmann/json.hpp>

#include "game/game_wait.hpp"
#include "pictures/picture.hpp"
#include "ui/qt/client_image.hpp"
#include "ui/qt/item_dialog_window.hpp"
#include "ui/qt/qt_test_support.hpp"
#include "ui/qt/view_menu.hpp"

namespace torvane::qt {
namespace {

using nlohmann::json;
using testing::Utf8;
using Clock = std::chrono::steady_clock;

std::vector<std::string> Texts(const std::vector<Bytes>& texts) {
  std::vector<std::string> utf8;
  for (const Bytes& text : texts) utf8.push_back(Utf8(text));
  return utf8;
}

// The game's events in the runner's transcript form, without the time,
// which is kept beside them.
struct Recorder final : GameObserver {
  std::vector<json> events;
  std::vector<Clock::time_point> times;

  void Add(json event) {
    events.push_back(std::move(event));
    times.push_back(Clock::now());
  }
  void ScenarioLoaded(BytesView file, StartMode mode) override {
    Add({{"ev", "load"}, {"file", Utf8(file)}, {"mode", mode == StartMode::NewGame ? "new" : "next"}});
  }
  void ScreenShown(ScreenMode mode) override {
    Add({{"ev", "screen"}, {"mode", mode == ScreenMode::Narration ? "narration" : "normal"}});
  }
  void PageShown(BytesView text) override { Add({{"ev", "page"}, {"text", Utf8(text)}}); }
  void ScenePictureLoaded(BytesView file, const Picture& picture) override {
    Add({{"ev", "scene"}, {"file", Utf8(file)}, {"width", picture.Width}, {"height", picture.Height}});
  }
  void PortraitDrawn(int number) override { Add({{"ev", "portrait"}, {"n", number}}); }
  void MessageWaiting(BytesView text) override { Add({{"ev", "message"}, {"text", Utf8(text)}}); }
  void MenuWaiting(BytesView caption, const std::vector<Bytes>& entries) override {
    Add({{"ev", "menu"}, {"caption", Utf8(caption)}, {"entries", Texts(entries)}});
  }
  void MusicStarted(BytesView file) override { Add({{"ev", "music"}, {"file", Utf8(file)}}); }
  void SoundStarted(BytesView file) override { Add({{"ev", "sound"}, {"file", Utf8(file)}}); }
  void SavePointWritten(BytesView next) override { Add({{"ev", "save"}, {"next", Utf8(next)}}); }
  void ErrorShown(const ErrorReport& error) override { Add({{"ev", "error"}, {"text", Utf8(error.Text)}}); }
  void MessageBoxShown(const MessageBoxRequest& box) override {
    Add({{"ev", "box"}, {"caption", Utf8(box.Caption)}, {"text", Utf8(box.Text)}});
  }
  void ItemDialogShown(const std::vector<Bytes>& entries) override {
    Add({{"ev", "items"}, {"entries", Texts(entries)}});
  }
};

std::vector<std::string> InputLines(const std::filesystem::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  }
  return lines;
}

std::string Quoted(const std::string& line) {
  const auto open = line.find('"');
  return open == std::string::npos ? "" : line.substr(open + 1, line.rfind('"') - open - 1);
}

// Plays the input lines one at a time as the game comes to wait for each,
// from whichever event loop runs then: the window's, a box's or the item
// dialog's.
class Player {
 public:
  Player(MainWindow& window, std::vector<std::string> lines) : window_(window), lines_(std::move(lines)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start(5);
  }
  bool Done() const { return next_ == lines_.size(); }
  const std::string& Failure() const { return failure_; }

 private:
  void Poll() {
    if (pending_ || Done() || !failure_.empty() || window_.FormDestroyed()) return;
    const std::string& line = lines_[next_];
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && !modal->isVisible()) return;
    const auto wait = WhatGameWaitsFor(window_.Form());
    const std::string verb = line.substr(0, line.find(' '));
    auto* dialog = dynamic_cast<ItemDialogWindow*>(modal);
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (verb == "start") {
      if (modal || wait != WaitKind::Title) return;
      Act([this] { window_.StartAction()->trigger(); });
    } else if (verb == "exit") {
      if (modal || !wait || !window_.ExitAction()->isVisible()) return;
      Act([this] { window_.ExitAction()->trigger(); });
    } else if (verb == "click") {
      if (modal || wait != WaitKind::Click) return;
      Act([this] { Click(); });
    } else if (verb == "choose") {
      ChoiceList* list = window_.CommandList();
      if (modal || wait != WaitKind::Choice || !list->isVisible() || !list->isEnabled()) return;
      const auto found = list->findItems(QString::fromStdString(Quoted(line)), Qt::MatchExactly);
      if (found.isEmpty()) return Fail("no entry for " + line);
      // The middle of the row where the model puts it, on the scaled view.
      const int row = list->row(found.front());
      const QPoint at(500, 40 + list->frameWidth() + row * FormModel::kListRowHeight + 9);
      Act([this, at] { PressModel(at); });
    } else if (verb == "pick") {
      if (!dialog) return;
      const auto found = dialog->List()->findItems(QString::fromStdString(Quoted(line)), Qt::MatchExactly);
      if (found.isEmpty()) return Fail("no item for " + line);
      const QPoint at = dialog->List()->visualItemRect(found.front()).center();
      Act([dialog, at] { QTest::mouseClick(dialog->List()->viewport(), Qt::LeftButton, {}, at); });
    } else if (verb == "ok" || verb == "yes") {
      if (!box) return;
      const QString text = verb == "ok" ? QStringLiteral("OK") : QStringLiteral("はい");
      for (QAbstractButton* button : box->buttons()) {
        if (button->text() != text) continue;
        Act([button] { QTest::mouseClick(button, Qt::LeftButton); });
        return;
      }
      Fail("no button for " + line);
    } else {
      Fail("unknown input " + line);
    }
  }

  // Takes the line and acts from a timer of its own: the poll's timer does
  // not fire again while its handler runs, and the action may open a box
  // whose loop needs the next line.
  void Act(std::function<void()> action) {
    ++next_;
    pending_ = true;
    QTimer::singleShot(0, [this, action = std::move(action)] {
      pending_ = false;
      action();
    });
  }

  // Each of the ways a player answers a message, in turn.
  void Click() {
    switch (clicks_++ % 4) {
      case 0: QTest::keyClick(&window_, Qt::Key_Return); break;
      case 1: QTest::keyClick(&window_, Qt::Key_Space); break;
      case 2: QTest::keyClick(&window_, Qt::Key_Enter, Qt::KeypadModifier); break;
      default: PressModel(QPoint(300, 350)); break;
    }
  }

  void PressModel(QPoint model) {
    const QPoint widget = window_.Scale().PressPoint(model);
    QWidget* target = window_.Client()->childAt(widget);
    if (!target) target = window_.Client();
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(window_.Client(), widget));
  }

  void Fail(std::string why) {
    failure_ = std::move(why);
    poll_.stop();
  }

  MainWindow& window_;
  std::vector<std::string> lines_;
  std::size_t next_ = 0;
  int clicks_ = 0;
  bool pending_ = false;
  std::string failure_;
  QTimer poll_;
};

class SameGameTest : public testing::WindowFixture {};

TEST_F(SameGameTest, TheDemoWalkthroughScaledFullscreenAndSmoothReportsTheRunnersEvents) {
  const std::filesystem::path demo = TORVANE_DEMO_GAME;
  // The runner's transcript, fresh.
  const std::filesystem::path transcript = game.Dir() / "runner.jsonl";
  const std::string command = std::string("\"") + TORVANE_HEADLESS + "\" --input \"" +
                              (demo / "walkthrough.txt").string() + "\" --transcript \"" + transcript.string() +
                              "\" --save-file \"" + (game.Dir() / "runner-save.ini").string() + "\" \"" +
                              demo.string() + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::vector<json> expected;
  std::vector<std::int64_t> expected_ms;
  {
    std::ifstream in(transcript);
    for (std::string line; std::getline(in, line);) {
      json event = json::parse(line);
      const std::string kind = event["ev"];
      if (kind == "title" || kind == "input" || kind == "end") continue;
      expected_ms.push_back(event["t"]);
      event.erase("t");
      // The window's error box carries no more than its text.
      if (kind == "error") event = {{"ev", "error"}, {"text", event["text"]}};
      expected.push_back(event);
    }
  }
  ASSERT_GT(expected.size(), 50u);

  // Every setting away from its default.
  settings.SetScale(2);
  settings.SetSmooth(true);
  settings.SetFullscreen(true);
  settings.SetMusicVolume(35);
  settings.SetEffectsVolume(60);
  settings.SetMuteInBackground(true);
  Recorder recorder;
  const Clock::time_point created = Clock::now();  // the clock's zero, as the runner's
  {
    qt::PlayerSetup setup;
    setup.Game.GameDir = demo;
    setup.Game.SaveFile = game.Dir() / "save.ini";
    setup.Observer = &recorder;
    setup.Settings = &settings;
    window = std::make_unique<qt::MainWindow>(std::move(setup));
  }
  window->ShowAsSet();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  ASSERT_TRUE(WaitFor([&] { return window->isFullScreen(); }));
  ASSERT_FALSE(window->Scale().IsIdentity());
  ASSERT_TRUE(window->View().SmoothAction()->isChecked());

  // The beach with its menu at 2x, smoothed, for the README.
  When([&] { return recorder.events.size() > 30 && window->CommandList()->count() > 0; }, [&] {
    testing::SaveArtefact(RenderClientArea(window->Form().Form, LoadFormAssets(), ViewScale::Integer(2), true),
                          "demo-2x.png");
  });
  Player player(*window, InputLines(demo / "walkthrough.txt"));
  ASSERT_TRUE(WaitFor([&] { return window->FormDestroyed() || !player.Failure().empty(); }, 120000));
  EXPECT_EQ(player.Failure(), "");
  EXPECT_TRUE(player.Done());

  ASSERT_EQ(recorder.events.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(recorder.events[i], expected[i]);
  }
  // On the real clock, counted from the window's creation, no event comes
  // before its virtual time; how late it comes is the machine's business.
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(recorder.times[i] - created).count();
    EXPECT_GE(ms + 5, expected_ms[i]) << expected[i];
  }
}

}  // namespace
}  // namespace torvane::qt
