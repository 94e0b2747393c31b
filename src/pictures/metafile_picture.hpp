#pragma once

#include <cstdint>

#include "pictures/picture.hpp"
#include "platform/bytes.hpp"

// What the two metafile decoders share: the size of a picture and the
// picture that keeps a metafile's records for drawing.
namespace torvane::pictures {

// length * 96 / units_per_inch, rounded half away from zero as MulDiv does.
std::int64_t ToScreenPixels(std::int64_t length, std::int64_t units_per_inch);

// A metafile picture of the given size; a side over 32767 pixels raises
// the broken-metafile error.
Picture MetafilePicture(PictureFormat format, BytesView file_bytes, std::int64_t width, std::int64_t height);

}  // namespace torvane::pictures
