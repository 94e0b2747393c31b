#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/bytes.hpp"

// The device-independent bitmap shared by .bmp files and icon images: a
// header, optional colour masks, a palette and the pixel rows.
namespace torvane::pictures {

inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiRle8 = 1;
inline constexpr std::uint32_t kBiRle4 = 2;
inline constexpr std::uint32_t kBiBitfields = 3;

// One colour channel of a 16- or 32-bit pixel.
struct ChannelMask {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
};

struct DibHeader {
  std::uint32_t header_size = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative when the top row is stored first
  int bit_count = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t size_image = 0;
  std::array<ChannelMask, 3> masks{};  // red, green, blue
  std::array<std::uint32_t, 256> palette{};  // 0xFFRRGGBB; entries the file does not give are black
  // Where the rows start when they follow the palette directly, as in an
  // icon image. A .bmp file says where its rows are instead.
  std::uint64_t bits_offset = 0;
};

// Reads the header at the start of `dib` and the masks and palette after
// it. Nullopt for a header that is cut short, of a size no version of the
// format has, or with a depth and compression the loader does not take.
// Width and height are returned as stored, unchecked.
std::optional<DibHeader> ReadDibHeader(BytesView dib);

// Bytes per stored row: padded to a multiple of 4.
std::uint64_t DibStride(std::int64_t width, int bit_count);

// Decodes uncompressed rows; `rows` starts at the first row stored. Fills
// `out` with width * height pixels, top row first. False when `rows` is too
// short. The last row's padding may be missing.
bool DecodeDibRows(const DibHeader& header, int width, int height, bool top_down, BytesView rows,
                   std::vector<std::uint32_t>& out);

// Decodes bottom-up BI_RLE8 or BI_RLE4 data. Pixels the data skips keep
// palette entry 0. False when a run leaves the picture or the data ends
// before the end-of-bitmap mark.
bool DecodeDibRle(const DibHeader& header, int width, int height, BytesView data,
                  std::vector<std::uint32_t>& out);

// A bitmap embedded in a metafile record, decoded: top row first,
// 0xAARRGGBB, opaque unless the 32-bit alpha was asked for.
struct DibImage {
  int width = 0;
  int height = 0;
  bool bottom_up = true;  // as stored; source rectangles count rows from the bottom then
  std::vector<std::uint32_t> pixels;
};

// `info` holds the header and the palette, `bits` the rows. Nullopt when
// the bitmap does not decode or has more than `max_pixels` pixels. With
// `keep_alpha`, a 32-bit BI_RGB bitmap keeps its fourth byte as alpha.
std::optional<DibImage> DecodeDib(BytesView info, BytesView bits, std::int64_t max_pixels, bool keep_alpha = false);

// A packed DIB, the rows right after the palette, as Windows metafiles
// store them.
std::optional<DibImage> DecodePackedDib(BytesView dib, std::int64_t max_pixels);

}  // namespace torvane::pictures
