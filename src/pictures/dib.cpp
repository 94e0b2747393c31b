#include "pictures/dib.hpp"

#include <algorithm>
#include <bit>
#include <cstddef>

#include "platform/little_endian.hpp"

namespace torvane::pictures {
namespace {

constexpr std::uint32_t kOpaqueBlack = 0xFF000000u;

// A mask with holes in it has no meaning as a channel; an empty one is a
// channel that is always 0.
std::optional<ChannelMask> MaskFor(std::uint32_t mask) {
  if (mask == 0) return ChannelMask{};
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  if ((std::uint64_t{mask} >> shift) != (std::uint64_t{1} << bits) - 1) return std::nullopt;
  return ChannelMask{mask, shift, bits};
}

// Narrow channels are shifted to the top of the byte and not replicated
// into the low bits: 5-bit 31 becomes 248, as GDI shows it.
std::uint32_t Expand(std::uint32_t pixel, const ChannelMask& channel) {
  if (channel.bits == 0) return 0;
  const std::uint32_t value = (pixel & channel.mask) >> channel.shift;
  return channel.bits >= 8 ? value >> (channel.bits - 8) : value << (8 - channel.bits);
}

std::uint32_t Masked(std::uint32_t pixel, const std::array<ChannelMask, 3>& masks) {
  return kOpaqueBlack | Expand(pixel, masks[0]) << 16 | Expand(pixel, masks[1]) << 8 | Expand(pixel, masks[2]);
}

bool IsInfoHeaderSize(std::uint32_t size) {
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool DepthFitsCompression(int bit_count, std::uint32_t compression) {
  switch (compression) {
    case kBiRgb:
      return bit_count == 1 || bit_count == 4 || bit_count == 8 || bit_count == 16 || bit_count == 24 ||
             bit_count == 32;
    case kBiRle8:
      return bit_count == 8;
    case kBiRle4:
      return bit_count == 4;
    case kBiBitfields:
      return bit_count == 16 || bit_count == 32;
    default:
      return false;
  }
}

void DecodeRow(const DibHeader& header, const unsigned char* src, int width, std::uint32_t* dst) {
  switch (header.bit_count) {
    case 1:
      for (int x = 0; x < width; ++x) dst[x] = header.palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
      break;
    case 4:
      for (int x = 0; x < width; ++x) dst[x] = header.palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
      break;
    case 8:
      for (int x = 0; x < width; ++x) dst[x] = header.palette[src[x]];
      break;
    case 16:
      for (int x = 0; x < width; ++x) {
        const std::uint32_t pixel = src[2 * x] | std::uint32_t{src[2 * x + 1]} << 8;
        dst[x] = Masked(pixel, header.masks);
      }
      break;
    case 24:
      for (int x = 0; x < width; ++x) {
        const unsigned char* p = src + 3 * x;
        dst[x] = kOpaqueBlack | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
      }
      break;
    case 32:
      for (int x = 0; x < width; ++x) {
        const unsigned char* p = src + 4 * x;
        const std::uint32_t pixel =
            p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
        dst[x] = Masked(pixel, header.masks);
      }
      break;
    default:
      break;
  }
}

}  // namespace

std::optional<DibHeader> ReadDibHeader(BytesView dib) {
  if (!Fits(dib, 0, 4)) return std::nullopt;
  DibHeader header;
  header.header_size = U32At(dib, 0);
  const bool core = header.header_size == 12;
  std::uint32_t colors_used = 0;
  if (core) {
    if (!Fits(dib, 0, 12)) return std::nullopt;
    header.width = U16At(dib, 4);
    header.height = U16At(dib, 6);
    header.bit_count = U16At(dib, 10);
    if (header.bit_count != 1 && header.bit_count != 4 && header.bit_count != 8 && header.bit_count != 24) {
      return std::nullopt;
    }
  } else {
    if (!IsInfoHeaderSize(header.header_size) || !Fits(dib, 0, header.header_size)) return std::nullopt;
    header.width = I32At(dib, 4);
    header.height = I32At(dib, 8);
    header.bit_count = U16At(dib, 14);
    header.compression = U32At(dib, 16);
    header.size_image = U32At(dib, 20);
    colors_used = U32At(dib, 32);
    if (!DepthFitsCompression(header.bit_count, header.compression)) return std::nullopt;
  }

  // Later header versions hold the masks at offset 40 themselves; after a
  // plain 40-byte header they follow it. Either way they sit at 40.
  std::uint64_t masks_size = 0;
  if (header.compression == kBiBitfields) {
    if (!Fits(dib, 40, 12)) return std::nullopt;
    for (int i = 0; i < 3; ++i) {
      const auto channel = MaskFor(U32At(dib, 40 + 4 * static_cast<std::size_t>(i)));
      if (!channel) return std::nullopt;
      header.masks[static_cast<std::size_t>(i)] = *channel;
    }
    if (header.header_size == 40) masks_size = 12;
  } else if (header.bit_count == 16) {
    header.masks = {ChannelMask{0x7C00, 10, 5}, ChannelMask{0x03E0, 5, 5}, ChannelMask{0x001F, 0, 5}};
  } else if (header.bit_count == 32) {
    header.masks = {ChannelMask{0xFF0000, 16, 8}, ChannelMask{0xFF00, 8, 8}, ChannelMask{0xFF, 0, 8}};
  }

  header.palette.fill(kOpaqueBlack);
  const std::uint64_t palette_offset = header.header_size + masks_size;
  if (header.bit_count <= 8) {
    // A palette that says it is short leaves the higher indexes black; one
    // that claims to be longer than the depth allows is cut to it.
    const std::uint32_t capacity = std::uint32_t{1} << header.bit_count;
    const std::uint32_t count = core || colors_used == 0 ? capacity : std::min(colors_used, capacity);
    const std::uint64_t entry_size = core ? 3 : 4;
    if (!Fits(dib, palette_offset, count * entry_size)) return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::size_t at = static_cast<std::size_t>(palette_offset + i * entry_size);
      header.palette[i] = kOpaqueBlack | ByteAt(dib, at + 2) << 16 | ByteAt(dib, at + 1) << 8 | ByteAt(dib, at);
    }
    header.bits_offset = palette_offset + count * entry_size;
  } else {
    // Deeper bitmaps may still carry an (unused) palette before the rows.
    header.bits_offset = palette_offset + std::uint64_t{colors_used} * 4;
  }
  return header;
}

std::uint64_t DibStride(std::int64_t width, int bit_count) {
  return (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bit_count) + 31) / 32 * 4;
}

bool DecodeDibRows(const DibHeader& header, int width, int height, bool top_down, BytesView rows,
                   std::vector<std::uint32_t>& out) {
  const std::uint64_t stride = DibStride(width, header.bit_count);
  const std::uint64_t last_row =
      (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(header.bit_count) + 7) / 8;
  if (!Fits(rows, 0, stride * static_cast<std::uint64_t>(height - 1) + last_row)) return false;
  out.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  const auto* base = reinterpret_cast<const unsigned char*>(rows.data());
  for (int row = 0; row < height; ++row) {
    const int y = top_down ? row : height - 1 - row;
    DecodeRow(header, base + stride * static_cast<std::uint64_t>(row), width,
              out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width));
  }
  return true;
}

bool DecodeDibRle(const DibHeader& header, int width, int height, BytesView data,
                  std::vector<std::uint32_t>& out) {
  out.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), header.palette[0]);
  const bool four_bit = header.compression == kBiRle4;
  // The cursor may rest one past the last column or row (after an
  // end-of-line on the top row, say), but no pixel is written there.
  std::int64_t x = 0;
  std::int64_t y = 0;
  std::size_t pos = 0;
  const auto can_write = [&](std::int64_t count) { return y < height && x + count <= width; };
  const auto put = [&](std::uint32_t index) {
    out[static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
        header.palette[index];
    ++x;
  };
  for (;;) {
    if (!Fits(data, pos, 2)) return false;
    const std::uint32_t first = ByteAt(data, pos);
    const std::uint32_t second = ByteAt(data, pos + 1);
    pos += 2;
    if (first > 0) {
      // A run: RLE4 alternates the two nibbles of its colour byte.
      if (!can_write(first)) return false;
      for (std::uint32_t i = 0; i < first; ++i) put(four_bit ? ((i & 1) ? second & 0x0F : second >> 4) : second);
      continue;
    }
    switch (second) {
      case 0:  // end of line
        x = 0;
        if (++y > height) return false;
        break;
      case 1:  // end of bitmap
        return true;
      case 2:  // delta: move right and up
        if (!Fits(data, pos, 2)) return false;
        x += ByteAt(data, pos);
        y += ByteAt(data, pos + 1);
        pos += 2;
        if (x > width || y > height) return false;
        break;
      default: {  // absolute: `second` literal pixels, padded to a whole word
        const std::size_t bytes = four_bit ? (second + 1) / 2 : second;
        if (!Fits(data, pos, bytes) || !can_write(second)) return false;
        for (std::uint32_t i = 0; i < second; ++i) {
          const std::uint32_t byte = ByteAt(data, pos + (four_bit ? i / 2 : i));
          put(four_bit ? ((i & 1) ? byte & 0x0F : byte >> 4) : byte);
        }
        pos += (bytes + 1) & ~std::size_t{1};
        break;
      }
    }
  }
}

std::optional<DibImage> DecodeDib(BytesView info, BytesView bits, std::int64_t max_pixels, bool keep_alpha) {
  const auto header = ReadDibHeader(info);
  if (!header) return std::nullopt;
  const bool rle = header->compression == kBiRle8 || header->compression == kBiRle4;
  const bool top_down = header->height < 0;
  const std::int64_t width = header->width;
  const std::int64_t height = top_down ? -header->height : header->height;
  if (width <= 0 || height <= 0 || (rle && top_down) || width * height > max_pixels) return std::nullopt;

  DibImage image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.bottom_up = !top_down;
  if (rle) {
    if (header->size_image != 0) bits = bits.substr(0, header->size_image);
    if (!DecodeDibRle(*header, image.width, image.height, bits, image.pixels)) return std::nullopt;
    return image;
  }
  if (!DecodeDibRows(*header, image.width, image.height, top_down, bits, image.pixels)) return std::nullopt;
  if (keep_alpha && header->bit_count == 32 && header->compression == kBiRgb) {
    const std::uint64_t stride = DibStride(width, 32);
    for (int row = 0; row < image.height; ++row) {
      const int y = top_down ? row : image.height - 1 - row;
      for (int x = 0; x < image.width; ++x) {
        const std::uint32_t alpha = ByteAt(bits, static_cast<std::size_t>(stride * static_cast<std::uint64_t>(row)) +
                                                     4 * static_cast<std::size_t>(x) + 3);
        std::uint32_t& pixel = image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                                            static_cast<std::size_t>(x)];
        pixel = (pixel & 0x00FFFFFFu) | alpha << 24;
      }
    }
  }
  return image;
}

std::optional<DibImage> DecodePackedDib(BytesView dib, std::int64_t max_pixels) {
  const auto header = ReadDibHeader(dib);
  if (!header || header->bits_offset > dib.size()) return std::nullopt;
  return DecodeDib(dib, dib.substr(static_cast<std::size_t>(header->bits_offset)), max_pixels);
}

}  // namespace torvane::pictures
