// The main window driven as a player would: real mouse and key events on
// the offscreen platform, the model's timers on the real clock.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <map>
#include <thread>

#include "ui/qt/client_image.hpp"
#include "ui/qt/item_dialog_window.hpp"
#include "ui/qt/qt_test_support.hpp"

namespace torvane::qt {
namespace {

using testing::SaveArtefact;
using testing::Utf8;
using testing::WindowFixture;
using Clock = std::chrono::steady_clock;

const std::vector<std::string> kMenuGame = {
    "@STE",
    "@TXT 1",
    "はじめまして",
    "@END",
    "@TAG top",
    "@CMD 浜辺",
    "alpha,A",
    "beta,B",
    "gamma,C",
    "@END",
    "@JMP top",
    "@SUB A",
    "@TXT 0",
    "Aを選んだ",
    "@END",
    "@RTN",
    "@SUB B",
    "@TXT 0",
    "Bを選んだ",
    "@END",
    "@RTN",
    "@SUB C",
    "@TXT 0",
    "Cを選んだ",
    "@END",
    "@RTN",
};

const std::vector<std::string> kNarrationGame = {
    "@STR", "@STX", "一枚目", "@END", "@STX", "二枚目", "@END", "@STE", "@TXT 0", "終わり", "@END",
};

const std::vector<std::string> kItemGame = {
    "@STE",
    "@IIZ",
    "古い鍵,Get,None,錆びた鍵。",
    "ランプ,Get,None,手さげランプ。",
    "@END",
    "@ITM",
    "@ISS 0",
    "@TXT 0",
    "おしまい",
    "@END",
};

std::vector<std::string> ButtonTexts(QMessageBox* box) {
  std::vector<std::string> texts;
  for (QAbstractButton* button : box->buttons()) texts.push_back(button->text().toStdString());
  return texts;
}

QAbstractButton* ButtonNamed(QMessageBox* box, const char* text) {
  for (QAbstractButton* button : box->buttons()) {
    if (button->text() == QString::fromUtf8(text)) return button;
  }
  return nullptr;
}

class MainWindowTest : public WindowFixture {};

TEST_F(MainWindowTest, FixedFrameAtTheDesignedPlaceWithTheClientBelowTheMenu) {
  Open(kMenuGame);
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Torvane"));
  EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(243, 215));
  EXPECT_EQ(window->Client()->size(), QSize(632, 426));
  const int bar = window->menuBar()->height();
  EXPECT_GT(bar, 0);
  EXPECT_EQ(window->Client()->mapTo(window.get(), QPoint(0, 0)), QPoint(0, bar));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_EQ(window->size(), QSize(632, 426 + bar));
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  // Hiding the whole menu moves nothing.
  Start();
  EXPECT_FALSE(window->GameMenu()->menuAction()->isVisible());
  QTest::qWait(20);
  EXPECT_EQ(window->menuBar()->height(), bar);
  EXPECT_EQ(window->Client()->mapTo(window.get(), QPoint(0, 0)), QPoint(0, bar));
  EXPECT_EQ(window->size(), QSize(632, 426 + bar));
}

TEST_F(MainWindowTest, ClientAreaPaintsWhatTheFormPainterPaints) {
  Open(kMenuGame);
  const FormAssets assets = LoadFormAssets();
  const QImage title = window->Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  SaveArtefact(title, "window-title.png");
  EXPECT_EQ(title, RenderClientArea(window->Form().Form, assets));
  EXPECT_TRUE(window->Assets().HoldsTitle());
  Start();
  ASSERT_TRUE(WaitFor([&] { return seen.menus == 0 && window->Form().Engine.ClickGate == 0; }));
  const QImage message = window->Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  SaveArtefact(message, "window-message.png");
  SaveArtefact(RenderClientArea(window->Form().Form, assets), "rendered-message.png");
  EXPECT_EQ(message, RenderClientArea(window->Form().Form, assets));
  EXPECT_EQ(message.pixel(600, 400) & 0xFFFFFF, 0xFFFFFFu);
  // The hidden title's megabyte is let go, and drawn as before if shown.
  EXPECT_FALSE(window->Assets().HoldsTitle());
  window->Form().Form.Image3.Visible = true;
  EXPECT_EQ(RenderClientArea(window->Form().Form, window->Assets()), RenderClientArea(window->Form().Form, assets));
  EXPECT_TRUE(window->Assets().HoldsTitle());
}

TEST_F(MainWindowTest, MenuFollowsTheModelThroughARun) {
  Open(kMenuGame);
  EXPECT_EQ(window->GameMenu()->title(), QStringLiteral("ゲーム(&G)"));
  EXPECT_EQ(window->StartAction()->text(), QStringLiteral("スタート(&S)"));
  EXPECT_EQ(window->ContinueAction()->text(), QStringLiteral("続きから"));
  EXPECT_EQ(window->ExitAction()->text(), QStringLiteral("終了(&X)"));
  for (QAction* action : {window->GameMenu()->menuAction(), window->StartAction(), window->ContinueAction(),
                          window->ExitAction()}) {
    EXPECT_TRUE(action->isVisible());
  }
  Start();
  // Start hides the menu; "@STE" shows it again with Exit alone.
  EXPECT_FALSE(window->GameMenu()->menuAction()->isVisible());
  ASSERT_TRUE(WaitForMessage());
  EXPECT_TRUE(window->GameMenu()->menuAction()->isVisible());
  EXPECT_FALSE(window->StartAction()->isVisible());
  EXPECT_FALSE(window->ContinueAction()->isVisible());
  EXPECT_TRUE(window->ExitAction()->isVisible());
}

// One press of an item's underlined key must reach that item: a key two
// items of one menu share only cycles between them.
void ExpectOwnKeys(const QList<QAction*>& actions, const QString& where) {
  std::map<int, QString> first;
  for (QAction* action : actions) {
    if (action->isSeparator()) continue;
    const QKeySequence key = QKeySequence::mnemonic(action->text());
    if (!key.isEmpty()) {
      const auto [at, added] = first.emplace(key[0].toCombined(), action->text());
      EXPECT_TRUE(added) << where.toStdString() << ": " << action->text().toStdString() << " and "
                         << at->second.toStdString() << " share a key";
    }
    if (action->menu()) ExpectOwnKeys(action->menu()->actions(), action->text());
  }
}

TEST_F(MainWindowTest, EveryMenuItemHasAKeyOfItsOwn) {
  Open(kMenuGame);
  window->View();  // filled when first opened
  const QList<QAction*> menus = window->menuBar()->actions();
  ASSERT_GE(menus.size(), 2);
  ExpectOwnKeys(menus, QStringLiteral("the menu bar"));
}

TEST_F(MainWindowTest, PressesGoThroughTheModelsRouting) {
  Open(kMenuGame);
  // On the title a press reaches nothing.
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  EXPECT_TRUE(window->Form().Form.Image3.Visible);
  Start();
  ASSERT_TRUE(WaitForMessage());
  ASSERT_NE(MessageUtf8(), "");
  // Label4 takes presses and does nothing with them.
  window->Form().Form.Label4.Visible = true;
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  EXPECT_EQ(window->Form().Engine.ClickGate, 0);
  EXPECT_NE(MessageUtf8(), "");
  window->Form().Form.Label4.Visible = false;
  // A right press on the message clears it but does not answer it.
  QTest::mouseClick(window->Client(), Qt::RightButton, {}, QPoint(300, 350));
  EXPECT_EQ(MessageUtf8(), "");
  EXPECT_EQ(window->Form().Engine.ClickGate, 0);
  // A left press on the scene answers it, and the script goes on to the menu.
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(window->Form().Engine.ClickGate, 1);
  ASSERT_TRUE(WaitFor([&] { return window->CommandList()->count() == 3; }));
  EXPECT_TRUE(window->CommandList()->isVisible());
  EXPECT_TRUE(window->CommandList()->isEnabled());
}

TEST_F(MainWindowTest, WaitingCursorWhileAMessageWaitsOnly) {
  Open(kMenuGame);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  Start();
  ASSERT_TRUE(WaitForMessage());
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BitmapCursor);
  EXPECT_EQ(QGuiApplication::overrideCursor()->hotSpot(), QPoint(0, 0));
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  ASSERT_TRUE(WaitFor([&] { return window->CommandList()->count() == 3; }));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  // Closing restores the cursor even in the middle of a wait.
  QTest::mouseClick(window->CommandList()->viewport(), Qt::LeftButton, {},
                    window->CommandList()->visualItemRect(window->CommandList()->item(0)).center());
  ASSERT_TRUE(WaitForMessage());
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  window->close();
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowTest, CommandListChoicesByMouseAndKeyboard) {
  Open(kMenuGame);
  Start();
  ASSERT_TRUE(WaitForMessage());
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  ChoiceList* list = window->CommandList();
  ASSERT_TRUE(WaitFor([&] { return list->count() == 3; }));
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("alpha"));
  EXPECT_TRUE(list->selectedItems().isEmpty());

  // Down from the caret on the first entry chooses the second.
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(list->count(), 0);  // the choice empties and disables the list
  EXPECT_FALSE(list->isEnabled());
  ASSERT_TRUE(WaitForMessage());
  EXPECT_EQ(MessageUtf8(), "\nBを選んだ\n");

  // Back at the menu: a fresh list with nothing selected; typing chooses.
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  ASSERT_TRUE(WaitFor([&] { return list->count() == 3 && list->isEnabled(); }));
  EXPECT_TRUE(list->selectedItems().isEmpty());
  EXPECT_EQ(list->currentRow(), 0);
  list->setFocus();
  QTest::keyClick(list, Qt::Key_G);
  ASSERT_TRUE(WaitForMessage());
  EXPECT_EQ(MessageUtf8(), "\nCを選んだ\n");

  // A press on an entry chooses it; a press below the entries does nothing.
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  ASSERT_TRUE(WaitFor([&] { return list->count() == 3 && list->isEnabled(); }));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(40, 200));
  EXPECT_EQ(list->count(), 3);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
  ASSERT_TRUE(WaitForMessage());
  EXPECT_EQ(MessageUtf8(), "\nAを選んだ\n");
  SaveArtefact(window->grab().toImage(), "window-after-choice.png");
}

TEST_F(MainWindowTest, ItemDialogClosesOnTheFirstSelection) {
  Open(kItemGame);
  window->move(300, 250);
  std::vector<std::string> entries;
  QString caption, prompt;
  QPoint corner;
  QSize client;
  OnModal([&](QWidget* modal) {
    auto* dialog = dynamic_cast<ItemDialogWindow*>(modal);
    ASSERT_NE(dialog, nullptr);
    caption = dialog->windowTitle();
    prompt = dialog->Prompt()->text();
    corner = dialog->frameGeometry().topLeft();
    client = dialog->size();
    for (int i = 0; i < dialog->List()->count(); ++i) entries.push_back(dialog->List()->item(i)->text().toStdString());
    SaveArtefact(dialog->grab().toImage(), "item-dialog.png");
    dialog->List()->setFocus();
    QTest::keyClick(dialog->List(), Qt::Key_Down);
  });
  Start();
  ASSERT_TRUE(WaitForMessage());
  EXPECT_EQ(caption, QStringLiteral("アイテム選択"));
  EXPECT_EQ(prompt, QStringLiteral("所持品を選んでください"));
  EXPECT_EQ(corner, QPoint(320, 270));
  EXPECT_EQ(client, QSize(296, 290));
  EXPECT_EQ(entries, (std::vector<std::string>{"古い鍵", "ランプ"}));
  EXPECT_EQ(Utf8(window->Form().Story.SelectedItem.Name), "ランプ");
  EXPECT_EQ(MessageUtf8(), "＜  ランプ  ＞\n手さげランプ。");
}

TEST_F(MainWindowTest, ItemDialogCloseBoxAndEscapeKeepThePresetChoice) {
  for (const bool escape : {false, true}) {
    SCOPED_TRACE(escape);
    Open(kItemGame);
    seen.messages.clear();
    OnModal([&](QWidget* modal) {
      if (escape) {
        QTest::keyClick(modal, Qt::Key_Escape);  // as the close box
      } else {
        modal->close();
      }
    });
    Start();
    ASSERT_TRUE(WaitForMessage());
    EXPECT_EQ(Utf8(window->Form().Story.SelectedItem.Name), "");
    EXPECT_EQ(MessageUtf8(), "やっぱり、やめた。");
    EXPECT_EQ(seen.messages, std::vector<std::string>{"やっぱり、やめた。"});
  }
}

TEST_F(MainWindowTest, EnterSpaceAndKeypadEnterAnswerAWaitingMessageOnly) {
  Open(kMenuGame);
  // On the title they do nothing.
  QTest::keyClick(window.get(), Qt::Key_Return);
  EXPECT_TRUE(window->Form().Form.Image3.Visible);
  Start();
  for (const auto& [key, modifiers] : std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>>{
           {Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Space, Qt::NoModifier}, {Qt::Key_Enter, Qt::KeypadModifier}}) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(WaitForMessage());
    QTest::keyClick(window.get(), key, modifiers);
    EXPECT_EQ(window->Form().Engine.ClickGate, 1);
    EXPECT_EQ(MessageUtf8(), "");
    ChoiceList* list = window->CommandList();
    ASSERT_TRUE(WaitFor([&] { return list->count() == 3 && list->isEnabled(); }));
    // While the menu waits the keys choose nothing, and the list's own
    // keys stay its own.
    QTest::keyClick(window.get(), key, modifiers);
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(window->Form().Engine.MenuGate, 0);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
  }
  ASSERT_TRUE(WaitForMessage());
  EXPECT_EQ(MessageUtf8(), "\nBを選んだ\n");
}

TEST_F(MainWindowTest, ExitQuestionWhileTheScriptStepsBehindIt) {
  std::vector<std::string> scenario = {"@STE"};
  for (int i = 0; i < 200; ++i) scenario.push_back("@REM " + std::to_string(i));
  Open(scenario);
  Start();
  ASSERT_TRUE(WaitFor([&] { return window->ExitAction()->isVisible(); }));
  std::int32_t line_at_open = 0, line_later = 0;
  QString text, title;
  std::vector<std::string> buttons;
  QMessageBox::Icon icon = QMessageBox::Critical;
  OnModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    text = box->text();
    title = box->windowTitle();
    icon = box->icon();
    buttons = ButtonTexts(box);
    SaveArtefact(box->grab().toImage(), "exit-question.png");
    line_at_open = window->Form().Engine.CurrentLine;
    QTest::qWait(400);
    line_later = window->Form().Engine.CurrentLine;
    QTest::keyClick(box, Qt::Key_Escape);  // Yes or No only
    EXPECT_TRUE(box->isVisible());
    ButtonNamed(box, "いいえ")->click();
  });
  window->ExitAction()->trigger();
  EXPECT_EQ(text, QStringLiteral("ゲームを終了してもよろしいですか？"));
  EXPECT_EQ(title, QStringLiteral("ゲームの終了"));
  EXPECT_EQ(icon, QMessageBox::NoIcon);
  EXPECT_EQ(buttons, (std::vector<std::string>{"はい", "いいえ"}));
  EXPECT_GE(line_later, line_at_open + 4);  // Timer2 kept ticking
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->FormDestroyed());

  OnModal([&](QWidget* modal) { ButtonNamed(qobject_cast<QMessageBox*>(modal), "はい")->click(); });
  window->ExitAction()->trigger();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(window->FormDestroyed());
}

TEST_F(MainWindowTest, EndingBoxAndErrorBox) {
  Open({"@STE", "@LST", "@JMP どこにもない"});
  QString ending_text, ending_title, error_text, error_title;
  std::vector<std::string> ending_buttons, error_buttons;
  QMessageBox::Icon ending_icon = QMessageBox::Critical, error_icon = QMessageBox::NoIcon;
  OnModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    ending_text = box->text();
    ending_title = box->windowTitle();
    ending_icon = box->icon();
    ending_buttons = ButtonTexts(box);
    OnModal([&](QWidget* next) {
      auto* error = qobject_cast<QMessageBox*>(next);
      ASSERT_NE(error, nullptr);
      error_text = error->text();
      error_title = error->windowTitle();
      error_icon = error->icon();
      error_buttons = ButtonTexts(error);
      SaveArtefact(error->grab().toImage(), "error-box.png");
      QTest::keyClick(error, Qt::Key_Escape);  // an OK box takes Escape as OK
    });
    QTest::keyClick(box, Qt::Key_Return);
  });
  Start();
  ASSERT_TRUE(WaitFor([&] { return !window->Form().Timer2.Enabled() && !QApplication::activeModalWidget(); }));
  EXPECT_EQ(ending_text, QStringLiteral("最後までプレイしていただき、ありがとうございました\nメニューから終了させて下さい"));
  EXPECT_EQ(ending_title, QStringLiteral("ゲームオーバー"));
  EXPECT_EQ(ending_icon, QMessageBox::NoIcon);
  EXPECT_EQ(ending_buttons, std::vector<std::string>{"OK"});
  EXPECT_EQ(error_text, QStringLiteral("ラベル「どこにもない」(@TAG) がこのファイルにありません"));
  EXPECT_EQ(error_title, QStringLiteral("Torvane"));
  EXPECT_EQ(error_icon, QMessageBox::Critical);
  EXPECT_EQ(error_buttons, std::vector<std::string>{"OK"});
  EXPECT_TRUE(window->isVisible());  // the window stays after an error
}

// Nothing can step while a message waits, so the script tick sleeps; the
// step after the click still comes on the tick's rhythm from before.
TEST_F(MainWindowTest, NoTickWhileAMessageWaitsAndTheClickStepsOnTheRhythm) {
  Open(kMenuGame);
  Start();
  ASSERT_TRUE(WaitForMessage());
  TForm1& form = window->Form();
  const std::int64_t rhythm = form.Timer2.NextDue();  // set by the step that put the message up
  const std::int32_t message_line = form.Engine.CurrentLine;
  int ticks = 0, ticks_to_step = 0;
  std::int64_t stepped_at = -1;
  const auto tick = form.Timer2.OnTimer;
  form.Timer2.OnTimer = [&] {
    ++ticks;
    if (stepped_at < 0 && form.Engine.ClickGate == 1) {
      stepped_at = window->NowMs();
      ticks_to_step = ticks;
    }
    tick();
  };
  QTest::qWait(5000);
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(form.Engine.CurrentLine, message_line);

  const std::int64_t clicked_at = window->NowMs();
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  const std::int64_t due = form.Timer2.NextDue();
  EXPECT_EQ((due - rhythm) % 50, 0) << "due " << due << ", rhythm " << rhythm;
  EXPECT_GT(due, clicked_at);
  EXPECT_LE(due, clicked_at + 51);  // the click's own millisecond may be the next
  ASSERT_TRUE(WaitFor([&] { return stepped_at >= 0; }));
  EXPECT_EQ(ticks_to_step, 1) << "the first tick after the click steps";
  EXPECT_GE(stepped_at, due);
  EXPECT_GT(form.Engine.CurrentLine, message_line);
}

// A track that ends when told to, and says so from another thread, as the
// mixer's audio thread does.
class EndingMusic final : public MusicDevice {
 public:
  bool IsPlaying() override { return playing_; }
  void Stop() override { playing_ = false; }
  void Open(BytesView /*file*/) override { open_ = true; }
  void Play() override {
    playing_ = open_.load();
    ++plays;
  }
  void Close() override { open_ = playing_ = false; }
  void OnPlayedOut(std::function<void()> notice) override { notice_ = std::move(notice); }
  void EndNow() {
    playing_ = false;
    std::thread([this] { notice_(); }).join();
  }
  std::atomic<int> plays{0};

 private:
  std::atomic<bool> open_{false};
  std::atomic<bool> playing_{false};
  std::function<void()> notice_;
};

// While the track plays the music loop sleeps; once it has played out the
// loop restarts it on the loop's own 1000 ms rhythm.
TEST_F(MainWindowTest, TheMusicLoopSleepsWhileATrackPlaysAndRestartsItOnItsRhythm) {
  EndingMusic* music = nullptr;
  Open({"@STE", "@BGM tune.mid", "@TXT 0", "音楽", "@END"}, false,
       [&](const platform::GameFolder&, const platform::Clock&) {
         auto made = std::make_unique<EndingMusic>();
         music = made.get();
         return MediaDevices{std::move(made), nullptr};
       });
  Start();
  ASSERT_TRUE(WaitForMessage());
  ASSERT_NE(music, nullptr);
  TForm1& form = window->Form();
  const std::int64_t rhythm = form.Timer1.NextDue();
  int loops = 0;
  std::int64_t restarted_due = -1;
  const auto loop = form.Timer1.OnTimer;
  form.Timer1.OnTimer = [&] {
    if (++loops == 1) restarted_due = form.Timer1.NextDue() - 1000;
    loop();
  };
  QTest::qWait(2500);
  EXPECT_EQ(loops, 0) << "nothing to restart while the track plays";
  EXPECT_EQ(music->plays, 1);
  const std::int64_t ended_at = window->NowMs();
  music->EndNow();
  ASSERT_TRUE(WaitFor([&] { return music->plays == 2; }, 3000));
  EXPECT_EQ(loops, 1);
  EXPECT_EQ((restarted_due - rhythm) % 1000, 0) << "due " << restarted_due << ", rhythm " << rhythm;
  EXPECT_GT(restarted_due, ended_at);
  EXPECT_LE(restarted_due, ended_at + 1001);
  EXPECT_TRUE(music->IsPlaying());
}

TEST_F(MainWindowTest, NarrationPageLastsItsFourSeconds) {
  Open(kNarrationGame);
  Start();
  ASSERT_TRUE(WaitFor([&] { return seen.pages.size() == 2; }, 15000));
  const auto page = std::chrono::duration_cast<std::chrono::milliseconds>(seen.pages[1].first - seen.pages[0].first);
  EXPECT_GE(page.count(), 4000);
  EXPECT_EQ(seen.pages[0].second, "一枚目\n");
  ASSERT_TRUE(WaitForMessage());
  EXPECT_EQ(MessageUtf8(), "\n終わり\n");
}

TEST_F(MainWindowTest, NarrationPageTakesPressesWithoutEffect) {
  Open(kNarrationGame);
  QImage page;
  std::int32_t line_before = -1, line_after = -2;
  std::size_t pages_after = 0;
  // Runs inside the first page's wait.
  When([&] { return !seen.pages.empty(); }, [&] {
    page = window->Client()->grab().toImage();
    line_before = window->Form().Engine.CurrentLine;
    QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
    QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(100, 100));
    line_after = window->Form().Engine.CurrentLine;
    pages_after = seen.pages.size();
  });
  Start();
  ASSERT_TRUE(WaitFor([&] { return !page.isNull(); }, 15000));
  SaveArtefact(page, "window-narration.png");
  EXPECT_EQ(page.pixel(20, 20) & 0xFFFFFF, 0u);
  int lit = 0;  // the page's text, centred
  for (int y = 190; y < 236; ++y) {
    for (int x = 250; x < 382; ++x) lit += (page.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
  }
  EXPECT_GT(lit, 30);
  EXPECT_EQ(line_after, line_before);
  EXPECT_EQ(pages_after, 1u);
}

TEST_F(MainWindowTest, CloseBoxDuringANarrationPageEndsAtOnce) {
  Open(kNarrationGame);
  Clock::time_point closed;
  When([&] { return !seen.pages.empty(); }, [&] {
    closed = Clock::now();
    window->close();
  });
  Start();
  ASSERT_TRUE(WaitFor([&] { return window->FormDestroyed(); }, 10000));
  // Not the page's four seconds: the nested loop ended with the close.
  EXPECT_LT(Clock::now() - closed, std::chrono::milliseconds(3000));
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->Form().Engine.ScenarioLines.has_value());
  QTest::qWait(200);  // nothing runs after the close
  EXPECT_EQ(seen.pages.size(), 2u);  // the second page was built, never waited on
}

TEST_F(MainWindowTest, CloseBoxDuringTheItemDialogEndsAtOnce) {
  Open(kItemGame);
  bool dialog_was_open = false;
  OnModal([&](QWidget*) {
    dialog_was_open = true;
    window->close();
  });
  Start();
  ASSERT_TRUE(WaitFor([&] { return window->FormDestroyed(); }));
  EXPECT_TRUE(dialog_was_open);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(seen.messages.empty());  // the step after the dialog never ran
}

TEST_F(MainWindowTest, CloseBoxDuringABoxEndsAtOnce) {
  Open({"@STE", "@LST", "@TXT 0", "続き", "@END"});
  OnModal([&](QWidget*) { window->close(); });
  Start();
  ASSERT_TRUE(WaitFor([&] { return window->FormDestroyed(); }));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  QTest::qWait(200);
  EXPECT_TRUE(seen.messages.empty());
}

}  // namespace
}  // namespace torvane::qt
