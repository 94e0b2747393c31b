#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pictures/decoders.hpp"
#include "pictures/emf_svg.hpp"
#include "pictures/metafile_picture.hpp"
#include "platform/little_endian.hpp"

namespace torvane::pictures {

// An enhanced metafile: an EMR_HEADER record, then records up to EMR_EOF.
// The size comes from the header's frame, in 0.01 mm.
Picture DecodeEnhancedMetafile(BytesView file_bytes) {
  constexpr std::uint32_t kEmrHeader = 1;
  constexpr std::uint32_t kEmrEof = 14;
  constexpr std::uint32_t kSignature = 0x464D4520;  // " EMF"
  constexpr std::uint32_t kHeaderSize = 88;
  constexpr std::int64_t kHundredthsOfMmPerInch = 2540;

  if (!Fits(file_bytes, 0, kHeaderSize) || U32At(file_bytes, 0) != kEmrHeader || U32At(file_bytes, 40) != kSignature) {
    ThrowBrokenMetafile();
  }
  const std::uint32_t header_size = U32At(file_bytes, 4);
  const std::uint32_t total = U32At(file_bytes, 48);
  if (header_size < kHeaderSize || header_size % 4 != 0 || total < header_size || total > file_bytes.size()) {
    ThrowBrokenMetafile();
  }
  const std::int64_t width =
      ToScreenPixels(std::int64_t{I32At(file_bytes, 32)} - I32At(file_bytes, 24), kHundredthsOfMmPerInch);
  const std::int64_t height =
      ToScreenPixels(std::int64_t{I32At(file_bytes, 36)} - I32At(file_bytes, 28), kHundredthsOfMmPerInch);

  // The header is the first record of the walk.
  const BytesView records = file_bytes.substr(0, total);
  std::size_t pos = 0;
  for (;;) {
    if (!Fits(records, pos, 8)) ThrowBrokenMetafile();
    const std::uint32_t type = U32At(records, pos);
    const std::uint32_t size = U32At(records, pos + 4);
    if (size < 8 || size % 4 != 0 || !Fits(records, pos, size)) ThrowBrokenMetafile();
    if (type == kEmrEof) break;
    pos += size;
  }
  Picture picture = MetafilePicture(PictureFormat::EnhancedMetafile, file_bytes, width, height);
  // Converted here rather than at display time, so that a file the
  // converter refuses is refused by the headless runner too.
  auto svg = ConvertEnhancedMetafile(records, picture.Width, picture.Height);
  if (!svg) ThrowBrokenMetafile();
  picture.Svg = std::make_shared<const std::string>(std::move(svg->svg));
  picture.SvgLayers = std::make_shared<const std::vector<SvgLayer>>(std::move(svg->layers));
  return picture;
}

}  // namespace torvane::pictures
