#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

#include "pictures/decoders.hpp"
#include "pictures/little_endian.hpp"

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
  constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
  constexpr std::size_t kPlaceableSize = 22;
  constexpr std::size_t kHeaderSize = 18;
  constexpr std::uint16_t kSetWindowExt = 0x020C;

  std::size_t pos = 0;
  std::optional<std::int64_t> width;
  std::optional<std::int64_t> height;
  if (Fits(file_bytes, 0, 4) && U32At(file_bytes, 0) == kPlaceableKey) {
    if (!Fits(file_bytes, 0, kPlaceableSize)) ThrowBrokenMetafile();
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 10; ++i) checksum ^= U16At(file_bytes, 2 * i);
    const std::int64_t units_per_inch = U16At(file_bytes, 14);
    if (checksum != U16At(file_bytes, 20) || units_per_inch == 0) ThrowBrokenMetafile();
    width = ToScreenPixels(std::int64_t{I16At(file_bytes, 10)} - I16At(file_bytes, 6), units_per_inch);
    height = ToScreenPixels(std::int64_t{I16At(file_bytes, 12)} - I16At(file_bytes, 8), units_per_inch);
    pos = kPlaceableSize;
  }

  // METAHEADER: type (memory or disk), size in words, version, and no
  // parameters. Its total size and largest record are often wrong and
  // are not relied on.
  if (!Fits(file_bytes, pos, kHeaderSize)) ThrowBrokenMetafile();
  const std::uint16_t type = U16At(file_bytes, pos);
  const std::uint16_t version = U16At(file_bytes, pos + 4);
  if ((type != 1 && type != 2) || U16At(file_bytes, pos + 2) != 9 || (version != 0x0100 && version != 0x0300) ||
      U16At(file_bytes, pos + 16) != 0) {
    ThrowBrokenMetafile();
  }
  pos += kHeaderSize;

  // Each record: size in words (itself included), function, parameters.
  for (;;) {
    if (!Fits(file_bytes, pos, 6)) ThrowBrokenMetafile();
    const std::uint64_t size = std::uint64_t{U32At(file_bytes, pos)} * 2;
    const std::uint16_t function = U16At(file_bytes, pos + 4);
    if (size < 6 || !Fits(file_bytes, pos, size)) ThrowBrokenMetafile();
    if (function == 0) break;  // META_EOF
    if (function == kSetWindowExt && !width) {
      if (size < 10) ThrowBrokenMetafile();
      height = std::abs(std::int64_t{I16At(file_bytes, pos + 6)});
      width = std::abs(std::int64_t{I16At(file_bytes, pos + 8)});
    }
    pos += static_cast<std::size_t>(size);
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
  return MetafilePicture(PictureFormat::EnhancedMetafile, file_bytes, width, height);
}

}  // namespace torvane::pictures
