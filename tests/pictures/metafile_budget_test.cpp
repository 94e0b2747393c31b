// What a hostile or huge metafile may cost: the object table, the shared
// budget, region objects, and the crafted files that must load within
// bound or be refused with the metafile message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pictures/hostile_pictures.hpp"
#include "pictures/object_slots.hpp"
#include "pictures/picture.hpp"
#include "pictures/picture_budget.hpp"
#include "pictures/wmf_region.hpp"
#include "platform/cp932.hpp"
#include "platform/script_error.hpp"

namespace torvane {
namespace {

using pictures::ObjectSlots;
using pictures::PictureBudget;
using test::Le;
using test::WmfWriter;

const std::string kBadMetafile = "メタファイルが不正です";

std::string Outcome(PictureFormat format, BytesView file) {
  try {
    const Picture picture = DecodePicture(format, file);
    return "decoded " + std::to_string(picture.Width) + "x" + std::to_string(picture.Height);
  } catch (const ScriptError& error) {
    return platform::Cp932ToUtf8(error.Text());
  }
}

TEST(ObjectSlotsTest, LowestFreeSlotFirst) {
  ObjectSlots slots;
  EXPECT_EQ(slots.Take(), 0u);
  EXPECT_EQ(slots.Take(), 1u);
  EXPECT_EQ(slots.Take(), 2u);
  EXPECT_EQ(slots.Take(), 3u);
  EXPECT_TRUE(slots.Free(2));
  EXPECT_TRUE(slots.Free(0));
  EXPECT_FALSE(slots.Free(0));  // already free
  EXPECT_FALSE(slots.Free(9));  // never taken
  EXPECT_FALSE(slots.Used(0));
  EXPECT_TRUE(slots.Used(1));
  EXPECT_EQ(slots.Take(), 0u);
  EXPECT_EQ(slots.Take(), 2u);
  EXPECT_EQ(slots.Take(), 4u);
  EXPECT_EQ(slots.End(), 5u);
}

TEST(ObjectSlotsTest, TableStopsAtSixteenBitSlots) {
  ObjectSlots slots;
  for (std::size_t i = 0; i < pictures::kMaxObjectSlots; ++i) ASSERT_EQ(slots.Take(), i);
  EXPECT_EQ(slots.Take(), std::nullopt);
  EXPECT_TRUE(slots.Free(40000));
  EXPECT_TRUE(slots.Free(7));
  EXPECT_EQ(slots.Take(), 7u);
  EXPECT_EQ(slots.Take(), 40000u);
  EXPECT_EQ(slots.Take(), std::nullopt);
}

TEST(PictureBudgetTest, EachLimitHoldsExactlyItsAmount) {
  PictureBudget pixels;
  EXPECT_TRUE(pixels.SpendPixels(pictures::kMaxMetafilePixels - 10));
  EXPECT_EQ(pixels.PixelsLeft(), 10);
  EXPECT_TRUE(pixels.SpendPixels(-10));  // a bottom-up height counts as its size
  EXPECT_FALSE(pixels.SpendPixels(1));
  EXPECT_FALSE(pixels.SpendPixels(0));  // once over, always over

  PictureBudget objects;
  for (std::int64_t i = 0; i < pictures::kMaxMetafileObjects; ++i) ASSERT_TRUE(objects.SpendObject());
  EXPECT_FALSE(objects.SpendObject());

  PictureBudget huge;
  EXPECT_FALSE(huge.SpendDrawing(INT64_MAX));
  EXPECT_FALSE(PictureBudget().SpendDrawing(INT64_MIN));

  PictureBudget regions;
  EXPECT_TRUE(regions.SpendRegion(10, pictures::kMaxRegionRects));
  EXPECT_FALSE(regions.SpendRegion(10, pictures::kMaxRegionRects + 1));
  EXPECT_FALSE(PictureBudget().SpendRegion(pictures::kMaxRegionWork + 1, 1));
}

// nextInChain, objectType, objectCount, regionSize, scanCount, maxScan,
// the box at 14, scans from 22: two scans, the first of two spans.
TEST(WmfRegionTest, ScansAreReadWhereMsWmfPutsThem) {
  Le p;
  p.U16(0).U16(6).U32(0).U16(0).U16(2).U16(4);
  p.I16(10).I16(20).I16(50).I16(60);                            // the box
  p.U16(4).I16(20).I16(30).I16(10).I16(20).I16(30).I16(50).U16(4);  // two spans
  p.U16(2).I16(40).I16(60).I16(10).I16(50).U16(2);               // one span
  const pictures::WmfRegion region = pictures::ReadWmfRegion(p.bytes);
  EXPECT_EQ(region.rects, (std::vector<PixelRect>{{10, 20, 20, 30}, {30, 20, 50, 30}, {10, 40, 50, 60}}));
  EXPECT_TRUE(region.banded);
  EXPECT_EQ(region.bands, 2);
  EXPECT_EQ(region.widest_band, 2);

  // Cut short inside its scans: the box alone.
  const Bytes cut = p.bytes.substr(0, p.bytes.size() - 4);
  EXPECT_EQ(pictures::ReadWmfRegion(cut).rects, (std::vector<PixelRect>{{10, 20, 50, 60}}));
  // No scans at all: the box too.
  Le empty;
  empty.U16(0).U16(6).U32(0).U16(0).U16(0).U16(0).I16(1).I16(2).I16(3).I16(4);
  EXPECT_EQ(pictures::ReadWmfRegion(empty.bytes).rects, (std::vector<PixelRect>{{1, 2, 3, 4}}));
}

TEST(WmfRegionTest, OverlappingScansAreNotBanded) {
  Le p;
  p.U16(0).U16(6).U32(0).U16(0).U16(2).U16(2).I16(0).I16(0).I16(50).I16(50);
  p.U16(2).I16(0).I16(30).I16(0).I16(50).U16(2);
  p.U16(2).I16(20).I16(50).I16(10).I16(20).U16(2);  // starts above the first scan's bottom
  EXPECT_FALSE(pictures::ReadWmfRegion(p.bytes).banded);
  Le touching;
  touching.U16(0).U16(6).U32(0).U16(0).U16(1).U16(4).I16(0).I16(0).I16(50).I16(50);
  touching.U16(4).I16(0).I16(10).I16(0).I16(10).I16(10).I16(20).U16(4);  // spans that touch
  EXPECT_FALSE(pictures::ReadWmfRegion(touching.bytes).banded);
}

TEST(MetafileBudgetTest, HugeDeclaredSizeLoads) {
  const Bytes file = test::HugeDeclaredWmf();
  EXPECT_LE(file.size(), 80u);
  EXPECT_EQ(Outcome(PictureFormat::Metafile, file), "decoded 32767x32767");
}

TEST(MetafileBudgetTest, ObjectTableIsBounded) {
  // 300,000 pens, never deleted: more than the 65536 slots a record can name.
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::ManyPensWmf(300000, false)), kBadMetafile);
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::ManyPensWmf(65536, false)), "decoded 440x280");
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::ManyPensWmf(65537, false)), kBadMetafile);
  // Deleted again, each frees its slot for the next.
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::ManyPensWmf(300000, true)), "decoded 440x280");
}

TEST(MetafileBudgetTest, BitmapPixelsAreCountedAcrossRecords) {
  // 1000 compressed 4096 x 4096 bitmaps in about a megabyte.
  const Bytes many = test::CompressedBitmapsWmf(1000, 4096);
  EXPECT_LT(many.size(), 1200u * 1000);
  EXPECT_EQ(Outcome(PictureFormat::Metafile, many), kBadMetafile);
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::CompressedBitmapsWmf(1, 4096)), kBadMetafile);
  // One 2048 x 2048 is the whole budget, two are over it.
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::CompressedBitmapsWmf(1, 2048)), "decoded 440x280");
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::CompressedBitmapsWmf(2, 2048)), kBadMetafile);
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::CompressedBitmapsWmf(4, 1024)), "decoded 440x280");
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::CompressedBitmapsWmf(5, 1024)), kBadMetafile);
}

TEST(MetafileBudgetTest, DrawingWorkIsBounded) {
  // Polylines of 65535 points: 16 are within the work a picture may take.
  WmfWriter within, over;
  Le points;
  points.U16(65535);
  for (int i = 0; i < 65535; ++i) points.I16(i % 440).I16(i % 280);
  for (int i = 0; i < 15; ++i) within.Record(0x0325, points.bytes);
  for (int i = 0; i < 17; ++i) over.Record(0x0325, points.bytes);
  EXPECT_EQ(Outcome(PictureFormat::Metafile, within.WindowExt(440, 280).File(1)), "decoded 440x280");
  EXPECT_EQ(Outcome(PictureFormat::Metafile, over.WindowExt(440, 280).File(1)), kBadMetafile);
}

TEST(MetafileBudgetTest, TextRecordsAreBounded) {
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::TextWmf(4096)), "decoded 440x280");
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::TextWmf(4097)), kBadMetafile);
  // The same limit for enhanced metafiles, on text past the shown corner
  // (which is not drawn, but still read).
  test::EmfWriter within(1440, 280), over(1440, 280);
  for (int i = 0; i < 4096; ++i) within.TextW(600 + i % 800, 10, u"a");
  for (int i = 0; i < 4097; ++i) over.TextW(600 + i % 800, 10, u"a");
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, within.File()), "decoded 1440x280");
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, over.File()), kBadMetafile);
}

TEST(MetafileBudgetTest, TextFillingTheCornerIsRefused) {
  // A thousand glyphs in the corner are drawn; over 80,000 in a megabyte
  // would take the window seconds.
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::TextRecordsEmf(50, 20, 12)), "decoded 440x280");
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::TextRecordsEmf(4096, 20, 40)), kBadMetafile);
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::TextRecordsEmf(2048, 1, 10)), kBadMetafile);
}

TEST(MetafileBudgetTest, LayersAreBounded) {
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::ClipLayersEmf(1000)), "decoded 440x280");
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::ClipLayersEmf(3000)), kBadMetafile);
  // Within the count, each layer is charged to the shown drawing as the
  // document it is: 2000 of them would take the window some 60 ms.
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::ClipLayersEmf(2000)), kBadMetafile);
}

TEST(MetafileBudgetTest, ClippingRegionsAreBounded) {
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::ExcludedClipsWmf(20)), "decoded 2000x2000");
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::ExcludedClipsWmf(1000)), kBadMetafile);
  // A saved state restored drops the cuts made since.
  WmfWriter saved;
  saved.WindowExt(440, 280);
  for (int i = 0; i < 1000; ++i) saved.SaveDc().ExcludeClip(i % 400, 0, i % 400 + 5, 5).RestoreDc(-1);
  EXPECT_EQ(Outcome(PictureFormat::Metafile, saved.File(1)), "decoded 440x280");
}

TEST(MetafileBudgetTest, RegionObjectsAreBounded) {
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::RegionWmf(100, 100)), "decoded 440x280");
  EXPECT_EQ(Outcome(PictureFormat::Metafile, test::RegionWmf(200, 100)), kBadMetafile);  // 20,000 rectangles
}

TEST(MetafileBudgetTest, RepeatedRegionAndIsRefused) {
  const Bytes file = test::RepeatedAndEmf(64, 5);
  EXPECT_LT(file.size(), 7000u);
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, file), kBadMetafile);
  // Once is fine: 64 x 64 pairs.
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::RepeatedAndEmf(64, 1)), "decoded 440x280");
}

TEST(MetafileBudgetTest, PathsCrossingEachRowOftenAreRefused) {
  // Each row crossed some 2000 times by each path, near or far.
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::BezierPathsEmf(1 << 20, 1998, 0, 1)), kBadMetafile);
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::BezierPathsEmf(1 << 20, 1998, 30000, 30)), kBadMetafile);
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::SmallRecordsEmf(1 << 20, 0)), kBadMetafile);
  // A few such paths of 30 points are fine.
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::BezierPathsEmf(4000, 30, 0, 1)), "decoded 440x280");
  // Detailed clipart stays far inside, all in the corner or mostly past it.
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::ClipartEmf(2000)), "decoded 440x280");
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::ClipartEmf(20000, 12047, 15591)), "decoded 12047x15591");
}

// However small, each shape costs the converter and the window some 8 us:
// 5,000 in the corner draw in about 45 ms, 8,000 would take over 60.
TEST(MetafileBudgetTest, ShapesInTheCornerAreChargedEachAsWellAsByArea) {
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::SmallRecordsEmf(5000 * 24, 0)), "decoded 440x280");
  EXPECT_EQ(Outcome(PictureFormat::EnhancedMetafile, test::SmallRecordsEmf(8000 * 24, 0)), kBadMetafile);
}

TEST(MetafileBudgetTest, HugeFrameWithContentLoads) {
  const Bytes file = test::HugeFrameEmf();
  EXPECT_LT(file.size(), 64u * 1024);
  const Picture picture = DecodePicture(PictureFormat::EnhancedMetafile, file);
  EXPECT_EQ(picture.Width, test::kHugeFrameWidth);
  EXPECT_EQ(picture.Height, test::kHugeFrameHeight);
  ASSERT_TRUE(picture.SvgLayers);
  EXPECT_FALSE(picture.SvgLayers->empty());
}

}  // namespace
}  // namespace torvane
