// The backlog and text out in the window, driven as a player would: it
// opens, scrolls, copies, keeps every press from the game, and closes; text
// out copies, writes and reads what was shown and nothing else.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QWheelEvent>

#include "ui/qt/backlog_view.hpp"
#include "ui/qt/reading_controls.hpp"
#include "ui/qt/qt_test_support.hpp"
#include "ui/qt/text_voicing.hpp"
#include "ui/qt/view_menu.hpp"

namespace torvane::qt {
namespace {

using testing::SaveArtefact;
using testing::WindowFixture;

const std::vector<std::string> kMenuGame = {
    "@STE",  "@TXT 1", "はじめまして", "@END", "@TAG top", "@CMD 浜辺", "alpha,A", "beta,B", "@END",
    "@JMP top", "@SUB A", "@TXT 0", "Aを選んだ", "@END", "@RTN", "@SUB B", "@RTN",
};

// Five messages of four rows each: more than the game screen holds.
const std::vector<std::string> kLongGame = {
    "@STE", "@TAG top", "@TXT 2", "一行目の文章", "二行目の文章", "三行目の文章", "四行目の文章", "@END", "@JMP top",
};

class BacklogTest : public WindowFixture {
 protected:
  // The game started and its first message waiting.
  void StartToTheMessage(const std::vector<std::string>& scenario) {
    Open(scenario);
    window->View();
    Start();
    ASSERT_TRUE(WaitForMessage());
  }
  void AnswerAndWaitFor(std::size_t messages) {
    QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
    ASSERT_TRUE(WaitFor([&] { return seen.messages.size() == messages && window->Form().Engine.ClickGate == 0; }));
  }
  // Up to the menu, its list focused.
  void StartToTheMenu() {
    StartToTheMessage(kMenuGame);
    QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
    ASSERT_TRUE(WaitFor([&] { return window->CommandList()->count() == 2; }));
    window->CommandList()->setFocus();
  }
  // The wheel over the widget under `at` (client coordinates), as the
  // platform delivers it.
  void Wheel(QPoint at, int dy) {
    QWidget* target = window->Client()->childAt(at);
    if (!target) target = window->Client();
    const QPoint local = target->mapFrom(window->Client(), at);
    QWheelEvent event(local, target->mapToGlobal(local), QPoint(), QPoint(0, dy), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
  }
  BacklogView& Backlog() { return window->Backlog(); }
  QString Shown() { return Backlog().toPlainText(); }
  int Scroll() { return Backlog().verticalScrollBar()->value(); }
};

TEST_F(BacklogTest, TheWheelUpOpensItOverTheGameScreenWithWhatWasShown) {
  StartToTheMenu();
  const QSize size = window->size();
  Wheel(QPoint(300, 100), 120);
  ASSERT_TRUE(window->BacklogOpen());
  EXPECT_EQ(Backlog().geometry(), window->Scale().Content());
  EXPECT_EQ(window->size(), size);
  EXPECT_TRUE(Backlog().hasFocus());
  EXPECT_TRUE(Shown().contains(QStringLiteral("［顔 1］\nはじめまして")));
  SaveArtefact(window->Client()->grab().toImage(), "backlog.png");
  QTest::keyClick(&Backlog(), Qt::Key_Escape);
  EXPECT_FALSE(window->BacklogOpen());
  // The keys go back where they were.
  EXPECT_TRUE(window->CommandList()->hasFocus());
  // The wheel down on the game screen opens nothing.
  Wheel(QPoint(300, 100), -120);
  EXPECT_FALSE(window->BacklogOpen());
}

TEST_F(BacklogTest, BackspaceOpensAndClosesItAndNeverChangesTheCommandList) {
  StartToTheMenu();
  ChoiceList* list = window->CommandList();
  const int menus = seen.menus;
  QTest::keyClick(list, Qt::Key_Backspace);
  ASSERT_TRUE(window->BacklogOpen());
  QTest::keyClick(&Backlog(), Qt::Key_Backspace);
  EXPECT_FALSE(window->BacklogOpen());
  ASSERT_TRUE(list->hasFocus());
  QTest::keyClick(list, Qt::Key_Backspace);  // once more, from the list
  QTest::keyClick(&Backlog(), Qt::Key_Escape);
  EXPECT_EQ(list->count(), 2);
  EXPECT_TRUE(list->selectedItems().isEmpty());
  EXPECT_EQ(window->Form().Form.ListBox1ItemIndex, -1);
  EXPECT_EQ(window->Form().Engine.MenuGate, 0);
  EXPECT_EQ(seen.menus, menus);
  // The menu's own keys still choose.
  QTest::keyClick(list, Qt::Key_A);
  ASSERT_TRUE(WaitForMessage());
  EXPECT_EQ(seen.messages.back(), "\nAを選んだ\n");
  EXPECT_TRUE(window->RunHistory().Entries().back().Kind == HistoryKind::Message);
}

TEST_F(BacklogTest, NoPressKeyOrWheelReachesTheWaitingMessage) {
  StartToTheMessage(kMenuGame);
  const std::size_t messages = seen.messages.size();
  const auto unanswered = [&] {
    EXPECT_EQ(window->Form().Engine.ClickGate, 0);
    EXPECT_EQ(seen.messages.size(), messages);
    EXPECT_EQ(MessageUtf8(), "\nはじめまして\n");
    EXPECT_EQ(seen.menus, 0);
  };
  // Each of these closes it; none answers the message.
  for (const auto& close : std::vector<std::function<void()>>{
           [&] { QTest::mouseClick(Backlog().viewport(), Qt::LeftButton, {}, QPoint(50, 50)); },
           [&] { QTest::mouseClick(Backlog().viewport(), Qt::MiddleButton, {}, QPoint(50, 50)); },
           [&] { QTest::keyClick(&Backlog(), Qt::Key_Return); },
           [&] { QTest::keyClick(&Backlog(), Qt::Key_Space); },
           [&] { QTest::keyClick(&Backlog(), Qt::Key_Enter, Qt::KeypadModifier); },
           [&] { Wheel(QPoint(300, 100), -120); },
       }) {
    Wheel(QPoint(300, 100), 120);
    ASSERT_TRUE(window->BacklogOpen());
    // Other keys and the model's own press stay in it too.
    QTest::keyClick(&Backlog(), Qt::Key_Tab);
    EXPECT_TRUE(Backlog().hasFocus());
    window->PressClient(300, 350, MouseButton::Left);
    QTest::qWait(120);  // ticks pass behind it
    unanswered();
    close();
    EXPECT_FALSE(window->BacklogOpen());
    QTest::qWait(120);
    unanswered();
  }
  // Once it is closed, a press answers as ever.
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  EXPECT_EQ(window->Form().Engine.ClickGate, 1);
}

TEST_F(BacklogTest, ScrollsAndClosesOnlyWithTheWheelDownPastTheEnd) {
  StartToTheMessage(kLongGame);
  for (std::size_t n = 2; n <= 5; ++n) AnswerAndWaitFor(n);
  Wheel(QPoint(300, 100), 120);
  ASSERT_TRUE(window->BacklogOpen());
  ASSERT_GT(Backlog().verticalScrollBar()->maximum(), 0);
  EXPECT_TRUE(Backlog().AtEnd());
  const int end = Scroll();
  Wheel(QPoint(300, 100), 120);
  EXPECT_LT(Scroll(), end);
  Wheel(QPoint(300, 100), 120);
  QTest::keyClick(&Backlog(), Qt::Key_PageUp);
  const int up = Scroll();
  QTest::keyClick(&Backlog(), Qt::Key_Down);
  EXPECT_GT(Scroll(), up);
  QTest::keyClick(&Backlog(), Qt::Key_Home);
  EXPECT_EQ(Scroll(), 0);
  // Down to the end stays open; one more turn closes.
  QTest::keyClick(&Backlog(), Qt::Key_End);
  EXPECT_EQ(Scroll(), end);
  EXPECT_TRUE(window->BacklogOpen());
  Wheel(QPoint(300, 100), -120);
  EXPECT_FALSE(window->BacklogOpen());
  EXPECT_EQ(window->Form().Engine.ClickGate, 0);
  EXPECT_EQ(seen.messages.size(), 5u);
}

TEST_F(BacklogTest, SelectedTextIsCopiedAsUtf8ByKeyAndByTheContextMenu) {
  StartToTheMenu();
  QGuiApplication::clipboard()->clear();
  QTest::keyClick(window->CommandList(), Qt::Key_Backspace);
  ASSERT_TRUE(window->BacklogOpen());
  // A drag selects and keeps it open.
  QTest::mousePress(Backlog().viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseMove(Backlog().viewport(), QPoint(400, 60));
  QTest::mouseRelease(Backlog().viewport(), Qt::LeftButton, {}, QPoint(400, 60));
  EXPECT_TRUE(window->BacklogOpen());
  EXPECT_TRUE(Backlog().textCursor().hasSelection());
  QTest::keyClick(&Backlog(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(&Backlog(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("［顔 1］\nはじめまして"));
  EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain")),
            QByteArray("［顔 1］\nはじめまして"));
  QGuiApplication::clipboard()->clear();
  QMenu* menu = Backlog().NewContextMenu();
  QAction* copy = menu->actions().value(0);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->text(), QStringLiteral("コピー(&C)"));
  copy->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("［顔 1］\nはじめまして"));
  menu->actions().value(3)->trigger();  // 閉じる
  EXPECT_FALSE(window->BacklogOpen());
  delete menu;
  EXPECT_EQ(window->Form().Form.ListBox1ItemIndex, -1);
}

TEST_F(BacklogTest, ChoicesAreShownWithTheirMenu) {
  StartToTheMenu();
  QTest::keyClick(window->CommandList(), Qt::Key_A);
  ASSERT_TRUE(WaitForMessage());
  Wheel(QPoint(300, 100), 120);
  ASSERT_TRUE(window->BacklogOpen());
  EXPECT_EQ(Shown(), QStringLiteral("［顔 1］\nはじめまして\n［選択］ 浜辺\n→ alpha\n［顔 0］\nAを選んだ"));
  // The game's menu is the game's: the backlog gives way to it.
  window->GameMenu()->popup(window->mapToGlobal(QPoint(0, 0)));
  EXPECT_FALSE(window->BacklogOpen());
  window->GameMenu()->hide();
}

// The game steps on behind it: a narration page turns, and is added.
TEST_F(BacklogTest, PagesShownBehindItArriveAtTheBottom) {
  Open({"@STR", "@STX", "一枚目", "@END", "@STX", "二枚目", "@END", "@STE", "@TXT 0", "終わり", "@END"});
  // Each page waits in an event loop of its own, so these run from there.
  QString first, second;
  bool open_on_second = false, at_end = false;
  When([&] { return seen.pages.size() == 1; }, [&] {
    Wheel(QPoint(300, 100), 120);
    first = Shown();
  });
  When([&] { return seen.pages.size() == 2; }, [&] {
    open_on_second = window->BacklogOpen();
    second = Shown();
    at_end = Backlog().AtEnd();
  });
  Start();
  ASSERT_TRUE(WaitFor([&] { return !second.isEmpty(); }, 10000));
  EXPECT_EQ(first, QStringLiteral("［語り］\n一枚目"));
  EXPECT_TRUE(open_on_second);
  EXPECT_EQ(second, QStringLiteral("［語り］\n一枚目\n［語り］\n二枚目"));
  EXPECT_TRUE(at_end);
  // A page's wait takes no press either; the message after it waits for one.
  ASSERT_TRUE(WaitForMessage());
  QTest::keyClick(&Backlog(), Qt::Key_Return);
  EXPECT_EQ(window->Form().Engine.ClickGate, 0);
}

// A mode pressing for the player waits while the backlog is open.
TEST_F(BacklogTest, AutoAdvanceWaitsBehindItAndGoesOnOnceClosed) {
  settings.SetAutoDelay(100, 0);
  StartToTheMessage(kMenuGame);
  Wheel(QPoint(300, 100), 120);
  ASSERT_TRUE(window->BacklogOpen());
  window->Reading().AutoAction()->trigger();
  QTest::qWait(400);
  EXPECT_EQ(window->Form().Engine.ClickGate, 0);
  EXPECT_EQ(seen.menus, 0);
  QTest::keyClick(&Backlog(), Qt::Key_Escape);
  EXPECT_TRUE(WaitFor([&] { return seen.menus == 1; }));
}

TEST_F(BacklogTest, FollowsTheScaleAndFullscreenWithoutResizingTheWindow) {
  settings.SetScale(2);
  StartToTheMessage(kMenuGame);
  const QSize size = window->size();
  Wheel(QPoint(600, 300), 120);
  ASSERT_TRUE(window->BacklogOpen());
  EXPECT_EQ(Backlog().geometry(), window->Scale().Content());
  EXPECT_EQ(Backlog().geometry().size(), QSize(1264, 852));
  EXPECT_EQ(window->size(), size);
  EXPECT_EQ(Backlog().font().pixelSize(), 38);
  window->SetFullscreen(true);
  ASSERT_TRUE(WaitFor([&] { return window->isFullScreen(); }));
  QTest::qWait(20);
  EXPECT_TRUE(window->BacklogOpen());
  EXPECT_EQ(Backlog().geometry(), window->Scale().Content());
  const QSize full = window->size();
  QTest::keyClick(&Backlog(), Qt::Key_Escape);
  Wheel(window->Scale().Content().center(), 120);
  EXPECT_TRUE(window->BacklogOpen());
  EXPECT_EQ(window->size(), full);
  QTest::keyClick(&Backlog(), Qt::Key_Escape);
  window->SetFullscreen(false);
  EXPECT_EQ(window->Form().Engine.ClickGate, 0);
}

TEST_F(BacklogTest, TheClipboardOptionCopiesEachMessageAndIsKept) {
  StartToTheMessage(kMenuGame);
  QGuiApplication::clipboard()->clear();
  window->CopyTextAction()->trigger();
  EXPECT_TRUE(settings.CopyText());
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  ASSERT_TRUE(WaitFor([&] { return window->CommandList()->count() == 2; }));
  QTest::keyClick(window->CommandList(), Qt::Key_A);
  ASSERT_TRUE(WaitForMessage());
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Aを選んだ"));
  window->CopyTextAction()->trigger();
  EXPECT_FALSE(settings.CopyText());
}

TEST_F(BacklogTest, ReadingAloudWithoutAnEngineChangesNothing) {
  settings.SetSpeakText(true);
  StartToTheMessage(kMenuGame);
  EXPECT_TRUE(window->SpeakTextAction()->isChecked());
  EXPECT_EQ(window->Voicing().LastSpoken(), QStringLiteral("はじめまして"));
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  ASSERT_TRUE(WaitFor([&] { return window->CommandList()->count() == 2; }));
  QTest::keyClick(window->CommandList(), Qt::Key_B);
  ASSERT_TRUE(WaitFor([&] { return seen.menus == 2; }));
  window->SpeakTextAction()->trigger();
  EXPECT_FALSE(settings.SpeakText());
  EXPECT_EQ(seen.messages, (std::vector<std::string>{"\nはじめまして\n"}));
}

TEST_F(BacklogTest, TextOutWritesEachMessageAsItAppears) {
  const std::string path = (game.Dir() / "text-out.txt").string();
  TextOutFile out;
  ASSERT_EQ(out.Open(path), std::nullopt);
  text_out = &out;
  StartToTheMessage(kMenuGame);
  const auto written = [&] {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  };
  EXPECT_EQ(written(), "はじめまして\n\n");
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  ASSERT_TRUE(WaitFor([&] { return window->CommandList()->count() == 2; }));
  QTest::keyClick(window->CommandList(), Qt::Key_A);
  ASSERT_TRUE(WaitForMessage());
  EXPECT_EQ(written(), "はじめまして\n\nAを選んだ\n\n");
}

}  // namespace
}  // namespace torvane::qt
