#pragma once

// Files made to cost as much as a file of their size can, for the budget
// tests and the benchmarks: each must draw within bound or be refused.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "pictures/metafile_writers.hpp"
#include "platform/bytes.hpp"

namespace torvane::test {

// 32767 x 32767 pixels declared in 60 bytes, one rectangle over them all.
inline Bytes HugeDeclaredWmf() {
  WmfWriter wmf;
  wmf.WindowExt(32767, 32767).Brush(kBsSolid, 0xFF0000).Select(0).Rectangle(0, 0, 32767, 32767);
  return wmf.File(1);
}

// `pens` pens created one after another, each deleted again or not; every
// thousandth draws a rectangle.
inline Bytes ManyPensWmf(int pens, bool deleted) {
  WmfWriter wmf;
  wmf.WindowExt(440, 280);
  for (int i = 0; i < pens; ++i) {
    wmf.Pen(kPsSolid, 1, static_cast<std::uint32_t>(i));
    const int slot = deleted ? 0 : i;
    if (i % 1000 == 0) wmf.Select(slot).Rectangle(i / 1000, 10, i / 1000 + 20, 30);
    if (deleted) wmf.Delete(0);
  }
  return wmf.File(1);
}

// A side x side 8-bit RLE bitmap in about a kilobyte: its bottom 30 rows
// in palette entry 1, then the end of the bitmap, the rest left at entry 0.
inline Dib RleBitmap(int side) {
  Dib dib;
  Le bits;
  for (int row = 0; row < 30; ++row) {
    for (int left = side; left > 0; left -= 255) bits.U8(static_cast<unsigned>(std::min(left, 255))).U8(1);
    bits.U8(0).U8(0);  // end of the row
  }
  bits.U8(0).U8(1);
  dib.bits = bits.bytes;
  dib.info = Le().U32(40).I32(side).I32(side).U16(1).U16(8).U32(1).U32(static_cast<std::uint32_t>(dib.bits.size()))
                 .U32(0).U32(0).U32(2).U32(0).bytes;
  for (const std::uint32_t rgb : {0x204060u, 0xC08040u}) dib.info += Le().U8(rgb).U8(rgb >> 8).U8(rgb >> 16).U8(0).bytes;
  return dib;
}

// `count` compressed side x side bitmaps, each stretched over the picture.
inline Bytes CompressedBitmapsWmf(int count, int side) {
  WmfWriter wmf;
  wmf.WindowExt(440, 280);
  const Dib dib = RleBitmap(side);
  for (int i = 0; i < count; ++i) wmf.StretchDib(0, 0, 440, 280, 0, 0, side, side, dib);
  return wmf.File(1);
}

// `count` rectangles cut out of the clipping region, each where it splits
// every band, then a rectangle drawn through it.
inline Bytes ExcludedClipsWmf(int count) {
  WmfWriter wmf;
  wmf.WindowExt(2000, 2000).Brush(kBsSolid, 0x00FF00).Select(0);
  for (int i = 0; i < count; ++i) wmf.ExcludeClip(10 * i + 1, 10 * i + 1, 10 * i + 5, 2000 - 10 * i);
  wmf.Rectangle(0, 0, 2000, 2000);
  return wmf.File(1);
}

// META_CREATEREGION as MS-WMF lays it out: scans of `per_scan` spans
// 2 wide and 2 apart, each scan 2 high, filled with a brush.
inline Bytes RegionWmf(int scans, int per_scan, std::uint32_t rgb = 0x0000FF) {
  Le region;
  Le body;
  int max_scan = 0;
  for (int s = 0; s < scans; ++s) {
    body.U16(static_cast<unsigned>(2 * per_scan)).I16(2 * s).I16(2 * s + 2);
    for (int k = 0; k < per_scan; ++k) body.I16(4 * k).I16(4 * k + 2);
    body.U16(static_cast<unsigned>(2 * per_scan));
    max_scan = std::max(max_scan, 2 * per_scan);
  }
  region.U16(0).U16(6).U32(0).U16(static_cast<unsigned>(22 + body.bytes.size())).U16(static_cast<unsigned>(scans))
      .U16(static_cast<unsigned>(max_scan)).I16(0).I16(0).I16(4 * per_scan).I16(2 * scans).Raw(body.bytes);
  WmfWriter wmf;
  wmf.WindowExt(440, 280).Brush(kBsSolid, rgb).Record(0x06FF, region.bytes).Words(0x0228, {1, 0});  // FillRegion
  return wmf.File(2);
}

// EMR_EXTSELECTCLIPRGN with `rects` overlapping rectangles, then `ands`
// more times RGN_AND with the same region: a list of rectangles would
// grow by a factor of `rects` each time.
inline Bytes RepeatedAndEmf(int rects, int ands) {
  Le data;
  data.U32(32).U32(1).U32(static_cast<std::uint32_t>(rects)).U32(static_cast<std::uint32_t>(16 * rects));
  data.I32(0).I32(0).I32(440).I32(280);
  for (int i = 0; i < rects; ++i) data.I32(i).I32(i).I32(400 + i).I32(250 + i);
  const auto select = [&](std::uint32_t mode) {
    return Le().U32(static_cast<std::uint32_t>(data.bytes.size())).U32(mode).Raw(data.bytes).bytes;
  };
  EmfWriter emf(440, 280);
  emf.Brush(1, kBsSolid, 0xFF0000).Select(1);
  emf.Record(75, select(5));  // RGN_COPY
  for (int i = 0; i < ands; ++i) emf.Record(75, select(1)).Rectangle(0, 0, 440, 280);  // RGN_AND
  return emf.File();
}

inline constexpr int kHugeFrameWidth = 12047;
inline constexpr int kHugeFrameHeight = 15591;

// An enhanced metafile of 12047 x 15591 pixels with shapes, text and a
// bitmap across all of it, about 50 KB.
inline Bytes HugeFrameEmf() {
  EmfWriter emf(kHugeFrameWidth, kHugeFrameHeight);
  emf.Pen(1, kPsSolid, 5, 0x202080).Brush(2, kBsSolid, 0xD0C090).Font(3, 40, u"IPAGothic");
  emf.Select(1).Select(2).Select(3).BkMode(kTransparent);
  for (int y = 0; y < kHugeFrameHeight; y += 800) {
    for (int x = 0; x < kHugeFrameWidth; x += 800) {
      emf.Rectangle(x + 20, y + 20, x + 600, y + 500).Ellipse(x + 100, y + 100, x + 500, y + 400);
      emf.TextW(x + 30, y + 520, u"Ab");
    }
  }
  std::vector<std::uint32_t> pixels(64 * 64, 0x3080C0);
  emf.StretchDiBits(0, 0, kHugeFrameWidth, kHugeFrameHeight / 2, Dib24(64, 64, pixels));
  return emf.File();
}

// `records` TEXTOUT records in the largest font drawn, across the shown
// corner.
inline Bytes TextWmf(int records) {
  WmfWriter wmf;
  wmf.WindowExt(440, 280).Font(-4000, "IPAGothic").Select(0).BkMode(kOpaque);
  for (int i = 0; i < records; ++i) wmf.TextOut(i * 7 % 440 - 200, i * 13 % 280 - 2000, "\x93\x94\x91\xE4");
  return wmf.File(1);
}

// About `bytes` of polygons of 2000 points zigzagging over the picture.
inline Bytes PolygonWmf(std::size_t bytes) {
  WmfWriter wmf;
  wmf.WindowExt(440, 280).Brush(kBsHatched, 0x808000, 5).Select(0).Pen(kPsDash, 0, 0x000080).Select(1);
  Le points;
  points.U16(2000);
  for (int i = 0; i < 2000; ++i) points.I16(i % 2 ? 439 : 0).I16(i * 280 / 2000);
  const std::size_t count = bytes / (points.bytes.size() + 6);
  for (std::size_t i = 0; i < count; ++i) wmf.Record(0x0324, points.bytes);
  return wmf.File(2);
}

// About `bytes` of ellipses and rectangles over a 440 x 280 frame, with a
// hatched brush (a layer for each shape) or a solid one.
inline Bytes ShapesEmf(std::size_t bytes, bool hatched) {
  EmfWriter emf(440, 280);
  emf.Pen(1, kPsSolid, 3, 0x102080).Brush(2, hatched ? kBsHatched : kBsSolid, 0xE0D0A0, 5).Select(1).Select(2);
  for (std::size_t i = 0; i < bytes / 48; ++i) {
    const int x = static_cast<int>(i * 37 % 400), y = static_cast<int>(i * 53 % 250);
    emf.Ellipse(x, y, x + 60, y + 40).Rectangle(y, x % 250, y + 30, x % 250 + 20);
  }
  return emf.File();
}

// `layers` drawings each under a clipping rectangle of its own: one layer
// each.
inline Bytes ClipLayersEmf(int layers) {
  EmfWriter emf(440, 280);
  emf.Brush(1, kBsSolid, 0x40A040).Select(1);
  for (int i = 0; i < layers; ++i) {
    const int x = i * 37 % 400, y = i * 53 % 250;
    emf.SaveDc().IntersectClip(x, y, x + 30, y + 20).Rectangle(0, 0, 440, 280).RestoreDc(-1);
  }
  return emf.File();
}

// About `bytes` of filled and outlined paths, each one EMR_POLYBEZIERTO16
// of `points` points swinging between the picture's edges, the control
// points `reach` pixels beyond them, drawn with a pen `pen` pixels wide.
inline Bytes BezierPathsEmf(std::size_t bytes, int points, int reach, int pen) {
  EmfWriter emf(440, 280);
  emf.Pen(1, kPsSolid, pen, 0x102080).Brush(2, kBsSolid, 0xE0D0A0).Select(1).Select(2);
  const std::size_t paths = bytes / (static_cast<std::size_t>(points) * 4 + 100);
  for (std::size_t p = 0; p < paths; ++p) {
    std::vector<int> xy;
    for (int i = 0; i < points; ++i) {
      const int phase = i % 3;
      const int x = static_cast<int>((p * 7 + static_cast<std::size_t>(i) * 440 / points) % 440);
      xy.push_back(phase == 2 ? x : (phase == 0 ? -reach : 440 + reach));
      xy.push_back(phase == 2 ? (i / 3 % 2 ? 280 : 0) : (i / 3 % 2 ? -reach : 280 + reach));
    }
    emf.BeginPath().MoveTo(static_cast<int>(p % 440), 0).Points16(88, xy).CloseFigure().EndPath().StrokeAndFillPath();
  }
  return emf.File();
}

// `records` text records of `chars` characters each,
// every one in a font of its own `height` pixels high.
inline Bytes TextRecordsEmf(int records, int chars, int height) {
  EmfWriter emf(440, 280);
  emf.BkMode(kOpaque);
  std::u16string text;
  for (int i = 0; i < chars; ++i) text += static_cast<char16_t>(0x4E00 + i * 37 % 20000);  // kanji
  for (int i = 0; i < records; ++i) {
    emf.Font(static_cast<std::uint32_t>(1 + i % 2), height + i % 64, u"IPAGothic").Select(1 + i % 2);
    emf.TextW(i * 7 % 440 - height / 2, i * 13 % 280 - height / 2, text);
  }
  return emf.File();
}

// About `bytes` of the smallest drawing records there are, `kind` 0 for
// rectangles, 1 for ellipses, 2 for lines, 3 for saved and restored states.
inline Bytes SmallRecordsEmf(std::size_t bytes, int kind) {
  EmfWriter emf(440, 280);
  emf.Pen(1, kPsSolid, 1, 0x102080).Brush(2, kBsSolid, 0xE0D0A0).Select(1).Select(2);
  const std::size_t size = kind == 2 ? 32 : kind == 3 ? 20 : 24;
  for (std::size_t i = 0; i < bytes / size; ++i) {
    const int x = static_cast<int>(i * 37 % 430), y = static_cast<int>(i * 53 % 270);
    if (kind == 0) emf.Rectangle(x, y, x + 8, y + 6);
    if (kind == 1) emf.Ellipse(x, y, x + 8, y + 6);
    if (kind == 2) emf.MoveTo(x, y).LineTo(x + 9, y + 7);
    if (kind == 3) emf.SaveDc().RestoreDc(-1);
  }
  return emf.File();
}

// Detailed clipart as drawing programs write it: `shapes` small blobs of
// four Bézier curves over a `width` x `height` picture, each filled with a
// brush of its own and outlined by a thin pen.
inline Bytes ClipartEmf(int shapes, int width = 440, int height = 280) {
  EmfWriter emf(width, height);
  emf.Pen(1, kPsSolid, 1, 0x203040).Select(1);
  for (int i = 0; i < shapes; ++i) {
    const int x = i * 37 % (width - 24), y = i * 53 % (height - 20), r = 4 + i % 9;
    emf.Brush(2, kBsSolid, static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF).Select(2);
    emf.BeginPath().MoveTo(x, y + r);
    emf.Points16(88, {x, y, x + r, y, x + 2 * r, y, x + 2 * r, y + r, x + 2 * r, y + 2 * r, x + r, y + 2 * r,
                      x + r / 2, y + 2 * r, x, y + 3 * r / 2, x, y + r});
    emf.CloseFigure().EndPath().StrokeAndFillPath().Record(37, Le().U32(0x80000000u).bytes).Record(40, Le().U32(2).bytes);
  }
  return emf.File();
}

// `count` rectangles over the whole shown corner in red, then a small one
// in green: what the window paints past its budget is left out.
inline Bytes FullFillsWmf(int count) {
  WmfWriter wmf;
  wmf.WindowExt(440, 280).Brush(kBsSolid, 0xFF0000).Brush(kBsSolid, 0x00FF00).Select(0);
  for (int i = 0; i < count; ++i) wmf.Rectangle(0, 0, 440, 280);
  wmf.Select(1).Rectangle(10, 10, 20, 20);
  return wmf.File(2);
}

}  // namespace torvane::test
