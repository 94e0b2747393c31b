#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/bytes.hpp"
#include "pictures/emf_prepare.hpp"
#include "pictures/picture.hpp"

namespace torvane::pictures {

struct EmfSvg {
  std::string svg;              // the whole drawing, standard SVG
  std::vector<SvgLayer> layers;  // the same, layer by layer
};

// Converts an enhanced metafile that passed the record walk to SVG at
// width x height pixels, within one picture's budget. Nullopt when a
// record is malformed, the budget runs out or libemf2svg gives up.
std::optional<EmfSvg> ConvertEnhancedMetafile(BytesView file, int width, int height);

// The second half of the conversion: libemf2svg's output, with the
// markers PrepareEnhancedMetafile put in, becomes layers and a whole
// document. Nullopt when the output is not an SVG document, or when its
// clipping regions or its layers go past the picture's budget.
std::optional<EmfSvg> LayerConvertedSvg(std::string_view converted, const std::vector<MarkerOp>& markers, int width,
                                        int height, PictureBudget& budget);

}  // namespace torvane::pictures
