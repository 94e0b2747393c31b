// Fast-forward, skip and auto-advance in the window: they press only where
// a message waits, never through a command list, the item dialog or a box,
// and their keys never reach the command list.
#include <QAction>
#include <QMessageBox>

#include "ui/qt/choice_list.hpp"
#include "ui/qt/item_dialog_window.hpp"
#include "ui/qt/reading_controls.hpp"
#include "ui/qt/qt_test_support.hpp"
#include "ui/qt/view_menu.hpp"

namespace torvane::testing {
namespace {

using qt::ChoiceList;
using qt::ItemDialogWindow;

const std::vector<std::string> kThreeMessagesThenAMenu = {
    "@STE",        "@TXT 0", "一つ目", "@END", "@TXT 0", "二つ目", "@END", "@TXT 0", "三つ目", "@END",
    "@TAG menu",   "@CMD  道",   "右,R",  "左,L",   "@END",   "@JMP menu",  "@SUB R", "@TXT 0", "右へ", "@END",
    "@RTN",        "@SUB L",  "@TXT 0", "左へ",   "@END",   "@RTN",
};

// A message, the item dialog, the item's message, the ending box, a
// message after it, and a menu.
const std::vector<std::string> kDialogAndBox = {
    "@STE", "@IIZ", "古い鍵,Get,None,錆びた鍵。", "@END", "@TXT 0", "前", "@END", "@ITM", "@ISS 0",
    "@LST", "@TXT 0", "後", "@END", "@CMD  おわり", "@END",
};

class ReadingModesWindowTest : public WindowFixture {
 protected:
  qt::ReadingControls& Reading() {
    window->View();  // the 表示 menu's items, which start-up makes after the first frame
    return window->Reading();
  }
  void Choose(int row) {
    ChoiceList* list = window->CommandList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
  }
  bool WaitForMenu() {
    return WaitFor([&] { return window->Form().Engine.MenuGate == 0 && window->Form().Engine.ClickGate == 1; });
  }
};

TEST_F(ReadingModesWindowTest, HoldingCtrlAdvancesMessagesAndStopsAtTheMenu) {
  Open(kThreeMessagesThenAMenu);
  Start();
  ASSERT_TRUE(WaitForMessage());
  QTest::keyPress(window.get(), Qt::Key_Control);
  EXPECT_TRUE(Reading().Modes().FastHeld());
  ASSERT_TRUE(WaitForMenu());
  EXPECT_EQ(seen.messages, (std::vector<std::string>{"\n一つ目\n", "\n二つ目\n", "\n三つ目\n"}));
  // The menu waits for the player however long Ctrl is held.
  ChoiceList* list = window->CommandList();
  QTest::qWait(300);
  EXPECT_EQ(window->Form().Engine.MenuGate, 0);
  EXPECT_TRUE(list->selectedItems().isEmpty());
  EXPECT_FALSE(Reading().PressPending());
  QTest::keyRelease(window.get(), Qt::Key_Control);
  EXPECT_FALSE(Reading().Modes().FastHeld());
  EXPECT_EQ(Reading().Modes().Speed(), 1);

  // Let go, a message waits for the player again.
  Choose(0);
  ASSERT_TRUE(WaitForMessage());
  QTest::qWait(200);
  EXPECT_EQ(window->Form().Engine.ClickGate, 0);
  EXPECT_EQ(MessageUtf8(), "\n右へ\n");
}

TEST_F(ReadingModesWindowTest, CtrlShortcutsStillWorkWhileCtrlFastForwards) {
  Open(kThreeMessagesThenAMenu);
  Reading();
  QTest::keyPress(window.get(), Qt::Key_Control);
  QTest::keyClick(window.get(), Qt::Key_2, Qt::ControlModifier);
  QTest::keyRelease(window.get(), Qt::Key_Control);
  EXPECT_EQ(window->Settings().Scale(), 2);
  EXPECT_FALSE(Reading().Modes().FastHeld());
}

TEST_F(ReadingModesWindowTest, FastForwardAndAutoNeverPassTheItemDialogOrABox) {
  Open(kDialogAndBox);
  Reading().FastAction()->trigger();
  Reading().AutoAction()->trigger();
  ASSERT_TRUE(Reading().Modes().Fast() && Reading().Modes().Auto());
  EXPECT_EQ(Reading().Modes().Speed(), 8);
  bool dialog_stayed = false, box_stayed = false;
  OnModal([&](QWidget* modal) {
    auto* dialog = dynamic_cast<ItemDialogWindow*>(modal);
    ASSERT_NE(dialog, nullptr);
    QTest::qWait(400);
    dialog_stayed = dialog->isVisible();
    OnModal([&](QWidget* next) {
      auto* box = qobject_cast<QMessageBox*>(next);
      ASSERT_NE(box, nullptr);
      QTest::qWait(400);
      box_stayed = box->isVisible() && seen.messages.size() == 2;
      QTest::keyClick(box, Qt::Key_Return);
    });
    dialog->List()->setFocus();
    QTest::keyClick(dialog->List(), Qt::Key_Down);  // picks the key
  });
  Start();
  ASSERT_TRUE(WaitForMenu());
  EXPECT_TRUE(dialog_stayed);
  EXPECT_TRUE(box_stayed);
  EXPECT_EQ(seen.messages, (std::vector<std::string>{"\n前\n", "＜  古い鍵  ＞\n錆びた鍵。", "\n後\n"}));
  QTest::qWait(300);
  EXPECT_EQ(window->Form().Engine.MenuGate, 0);
}

TEST_F(ReadingModesWindowTest, AutoAdvanceWaitsLongerForALongerMessage) {
  settings.SetAutoDelay(100, 30);
  Open({"@STE", "@TXT 0", "短い", "@END", "@TXT 0", "ずっと長い長い長い長い長い長い長い長い長い", "@END", "@CMD  x", "@END"});
  Reading().AutoAction()->trigger();
  Start();
  ASSERT_TRUE(WaitForMessage());
  const auto first = Observations::Clock::now();
  ASSERT_TRUE(WaitFor([&] { return seen.messages.size() == 2; }));
  const auto second = Observations::Clock::now();
  ASSERT_TRUE(WaitForMenu());
  const auto menu = Observations::Clock::now();
  using std::chrono::milliseconds;
  // 100 + 2 × 30 ms, then 100 + 22 × 30 ms: each at least its delay, as
  // far as polling for them tells.
  EXPECT_GE(second - first, milliseconds(140));
  EXPECT_GE(menu - second, milliseconds(740));
  EXPECT_GT(menu - second, second - first + milliseconds(400));
}

TEST_F(ReadingModesWindowTest, ModeKeysNeverChangeTheCommandList) {
  Open(kThreeMessagesThenAMenu);
  Reading();
  Start();
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(WaitForMessage());
    QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  }
  ASSERT_TRUE(WaitForMenu());
  ChoiceList* list = window->CommandList();
  ASSERT_TRUE(WaitFor([&] { return list->count() == 2 && list->isEnabled(); }));
  list->setFocus();
  const int row = list->currentRow();
  int changes = 0;
  QObject::connect(list, &QListWidget::itemSelectionChanged, [&] { ++changes; });
  QObject::connect(list, &QListWidget::currentRowChanged, [&] { ++changes; });
  const std::pair<Qt::Key, QAction*> keys[] = {
      {Qt::Key_F6, Reading().FastAction()}, {Qt::Key_F7, Reading().SkipAction()}, {Qt::Key_F8, Reading().AutoAction()}};
  for (const auto& [key, action] : keys) {
    SCOPED_TRACE(key);
    QTest::keyClick(list, key);
    EXPECT_TRUE(action->isChecked());  // the key reached its item...
    QTest::keyClick(list, key);
    EXPECT_FALSE(action->isChecked());
  }
  QTest::keyPress(list, Qt::Key_Control);
  EXPECT_TRUE(Reading().Modes().FastHeld());
  QTest::keyRelease(list, Qt::Key_Control);
  QTest::qWait(100);
  // ...and none of them the list.
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(list->currentRow(), row);
  EXPECT_TRUE(list->selectedItems().isEmpty());
  EXPECT_EQ(list->count(), 2);
  EXPECT_EQ(window->Form().Engine.MenuGate, 0);
  EXPECT_EQ(seen.messages.size(), 3u);
}

TEST_F(ReadingModesWindowTest, FastForwardRunsNarrationPagesAtItsSpeed) {
  settings.SetFastSpeed(16);
  Open({"@STR", "@STX", "一枚目", "@END", "@STX", "二枚目", "@END", "@STE", "@TXT 0", "終わり", "@END"});
  Reading().FastAction()->trigger();
  Start();
  const auto started = Observations::Clock::now();
  ASSERT_TRUE(WaitForMessage());
  // Two pages of 4000 ms at 16× are half a second.
  EXPECT_LT(Observations::Clock::now() - started, std::chrono::milliseconds(2000));
  ASSERT_EQ(seen.pages.size(), 2u);
  EXPECT_GE(seen.pages[1].first - seen.pages[0].first, std::chrono::milliseconds(4000 / 16 - 1));
}

TEST_F(ReadingModesWindowTest, LinesSeenAreWrittenOnceTheGameWaitsForThePlayer) {
  seen_lines = game.Dir() / "seen" / "lines";
  Open(kThreeMessagesThenAMenu);
  Start();
  ASSERT_TRUE(WaitForMessage());
  // The first message waits for a click: its lines are kept already, with
  // no timer of their own and the window still open.
  EXPECT_TRUE(std::filesystem::is_regular_file(*seen_lines));
  const auto first = std::filesystem::file_size(*seen_lines);
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  ASSERT_TRUE(WaitFor([&] { return seen.messages.size() == 2; }));
  EXPECT_GT(std::filesystem::file_size(*seen_lines), first);
}

TEST_F(ReadingModesWindowTest, SkipPassesOnlyWhatWasSeenAndKeepsItForTheNextRun) {
  seen_lines = game.Dir() / "seen" / "lines";
  Open(kThreeMessagesThenAMenu);
  Start();
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(WaitForMessage());
    QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  }
  ASSERT_TRUE(WaitForMenu());
  window.reset();  // writes the lines seen
  ASSERT_TRUE(std::filesystem::is_regular_file(*seen_lines));

  seen.messages.clear();
  Open(kThreeMessagesThenAMenu);
  Reading().SkipAction()->trigger();
  Start();
  ASSERT_TRUE(WaitForMenu());
  EXPECT_EQ(seen.messages.size(), 3u);
  EXPECT_TRUE(Reading().Modes().Skip());
  Choose(1);
  // The branch not taken before stops it.
  ASSERT_TRUE(WaitForMessage());
  QTest::qWait(200);
  EXPECT_EQ(MessageUtf8(), "\n左へ\n");
  EXPECT_EQ(window->Form().Engine.ClickGate, 0);
  EXPECT_FALSE(Reading().Modes().Skip());
  EXPECT_FALSE(Reading().SkipAction()->isChecked());
}

}  // namespace
}  // namespace torvane::testing
