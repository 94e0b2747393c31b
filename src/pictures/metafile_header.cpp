#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pictures/decoders.hpp"
#include "pictures/emf_svg.hpp"
#include "platform/little_endian.hpp"
#include "pictures/wmf_cost.hpp"
#include "pictures/wmf_file.hpp"

namespace torvane::pictures {
namespace {

constexpr std::int64_t kScreenDpi = 96;
constexpr std::int64_t kLargestSide = 32767;

// length * 96 / units_per_inch, rounded half away from zero as MulDiv does.
std::int64_t ToScreenPixels(std::int64_t length, std::int64_t units_per_inch) {
  return (std::llabs(length) * kScreenDpi * 2 + units_per_inch) / (units_per_inch * 2);
}

Picture MetafilePicture(PictureFormat format, BytesView file_bytes, std::int64_t width, std::int64_t height) {
  if (width > kLargestSide || height > kLargestSide) ThrowBrokenMetafile();
  Picture picture;
  picture.Format = format;
  picture.Width = static_cast<int>(width);
  picture.Height = static_cast<int>(height);
  picture.MetafileBytes = std::make_shared<const Bytes>(file_bytes);
  return picture;
}

}  // namespace

// A Windows metafile, optionally behind the 22-byte Aldus placeable header
// that gives its size. Without that header the size is the window extent
// of the first META_SETWINDOWEXT record.
Picture DecodeWindowsMetafile(BytesView file_bytes) {
  const auto file = ReadWindowsMetafile(file_bytes);
  if (!file || !WithinBudget(*file)) ThrowBrokenMetafile();
  std::optional<std::int64_t> width;
  std::optional<std::int64_t> height;
  if (const auto& box = file->placeable) {
    if (box->units_per_inch == 0) ThrowBrokenMetafile();
    width = ToScreenPixels(std::int64_t{box->right} - box->left, box->units_per_inch);
    height = ToScreenPixels(std::int64_t{box->bottom} - box->top, box->units_per_inch);
  } else {
    for (const WmfRecord& record : file->records) {
      if (record.function != kWmfSetWindowExt) continue;
      if (record.params.size() < 4) ThrowBrokenMetafile();
      height = std::abs(std::int64_t{I16At(record.params, 0)});
      width = std::abs(std::int64_t{I16At(record.params, 2)});
      break;
    }
  }
  if (!width || !height) ThrowBrokenMetafile();
  return MetafilePicture(PictureFormat::Metafile, file_bytes, *width, *height);
}

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
