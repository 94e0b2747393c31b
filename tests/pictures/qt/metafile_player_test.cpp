// Windows metafiles played on QPainter, checked against GDI's conventions.
#include <gtest/gtest.h>

#include <QImage>

#include "pictures/metafile_writers.hpp"
#include "pictures/qt/render_support.hpp"
#include "platform/cp932.hpp"

namespace torvane {
namespace {

using test::At;
using test::kNone;
using test::Le;
using test::Opaque;
using test::WmfWriter;

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00;

// A placeable file whose box is width x height pixels.
QImage Play(const WmfWriter& wmf, int width, int height, const std::string& name, int objects = 8) {
  return test::RenderedWmf(wmf.File(objects, 0, 0, width, height, 96), name);
}

TEST(WmfPlayerTest, RectanglesAndEllipsesStopBeforeTheirRightAndBottomEdges) {
  WmfWriter wmf;
  wmf.Pen(test::kPsSolid, 1, kRed).Select(0).Brush(test::kBsSolid, kBlue).Select(1);
  wmf.Rectangle(5, 5, 15, 12);
  wmf.Pen(test::kPsNull, 0, 0).Select(2).Rectangle(20, 5, 30, 12);  // no pen: a pixel smaller again
  wmf.Select(0).Ellipse(2, 15, 38, 29);
  const QImage image = Play(wmf, 40, 30, "wmf_rectangles");
  EXPECT_EQ(At(image, 5, 5), Opaque(kRed));
  EXPECT_EQ(At(image, 14, 11), Opaque(kRed));
  EXPECT_EQ(At(image, 8, 8), Opaque(kBlue));
  EXPECT_EQ(At(image, 15, 8), kNone);
  EXPECT_EQ(At(image, 10, 12), kNone);
  EXPECT_EQ(At(image, 4, 8), kNone);

  EXPECT_EQ(At(image, 20, 5), Opaque(kBlue));
  EXPECT_EQ(At(image, 28, 10), Opaque(kBlue));
  EXPECT_EQ(At(image, 29, 8), kNone);
  EXPECT_EQ(At(image, 24, 11), kNone);

  EXPECT_EQ(At(image, 19, 22), Opaque(kBlue));  // centre
  EXPECT_EQ(At(image, 3, 16), kNone);           // corner of the box
  EXPECT_EQ(At(image, 2, 22), Opaque(kRed));    // leftmost column
  EXPECT_EQ(At(image, 37, 22), Opaque(kRed));   // rightmost column
  EXPECT_EQ(At(image, 38, 22), kNone);
}

TEST(WmfPlayerTest, PenWidthsAndLineEnds) {
  WmfWriter wmf;
  wmf.Pen(test::kPsSolid, 0, kRed).Select(0).MoveTo(2, 20).LineTo(30, 20);
  wmf.Pen(test::kPsSolid, 5, kGreen).Select(1).MoveTo(35, 5).LineTo(35, 35);
  wmf.Pen(test::kPsDash, 1, kBlue).Select(2).BkMode(test::kTransparent).MoveTo(0, 38).LineTo(40, 38);
  const QImage image = Play(wmf, 40, 40, "wmf_pens");
  EXPECT_EQ(At(image, 2, 20), Opaque(kRed));
  EXPECT_EQ(At(image, 29, 20), Opaque(kRed));
  EXPECT_EQ(At(image, 30, 20), kNone);  // a line leaves out its last pixel
  EXPECT_EQ(At(image, 10, 19), kNone);
  EXPECT_EQ(At(image, 10, 21), kNone);
  for (int x = 33; x <= 37; ++x) EXPECT_EQ(At(image, x, 20), Opaque(kGreen)) << x;
  EXPECT_EQ(At(image, 32, 20), kNone);
  EXPECT_EQ(At(image, 38, 20), kNone);
  // Dashes of 18 pixels and gaps of 6, the gaps left alone.
  EXPECT_EQ(At(image, 1, 38), Opaque(kBlue));
  EXPECT_EQ(At(image, 20, 38), kNone);
  EXPECT_EQ(At(image, 26, 38), Opaque(kBlue));
}

TEST(WmfPlayerTest, ClippingAndSavedStates) {
  WmfWriter wmf;
  wmf.Pen(test::kPsNull, 0, 0).Select(0).Brush(test::kBsSolid, kGreen).Select(1);
  wmf.SaveDc().IntersectClip(10, 10, 30, 30).ExcludeClip(15, 15, 20, 20).Rectangle(0, 0, 41, 41);
  wmf.RestoreDc(-1).Rectangle(0, 35, 41, 41);
  // The pen comes back with the state it was saved in, by a relative or
  // an absolute level.
  wmf.Pen(test::kPsSolid, 0, kRed).Select(2).SaveDc().Pen(test::kPsSolid, 0, kBlue).Select(3).RestoreDc(-1);
  wmf.MoveTo(0, 32).LineTo(40, 32);
  wmf.SaveDc().Select(3).SaveDc().RestoreDc(1).MoveTo(0, 33).LineTo(40, 33);
  const QImage image = Play(wmf, 40, 40, "wmf_clipping");
  EXPECT_EQ(At(image, 12, 12), Opaque(kGreen));
  EXPECT_EQ(At(image, 29, 29), Opaque(kGreen));
  EXPECT_EQ(At(image, 17, 17), kNone);  // excluded
  EXPECT_EQ(At(image, 5, 5), kNone);
  EXPECT_EQ(At(image, 30, 30), kNone);
  EXPECT_EQ(At(image, 9, 20), kNone);
  EXPECT_EQ(At(image, 5, 37), Opaque(kGreen));  // the clipping went with the restore
  EXPECT_EQ(At(image, 5, 32), Opaque(kRed));
  EXPECT_EQ(At(image, 5, 33), Opaque(kRed));
}

TEST(WmfPlayerTest, MappingModesScaleToThePictureSize) {
  const auto filled = [](WmfWriter& wmf) -> WmfWriter& {
    return wmf.Pen(test::kPsSolid, 0, kRed).Select(0).Brush(test::kBsSolid, kRed).Select(1);
  };
  {  // The placeable box maps onto the picture: 1440 units an inch.
    WmfWriter wmf;
    filled(wmf).Rectangle(0, 0, 720, 360);
    const QImage image = test::RenderedWmf(wmf.File(4, 0, 0, 1440, 720, 1440), "wmf_map_placeable");
    EXPECT_EQ(image.size(), QSize(96, 48));
    EXPECT_EQ(At(image, 47, 23), Opaque(kRed));
    EXPECT_EQ(At(image, 48, 10), kNone);
    EXPECT_EQ(At(image, 10, 24), kNone);
  }
  {  // The file's own window then replaces the box.
    WmfWriter wmf;
    filled(wmf).WindowOrg(100, 100).WindowExt(200, 100).Rectangle(200, 150, 300, 200);
    const QImage image = Play(wmf, 96, 48, "wmf_map_window");
    EXPECT_EQ(At(image, 60, 30), Opaque(kRed));
    EXPECT_EQ(At(image, 95, 47), Opaque(kRed));
    EXPECT_EQ(At(image, 40, 30), kNone);
    EXPECT_EQ(At(image, 60, 20), kNone);
  }
  {  // Metric units, y upwards: 254 tenths of a millimetre are 96 pixels.
    WmfWriter wmf;
    filled(wmf.WindowExt(100, 50)).MapMode(2).Rectangle(0, 0, 127, -127);
    const QImage image = test::RenderedWmf(wmf.File(4), "wmf_map_metric");
    EXPECT_EQ(image.size(), QSize(100, 50));
    EXPECT_EQ(At(image, 47, 47), Opaque(kRed));
    EXPECT_EQ(At(image, 49, 10), kNone);
  }
  {  // Isotropic: the smaller of the two scales on both axes.
    WmfWriter wmf;
    filled(wmf.WindowExt(100, 100)).MapMode(7).WindowExt(100, 100).ViewportExt(200, 100).Rectangle(0, 0, 50, 50);
    const QImage image = test::RenderedWmf(wmf.File(4), "wmf_map_isotropic");
    EXPECT_EQ(At(image, 49, 49), Opaque(kRed));
    EXPECT_EQ(At(image, 50, 50), kNone);
    EXPECT_EQ(At(image, 60, 10), kNone);
  }
  {  // Pen widths are logical units too: 2 units at twice the size.
    WmfWriter wmf;
    wmf.Pen(test::kPsSolid, 2, kBlue).Select(0).MoveTo(10, 2).LineTo(10, 18);
    const QImage image = test::RenderedWmf(wmf.File(4, 0, 0, 20, 20, 48), "wmf_map_pen");
    EXPECT_EQ(image.size(), QSize(40, 40));
    EXPECT_EQ(At(image, 19, 20), Opaque(kBlue));
    EXPECT_EQ(At(image, 20, 20), Opaque(kBlue));
    EXPECT_EQ(At(image, 16, 20), kNone);
    EXPECT_EQ(At(image, 23, 20), kNone);
  }
}

TEST(WmfPlayerTest, ObjectsTakeTheLowestFreeSlot) {
  WmfWriter wmf;
  wmf.Pen(test::kPsSolid, 0, kRed).Brush(test::kBsSolid, kBlue);  // slots 0 and 1
  wmf.Delete(0).Pen(test::kPsSolid, 0, kGreen);                    // slot 0 again
  wmf.Select(0).MoveTo(0, 2).LineTo(20, 2);
  wmf.Select(2);                              // empty: nothing changes
  wmf.Brush(test::kBsSolid, kYellow).Select(2);  // slot 2
  wmf.Delete(2).Rectangle(0, 5, 10, 15);      // deleting leaves the selection in use
  const QImage image = Play(wmf, 20, 20, "wmf_objects", 2);  // the header counts too few slots
  EXPECT_EQ(At(image, 5, 2), Opaque(kGreen));
  EXPECT_EQ(At(image, 5, 10), Opaque(kYellow));
  EXPECT_EQ(At(image, 0, 10), Opaque(kGreen));
}

TEST(WmfPlayerTest, TextIsPlacedByItsAlignment) {
  const Bytes gothic = platform::Utf8ToCp932("ＭＳ ゴシック");
  const Bytes text = platform::Utf8ToCp932("灯台");
  WmfWriter wmf;
  wmf.Font(-20, gothic).Select(0).TextColor(kGreen).BkMode(test::kTransparent);
  wmf.TextOut(10, 10, text);
  const QImage top = Play(wmf, 200, 60, "wmf_text_top");
  int ink = 0;
  const QRect box = test::InkBox(top, Opaque(kGreen), &ink);
  EXPECT_GT(ink, 40);
  EXPECT_GE(box.left(), 10);
  EXPECT_LE(box.right(), 50);
  EXPECT_GE(box.top(), 10);
  EXPECT_LE(box.bottom(), 30);
  EXPECT_GT(box.width(), 30);  // two full-width characters

  WmfWriter right;
  right.Font(-20, gothic).Select(0).TextColor(kGreen).BkMode(test::kTransparent);
  right.TextAlign(test::kTaRight | test::kTaBottom).TextOut(190, 50, text);
  const QRect right_box = test::InkBox(Play(right, 200, 60, "wmf_text_bottom_right"), Opaque(kGreen));
  EXPECT_LE(right_box.right(), 190);
  EXPECT_GE(right_box.left(), 150);
  EXPECT_LE(right_box.bottom(), 50);
  EXPECT_GE(right_box.top(), 30);

  WmfWriter centre;
  centre.Font(-20, gothic).Select(0).TextColor(kGreen).BkMode(test::kTransparent);
  centre.TextAlign(test::kTaCenter | test::kTaBaseline).TextOut(100, 40, text);
  const QRect centre_box = test::InkBox(Play(centre, 200, 60, "wmf_text_baseline_centre"), Opaque(kGreen));
  EXPECT_NEAR(centre_box.center().x(), 100, 3);
  EXPECT_LT(centre_box.top(), 40 - 10);
  EXPECT_LE(centre_box.bottom(), 40 + 5);  // at most the descent below the baseline
}

TEST(WmfPlayerTest, TextBackgroundsClipsAndAdvances) {
  const Bytes gothic = platform::Utf8ToCp932("MS Gothic");
  {  // OPAQUE mode fills the text's cell in the background colour.
    WmfWriter wmf;
    wmf.Font(-20, gothic).Select(0).TextColor(kGreen).BkColor(kYellow).TextOut(0, 0, "AB");
    const QImage image = Play(wmf, 60, 30, "wmf_text_opaque");
    EXPECT_EQ(At(image, 1, 1), Opaque(kYellow));
    EXPECT_GT(test::InkBox(image, Opaque(kGreen)).width(), 10);
    EXPECT_EQ(At(image, 1, 25), kNone);  // below the cell
    EXPECT_EQ(At(image, 30, 5), kNone);  // after it: two half-width characters
  }
  {  // ETO_OPAQUE fills the rectangle, ETO_CLIPPED keeps the text in it.
    WmfWriter wmf;
    wmf.Font(-20, gothic).Select(0).TextColor(kGreen).BkColor(kRed).BkMode(test::kTransparent);
    wmf.ExtTextOut(0, 0, "ABCDEFGH", 2 | 4, {0, 0, 30, 20});
    const QImage image = Play(wmf, 100, 30, "wmf_text_clipped");
    EXPECT_EQ(At(image, 29, 19), Opaque(kRed));
    EXPECT_EQ(At(image, 30, 5), kNone);
    const QRect ink = test::InkBox(image, Opaque(kGreen));
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_LE(ink.right(), 29);
  }
  {  // The dx array places each character.
    WmfWriter wmf;
    wmf.Font(-20, gothic).Select(0).TextColor(kGreen).BkMode(test::kTransparent);
    wmf.ExtTextOut(0, 0, "II", 0, {}, {40, 10});
    const QImage image = Play(wmf, 60, 30, "wmf_text_dx");
    const QRect ink = test::InkBox(image, Opaque(kGreen));
    EXPECT_LT(ink.left(), 10);
    EXPECT_GE(ink.right(), 40);
    EXPECT_TRUE(test::InkBox(image.copy(12, 0, 26, 30), Opaque(kGreen)).isEmpty());
  }
}

TEST(WmfPlayerTest, BitmapsAreStretchedWithoutSmoothing) {
  const test::Dib dib = test::Dib24(2, 2, {kRed, kGreen, kBlue, 0xFFFFFF});
  WmfWriter wmf;
  wmf.StretchDib(10, 10, 20, 20, 0, 0, 2, 2, dib);
  wmf.StretchDib(40, 10, 10, 10, 1, 0, 1, 1, dib);   // rows counted from the bottom: white
  wmf.StretchDib(80, 10, -20, 20, 0, 0, 2, 2, dib);  // mirrored
  // DIBSTRETCHBLT counts source rows from the top: green.
  wmf.Record(0x0B41, Le().U32(test::kSrcCopy).I16(1).I16(1).I16(0).I16(1).I16(10).I16(10).I16(10).I16(85)
                          .Raw(dib.Packed()).bytes);
  const QImage image = Play(wmf, 100, 40, "wmf_bitmaps");
  EXPECT_EQ(At(image, 10, 10), Opaque(kRed));
  EXPECT_EQ(At(image, 19, 19), Opaque(kRed));
  EXPECT_EQ(At(image, 20, 19), Opaque(kGreen));
  EXPECT_EQ(At(image, 15, 25), Opaque(kBlue));
  EXPECT_EQ(At(image, 29, 29), Opaque(0xFFFFFF));
  EXPECT_EQ(At(image, 30, 30), kNone);
  EXPECT_EQ(At(image, 9, 9), kNone);
  EXPECT_EQ(At(image, 45, 15), Opaque(0xFFFFFF));
  EXPECT_EQ(At(image, 65, 15), Opaque(kGreen));
  EXPECT_EQ(At(image, 75, 15), Opaque(kRed));
  EXPECT_EQ(At(image, 90, 15), Opaque(kGreen));
}

TEST(WmfPlayerTest, PolygonsFollowTheFillMode) {
  // Two squares, one inside the other, in one POLYPOLYGON.
  Le squares;
  squares.U16(2).U16(4).U16(4);
  for (int v : {0, 0, 30, 0, 30, 30, 0, 30, 10, 10, 20, 10, 20, 20, 10, 20}) squares.I16(v);
  WmfWriter wmf;
  wmf.Pen(test::kPsNull, 0, 0).Select(0).Brush(test::kBsSolid, kBlue).Select(1);
  wmf.Record(0x0538, squares.bytes);
  wmf.Words(0x0106, {2}).Record(0x0538, squares.bytes);  // WINDING, drawn again
  const QImage image = Play(wmf, 40, 40, "wmf_polypolygon");
  EXPECT_EQ(At(image, 5, 5), Opaque(kBlue));
  EXPECT_EQ(At(image, 15, 15), Opaque(kBlue));  // filled by the second, WINDING pass

  WmfWriter alternate;
  alternate.Pen(test::kPsSolid, 0, kRed).Select(0).Brush(test::kBsSolid, kBlue).Select(1);
  alternate.Record(0x0538, squares.bytes).Polyline({32, 0, 39, 39});
  const QImage hole = Play(alternate, 40, 40, "wmf_polypolygon_alternate");
  EXPECT_EQ(At(hole, 5, 5), Opaque(kBlue));
  EXPECT_EQ(At(hole, 15, 15), kNone);
  EXPECT_EQ(At(hole, 0, 0), Opaque(kRed));
  EXPECT_EQ(At(hole, 36, 38), kNone);  // a polyline is not filled
}

TEST(WmfPlayerTest, HatchedBrushes) {
  WmfWriter wmf;
  wmf.Pen(test::kPsNull, 0, 0).Select(0).Brush(test::kBsHatched, kRed, test::kHsHorizontal).Select(1);
  wmf.BkMode(test::kTransparent).Rectangle(0, 0, 33, 17);
  wmf.BkMode(test::kOpaque).BkColor(kYellow).Rectangle(0, 16, 33, 33);
  const QImage image = Play(wmf, 32, 32, "wmf_hatch");
  int red = 0, empty = 0, yellow = 0;
  for (int y = 0; y < 16; ++y) {
    red += At(image, 5, y) == Opaque(kRed);
    empty += At(image, 5, y) == kNone;
  }
  for (int y = 16; y < 32; ++y) yellow += At(image, 5, y) == Opaque(kYellow);
  EXPECT_EQ(red, 2);  // a line every 8 rows
  EXPECT_EQ(empty, 14);
  EXPECT_EQ(yellow, 14);
}

TEST(WmfPlayerTest, PiesAndRoundedCorners) {
  WmfWriter wmf;
  wmf.Pen(test::kPsSolid, 0, kRed).Select(0).Brush(test::kBsSolid, kBlue).Select(1);
  wmf.Pie(0, 0, 40, 40, 40, 20, 20, 0);  // from 3 o'clock to 12, counter-clockwise
  wmf.RoundRect(50, 0, 90, 40, 20, 20);
  const QImage image = Play(wmf, 100, 40, "wmf_pie_roundrect");
  EXPECT_EQ(At(image, 28, 12), Opaque(kBlue));
  EXPECT_EQ(At(image, 12, 28), kNone);
  EXPECT_EQ(At(image, 12, 12), kNone);
  EXPECT_EQ(At(image, 28, 28), kNone);
  EXPECT_EQ(At(image, 70, 20), Opaque(kBlue));
  EXPECT_EQ(At(image, 51, 1), kNone);  // the corner is rounded off
  EXPECT_EQ(At(image, 70, 0), Opaque(kRed));
}

TEST(WmfPlayerTest, MixModesAndRecordsPassedOver) {
  WmfWriter wmf;
  wmf.Pen(test::kPsSolid, 0, kRed).Select(0);
  wmf.Rop2(11).MoveTo(0, 2).LineTo(20, 2);   // R2_NOP
  wmf.Rop2(16).MoveTo(0, 4).LineTo(20, 4);   // R2_WHITE
  wmf.Rop2(13);                              // R2_COPYPEN
  wmf.Record(0x0626, "\x0F\x00\x04\x00junk");  // ESCAPE
  wmf.Record(0x0999, "??");                   // no such function
  wmf.Words(0x041B, {1, 2});                  // RECTANGLE cut short
  wmf.Words(0x0A32, {0, 0, 200, 0});          // EXTTEXTOUT whose text is missing
  wmf.Record(0x0F43, "\x20\x00\xCC\x00");     // STRETCHDIB cut short
  wmf.Record(0x041F, Le().Rgb(kGreen).I16(8).I16(7).bytes);  // SETPIXEL
  wmf.MoveTo(0, 6).LineTo(20, 6);
  const QImage image = Play(wmf, 20, 10, "wmf_passed_over");
  EXPECT_EQ(At(image, 5, 2), kNone);
  EXPECT_EQ(At(image, 5, 4), Opaque(0xFFFFFF));
  EXPECT_EQ(At(image, 7, 8), Opaque(kGreen));
  EXPECT_EQ(At(image, 6, 8), kNone);
  EXPECT_EQ(At(image, 5, 6), Opaque(kRed));
}

}  // namespace
}  // namespace torvane
