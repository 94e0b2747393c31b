// The form painter, the built-in pictures, the fonts and the waiting cursor.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

#include <QBitmap>
#include <QFile>
#include <QFontInfo>
#include <QPainter>

#include "pictures/picture.hpp"
#include "platform/cp932.hpp"
#include "platform/little_endian.hpp"
#include "ui/qt/client_image.hpp"
#include "ui/qt/form_painter.hpp"
#include "ui/qt/qt_test_support.hpp"

namespace torvane::qt {
namespace {

using testing::WindowFixture;

Bytes Sjis(const char* utf8) { return platform::Utf8ToCp932(utf8); }

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

int CountPixels(const QImage& image, const QRect& area, QRgb colour) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
  }
  return count;
}

std::shared_ptr<const Picture> SolidPicture(int width, int height, std::uint32_t argb) {
  auto picture = std::make_shared<Picture>();
  picture->Width = width;
  picture->Height = height;
  picture->Pixels.assign(static_cast<std::size_t>(width * height), argb);
  return picture;
}

// The form in its normal screen: a scene larger than Image1, portrait 3,
// a message, and the command list with three entries.
FormModel NormalScreen() {
  FormModel form;
  form.Image3.Visible = false;
  form.Label4.Visible = false;
  form.Color = WindowColor::Black;
  form.ListBox1.Visible = true;
  form.Image1Picture = SolidPicture(500, 320, 0xFF2060A0);
  form.Image2Portrait = 3;
  form.Label1.Caption = Sjis("\n波の音だけが聞こえる。");
  form.Label2.Caption = Sjis("浜辺");
  form.ListBox1Items = {Sjis("調べる"), Sjis("話す"), Sjis("灯台へ行く")};
  return form;
}

class FormPainterTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { assets_ = std::make_unique<FormAssets>(LoadFormAssets()); }
  static void TearDownTestSuite() { assets_.reset(); }
  static const FormAssets& Assets() { return *assets_; }

 private:
  static inline std::unique_ptr<FormAssets> assets_;
};

TEST_F(FormPainterTest, TitleCoversTheWholeClientArea) {
  FormModel form;  // as created: the title picture over everything
  form.Label1.Caption = Sjis("見えない");
  const QImage image = RenderClientArea(form, Assets());
  testing::SaveArtefact(image, "painter-title.png");
  ASSERT_EQ(image.size(), QSize(632, 426));
  for (const QPoint p : {QPoint(0, 0), QPoint(316, 213), QPoint(300, 350), QPoint(631, 425), QPoint(540, 20)}) {
    EXPECT_EQ(image.pixel(p) & 0xFFFFFF, Assets().Title().pixel(p) & 0xFFFFFF) << p.x() << "," << p.y();
  }
}

TEST_F(FormPainterTest, NarrationPageLiesAboveTheGameScreen) {
  FormModel form = NormalScreen();
  form.ListBox1.Visible = false;
  form.Label4.Visible = true;
  form.Label4.Caption = Sjis("霧の深い夜だった。\n");
  const QImage image = RenderClientArea(form, Assets());
  testing::SaveArtefact(image, "painter-narration.png");
  // Label4 hides the scene, the portrait and the message beneath it.
  EXPECT_EQ(image.pixel(20, 20) & 0xFFFFFF, 0u);
  EXPECT_EQ(image.pixel(20, 300) & 0xFFFFFF, 0u);
  EXPECT_EQ(image.pixel(600, 400) & 0xFFFFFF, 0u);
  // The page is white text centred both ways: in the middle band only.
  EXPECT_GT(CountPixels(image, QRect(100, 190, 432, 50), qRgb(255, 255, 255)), 50);
  EXPECT_EQ(CountPixels(image, QRect(0, 0, 632, 150), qRgb(255, 255, 255)), 0);
  EXPECT_EQ(CountPixels(image, QRect(0, 0, 90, 426), qRgb(255, 255, 255)), 0);
}

TEST_F(FormPainterTest, NormalScreenStacksInCreationOrder) {
  const FormModel form = NormalScreen();
  const QImage image = RenderClientArea(form, Assets());
  testing::SaveArtefact(image, "painter-normal.png");
  const QRgb scene = 0x2060A0;
  EXPECT_EQ(image.pixel(10, 10) & 0xFFFFFF, scene);
  // Image1 is clipped to 440 x 280 though the picture is larger.
  EXPECT_EQ(image.pixel(447, 100) & 0xFFFFFF, scene);
  EXPECT_EQ(image.pixel(449, 100) & 0xFFFFFF, 0u);
  // Image2 lies above Image1 where they overlap; Label1 above Image1 too.
  const QImage& portrait = Assets().Portrait(3);
  EXPECT_EQ(image.pixel(20, 270) & 0xFFFFFF, portrait.pixel(12, 14) & 0xFFFFFF);
  EXPECT_EQ(image.pixel(160, 420) & 0xFFFFFF, portrait.pixel(152, 164) & 0xFFFFFF);
  EXPECT_EQ(image.pixel(300, 283) & 0xFFFFFF, 0xFFFFFFu);
  // The message: black text on white, the first row left empty.
  EXPECT_EQ(CountPixels(image, QRect(176, 281, 440, 17), qRgb(0, 0, 0)), 0);
  EXPECT_GT(CountPixels(image, QRect(176, 300, 300, 19), qRgb(0, 0, 0)), 40);
  // The caption, navy on white, centred.
  EXPECT_GT(CountPixels(image, QRect(500, 8, 80, 25), qRgb(0, 0, 128)), 20);
  EXPECT_EQ(CountPixels(image, QRect(457, 9, 30, 23), qRgb(0, 0, 128)), 0);
  // The command list: entries at the top, white below them.
  EXPECT_GT(CountPixels(image, QRect(458, 42, 120, 19 * 3), qRgb(0, 0, 0)), 60);
  EXPECT_EQ(image.pixel(540, 250) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(FormPainterTest, TransparentLabelShowsTheSceneAroundItsText) {
  FormModel form = NormalScreen();
  form.Label3.Visible = true;
  form.Label3.Caption = Sjis("灯台");
  const QImage image = RenderClientArea(form, Assets());
  EXPECT_EQ(image.pixel(20, 200) & 0xFFFFFF, 0x2060A0u);
  EXPECT_GT(CountPixels(image, QRect(200, 176, 232, 41), qRgb(255, 255, 255)), 30);
}

TEST_F(FormPainterTest, HiddenControlsAreNotPaintedAndTheFormShowsBtnFace) {
  FormModel form;
  for (Control* control : form.CreationOrder()) control->Visible = false;
  form.Image1Picture = SolidPicture(10, 10, 0xFFFF0000);
  const QImage image = RenderClientArea(form, Assets());
  EXPECT_EQ(CountPixels(image, image.rect(), qRgb(240, 240, 240)), 632 * 426);
}

TEST_F(FormPainterTest, DisabledLabelIsEmbossed) {
  FormModel form = NormalScreen();
  form.Label2.Enabled = false;
  const QImage image = RenderClientArea(form, Assets());
  const QRect caption(456, 8, 169, 25);
  EXPECT_EQ(CountPixels(image, caption, qRgb(0, 0, 128)), 0);
  EXPECT_GT(CountPixels(image, caption, qRgb(160, 160, 160)), 20);
}

TEST_F(FormPainterTest, AmpersandIsAMnemonicPrefix) {
  const auto message = [&](const char* text) {
    FormModel form = NormalScreen();
    form.Label1.Caption = text;
    return RenderClientArea(form, Assets()).copy(175, 280, 450, 139);
  };
  // "&A" draws "A" in the same place, underlined.
  const QImage plain = message("A");
  const QImage prefixed = message("&A");
  EXPECT_NE(plain, prefixed);
  EXPECT_EQ(plain.copy(0, 0, 450, 15), prefixed.copy(0, 0, 450, 15));
  // "&&" draws one ampersand: "A&&" is "A" and one more glyph to its right.
  const QImage doubled = message("A&&");
  EXPECT_EQ(plain.copy(0, 0, 10, 139), doubled.copy(0, 0, 10, 139));
  EXPECT_NE(plain, doubled);
  EXPECT_EQ(CountPixels(doubled, QRect(20, 0, 430, 139), qRgb(0, 0, 0)), 0);
}

TEST(FormFonts, WindowsNamesMapToTheIpaFonts) {
  InstallFontSubstitutions();
  const QFontInfo gothic(GothicFont(19, true));
  EXPECT_EQ(gothic.family(), QStringLiteral("IPAGothic"));
  EXPECT_EQ(gothic.pixelSize(), 19);
  EXPECT_EQ(QFontInfo(PGothicFont(19, true)).family(), QStringLiteral("IPAPGothic"));
  EXPECT_EQ(QFontInfo(QFont(QStringLiteral("MS Gothic"))).family(), QStringLiteral("IPAGothic"));
  EXPECT_EQ(QFontInfo(QFont(QStringLiteral("MS PGothic"))).family(), QStringLiteral("IPAPGothic"));
  // Fixed pitch: a half-width and a full-width character are 1 : 2.
  const QFontMetrics metrics(GothicFont(19, false));
  EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("i")), metrics.horizontalAdvance(QStringLiteral("W")));
  EXPECT_NEAR(2 * metrics.horizontalAdvance(QStringLiteral("i")), metrics.horizontalAdvance(QStringLiteral("あ")), 1);
}

TEST(BuiltInPictures, FilesHaveTheirDeclaredFormats) {
  const std::string title = ReadFile(TORVANE_ASSETS_DIR "/title.bmp");
  ASSERT_GT(title.size(), 54u);
  EXPECT_EQ(title.substr(0, 2), "BM");
  EXPECT_EQ(U32At(title, 18), 632u);
  EXPECT_EQ(U32At(title, 22), 426u);  // positive: bottom-up
  EXPECT_EQ(U32At(title, 28) & 0xFFFF, 24u);
  EXPECT_EQ(U32At(title, 30), 0u);  // BI_RGB
  EXPECT_EQ(U32At(title, 38), 2834u);
  EXPECT_EQ(U32At(title, 42), 2834u);
  for (int i = 0; i <= 10; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, TORVANE_ASSETS_DIR "/portrait%02d.bmp", i);
    const std::string bytes = ReadFile(name);
    ASSERT_GT(bytes.size(), 54u) << name;
    EXPECT_EQ(U32At(bytes, 18), 160u) << name;
    EXPECT_EQ(U32At(bytes, 22), 170u) << name;
    EXPECT_EQ(U32At(bytes, 28) & 0xFFFF, 16u) << name;
    EXPECT_EQ(U32At(bytes, 30), 0u) << name;
  }
}

TEST(BuiltInPictures, DecodeOpaqueAtTheirSizes) {
  const FormAssets assets = LoadFormAssets();
  EXPECT_EQ(assets.Title().size(), QSize(632, 426));
  // The title read by Qt is the title the game's decoder reads.
  const Picture title = DecodePicture(PictureFormat::Bitmap, ReadFile(TORVANE_ASSETS_DIR "/title.bmp"));
  EXPECT_EQ(assets.Title(), ImageFromPixels(title));
  std::set<std::uint64_t> looks;
  for (int number = 0; number < FormAssets::kPortraits; ++number) {
    const QImage& portrait = assets.Portrait(number);
    ASSERT_EQ(portrait.size(), QSize(160, 170));
    std::uint64_t sum = 0;
    bool opaque = true;
    bool five_bits = true;
    for (int y = 0; y < portrait.height(); ++y) {
      for (int x = 0; x < portrait.width(); ++x) {
        const QRgb p = portrait.pixel(x, y);
        opaque = opaque && qAlpha(p) == 255;
        // 5-5-5 expands by a shift: the low three bits stay 0.
        five_bits = five_bits && (p & 0x070707) == 0;
        sum = sum * 31 + p;
      }
    }
    EXPECT_TRUE(opaque);
    EXPECT_TRUE(five_bits);
    looks.insert(sum);
  }
  EXPECT_EQ(looks.size(), 11u);  // eleven different portraits
  EXPECT_TRUE(assets.Portrait(11).isNull());
  EXPECT_TRUE(assets.Portrait(-1).isNull());
}

TEST(WaitCursor, StoresTheWordAsInvertedPixelsAboveADrawing) {
  QFile file(QStringLiteral(":/torvane/OSE01.cur"));
  LoadFormAssets();  // registers the resources
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  const auto masks = ParseMonochromeCursor(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  ASSERT_TRUE(masks);
  EXPECT_EQ(masks->Width, 32);
  EXPECT_EQ(masks->Height, 32);
  EXPECT_EQ(masks->HotX, 0);
  EXPECT_EQ(masks->HotY, 0);
  int inverted = 0, black = 0, white = 0, lowest_inverted = -1, highest_drawn = 32;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const auto i = static_cast<std::size_t>(y * 32 + x);
      const bool a = masks->And[i] != 0, x_bit = masks->Xor[i] != 0;
      if (a && x_bit) ++inverted, lowest_inverted = y;
      if (!a) highest_drawn = std::min(highest_drawn, y);
      if (!a && !x_bit) ++black;
      if (!a && x_bit) ++white;
    }
  }
  EXPECT_GT(inverted, 40);  // "Push!"
  EXPECT_GT(black, 30);
  EXPECT_GT(white, 30);
  EXPECT_LT(lowest_inverted, highest_drawn);  // the word above the drawing
}

TEST(WaitCursor, InvertedPixelsBecomeBlackWithAWhiteOutline) {
  CursorMasks masks;
  masks.Width = masks.Height = 8;
  masks.And.assign(64, 1);
  masks.Xor.assign(64, 0);
  const auto set = [&](int x, int y, int and_bit, int xor_bit) {
    masks.And[static_cast<std::size_t>(y * 8 + x)] = static_cast<std::uint8_t>(and_bit);
    masks.Xor[static_cast<std::size_t>(y * 8 + x)] = static_cast<std::uint8_t>(xor_bit);
  };
  set(2, 2, 1, 1);  // inverted
  set(6, 6, 0, 0);  // black
  set(6, 5, 0, 1);  // white
  masks.HotX = 3;
  masks.HotY = 4;
  const QCursor cursor = CursorFromMasks(masks);
  EXPECT_EQ(cursor.hotSpot(), QPoint(3, 4));
  const QImage shape = cursor.bitmap().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage mask = cursor.mask().toImage().convertToFormat(QImage::Format_RGB32);
  const auto is_black = [](const QImage& image, int x, int y) { return (image.pixel(x, y) & 0xFFFFFF) == 0; };
  EXPECT_TRUE(is_black(mask, 2, 2) && is_black(shape, 2, 2));    // inverted: black
  EXPECT_TRUE(is_black(mask, 1, 1) && !is_black(shape, 1, 1));   // beside it: white
  EXPECT_TRUE(is_black(mask, 3, 3) && !is_black(shape, 3, 3));
  EXPECT_FALSE(is_black(mask, 4, 2));                            // two away: transparent
  EXPECT_TRUE(is_black(mask, 6, 6) && is_black(shape, 6, 6));    // black
  EXPECT_TRUE(is_black(mask, 6, 5) && !is_black(shape, 6, 5));   // white
  EXPECT_FALSE(is_black(mask, 0, 7));
}

TEST(WaitCursor, RefusesWhatIsNotAMonochromeCursor) {
  EXPECT_FALSE(ParseMonochromeCursor(""));
  QFile file(QStringLiteral(":/torvane/OSE01.cur"));
  LoadFormAssets();
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray good = file.readAll();
  std::string bytes(good.constData(), static_cast<std::size_t>(good.size()));
  EXPECT_TRUE(ParseMonochromeCursor(bytes));
  EXPECT_FALSE(ParseMonochromeCursor(bytes.substr(0, bytes.size() - 1)));  // masks cut short
  std::string icon = bytes;
  icon[2] = 1;  // an icon, not a cursor
  EXPECT_FALSE(ParseMonochromeCursor(icon));
  std::string deeper = bytes;
  deeper[22 + 14] = 4;  // 4 bits per pixel
  EXPECT_FALSE(ParseMonochromeCursor(deeper));
}

}  // namespace
}  // namespace torvane::qt
