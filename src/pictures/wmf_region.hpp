#pragma once

#include <cstdint>
#include <vector>

#include "platform/bytes.hpp"
#include "pictures/picture.hpp"

// The region object of META_CREATEREGION, read the same way by the check
// that judges a file and by the player.
namespace torvane::pictures {

struct WmfRegion {
  std::vector<PixelRect> rects;  // their union is the region; none is empty
  // The rectangles are banded as GDI keeps a region: scans top to bottom
  // without overlap, each of one height and with spans left to right that
  // neither overlap nor touch. A region that is not needs a union of its
  // rectangles one by one to be built.
  bool banded = true;
  std::int64_t bands = 0;        // scans holding a rectangle
  std::int64_t widest_band = 0;  // most rectangles in one scan
};

// The parameters as MS-WMF lays them out: nextInChain, objectType,
// objectCount (4 bytes), regionSize, scanCount, maxScan, the bounding box
// (left, top, right, bottom) at 14, the scans from 22. Each scan is a count
// of coordinates, top, bottom, count / 2 pairs of left and right, and the
// count again. When the scans run past the record, or there are none, the
// region is its bounding box.
WmfRegion ReadWmfRegion(BytesView params);

}  // namespace torvane::pictures
