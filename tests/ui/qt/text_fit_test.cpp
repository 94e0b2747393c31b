// The checker's layout of label text against the window's own: the same
// boxes, fonts and row counts, so that "does not fit" means what the
// player sees.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>

#include "check/text_fit.hpp"
#include "platform/cp932.hpp"
#include "ui/form_model.hpp"
#include "ui/qt/form_painter.hpp"
#include "ui/qt/qt_test_support.hpp"

namespace torvane::qt {
namespace {

using testing::WindowFixture;

// The rows Qt lays the text out in, as the form painter draws a label.
int QtRows(const std::string& cp932, const check::TextBox& box) {
  const QFontMetrics metrics(GothicFont(box.PixelHeight, true));
  const QString text = QString::fromStdString(platform::Cp932ToUtf8(cp932));
  int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextExpandTabs;
  if (box.Wraps) flags |= Qt::TextWordWrap;
  const QRect bounds = metrics.boundingRect(QRect(0, 0, box.Width, 100000), flags, text);
  return (bounds.height() + metrics.lineSpacing() / 2) / metrics.lineSpacing();
}

class TextFitTest : public WindowFixture {};

TEST_F(TextFitTest, TheBoxesAreTheControlsAndTheirFonts) {
  const FormModel form;
  for (const auto& [box, control, pixels] :
       {std::tuple{check::kMessageBox, form.Label1, 19}, std::tuple{check::kCaptionBox, form.Label2, 16},
        std::tuple{check::kPageBox, form.Label4, 24}}) {
    EXPECT_EQ(box.Width, control.Bounds.width) << control.Name;
    EXPECT_EQ(box.Height, control.Bounds.height) << control.Name;
    EXPECT_EQ(box.PixelHeight, pixels) << control.Name;
    const QFontMetrics metrics(GothicFont(pixels, true));
    EXPECT_EQ(box.LineSpacing, metrics.lineSpacing()) << control.Name;
    EXPECT_EQ(metrics.horizontalAdvance(QString(20, QChar('a'))), 10 * pixels) << control.Name;
    EXPECT_EQ(metrics.horizontalAdvance(QString::fromUtf8("ああああ")), 4 * pixels) << control.Name;
  }
  EXPECT_EQ(check::kEntryBox.Width, form.ListBox1.Bounds.width);
}

TEST_F(TextFitTest, RowsAsTheWindowWrapsThem) {
  const std::vector<std::string> samples = {
      "\n浜辺に着いた。\n波の音だけが聞こえる。",
      "\n少女「父さんがいなくなってから、灯りは消えたままなの。そしてあの夜から、ずっと待っているの。」",
      "\n" + std::string(30, 'x') + " " + std::string(30, 'y'),
      "\nThe quick brown fox jumps over the lazy dog, and then it runs far away into the hills.",
      "\n一\n二\n三\n四\n五\n六\n七\n八\n九",
      "\nｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜｦﾝ",
      "\nあいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよ",
  };
  for (const std::string& utf8 : samples) {
    const std::string cp932 = Sjis(utf8);
    EXPECT_EQ(check::RowsOf(cp932, check::kMessageBox), QtRows(cp932, check::kMessageBox)) << utf8;
    EXPECT_EQ(check::RowsOf(cp932, check::kPageBox), QtRows(cp932, check::kPageBox)) << utf8;
  }
}

}  // namespace
}  // namespace torvane::qt
