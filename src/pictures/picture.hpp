#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/bytes.hpp"

namespace torvane {

enum class PictureFormat { Bitmap, Icon, Metafile, EnhancedMetafile };

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
};

// The largest picture a game may load, in pixels; a bigger claim in a header
// is treated as a broken file rather than allocated.
inline constexpr std::int64_t kMaxPicturePixels = 16LL * 1024 * 1024;

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
