#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// What one element of the converter's SVG costs the window to draw, and
// whether it can touch the shown corner at all. Qt fills a shape row by
// row, keeping each row's edge crossings in a sorted list, so a row with
// c crossings costs about c * c; a shape's work is the sum of that over
// the shown rows it covers. Crossings are counted on the shape's outline
// points, Bézier control points included: a curve crosses a line no more
// often than its control polygon does.
namespace torvane::pictures {

// The value of attribute `name` in the single tag on `line`.
std::optional<std::string_view> AttributeOf(std::string_view line, std::string_view name);

// x' = a x + c y + e, y' = b x + d y + f, as SVG writes a matrix.
struct Affine {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  Affine Then(const Affine& outer) const;  // this, then `outer`
};

// A <g> tag's transform attribute (translate, scale or matrix, one or
// more); nullopt for any other.
std::optional<Affine> ParseTransform(std::string_view transform);

struct ShapeCost {
  bool outside = false;   // nothing of it can reach the shown corner
  std::int64_t work = 0;  // rows covered plus crossings squared, in the shown corner
};

// `element` is one element line of the converter's output, `to_pixels`
// maps its coordinates onto picture pixels (nullopt when a transform is
// not understood: nothing is then culled, and each point of the shape is
// taken to cross every shown row), and the corner shown is
// shown_width x shown_height from the top-left. Nullopt for an element
// that is not a shape, a picture or text.
std::optional<ShapeCost> CostOfElement(std::string_view element, const std::optional<Affine>& to_pixels, int shown_width,
                                       int shown_height);

}  // namespace torvane::pictures
