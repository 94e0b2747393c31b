#include <cstdint>
#include <optional>
#include <utility>

#include "pictures/decoders.hpp"
#include "pictures/dib.hpp"
#include "platform/little_endian.hpp"

namespace torvane::pictures {
namespace {

constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;

struct Candidate {
  BytesView image;
  std::int64_t area = 0;
  int depth = 0;
};

bool IsPng(BytesView image) { return image.substr(0, 4) == "\x89PNG"; }

// The depth as the image's own header gives it; the directory's copy is
// often 0 in real files.
int DepthOf(BytesView image) {
  if (!Fits(image, 0, 4)) return 0;
  const std::uint32_t header_size = U32At(image, 0);
  if (header_size == 12 && Fits(image, 10, 2)) return U16At(image, 10);
  if (header_size >= 40 && Fits(image, 14, 2)) return U16At(image, 14);
  return 0;
}

// An icon image: a DIB of twice the icon's height holding the colour
// (XOR) rows and then a 1-bit AND mask, both bottom-up.
std::optional<Picture> DecodeIconImage(BytesView image) {
  const auto header = ReadDibHeader(image);
  if (!header || header->compression == kBiRle8 || header->compression == kBiRle4) return std::nullopt;
  const std::int64_t width = header->width;
  const std::int64_t height = header->height / 2;
  if (width <= 0 || height <= 0 || width * height > kMaxPicturePixels) return std::nullopt;

  Picture picture;
  picture.Format = PictureFormat::Icon;
  picture.Width = static_cast<int>(width);
  picture.Height = static_cast<int>(height);
  if (header->bits_offset > image.size()) return std::nullopt;
  const BytesView rows = image.substr(static_cast<std::size_t>(header->bits_offset));
  if (!DecodeDibRows(*header, picture.Width, picture.Height, false, rows, picture.Pixels)) return std::nullopt;

  const std::uint64_t mask_offset = DibStride(width, header->bit_count) * static_cast<std::uint64_t>(height);
  const std::uint64_t mask_stride = DibStride(width, 1);
  const std::uint64_t mask_last_row = (static_cast<std::uint64_t>(width) + 7) / 8;
  if (!Fits(rows, mask_offset, mask_stride * static_cast<std::uint64_t>(height - 1) + mask_last_row)) {
    return std::nullopt;
  }
  // A set mask bit lets the background through; the colour there (and any
  // 32-bit alpha) is ignored, as the older loaders did.
  for (std::int64_t row = 0; row < height; ++row) {
    const std::uint64_t row_at = mask_offset + mask_stride * static_cast<std::uint64_t>(row);
    std::uint32_t* out = picture.Pixels.data() + (height - 1 - row) * width;
    for (std::int64_t x = 0; x < width; ++x) {
      const bool transparent = (ByteAt(rows, static_cast<std::size_t>(row_at) + static_cast<std::size_t>(x >> 3)) >>
                                (7 - (x & 7))) & 1;
      if (transparent) out[x] = 0;
    }
  }
  return picture;
}

}  // namespace

// An .ico file: ICONDIR, its entries, and the images they point at. The
// largest image (then the deepest) is shown. PNG-compressed images cannot
// be decoded here and are passed over.
Picture DecodeIconFile(BytesView file_bytes) {
  if (!Fits(file_bytes, 0, kDirectorySize) || U16At(file_bytes, 0) != 0 || U16At(file_bytes, 2) != 1) {
    ThrowBrokenIcon();
  }
  const std::size_t count = U16At(file_bytes, 4);
  if (count == 0 || !Fits(file_bytes, kDirectorySize, count * kEntrySize)) ThrowBrokenIcon();

  std::optional<Candidate> best;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = kDirectorySize + i * kEntrySize;
    const std::uint32_t size = U32At(file_bytes, entry + 8);
    const std::uint32_t offset = U32At(file_bytes, entry + 12);
    if (!Fits(file_bytes, offset, size)) ThrowBrokenIcon();
    const BytesView image = file_bytes.substr(offset, size);
    if (IsPng(image)) continue;
    // 0 in the directory's width or height byte stands for 256.
    const std::int64_t width = ByteAt(file_bytes, entry) == 0 ? 256 : ByteAt(file_bytes, entry);
    const std::int64_t height = ByteAt(file_bytes, entry + 1) == 0 ? 256 : ByteAt(file_bytes, entry + 1);
    const Candidate candidate{image, width * height, DepthOf(image)};
    if (!best || candidate.area > best->area || (candidate.area == best->area && candidate.depth > best->depth)) {
      best = candidate;
    }
  }
  if (!best) ThrowBrokenIcon();
  auto picture = DecodeIconImage(best->image);
  if (!picture) ThrowBrokenIcon();
  return std::move(*picture);
}

}  // namespace torvane::pictures
