#include "pictures/wmf_cost.hpp"

#include <cstdlib>
#include <optional>
#include <vector>

#include "pictures/dib.hpp"
#include "pictures/object_slots.hpp"
#include "pictures/picture_budget.hpp"
#include "pictures/wmf_region.hpp"
#include "pictures/wmf_records.hpp"
#include "platform/little_endian.hpp"

namespace torvane::pictures {
namespace {

using namespace wmf;

// The most rectangles a banded region can hold: bands times the widest.
struct RegionBound {
  std::int64_t bands = 0;
  std::int64_t widest = 0;
  std::int64_t Rects() const { return bands * widest; }
};

class CostCheck {
 public:
  bool Run(const WmfFile& file) {
    for (const WmfRecord& record : file.records) {
      if (!budget_.SpendDrawing(1) || !Record(record.function, record.params)) return false;
    }
    return true;
  }

 private:
  // The pixels of the packed DIB at `at`, as its header gives them.
  bool Bitmap(BytesView p, std::size_t at) {
    if (p.size() < at) return true;
    const auto header = ReadDibHeader(p.substr(at));
    return !header || budget_.SpendPixels(header->width * header->height);
  }

  bool Create(std::optional<RegionBound> region = std::nullopt) {
    if (!budget_.SpendObject()) return false;
    const auto slot = slots_.Take();
    if (!slot) return false;
    if (*slot >= regions_.size()) regions_.resize(*slot + 1);
    regions_[*slot] = region;
    return true;
  }

  std::optional<RegionBound> RegionAt(BytesView p) const {
    if (p.size() < 2 || U16At(p, 0) >= regions_.size() || !slots_.Used(U16At(p, 0))) return std::nullopt;
    return regions_[U16At(p, 0)];
  }

  // Built as the player builds it: banded rectangles set at once, others
  // united one by one, each union as dear as the region so far.
  bool CreateRegion(BytesView p) {
    const WmfRegion region = ReadWmfRegion(p);
    const auto k = static_cast<std::int64_t>(region.rects.size());
    if (k > kMaxRegionRects) return false;
    if (region.banded) {
      return budget_.SpendRegion(k, k) && Create(RegionBound{region.bands, region.widest_band});
    }
    // The i-th union meets up to 2i bands of i rectangles each.
    const std::int64_t work = k + (k - 1) * k * (2 * k - 1) / 3;
    return budget_.SpendRegion(work, 2 * k * k) && Create(RegionBound{2 * k, k});
  }

  bool Clip(std::optional<RegionBound> clip) {
    const std::int64_t before = clip_ ? clip_->Rects() : 0;
    clip_ = clip;
    const std::int64_t after = clip_ ? clip_->Rects() : 0;
    return budget_.SpendRegion(before + after, after);
  }

  bool Record(std::uint16_t function, BytesView p) {
    switch (function) {
      case kSaveDc:
        saved_.push_back(clip_);
        return true;
      case kRestoreDc: {
        if (p.size() < 2) return true;
        const int level = I16At(p, 0);
        const std::int64_t keep = level < 0 ? static_cast<std::int64_t>(saved_.size()) + level : level - 1;
        if (keep < 0 || keep >= static_cast<std::int64_t>(saved_.size())) return true;
        const std::optional<RegionBound> restored = saved_[static_cast<std::size_t>(keep)];
        saved_.resize(static_cast<std::size_t>(keep));
        return Clip(restored);
      }
      case kIntersectClipRect:
        // Cutting to a rectangle adds neither bands nor spans.
        return p.size() < 8 || Clip(clip_ ? *clip_ : RegionBound{1, 1});
      case kExcludeClipRect: {
        // Two more bands at most, and one more span in each.
        if (p.size() < 8) return true;
        const RegionBound base = clip_ ? *clip_ : RegionBound{1, 1};
        return Clip(RegionBound{base.bands + 2, base.widest + 1});
      }
      case kOffsetClipRgn:
        return !clip_ || Clip(clip_);
      case kSelectClipRegion:
        return Clip(RegionAt(p));
      case kSelectObject:
        if (const auto region = RegionAt(p)) return Clip(region);
        return true;
      case kFillRegion:
      case kPaintRegion:
        if (const auto region = RegionAt(p)) {
          return budget_.SpendRegion(region->Rects(), region->Rects()) && budget_.SpendDrawing(region->Rects());
        }
        return true;
      case kDeleteObject:
        if (p.size() >= 2) slots_.Free(U16At(p, 0));
        return true;
      case kCreatePenIndirect:
      case kCreateBrushIndirect:
      case kCreateFontIndirect:
      case kCreatePalette:
        return Create();
      case kCreatePatternBrush: {
        // Only a monochrome pattern up to 256 x 256 is decoded.
        const int w = p.size() >= 6 ? I16At(p, 2) : 0, h = p.size() >= 6 ? I16At(p, 4) : 0;
        const bool drawn = w > 0 && h > 0 && w <= 256 && h <= 256;
        return (!drawn || budget_.SpendPixels(std::int64_t{w} * h)) && Create();
      }
      case kDibCreatePatternBrush:
        return Bitmap(p, 4) && Create();
      case kCreateRegion:
        return CreateRegion(p);
      case kPolygon:
      case kPolyline:
        return p.size() < 2 || budget_.SpendDrawing(U16At(p, 0));
      case kPolyPolygon: {
        if (p.size() < 2) return true;
        const std::size_t polygons = U16At(p, 0);
        std::int64_t points = 0;
        for (std::size_t i = 0; i < polygons && Fits(p, 2 + 2 * i, 2); ++i) points += U16At(p, 2 + 2 * i);
        return budget_.SpendDrawing(points);
      }
      case kTextOut:
        return p.size() < 2 || (budget_.SpendText() && budget_.SpendDrawing(U16At(p, 0)));
      case kExtTextOut:
        return p.size() < 8 || (budget_.SpendText() && budget_.SpendDrawing(U16At(p, 4)));
      case kStretchDib:
        return Bitmap(p, 22);
      case kDibStretchBlt:
        return p.size() == 22 || Bitmap(p, 20);
      case kDibBitBlt:
        return p.size() == 18 || Bitmap(p, 16);
      case kSetDibToDev:
        return Bitmap(p, 18);
      default:
        return true;
    }
  }

  PictureBudget budget_;
  ObjectSlots slots_;
  std::vector<std::optional<RegionBound>> regions_;  // by slot; nullopt for other objects
  std::optional<RegionBound> clip_;
  std::vector<std::optional<RegionBound>> saved_;
};

}  // namespace

bool WithinBudget(const WmfFile& file) { return CostCheck().Run(file); }

}  // namespace torvane::pictures
