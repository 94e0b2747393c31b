#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/bytes.hpp"
#include "pictures/picture_budget.hpp"

// Readies an enhanced metafile for libemf2svg. The converter trusts every
// length and offset it reads and gets several things wrong, so the file it
// sees is rebuilt from records that were checked one by one:
//   - each kept record is at least as long as its type's fixed part, and
//     every count, offset and embedded bitmap lies inside it;
//   - records that draw nothing under GDI playback (comments, EMF+ data
//     included) or that the converter cannot draw are left out;
//   - pens wider than one unit keep their width, round-rectangle corners
//     are given as radii, ANSI text becomes UTF-16 from code page 932,
//     font names map to installed fonts, text is made safe for XML;
//   - bitmaps are decoded here and handed over as plain 32-bit DIBs;
//   - the drawing starts with GDI's default brush and font;
//   - clipping and hatched fills, which the converter drops or botches,
//     are marked in its output by invisible text records (see MarkerOp)
//     and applied afterwards.
namespace torvane::pictures {

// An edge-exclusive rectangle in picture pixels.
struct RectD {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
};

// What a marker in the converter's output stands for.
struct MarkerOp {
  enum class Kind {
    IntersectClip,  // with the rectangle of the clip path the converter wrote just before
    ExcludeClip,    // likewise
    SaveDc,
    RestoreDc,      // `level` is relative: -1 is the state saved last
    ResetClip,
    CopyRegion,     // `region` becomes the clipping region
    AndRegion,
    OrRegion,
    DiffRegion,
    BeginHatch,     // shapes up to EndHatch are filled with a hatch
    EndHatch,
  };
  Kind kind = Kind::ResetClip;
  int level = 0;
  std::vector<RectD> region;
  int hatch = 0;                  // HS_HORIZONTAL .. HS_DIAGCROSS
  std::uint32_t hatch_color = 0;  // 0xRRGGBB
  bool background_opaque = false; // OPAQUE background mode: gaps get the background colour
  std::uint32_t background_color = 0;
};

struct PreparedEmf {
  Bytes bytes;  // the file for the converter
  std::vector<MarkerOp> markers;
};

// Asked of the beginning of a big file, as a file for the converter of
// the records so far and the markers so far: whether it already goes past
// the picture's budget. Its SVG holds the first elements of the whole
// file's, so a beginning past the budget refuses the whole, at a fraction
// of the cost.
using BeginningPastBudget = std::function<bool(Bytes& beginning, const std::vector<MarkerOp>& markers)>;

// The text libemf2svg writes for marker `index`: its character data.
Bytes MarkerText(std::size_t index);

// Nullopt when a record is malformed or the file goes past the picture's
// budget. `file` ends at the header's nBytes and has passed the record
// walk; width and height are the picture's size.
std::optional<PreparedEmf> PrepareEnhancedMetafile(BytesView file, int width, int height, PictureBudget& budget,
                                                   const BeginningPastBudget& past_budget = {});

}  // namespace torvane::pictures
