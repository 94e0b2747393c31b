#include "pictures/wmf_region.hpp"

#include <algorithm>
#include <limits>

#include "platform/little_endian.hpp"

namespace torvane::pictures {
namespace {

constexpr std::size_t kBoxAt = 14;
constexpr std::size_t kScansAt = 22;

WmfRegion BoxOnly(BytesView p) {
  WmfRegion region;
  if (!Fits(p, kBoxAt, 8)) return region;
  const PixelRect box{I16At(p, kBoxAt), I16At(p, kBoxAt + 2), I16At(p, kBoxAt + 4), I16At(p, kBoxAt + 6)};
  if (box.Right > box.Left && box.Bottom > box.Top) {
    region.rects.push_back(box);
    region.bands = 1;
    region.widest_band = 1;
  }
  return region;
}

}  // namespace

WmfRegion ReadWmfRegion(BytesView p) {
  if (!Fits(p, 0, kScansAt)) return BoxOnly(p);
  const int scans = U16At(p, 10);
  if (scans == 0) return BoxOnly(p);
  WmfRegion region;
  std::size_t at = kScansAt;
  int last_bottom = std::numeric_limits<int>::min();
  for (int i = 0; i < scans; ++i) {
    if (!Fits(p, at, 6)) return BoxOnly(p);
    const std::size_t count = U16At(p, at);
    const int top = I16At(p, at + 2), bottom = I16At(p, at + 4);
    if (!Fits(p, at + 6, count * 2 + 2)) return BoxOnly(p);
    std::int64_t in_band = 0;
    int last_right = std::numeric_limits<int>::min();
    for (std::size_t k = 0; k + 1 < count; k += 2) {
      const int left = I16At(p, at + 6 + 2 * k), right = I16At(p, at + 8 + 2 * k);
      if (right <= left || bottom <= top) continue;
      if (left <= last_right || top < last_bottom) region.banded = false;
      last_right = right;
      region.rects.push_back({left, top, right, bottom});
      ++in_band;
    }
    if (in_band > 0) {
      last_bottom = bottom;
      ++region.bands;
      region.widest_band = std::max(region.widest_band, in_band);
    }
    at += 6 + count * 2 + 2;
  }
  return region;
}

}  // namespace torvane::pictures
