#include <cstdint>

#include "pictures/decoders.hpp"
#include "pictures/dib.hpp"
#include "platform/little_endian.hpp"

namespace torvane::pictures {

// A .bmp file: the 14-byte BITMAPFILEHEADER, then a DIB whose rows start
// where bfOffBits says. bfSize is often wrong in real files and is ignored.
Picture DecodeBitmapFile(BytesView file_bytes) {
  constexpr std::uint64_t kFileHeaderSize = 14;
  if (!Fits(file_bytes, 0, kFileHeaderSize) || file_bytes[0] != 'B' || file_bytes[1] != 'M') ThrowBrokenBitmap();
  const std::uint64_t bits_offset = U32At(file_bytes, 10);
  const auto header = ReadDibHeader(file_bytes.substr(kFileHeaderSize));
  if (!header) ThrowBrokenBitmap();

  const bool rle = header->compression == kBiRle8 || header->compression == kBiRle4;
  const bool top_down = header->height < 0;
  const std::int64_t width = header->width;
  const std::int64_t height = top_down ? -header->height : header->height;
  if (width <= 0 || height == 0 || (rle && top_down)) ThrowBrokenBitmap();
  if (width * height > kMaxPicturePixels) ThrowBrokenBitmap();
  // Rows may overlap a palette that is shorter than the header implies, as
  // Windows allows, but not the header itself.
  if (bits_offset < kFileHeaderSize + header->header_size || bits_offset >= file_bytes.size()) ThrowBrokenBitmap();

  Picture picture;
  picture.Format = PictureFormat::Bitmap;
  picture.Width = static_cast<int>(width);
  picture.Height = static_cast<int>(height);
  BytesView data = file_bytes.substr(static_cast<std::size_t>(bits_offset));
  bool ok = false;
  if (rle) {
    // For compressed rows biSizeImage is the data's length; 0 means "up to
    // the end of the file".
    if (header->size_image != 0) data = data.substr(0, header->size_image);
    ok = DecodeDibRle(*header, picture.Width, picture.Height, data, picture.Pixels);
  } else {
    ok = DecodeDibRows(*header, picture.Width, picture.Height, top_down, data, picture.Pixels);
  }
  if (!ok) ThrowBrokenBitmap();
  return picture;
}

}  // namespace torvane::pictures
