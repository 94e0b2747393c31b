// Opening another game from the window: the new game's window stands where
// the old one stood, at its scale or in fullscreen, and its game starts
// afresh at its title.
#include <gtest/gtest.h>

#include <deque>

#include <QDir>
#include <QMenu>
#include <QScreen>
#include <QTimer>

#include "ui/qt/client_image.hpp"
#include "ui/qt/game_opening.hpp"
#include "ui/qt/qt_test_support.hpp"
#include "ui/qt/view_menu.hpp"

namespace torvane::qt {
namespace {

using testing::Observations;
using testing::TempGame;
using testing::WindowFixture;

MainWindow* ShownWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = dynamic_cast<MainWindow*>(widget); window && window->isVisible()) return window;
  }
  return nullptr;
}

struct EngineAt {
  int ClickGate, MenuGate, CurrentLine;
  bool operator==(const EngineAt&) const = default;
  static EngineAt Of(MainWindow& shown) {
    const auto& engine = shown.Form().Engine;
    return {engine.ClickGate, engine.MenuGate, engine.CurrentLine};
  }
};

class OpenAnotherGameTest : public WindowFixture {
 protected:
  OpenAnotherGameTest() {
    first.WriteScenario("Sinario00.txt", {"@STE", "@TXT 0", "一つ目のゲーム", "@END", "@TXT 0", "まだ一つ目", "@END"});
    second.WriteScenario("Sinario00.txt", {"@STE", "@TXT 1", "二つ目のゲーム", "@END"});
  }

  // Plays `dir` as the program does; `acts[i]` runs in the i-th window
  // once it is shown, and the last one closes its shown.
  void Play(const std::filesystem::path& dir, std::vector<std::function<void(MainWindow&)>> acts) {
    QObject scope;
    for (std::size_t i = 0; i < acts.size(); ++i) {
      When([this, i] { return made == static_cast<int>(i) + 1 && ShownWindow() && ShownWindow()->windowHandle() &&
                                ShownWindow()->windowHandle()->isExposed(); },
           [act = acts[i]] { act(*ShownWindow()); });
    }
    // A failed act leaves its window open; the run ends anyway.
    QTimer guard;
    guard.setInterval(20000);
    QObject::connect(&guard, &QTimer::timeout, &scope, [] {
      ADD_FAILURE() << "the windows were left open";
      if (MainWindow* open = ShownWindow()) open->close();
    });
    guard.start();
    PlayGames(dir, [this](const std::filesystem::path&) {
      ++made;
      PlayerSetup setup;
      setup.Game.SaveFile = game.Dir() / ("save" + std::to_string(made) + ".ini");
      setup.Settings = &settings;
      setup.Observer = &observed.emplace_back();
      return setup;
    });
  }

  // The recent game `dir` from the 表示 menu, as a player chooses it.
  static void OpenRecent(MainWindow& shown, const std::filesystem::path& dir) {
    const QString name = QDir::toNativeSeparators(QDir::cleanPath(QString::fromStdString(dir.string())));
    for (QAction* action : shown.View().RecentMenu()->actions()) {
      if (action->text().endsWith(QLatin1Char(' ') + name)) {
        action->trigger();
        return;
      }
    }
    ADD_FAILURE() << "no recent game " << dir;
  }

  static bool WaitForMessage(MainWindow& shown) {
    return WaitFor([&] { return shown.Form().Engine.ClickGate == 0; });
  }

  TempGame first, second;
  int made = 0;
  std::deque<Observations> observed;  // one a window
};

TEST_F(OpenAnotherGameTest, TheNextGameOpensWhereTheWindowStoodAtItsScaleAndAtItsTitle) {
  settings.AddRecentGame(QString::fromStdString(second.Dir().string()));
  const FormAssets assets = LoadFormAssets();
  Play(first.Dir(),
       {[&](MainWindow& shown) {
          EXPECT_EQ(shown.frameGeometry().topLeft(), QPoint(243, 215));
          shown.StartAction()->trigger();
          ASSERT_TRUE(WaitForMessage(shown));
          shown.SetScale(2);
          shown.move(100, 40);
          ASSERT_TRUE(WaitFor([&] { return shown.pos() == QPoint(100, 40); }));
          OpenRecent(shown, second.Dir());
        },
        [&](MainWindow& shown) {
          EXPECT_EQ(shown.frameGeometry().topLeft(), QPoint(100, 40));
          EXPECT_EQ(shown.Scale().Factor(), 2.0);
          EXPECT_EQ(shown.Client()->size(), QSize(1264, 852));
          EXPECT_TRUE(shown.View().ScaleAction(2)->isChecked());
          // Just as the game's own first window at that scale.
          qt::PlayerSetup setup;
          setup.Game.GameDir = second.Dir();
          setup.Game.SaveFile = game.Dir() / "fresh.ini";
          setup.Settings = &settings;
          MainWindow fresh(std::move(setup));
          fresh.show();
          ASSERT_TRUE(QTest::qWaitForWindowExposed(&fresh));
          EXPECT_EQ(EngineAt::Of(shown), EngineAt::Of(fresh));
          EXPECT_EQ(RenderClientArea(shown.Form().Form, assets), RenderClientArea(fresh.Form().Form, assets));
          EXPECT_EQ(shown.Client()->grab().toImage(), fresh.Client()->grab().toImage());
          EXPECT_TRUE(shown.StartAction()->isVisible() && shown.StartAction()->isEnabled());
          shown.StartAction()->trigger();
          ASSERT_TRUE(WaitForMessage(shown));
          shown.close();
        }});
  ASSERT_EQ(made, 2);
  EXPECT_EQ(observed[0].messages, std::vector<std::string>{"\n一つ目のゲーム\n"});
  EXPECT_EQ(observed[1].messages, std::vector<std::string>{"\n二つ目のゲーム\n"});
  EXPECT_EQ(settings.RecentGames().front(), QDir::cleanPath(QString::fromStdString(second.Dir().string())));
}

TEST_F(OpenAnotherGameTest, AGameOpenedInFullscreenStaysFullscreenAndGoesBackToTheOldPlace) {
  settings.AddRecentGame(QString::fromStdString(first.Dir().string()));
  const FormAssets assets = LoadFormAssets();
  QImage title;
  EngineAt at_title{};
  Play(first.Dir(),
       {[&](MainWindow& shown) {
          title = RenderClientArea(shown.Form().Form, assets);
          at_title = EngineAt::Of(shown);
          shown.move(200, 100);
          shown.StartAction()->trigger();
          ASSERT_TRUE(WaitForMessage(shown));
          shown.PressClient(300, 350, MouseButton::Left);
          ASSERT_TRUE(WaitFor([&] { return observed[0].messages.size() == 2 && shown.Form().Engine.ClickGate == 0; }));
          shown.SetFullscreen(true);
          ASSERT_TRUE(WaitFor([&] { return shown.isFullScreen(); }));
          EXPECT_EQ(shown.WindowedPlace(), QPoint(200, 100));
          // The same game again: from its start, not where it was.
          OpenRecent(shown, first.Dir());
        },
        [&](MainWindow& shown) {
          ASSERT_TRUE(WaitFor([&] { return shown.isFullScreen(); }));
          EXPECT_TRUE(shown.Fullscreen());
          EXPECT_EQ(shown.geometry(), shown.screen()->geometry());
          EXPECT_EQ(EngineAt::Of(shown), at_title);
          EXPECT_EQ(RenderClientArea(shown.Form().Form, assets), title);
          shown.SetFullscreen(false);
          ASSERT_TRUE(WaitFor([&] { return !shown.isFullScreen() && shown.pos() == QPoint(200, 100); }));
          EXPECT_EQ(shown.Client()->size(), QSize(632, 426));
          shown.StartAction()->trigger();
          ASSERT_TRUE(WaitForMessage(shown));
          shown.close();
        }});
  ASSERT_EQ(made, 2);
  EXPECT_EQ(observed[1].messages, std::vector<std::string>{"\n一つ目のゲーム\n"});
  EXPECT_FALSE(settings.Fullscreen());
}

}  // namespace
}  // namespace torvane::qt
