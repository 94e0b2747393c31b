// The crafted files the budget lets through, drawn: each still draws what
// it says within the shown corner.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>

#include "pictures/hostile_pictures.hpp"
#include "pictures/qt/render_support.hpp"

namespace torvane {
namespace {

using test::At;
using test::kNone;
using test::Opaque;

bool Near(QRgb pixel, std::uint32_t rgb) {
  return qAlpha(pixel) == 255 && std::abs(qRed(pixel) - static_cast<int>(rgb >> 16 & 0xFF)) <= 2 &&
         std::abs(qGreen(pixel) - static_cast<int>(rgb >> 8 & 0xFF)) <= 2 &&
         std::abs(qBlue(pixel) - static_cast<int>(rgb & 0xFF)) <= 2;
}

// Scans 2 high of spans 2 wide and 2 apart, as MS-WMF lays them out.
TEST(BoundedMetafileTest, RegionObjectsFillTheirScans) {
  const QImage image = test::RenderedWmf(test::RegionWmf(3, 4), "bounded_region");
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 16; ++x) {
      EXPECT_EQ(At(image, x, y), x % 4 < 2 ? Opaque(0x0000FF) : kNone) << x << "," << y;
    }
  }
  EXPECT_EQ(At(image, 1, 6), kNone);
  EXPECT_EQ(At(image, 16, 1), kNone);
}

TEST(BoundedMetafileTest, ObjectsStillTakeTheLowestFreeSlotAmongMany) {
  test::WmfWriter wmf;
  wmf.WindowExt(440, 280);
  for (int i = 0; i < 1000; ++i) wmf.Brush(test::kBsSolid, 0x000010);
  wmf.Delete(700).Delete(500).Brush(test::kBsSolid, 0xFF0000).Brush(test::kBsSolid, 0x00FF00);
  wmf.Brush(test::kBsSolid, 0x0000FF);  // past the thousand
  wmf.Select(500).Rectangle(0, 0, 10, 10).Select(700).Rectangle(10, 0, 20, 10).Select(1000).Rectangle(20, 0, 30, 10);
  const QImage image = test::RenderedWmf(wmf.File(4), "bounded_slots");
  EXPECT_EQ(At(image, 5, 5), Opaque(0xFF0000));
  EXPECT_EQ(At(image, 15, 5), Opaque(0x00FF00));
  EXPECT_EQ(At(image, 25, 5), Opaque(0x0000FF));
}

TEST(BoundedMetafileTest, ManyPensDeletedAgainDraw) {
  const QImage image = test::RenderedWmf(test::ManyPensWmf(300000, true), "bounded_pens");
  // The first pen is black, the 299,001st almost so; the brush white.
  EXPECT_EQ(At(image, 0, 20), Opaque(0x000000));
  EXPECT_EQ(At(image, 310, 20), Opaque(0xFFFFFF));
  EXPECT_EQ(At(image, 299, 10), Opaque(0x048FF8));  // 299,000 as a COLORREF
}

TEST(BoundedMetafileTest, CompressedBitmapWithinTheBudgetIsDrawn) {
  const QImage image = test::RenderedWmf(test::CompressedBitmapsWmf(1, 2048), "bounded_rle");
  EXPECT_EQ(At(image, 220, 279), Opaque(0xC08040));  // the rows the runs gave
  EXPECT_EQ(At(image, 220, 0), Opaque(0x204060));    // the rest, palette entry 0
}

TEST(BoundedMetafileTest, PaintingStopsWhenItsBudgetIsSpent) {
  // 300 fills of the whole corner are within the budget; 2000 are not,
  // and what comes after them is left out.
  const QImage within = test::RenderedWmf(test::FullFillsWmf(300), "bounded_fills_within");
  EXPECT_EQ(At(within, 15, 15), Opaque(0x00FF00));
  EXPECT_EQ(At(within, 100, 100), Opaque(0xFF0000));
  const QImage over = test::RenderedWmf(test::FullFillsWmf(2000), "bounded_fills_over");
  EXPECT_EQ(At(over, 15, 15), Opaque(0xFF0000));
  EXPECT_EQ(At(over, 100, 100), Opaque(0xFF0000));
}

TEST(BoundedMetafileTest, ExcludedClipsCutTheFill) {
  const QImage image = test::RenderedWmf(test::ExcludedClipsWmf(20), "bounded_excluded");
  EXPECT_EQ(At(image, 2, 100), kNone);
  EXPECT_EQ(At(image, 7, 100), Opaque(0x00FF00));
  EXPECT_EQ(At(image, 192, 250), kNone);  // the twentieth cut
  EXPECT_EQ(At(image, 197, 250), Opaque(0x00FF00));
}

TEST(BoundedMetafileTest, RegionAndOnceClipsTheDrawing) {
  const QImage image = test::RenderedEmf(test::RepeatedAndEmf(64, 1), "bounded_and");
  EXPECT_TRUE(Near(At(image, 200, 100), 0xFF0000));
  EXPECT_TRUE(Near(At(image, 430, 270), 0xFF0000));
  EXPECT_EQ(At(image, 0, 279), kNone);
}

// Shapes past the shown corner are left out before drawing; the corner
// stays as it was.
TEST(BoundedMetafileTest, ShapesOutsideTheCornerChangeNothing) {
  const auto clipart = [](bool far_shapes) {
    test::EmfWriter emf(3000, 2000);
    emf.Pen(1, test::kPsSolid, 9, 0x203040).Brush(2, test::kBsSolid, 0xC04020).Select(1).Select(2);
    emf.Ellipse(400, 200, 520, 330).Rectangle(30, 30, 90, 70);
    if (far_shapes) {
      for (int i = 0; i < 500; ++i) emf.Ellipse(460 + i * 5, 300 + i * 3, 520 + i * 5, 340 + i * 3);
    }
    emf.Rectangle(100, 100, 140, 120);
    return emf.File();
  };
  const QImage near = test::RenderedEmf(clipart(false), "bounded_near_only");
  const QImage all = test::RenderedEmf(clipart(true), "bounded_near_and_far");
  EXPECT_TRUE(Near(At(near, 60, 50), 0xC04020));
  EXPECT_TRUE(Near(At(near, 439, 279), 0xC04020));  // the ellipse reaching into the corner
  EXPECT_EQ(near, all);
}

TEST(BoundedMetafileTest, DetailedClipartDraws) {
  const QImage image = test::RenderedEmf(test::ClipartEmf(2000), "bounded_clipart");
  int count = 0;
  test::InkBox(image, kNone, &count);
  EXPECT_LT(count, 440 * 280 / 2);  // mostly covered by the blobs
  EXPECT_TRUE(Near(At(image, 336, 132), 0x2F3D1F));  // the middle of the last blob, at (331, 127) radius 5
}

TEST(BoundedMetafileTest, HugeFrameDrawsItsCorner) {
  const QImage image = test::RenderedEmf(test::HugeFrameEmf(), "bounded_huge_frame");
  ASSERT_EQ(image.size(), QSize(440, 280));
  EXPECT_TRUE(Near(At(image, 220, 140), 0x3080C0));  // the bitmap over the top half
  EXPECT_TRUE(Near(At(image, 439, 279), 0x3080C0));
}

}  // namespace
}  // namespace torvane
