#include "pictures/metafile_picture.hpp"

#include <cstdlib>
#include <memory>

#include "pictures/decoders.hpp"

namespace torvane::pictures {
namespace {

constexpr std::int64_t kScreenDpi = 96;

}  // namespace

std::int64_t ToScreenPixels(std::int64_t length, std::int64_t units_per_inch) {
  return (std::llabs(length) * kScreenDpi * 2 + units_per_inch) / (units_per_inch * 2);
}

Picture MetafilePicture(PictureFormat format, BytesView file_bytes, std::int64_t width, std::int64_t height) {
  if (width > kMaxMetafileSide || height > kMaxMetafileSide) ThrowBrokenMetafile();
  Picture picture;
  picture.Format = format;
  picture.Width = static_cast<int>(width);
  picture.Height = static_cast<int>(height);
  picture.MetafileBytes = std::make_shared<const Bytes>(file_bytes);
  return picture;
}

}  // namespace torvane::pictures
