// The window at every scale and in fullscreen: the same controls under the
// same model pixels, and drawing at the view's own resolution. Run also
// with QT_SCALE_FACTOR 1.5 and 2 (see CMakeLists.txt).
#include <gtest/gtest.h>

#include <fstream>

#include <QMenuBar>
#include <QPainter>
#include <QScreen>

#include "ui/qt/client_image.hpp"
#include "ui/qt/item_dialog_window.hpp"
#include "ui/qt/qt_test_support.hpp"
#include "ui/qt/scaled_view.hpp"
#include "ui/qt/view_menu.hpp"

namespace torvane::qt {
namespace {

using testing::SaveArtefact;
using testing::WindowFixture;

TEST(ViewScale, EveryWidgetPixelBelongsToTheModelPixelWhoseEdgesHoldIt) {
  for (const ViewScale& view : {ViewScale(), ViewScale::Integer(3), ViewScale::Fit(QSize(1920, 1080)),
                                ViewScale::Fit(QSize(1000, 1000)), ViewScale::Fit(QSize(700, 2000))}) {
    SCOPED_TRACE(view.Factor());
    const QRect content = view.Content();
    int model = 0;
    for (int x = content.left(); x <= content.right(); ++x) {
      const auto at = view.ToModel(QPointF(x, content.top()));
      ASSERT_TRUE(at.has_value());
      // Model pixels follow one another without gaps or repeats.
      if (at->x() != model) ++model;
      ASSERT_EQ(at->x(), model);
      ASSERT_GE(x - content.left(), view.Edge(model));
      ASSERT_LT(x - content.left(), view.Edge(model + 1));
    }
    EXPECT_EQ(model, FormModel::kClientWidth - 1);
    EXPECT_FALSE(view.ToModel(QPointF(content.left() - 1, content.top())).has_value());
    EXPECT_FALSE(view.ToModel(QPointF(content.left(), content.bottom() + 1)).has_value());
    EXPECT_EQ(view.ToModel(view.PressPoint(QPoint(455, 272))), QPoint(455, 272));
  }
  // Fitted views are centred and fill one side exactly.
  const ViewScale wide = ViewScale::Fit(QSize(1920, 1080));
  EXPECT_EQ(wide.Content().height(), 1080);
  EXPECT_EQ(wide.Content().left(), (1920 - wide.Content().width()) / 2);
}

class ScaledWindowTest : public WindowFixture {
 protected:
  // What a press at model pixel `at` reaches on the window as it is: the
  // list's row, or the client area itself (-1).
  int Reached(QPoint at) {
    const QPoint widget = window->Scale().PressPoint(at);
    QWidget* hit = window->Client()->childAt(widget);
    if (!hit) return -1;
    ChoiceList* list = window->CommandList();
    if (hit != list->viewport()) return -2;  // the frame: neither
    const QModelIndex index = list->indexAt(list->viewport()->mapFrom(window->Client(), widget));
    return index.isValid() ? index.row() : -3;
  }
  std::vector<int> ReachedDownTheList() {
    std::vector<int> rows;
    for (int y = 30; y < 290; ++y) rows.push_back(Reached(QPoint(500, y)));
    for (int x = 440; x < 632; ++x) rows.push_back(Reached(QPoint(x, 100)));
    return rows;
  }
  void OpenAtTheMenu() {
    Open({"@STE", "@TAG top", "@CMD 浜辺", "一,A", "二,B", "三,C", "四,D", "@END", "@JMP top", "@SUB A", "@TXT 0",
          "Aを選んだ", "@END", "@RTN", "@SUB B", "@TXT 0", "Bを選んだ", "@END", "@RTN", "@SUB C", "@TXT 0",
          "Cを選んだ", "@END", "@RTN", "@SUB D", "@TXT 0", "Dを選んだ", "@END", "@RTN"});
    Start();
    ASSERT_TRUE(WaitFor([&] { return window->CommandList()->count() == 4 && window->CommandList()->isVisible(); }));
  }
};

TEST_F(ScaledWindowTest, PressesAtEveryScaleReachWhatTheyReachAt1x) {
  OpenAtTheMenu();
  const std::vector<int> at_1x = ReachedDownTheList();
  ASSERT_NE(std::count(at_1x.begin(), at_1x.end(), 3), 0);
  for (int scale : {2, 3, 4, PlayerSettings::kFitToScreen}) {
    SCOPED_TRACE(scale);
    window->SetScale(scale);
    QTest::qWait(10);
    EXPECT_EQ(window->Client()->size(), window->Scale().Content().size());
    EXPECT_EQ(ReachedDownTheList(), at_1x);
  }
  window->SetFullscreen(true);
  ASSERT_TRUE(WaitFor([&] { return window->isFullScreen(); }));
  QTest::qWait(20);
  EXPECT_EQ(ReachedDownTheList(), at_1x);
  window->SetFullscreen(false);
  window->SetScale(1);
  QTest::qWait(20);
  EXPECT_EQ(window->size(), QSize(632, 426 + window->menuBar()->height()));
}

TEST_F(ScaledWindowTest, RealPressesAt2xChooseTheRowUnderThemAndAdvanceMessages) {
  OpenAtTheMenu();
  window->SetScale(2);
  ChoiceList* list = window->CommandList();
  // The last widget row of entry 2 (from 0) at 2x, and the first of entry 3.
  const auto press_model = [&](QPoint at) {
    const QPoint widget = window->Scale().PressPoint(at);
    QWidget* target = window->Client()->childAt(widget);
    if (!target) target = window->Client();
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(window->Client(), widget));
  };
  const int frame = list->frameWidth();
  press_model(QPoint(500, 40 + frame + 3 * 19 - 1));
  ASSERT_TRUE(WaitForMessage());
  EXPECT_EQ(MessageUtf8(), "\nCを選んだ\n");
  press_model(QPoint(100, 100));  // the scene: answers the message
  ASSERT_TRUE(WaitFor([&] { return list->count() == 4 && list->isEnabled(); }));
  press_model(QPoint(500, 40 + frame + 3 * 19));
  ASSERT_TRUE(WaitForMessage());
  EXPECT_EQ(MessageUtf8(), "\nDを選んだ\n");
}

TEST_F(ScaledWindowTest, At2xTheClientIsThe1xLayoutWithTextDrawnAt2x) {
  OpenAtTheMenu();
  // Device pixels throughout: a high-density screen grabs more of them.
  const qreal ratio = window->devicePixelRatioF();
  const QImage one = window->Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  window->SetScale(2);
  QTest::qWait(20);
  const QImage two = window->Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  SaveArtefact(two, "window-2x.png");
  ASSERT_EQ(two.size(), one.size() * 2);
  if (ratio == 1.0) {
    const QImage rendered = RenderClientArea(window->Form().Form, LoadFormAssets(), ViewScale::Integer(2), false);
    SaveArtefact(rendered, "rendered-2x.png");
    // The list's frame alone may differ: the window's list has the focus.
    const QRect list = window->CommandList()->geometry();
    const int frame = window->CommandList()->frameWidth();
    const auto without_frame = [&](QImage image) {
      QPainter painter(&image);
      const QRegion ring = QRegion(list) - QRegion(list.adjusted(frame, frame, -frame, -frame));
      for (const QRect& r : ring) painter.fillRect(r, Qt::magenta);
      return image;
    };
    EXPECT_EQ(without_frame(two), without_frame(rendered));
  }

  // The layout: the same dark pixels of the caption's text, twice as far.
  const auto dark_box = [](const QImage& image, QRect area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) {
        if (qGray(image.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
      }
    }
    return box;
  };
  // Inside Label2, clear of its edges at any ratio.
  const QRect caption(QPoint(458, 10) * ratio, QSize(165, 21) * ratio);
  const QRect box1 = dark_box(one, caption);
  const QRect box2 = dark_box(two, QRect(caption.topLeft() * 2, caption.size() * 2));
  ASSERT_FALSE(box1.isEmpty());
  EXPECT_NEAR(box2.left(), box1.left() * 2, 3);
  EXPECT_NEAR(box2.top(), box1.top() * 2, 3);
  EXPECT_NEAR(box2.width(), box1.width() * 2, 4);
  EXPECT_NEAR(box2.height(), box1.height() * 2, 4);

  // Glyph edges: a 1x image blown up has every 2 x 2 block of one colour;
  // text drawn at 2x has edges that fall inside blocks.
  int split_blocks = 0;
  for (int y = box2.top() & ~1; y < box2.bottom(); y += 2) {
    for (int x = box2.left() & ~1; x < box2.right(); x += 2) {
      const QRgb p = two.pixel(x, y);
      split_blocks += two.pixel(x + 1, y) != p || two.pixel(x, y + 1) != p || two.pixel(x + 1, y + 1) != p;
    }
  }
  EXPECT_GT(split_blocks, 20);
  // The list's entries are drawn at 2x too.
  const QRect list = window->CommandList()->geometry();
  EXPECT_EQ(list, QRect(456 * 2, 40 * 2, 169 * 2, 233 * 2));
  EXPECT_EQ(window->CommandList()->font().pixelSize(), 38);
}

TEST_F(ScaledWindowTest, SmoothingChangesBitmapsOnlyAndTheWaitingCursorGrows) {
  Open({"@STE", "@TXT 1", "はじめまして", "@END", "@JMP どこ"});
  Start();
  ASSERT_TRUE(WaitForMessage());
  window->SetScale(2);
  QTest::qWait(20);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->bitmap().size(), WaitCursor().bitmap().size() * 2);
  const QImage nearest = RenderClientArea(window->Form().Form, LoadFormAssets(), ViewScale::Integer(2), false);
  const QImage smooth = RenderClientArea(window->Form().Form, LoadFormAssets(), ViewScale::Integer(2), true);
  // The portrait (Image2) differs; the message's text does not.
  EXPECT_NE(nearest.copy(QRect(16, 512, 320, 340)), smooth.copy(QRect(16, 512, 320, 340)));
  EXPECT_EQ(nearest.copy(QRect(400, 600, 800, 200)), smooth.copy(QRect(400, 600, 800, 200)));
  window->SetSmooth(true);
  EXPECT_TRUE(window->View().SmoothAction()->isChecked());
  EXPECT_TRUE(window->Settings().Smooth());
}

TEST_F(ScaledWindowTest, FullscreenIsLetterboxedAndItsMenuBarComesWithThePointer) {
  OpenAtTheMenu();
  window->View().FullscreenAction()->trigger();
  ASSERT_TRUE(WaitFor([&] { return window->isFullScreen(); }));
  QTest::qWait(20);
  EXPECT_FALSE(window->menuBar()->isVisible());
  EXPECT_TRUE(window->Settings().Fullscreen());
  const QRect content = window->Scale().Content();
  const QImage shown = window->grab().toImage();
  SaveArtefact(shown, "fullscreen.png");
  // Black outside the game screen, where the bars are.
  const QRect client_in_window(window->Client()->mapTo(window.get(), QPoint(0, 0)), window->Client()->size());
  EXPECT_EQ(client_in_window.size(), window->size());
  if (content.left() > 2) {
    EXPECT_EQ(shown.pixel(QPoint(1, shown.height() / 2)) & 0xFFFFFF, 0u);
  }
  const QPoint on_screen = window->Client()->mapToGlobal(content.topLeft());
  // The pointer at the top edge brings the bar; the game screen stays put.
  QTest::mouseMove(window->Client(), window->Client()->mapFromGlobal(window->mapToGlobal(QPoint(300, 0))));
  ASSERT_TRUE(WaitFor([&] { return window->menuBar()->isVisible(); }));
  QTest::qWait(20);
  EXPECT_EQ(window->Client()->mapToGlobal(window->Scale().Content().topLeft()), on_screen);
  QTest::mouseMove(window->Client(), window->Client()->mapFromGlobal(window->mapToGlobal(QPoint(300, 400))));
  ASSERT_TRUE(WaitFor([&] { return !window->menuBar()->isVisible(); }));
  // F11 leaves it, back to the window as it was.
  QTest::keyClick(window.get(), Qt::Key_F11);
  ASSERT_TRUE(WaitFor([&] { return !window->isFullScreen(); }));
  EXPECT_TRUE(window->menuBar()->isVisible());
  EXPECT_EQ(window->Client()->size(), QSize(632, 426));
  EXPECT_FALSE(window->Settings().Fullscreen());
}

TEST_F(ScaledWindowTest, ItemDialogScaledAndPlacedAsFarFromTheGameScreen) {
  Open({"@STE", "@IIZ", "古い鍵,Get,None,錆びた鍵。", "@END", "@ITM", "@TXT 0", "おしまい", "@END"});
  window->SetScale(2);
  window->move(10, 10);
  QPoint corner, expected;
  QSize size;
  OnModal([&](QWidget* modal) {
    auto* dialog = dynamic_cast<ItemDialogWindow*>(modal);
    ASSERT_NE(dialog, nullptr);
    size = dialog->size();
    corner = dialog->pos();
    expected = window->Client()->mapToGlobal(QPoint(0, 0)) + QPoint(40, 40);
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  Start();
  ASSERT_TRUE(WaitForMessage());
  EXPECT_EQ(size, QSize(296 * 2, 290 * 2));
  EXPECT_EQ(corner, expected);
}

}  // namespace
}  // namespace torvane::qt

namespace torvane::qt {
namespace {

TEST_F(ScaledWindowTest, F12SavesTheClientAreaAt1xInThePicturesFolder) {
  OpenAtTheMenu();
  window->SetScale(3);
  // The pictures folder as the desktop names it, in user-dirs.dirs.
  const std::filesystem::path config = game.Dir() / "config", pictures = game.Dir() / "Bilder";
  std::filesystem::create_directories(config);
  std::ofstream(config / "user-dirs.dirs") << "XDG_PICTURES_DIR=\"" << pictures.string() << "\"\n";
  const QByteArray old_config = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.string()));
  QTest::keyClick(window.get(), Qt::Key_F12);
  qputenv("XDG_CONFIG_HOME", old_config);
  std::vector<std::filesystem::path> shots;
  for (const auto& entry : std::filesystem::directory_iterator(pictures / "Torvane")) shots.push_back(entry.path());
  ASSERT_EQ(shots.size(), 1u);
  const std::string name = shots[0].filename().string();
  EXPECT_EQ(name.rfind(game.Dir().filename().string() + "-", 0), 0u) << name;
  EXPECT_EQ(shots[0].extension(), ".png");
  const QImage shot(QString::fromStdString(shots[0].string()));
  EXPECT_EQ(shot.convertToFormat(QImage::Format_RGB32), RenderClientArea(window->Form().Form, LoadFormAssets()));
}

}  // namespace
}  // namespace torvane::qt
