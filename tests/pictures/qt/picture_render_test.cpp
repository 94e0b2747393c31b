// RenderPicture for each format: bitmaps and icons from their pixels,
// enhanced metafiles from their SVG layers, and the demo game's scenes.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "pictures/metafile_writers.hpp"
#include "pictures/qt/render_support.hpp"
#include "platform/cp932.hpp"

namespace torvane {
namespace {

using test::At;
using test::EmfWriter;
using test::kNone;
using test::Opaque;

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Within `tolerance` on each channel, and opaque.
bool Near(QRgb pixel, std::uint32_t rgb, int tolerance) {
  return qAlpha(pixel) == 255 && std::abs(qRed(pixel) - static_cast<int>(rgb >> 16 & 0xFF)) <= tolerance &&
         std::abs(qGreen(pixel) - static_cast<int>(rgb >> 8 & 0xFF)) <= tolerance &&
         std::abs(qBlue(pixel) - static_cast<int>(rgb & 0xFF)) <= tolerance;
}

TEST(RenderPictureTest, BitmapsAndIconsKeepTheirPixels) {
  Picture bitmap;
  bitmap.Width = 3;
  bitmap.Height = 2;
  bitmap.Pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF102030, 0xFFFFFFFF, 0xFF000000};
  const QImage image = qt::RenderPicture(bitmap);
  ASSERT_EQ(image.size(), QSize(3, 2));
  EXPECT_EQ(image.format(), QImage::Format_ARGB32);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) EXPECT_EQ(At(image, x, y), bitmap.Pixels[static_cast<std::size_t>(y * 3 + x)]);
  }

  Picture icon = bitmap;
  icon.Format = PictureFormat::Icon;
  icon.Pixels[4] = 0;  // the mask lets the background through here
  const QImage icon_image = qt::RenderPicture(icon);
  EXPECT_EQ(qAlpha(At(icon_image, 1, 1)), 0);
  EXPECT_EQ(At(icon_image, 0, 1), 0xFF102030u);
}

TEST(RenderPictureTest, EnhancedMetafileShapesAndPens) {
  EmfWriter emf(100, 60);
  emf.Pen(1, test::kPsSolid, 6, kRed).Select(1).Brush(2, test::kBsSolid, kBlue).Select(2);
  emf.Rectangle(10, 10, 60, 50);
  const QImage image = test::RenderedEmf(emf.File(), "emf_shapes");
  EXPECT_TRUE(Near(At(image, 35, 30), kBlue, 0));
  // The pen is six pixels wide, centred on the outline.
  EXPECT_TRUE(Near(At(image, 35, 10), kRed, 0));
  EXPECT_TRUE(Near(At(image, 35, 12), kRed, 0));
  EXPECT_TRUE(Near(At(image, 35, 8), kRed, 0));
  EXPECT_TRUE(Near(At(image, 35, 16), kBlue, 0));
  EXPECT_EQ(At(image, 80, 30), kNone);
  EXPECT_EQ(At(image, 35, 3), kNone);
}

TEST(RenderPictureTest, EnhancedMetafileClippingAndHatches) {
  EmfWriter emf(100, 60);
  emf.Pen(1, test::kPsNull, 0, 0).Select(1).Brush(2, test::kBsSolid, kGreen).Select(2);
  emf.SaveDc().IntersectClip(10, 10, 30, 30).ExcludeClip(15, 15, 20, 20).Rectangle(0, 0, 100, 60).RestoreDc(-1);
  emf.Brush(3, test::kBsHatched, kRed, test::kHsHorizontal).Select(3).BkMode(test::kTransparent);
  emf.Rectangle(50, 0, 100, 60);
  const QImage image = test::RenderedEmf(emf.File(), "emf_clip_hatch");
  EXPECT_TRUE(Near(At(image, 12, 12), kGreen, 0));
  EXPECT_TRUE(Near(At(image, 28, 28), kGreen, 0));
  EXPECT_EQ(At(image, 17, 17), kNone);
  EXPECT_EQ(At(image, 5, 5), kNone);
  EXPECT_EQ(At(image, 32, 20), kNone);
  // Hatch lines every eight rows, nothing between them.
  int lines = 0, gaps = 0;
  for (int y = 8; y < 48; ++y) {
    lines += Near(At(image, 75, y), kRed, 0);
    gaps += At(image, 75, y) == kNone;
  }
  EXPECT_EQ(lines, 5);
  EXPECT_EQ(gaps, 35);
  // No outline with no pen: the edge column is hatched like the middle.
  int edge = 0;
  for (int y = 8; y < 48; ++y) edge += Near(At(image, 50, y), kRed, 0);
  EXPECT_EQ(edge, 5);
}

TEST(RenderPictureTest, EnhancedMetafileTextAndBitmaps) {
  EmfWriter emf(120, 60);
  emf.Font(1, -20, u"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF").Select(1).TextColor(kGreen).BkMode(test::kTransparent);
  emf.TextA(10, 10, platform::Utf8ToCp932("灯台"));
  emf.StretchDiBits(70, 10, 40, 40, test::Dib24(2, 2, {kRed, kGreen, kBlue, 0xFFFFFF}));
  const QImage image = test::RenderedEmf(emf.File(), "emf_text_bitmap");
  // Text is smoothed by the SVG renderer: count strongly green pixels.
  QRect ink;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 70; ++x) {
      const QRgb p = At(image, x, y);
      if (qAlpha(p) > 200 && qGreen(p) > 150 && qRed(p) < 80) ink |= QRect(x, y, 1, 1);
    }
  }
  EXPECT_GE(ink.left(), 10);
  EXPECT_LE(ink.right(), 52);
  EXPECT_GE(ink.top(), 10);
  EXPECT_LE(ink.bottom(), 32);
  EXPECT_GT(ink.width(), 30);
  // Bitmaps stay blocky: each source pixel a clean 20 x 20 square.
  EXPECT_TRUE(Near(At(image, 70, 10), kRed, 0));
  EXPECT_TRUE(Near(At(image, 88, 28), kRed, 0));
  EXPECT_TRUE(Near(At(image, 91, 28), kGreen, 0));
  EXPECT_TRUE(Near(At(image, 88, 31), kBlue, 0));
  EXPECT_TRUE(Near(At(image, 109, 49), 0xFFFFFF, 0));
}

// The generated fixtures: a dark house on a transparent ground (WMF), and
// the same as an enhanced metafile.
TEST(RenderPictureTest, FixtureScenes) {
  const auto fixtures = std::filesystem::path(TORVANE_PICTURE_FIXTURES);
  const QImage wmf = test::RenderedWmf(ReadFile(fixtures / "scene.wmf"), "fixture_scene_wmf");
  ASSERT_EQ(wmf.size(), QSize(440, 280));
  EXPECT_EQ(At(wmf, 200, 200), Opaque(0xFFFFFF));  // GDI's default white brush
  EXPECT_EQ(At(wmf, 180, 200), Opaque(0x000000));  // and black pen
  EXPECT_EQ(At(wmf, 259, 200), Opaque(0x000000));
  EXPECT_EQ(At(wmf, 260, 200), kNone);
  EXPECT_EQ(At(wmf, 10, 10), kNone);
  const QImage emf = test::RenderedEmf(ReadFile(fixtures / "scene.emf"), "fixture_scene_emf");
  ASSERT_EQ(emf.size(), QSize(440, 280));
  EXPECT_TRUE(Near(At(emf, 200, 200), 0xFFFFFF, 0));
  EXPECT_EQ(At(emf, 10, 10), kNone);
}

// The demo game's pictures: a lighthouse door at night and the lighthouse's
// interior with its lens.
TEST(RenderPictureTest, DemoScenes) {
  const std::filesystem::path demo = TORVANE_DEMO_DIR;
  const QImage door = test::RenderedWmf(ReadFile(demo / "toudai.wmf"), "demo_toudai");
  ASSERT_EQ(door.size(), QSize(440, 280));
  EXPECT_EQ(At(door, 2, 2), Opaque(0x0E1320));   // the top band of the night sky
  EXPECT_EQ(At(door, 214, 200), Opaque(0x624026));  // the wooden door
  EXPECT_EQ(At(door, 241, 186), Opaque(0x0A0808));  // its keyhole
  const QImage inside = test::RenderedEmf(ReadFile(demo / "naka.emf"), "demo_naka");
  ASSERT_EQ(inside.size(), QSize(440, 280));
  EXPECT_TRUE(Near(At(inside, 221, 46), 0xC4B68E, 8));  // the lens's bull's-eye
  EXPECT_TRUE(Near(At(inside, 5, 150), 0x1A1311, 8));   // the wall in shadow
  for (int y = 0; y < 280; y += 7) {
    for (int x = 0; x < 440; x += 7) ASSERT_EQ(qAlpha(At(inside, x, y)), 255) << x << "," << y;
  }
}

}  // namespace
}  // namespace torvane
