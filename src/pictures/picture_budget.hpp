#pragma once

#include <cstdint>

// What one metafile may cost to load and draw, shared by the Windows
// metafile check and player and by the enhanced metafile's preparation and
// clip layering. Real game pictures are a few megabytes at most and show
// 440 x 280 pixels; these limits lie far beyond that, and bound the time
// and memory a hostile file can take. docs/pictures.md lists them.
namespace torvane::pictures {

// Pixels of all the bitmaps a metafile holds, decoded: a 2048 x 2048
// bitmap, or a dozen of 640 x 480.
inline constexpr std::int64_t kMaxMetafilePixels = 4LL * 1024 * 1024;
// Objects created (pens, brushes, fonts, regions, palettes), deleted or not.
inline constexpr std::int64_t kMaxMetafileObjects = 1024 * 1024;
// Drawing work: one unit a drawing record, a point, a character.
inline constexpr std::int64_t kMaxMetafileDrawing = 1024 * 1024;
// Text records: each is set in its own font, at up to 4000 pixels.
inline constexpr std::int64_t kMaxMetafileTexts = 4096;
// Layers an enhanced metafile's drawing is cut into, one for each change
// of clipping region or hatch (see SvgLayer); each is an SVG document.
inline constexpr std::int64_t kMaxSvgLayers = 2048;
// Pixels the window paints for one Windows metafile, estimated from each
// shape's box and outline within the shown corner. This one is spent as
// the picture is drawn; records past it are not drawn.
inline constexpr std::int64_t kMaxPaintedPixels = 64LL * 1024 * 1024;
// What the window's drawing of an enhanced metafile may cost, estimated
// from each element of its SVG that reaches the shown corner: a fixed
// amount for the element, then its rows and the square of its edge
// crossings in each (see svg_shape_cost.hpp). A unit of crossings takes
// Qt about 1.4 ns, so the limit is some 45 ms of filling. An element costs
// some 8 us to convert, read and draw however small it is, so the limit
// holds about 5,400 small shapes; clipart of 2000 small Bézier shapes
// costs 12.5 million, shapes outside the corner nothing.
inline constexpr std::int64_t kMaxShownWork = 32LL * 1024 * 1024;
inline constexpr std::int64_t kShownElementWork = 6 * 1024;
// Each SVG layer is read and drawn as a document of its own under its
// clipping: some 28 us however little it holds, so that some 1,200 layers
// with a shape each reach the limit.
inline constexpr std::int64_t kShownLayerWork = 20 * 1024;
// Text is laid out element by element and filled glyph by glyph as an
// outline: some 35 us a glyph at any size, and as much again to lay out
// the element, so about 1300 glyphs in the corner reach the limit.
inline constexpr std::int64_t kShownGlyphWork = 24 * 1024;
// Rectangles in one clipping region or region object.
inline constexpr std::int64_t kMaxRegionRects = 16 * 1024;
// Region work: the rectangles every region operation reads and makes.
inline constexpr std::int64_t kMaxRegionWork = 4LL * 1024 * 1024;

class PictureBudget {
 public:
  // Each spends its amount and says whether the picture is still within
  // its limit. Negative amounts count as their size.
  bool SpendPixels(std::int64_t pixels) { return Spend(pixels_, pixels, kMaxMetafilePixels); }
  bool SpendObject() { return Spend(objects_, 1, kMaxMetafileObjects); }
  bool SpendDrawing(std::int64_t units) { return Spend(drawing_, units, kMaxMetafileDrawing); }
  bool SpendText() { return Spend(texts_, 1, kMaxMetafileTexts); }
  bool SpendLayer() { return Spend(layers_, 1, kMaxSvgLayers); }
  bool SpendPainting(std::int64_t pixels) { return Spend(painted_, pixels, kMaxPaintedPixels); }
  bool SpendShown(std::int64_t work) { return Spend(shown_, work, kMaxShownWork); }
  // A region operation reading and making `rects` rectangles, of which the
  // largest single region holds `largest`.
  bool SpendRegion(std::int64_t rects, std::int64_t largest) {
    return Spend(region_work_, rects, kMaxRegionWork) && largest <= kMaxRegionRects;
  }

  std::int64_t PixelsLeft() const { return kMaxMetafilePixels - pixels_; }
  // Whether any limit has been passed.
  bool Exhausted() const {
    return pixels_ > kMaxMetafilePixels || objects_ > kMaxMetafileObjects || drawing_ > kMaxMetafileDrawing ||
           texts_ > kMaxMetafileTexts || layers_ > kMaxSvgLayers || painted_ > kMaxPaintedPixels ||
           shown_ > kMaxShownWork || region_work_ > kMaxRegionWork;
  }

 private:
  static bool Spend(std::int64_t& spent, std::int64_t amount, std::int64_t limit) {
    // Capped so that no run of calls can overflow.
    const std::int64_t a = amount < 0 ? (amount < -limit ? limit + 1 : -amount) : (amount > limit ? limit + 1 : amount);
    spent = spent + a > limit ? limit + 1 : spent + a;
    return spent <= limit;
  }

  std::int64_t pixels_ = 0;
  std::int64_t objects_ = 0;
  std::int64_t drawing_ = 0;
  std::int64_t texts_ = 0;
  std::int64_t layers_ = 0;
  std::int64_t painted_ = 0;
  std::int64_t shown_ = 0;
  std::int64_t region_work_ = 0;
};

}  // namespace torvane::pictures
