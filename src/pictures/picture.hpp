#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bytes.hpp"

namespace torvane {

enum class PictureFormat { Bitmap, Icon, Metafile, EnhancedMetafile };

// A rectangle of picture pixels; right and bottom are outside it.
struct PixelRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// A stretch of an enhanced metafile's drawing as an SVG document of its
// own, for renderers without SVG clip paths and patterns (SVG Tiny has
// neither): drawn in order, each clipped to its region.
struct SvgLayer {
  std::string Svg;  // a whole document at the picture's size
  bool Clipped = false;
  std::vector<PixelRect> Clip;  // the clipping region: the union of these
  // 0 to 5 (GDI's HS_HORIZONTAL to HS_DIAGCROSS) when the document's shapes
  // only mark where HatchColor's hatch lines are drawn; -1 otherwise.
  int Hatch = -1;
  std::uint32_t HatchColor = 0;  // 0xAARRGGBB
};

// A decoded picture, drawn unscaled from the top-left corner of its control.
// Pixels are 0xAARRGGBB, row by row from the top. Alpha is 255 except where
// an icon's mask leaves the window background showing (alpha 0).
struct Picture {
  PictureFormat Format = PictureFormat::Bitmap;
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;  // Width * Height; empty for a metafile not yet rendered
  // A metafile keeps its records, rendered by the window at display time.
  std::shared_ptr<const Bytes> MetafileBytes;
  // An enhanced metafile converted to SVG at the picture's size: the whole
  // drawing as one document, with SVG clip paths and hatch patterns.
  std::shared_ptr<const std::string> Svg;
  // The same drawing cut into layers (see SvgLayer).
  std::shared_ptr<const std::vector<SvgLayer>> SvgLayers;
};

// The largest picture a game may load, in pixels; a bigger claim in a header
// is treated as a broken file rather than allocated.
inline constexpr std::int64_t kMaxPicturePixels = 16LL * 1024 * 1024;
// The largest side a metafile may claim. It is drawn only as far as the
// scene control shows it, so its size allocates nothing.
inline constexpr int kMaxMetafileSide = 32767;

// The scene control shows a picture unscaled from its top-left corner and
// cuts it off at this size; a metafile is drawn no further.
inline constexpr int kShownWidth = 440;
inline constexpr int kShownHeight = 280;

// The format chosen by the file name's extension (after the last dot),
// compared without regard to letter case; raises
// "拡張子 .%s の画像形式は処理できません" for any other extension,
// the empty one included.
PictureFormat PictureFormatForName(BytesView file_name);

// Decodes a whole file of the given format. Raises "ビットマップイメージが不正です",
// "アイコンイメージが不正です" or "メタファイルが不正です" when the content does not
// match its format.
Picture DecodePicture(PictureFormat format, BytesView file_bytes);

}  // namespace torvane
