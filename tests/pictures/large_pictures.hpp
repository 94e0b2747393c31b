#pragma once

// Two metafiles much larger than the 440 x 280 scene control, with shapes,
// text, clipping and bitmaps across the whole drawing, for checking that
// drawing only the visible corner changes none of its pixels.
#include <cstdint>
#include <vector>

#include "pictures/metafile_writers.hpp"
#include "platform/bytes.hpp"

namespace torvane::test {

inline constexpr int kLargeWidth = 2000;
inline constexpr int kLargeHeight = 1500;

inline Dib Checker(int side) {
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) pixels.push_back((x / 4 + y / 4) % 2 ? 0xC03020 : 0x20A0E0);
  }
  return Dib24(side, side, pixels);
}

// 2000 x 1500 pixels behind a placeable header of 1440 units an inch, so
// every coordinate is scaled by 1/15 on its way to the pixels.
inline Bytes LargeWmf() {
  constexpr int k = 15;  // units a pixel
  WmfWriter wmf;
  wmf.Pen(kPsSolid, 3 * k, 0x102080).Brush(kBsSolid, 0xE0D0A0).Font(24 * k, "IPAGothic");
  wmf.Select(0).Select(1).Select(2).BkMode(kTransparent).TextColor(0x800000);
  wmf.Pen(kPsDash, 0, 0x008000).Brush(kBsHatched, 0x4040C0, kHsBDiagonal);
  for (int y = 0; y < kLargeHeight; y += 150) {
    for (int x = 0; x < kLargeWidth; x += 170) {
      const int cell = (x / 170 + y / 150) % 4;
      const int l = (x + 10) * k, t = (y + 10) * k, r = (x + 140) * k, b = (y + 120) * k;
      if (cell == 0) wmf.Rectangle(l, t, r, b);
      if (cell == 1) wmf.Ellipse(l, t, r, b);
      if (cell == 2) wmf.RoundRect(l, t, r, b, 30 * k, 20 * k);
      if (cell == 3) wmf.Pie(l, t, r, b, r, t, l, t);
      wmf.TextOut(x * k + 5 * k, y * k + 125 * k, "Ab");
    }
    wmf.Select(3);
    wmf.MoveTo(0, y * k).LineTo(kLargeWidth * k, y * k + 40 * k);
    wmf.Select(0);
  }
  wmf.Select(4).Polygon({100 * k, 400 * k, 700 * k, 200 * k, 1900 * k, 1400 * k, 300 * k, 1100 * k});
  wmf.StretchDib(350 * k, 60 * k, 200 * k, 200 * k, 0, 0, 16, 16, Checker(16));
  wmf.SaveDc().IntersectClip(30 * k, 30 * k, 300 * k, 250 * k).Select(1).Ellipse(0, 0, 600 * k, 500 * k).RestoreDc(-1);
  return wmf.File(8, 0, 0, kLargeWidth * k, kLargeHeight * k, 1440);
}

// 2000 x 1500 pixels, one logical unit a pixel.
inline Bytes LargeEmf() {
  EmfWriter emf(kLargeWidth, kLargeHeight);
  emf.Pen(1, kPsSolid, 3, 0x102080).Brush(2, kBsSolid, 0xE0D0A0).Font(3, 24, u"IPAGothic");
  emf.Select(1).Select(2).Select(3).BkMode(kTransparent).TextColor(0x800000);
  emf.Brush(4, kBsHatched, 0x4040C0, kHsHorizontal);
  for (int y = 0; y < kLargeHeight; y += 150) {
    for (int x = 0; x < kLargeWidth; x += 170) {
      if ((x / 170 + y / 150) % 2 == 0) {
        emf.Rectangle(x + 10, y + 10, x + 140, y + 120);
      } else {
        emf.Ellipse(x + 10, y + 10, x + 140, y + 120);
      }
      emf.TextW(x + 5, y + 125, u"Ab");
    }
    emf.MoveTo(0, y).LineTo(kLargeWidth, y + 40);
  }
  emf.Polyline16({100, 400, 700, 200, 1900, 1400, 300, 1100});
  emf.StretchDiBits(350, 60, 200, 200, Checker(16));
  emf.SaveDc().IntersectClip(30, 30, 300, 250).Select(4).Ellipse(0, 0, 600, 500).RestoreDc(-1);
  return emf.File();
}

}  // namespace torvane::test
