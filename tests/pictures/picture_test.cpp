#include "pictures/picture.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/script_error.hpp"
#include "platform/cp932.hpp"

namespace torvane {
namespace {

using namespace std::string_literals;

const std::string kBadBitmap = "ビットマップイメージが不正です";
const std::string kBadIcon = "アイコンイメージが不正です";

// Little-endian byte string writer.
struct Le {
  Bytes bytes;
  Le& U8(unsigned v) { bytes += static_cast<char>(v & 0xFF); return *this; }
  Le& U16(unsigned v) { return U8(v).U8(v >> 8); }
  Le& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Le& Raw(BytesView b) { bytes += b; return *this; }
};

// A DIB header with its masks and palette; the rows are added by the caller.
struct Dib {
  std::uint32_t header_size = 40;
  std::int32_t width = 0;
  std::int32_t height = 0;
  unsigned bpp = 24;
  std::uint32_t compression = 0;
  std::uint32_t size_image = 0;
  std::uint32_t colors_used = 0;
  std::vector<std::uint32_t> masks = {};    // at offset 40: inside V2+ headers, after a 40-byte one
  std::vector<std::uint32_t> palette = {};  // 0xRRGGBB

  Bytes Encode() const {
    Le out;
    if (header_size == 12) {
      out.U32(12).U16(static_cast<unsigned>(width)).U16(static_cast<unsigned>(height)).U16(1).U16(bpp);
      for (auto c : palette) out.U8(c).U8(c >> 8).U8(c >> 16);
      return out.bytes;
    }
    out.U32(header_size).U32(static_cast<std::uint32_t>(width)).U32(static_cast<std::uint32_t>(height));
    out.U16(1).U16(bpp).U32(compression).U32(size_image).U32(2835).U32(2835).U32(colors_used).U32(0);
    for (auto m : masks) out.U32(m);
    while (out.bytes.size() < header_size) out.U8(0);
    for (auto c : palette) out.U8(c).U8(c >> 8).U8(c >> 16).U8(0);
    return out.bytes;
  }
};

// bfSize is left 0, as some writers do.
Bytes Bmp(const Dib& dib, BytesView bits, std::int64_t off_bits = -1) {
  const Bytes head = dib.Encode();
  const std::size_t offset = off_bits >= 0 ? static_cast<std::size_t>(off_bits) : 14 + head.size();
  return Le().Raw("BM").U32(0).U32(0).U32(static_cast<std::uint32_t>(offset)).Raw(head).Raw(bits).bytes;
}

std::vector<std::uint32_t> Opaque(std::initializer_list<std::uint32_t> rgb) {
  std::vector<std::uint32_t> out;
  for (auto c : rgb) out.push_back(0xFF000000u | c);
  return out;
}

std::string ErrorOf(PictureFormat format, BytesView bytes) {
  try {
    DecodePicture(format, bytes);
  } catch (const ScriptError& error) {
    return platform::Cp932ToUtf8(error.Text());
  }
  return "(decoded)";
}

std::string NameErrorOf(BytesView name) {
  try {
    PictureFormatForName(name);
  } catch (const ScriptError& error) {
    return platform::Cp932ToUtf8(error.Text());
  }
  return "(accepted)";
}

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kGrey = 0x808080;

TEST(PictureNameTest, ExtensionPicksFormatIgnoringCase) {
  EXPECT_EQ(PictureFormatForName("a.bmp"), PictureFormat::Bitmap);
  EXPECT_EQ(PictureFormatForName("pic\\A.B.BmP"), PictureFormat::Bitmap);
  EXPECT_EQ(PictureFormatForName("x.ICO"), PictureFormat::Icon);
  EXPECT_EQ(PictureFormatForName("dir.bmp/x.Wmf"), PictureFormat::Metafile);
  EXPECT_EQ(PictureFormatForName("\x89\xe6\x91\x9c.emf"), PictureFormat::EnhancedMetafile);
}

TEST(PictureNameTest, OtherExtensionsAreNamedInTheError) {
  EXPECT_EQ(NameErrorOf("a.png"), "拡張子 .png の画像形式は処理できません");
  EXPECT_EQ(NameErrorOf("a.bmp "), "拡張子 .bmp  の画像形式は処理できません");
  EXPECT_EQ(NameErrorOf(""), "拡張子 . の画像形式は処理できません");
  EXPECT_EQ(NameErrorOf("a.bmp."), "拡張子 . の画像形式は処理できません");
  // A dot in a folder name is not an extension.
  EXPECT_EQ(NameErrorOf("pics.bmp\\scene"), "拡張子 . の画像形式は処理できません");
  EXPECT_EQ(NameErrorOf("pics.bmp/scene"), "拡張子 . の画像形式は処理できません");
  // The extension's own bytes go into the message unconverted; the 0x5C
  // inside ソ (0x83 0x5C) is not a folder separator.
  EXPECT_EQ(NameErrorOf("a.\x83\x5C"), "拡張子 .ソ の画像形式は処理できません");
}

TEST(BitmapTest, PalettedDepthsBottomUpWithPaddedRows) {
  const std::vector<std::uint32_t> palette = {0x000000, kRed, kGreen, kBlue};
  // Bottom row 3 2 1, top row 0 1 2.
  Dib dib8{.width = 3, .height = 2, .bpp = 8, .palette = palette};
  dib8.colors_used = 4;
  Dib dib4 = dib8;
  dib4.bpp = 4;
  const auto expected = Opaque({0x000000, kRed, kGreen, kBlue, kGreen, kRed});
  const Picture p8 = DecodePicture(PictureFormat::Bitmap, Bmp(dib8, "\x03\x02\x01\x00\x00\x01\x02\x00"s));
  EXPECT_EQ(p8.Format, PictureFormat::Bitmap);
  EXPECT_EQ(p8.Width, 3);
  EXPECT_EQ(p8.Height, 2);
  EXPECT_EQ(p8.Pixels, expected);
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(dib4, "\x32\x10\x00\x00\x01\x20\x00\x00"s)).Pixels, expected);

  // 1 bit, palette length from the depth: bottom 1 0 1, top 0 1 1.
  Dib dib1{.width = 3, .height = 2, .bpp = 1, .palette = {kGrey, kWhite}};
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(dib1, "\xA0\x00\x00\x00\x60\x00\x00\x00"s)).Pixels,
            Opaque({kGrey, kWhite, kWhite, kWhite, kGrey, kWhite}));
}

TEST(BitmapTest, TrueColourTopDownAndBottomUp) {
  const Bytes rows = "\x01\x02\x03\x04\x05\x06\x00\x00\x07\x08\x09\x0A\x0B\x0C\x00\x00"s;
  Dib dib{.width = 2, .height = 2, .bpp = 24};
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(dib, rows)).Pixels,
            Opaque({0x090807, 0x0C0B0A, 0x030201, 0x060504}));
  dib.height = -2;
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(dib, rows)).Pixels,
            Opaque({0x030201, 0x060504, 0x090807, 0x0C0B0A}));

  // 32-bit without masks: the fourth byte is not alpha.
  Dib dib32{.width = 1, .height = 1, .bpp = 32};
  const Picture p = DecodePicture(PictureFormat::Bitmap, Bmp(dib32, "\x10\x20\x30\xAB"s));
  EXPECT_EQ(p.Pixels, Opaque({0x302010}));
}

TEST(BitmapTest, SixteenBitChannelsAreShiftedNotReplicated) {
  // The 5-5-5 rounding: 31 becomes 248, not 255. The top bit is unused.
  Dib dib{.width = 4, .height = 1, .bpp = 16};
  const Bytes bits = Le().U16(0x7FFF).U16(0x7C01).U16(0x03E0).U16(0x8000).bytes;
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(dib, bits)).Pixels,
            Opaque({0xF8F8F8, 0xF80008, 0x00F800, 0x000000}));

  // 5-6-5 masks after a 40-byte header and inside every longer one.
  const Bytes bits565 = Le().U16(0xFFFF).U16(0x07E0).U16(0x0821).U16(0xF800).bytes;
  const auto expected565 = Opaque({0xF8FCF8, 0x00FC00, 0x080408, 0xF80000});
  for (std::uint32_t size : {40u, 52u, 56u, 108u, 124u}) {
    SCOPED_TRACE(size);
    Dib fields{.header_size = size, .width = 4, .height = 1, .bpp = 16, .compression = 3,
               .masks = {0xF800, 0x07E0, 0x001F}};
    EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(fields, bits565)).Pixels, expected565);
  }
}

TEST(BitmapTest, HeaderVersionsAndMasks) {
  // V4: 32-bit masks in red-green-blue byte order; V5: 4-4-4 in 16 bits.
  Dib v4{.header_size = 108, .width = 1, .height = 1, .bpp = 32, .compression = 3,
         .masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}};
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(v4, "\x10\x20\x30\x00"s)).Pixels, Opaque({0x102030}));
  Dib v5{.header_size = 124, .width = 2, .height = 1, .bpp = 16, .compression = 3, .masks = {0x0F00, 0x00F0, 0x000F}};
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(v5, Le().U16(0x0F84).U16(0x0001).bytes)).Pixels,
            Opaque({0xF08040, 0x000010}));
  // Without BI_BITFIELDS the masks in a V4 header mean nothing.
  v4.compression = 0;
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(v4, "\x10\x20\x30\x00"s)).Pixels, Opaque({0x302010}));

  // OS/2 core header: 16-bit sizes, 3-byte palette entries.
  Dib core1{.header_size = 12, .width = 3, .height = 1, .bpp = 1, .palette = {0x112233, 0x445566}};
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(core1, "\xA0\x00\x00\x00"s)).Pixels,
            Opaque({0x445566, 0x112233, 0x445566}));
  Dib core24{.header_size = 12, .width = 1, .height = 2, .bpp = 24};
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(core24, "\x01\x02\x03\x00\x04\x05\x06\x00"s)).Pixels,
            Opaque({0x060504, 0x030201}));
}

TEST(BitmapTest, PaletteLengthAndPixelOffset) {
  // A palette declared short: indexes past it are black.
  Dib shorter{.width = 2, .height = 1, .bpp = 8, .colors_used = 2, .palette = {kRed, kGreen}};
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(shorter, "\x01\x05\x00\x00"s)).Pixels, Opaque({kGreen, 0}));
  // A palette the file is too short to hold is broken.
  Dib missing{.width = 2, .height = 1, .bpp = 8, .palette = {kRed, kGreen}};
  EXPECT_EQ(ErrorOf(PictureFormat::Bitmap, Bmp(missing, "\x01\x00\x00\x00"s)), kBadBitmap);
  // bfOffBits is followed past a gap.
  const Bytes head = shorter.Encode();
  const Bytes gap = Bmp(shorter, "\xFF\xFF\x00\x01\x00\x00"s, static_cast<std::int64_t>(14 + head.size() + 2));
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, gap).Pixels, Opaque({kRed, kGreen}));
  // The last row may lack its padding, but not a pixel.
  Dib rgb{.width = 1, .height = 2, .bpp = 24};
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(rgb, "\x01\x02\x03\x00\x04\x05\x06"s)).Pixels,
            Opaque({0x060504, 0x030201}));
  EXPECT_EQ(ErrorOf(PictureFormat::Bitmap, Bmp(rgb, "\x01\x02\x03\x00\x04\x05"s)), kBadBitmap);
}

TEST(BitmapTest, Rle8RunsAbsoluteDeltaAndEndOfLine) {
  Dib dib{.width = 4, .height = 3, .bpp = 8, .compression = 1, .colors_used = 5,
          .palette = {kGrey, kRed, kGreen, kBlue, kWhite}};
  const Bytes data =
      "\x02\x01" "\x00\x00"                  // bottom: two red, end of line
      "\x00\x03\x02\x03\x04\x00"             // middle: green blue white, padded
      "\x00\x02\x00\x01"                     // delta up one row to x = 3
      "\x01\x01" "\x00\x01"s;                // one red, end of bitmap
  // Skipped pixels keep palette entry 0.
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(dib, data)).Pixels,
            Opaque({kGrey, kGrey, kGrey, kRed, kGreen, kBlue, kWhite, kGrey, kRed, kRed, kGrey, kGrey}));
  // biSizeImage bounds the data when given.
  dib.size_image = static_cast<std::uint32_t>(data.size());
  EXPECT_NO_THROW(DecodePicture(PictureFormat::Bitmap, Bmp(dib, data + "junk")));
  dib.size_image -= 2;
  EXPECT_EQ(ErrorOf(PictureFormat::Bitmap, Bmp(dib, data)), kBadBitmap);
}

TEST(BitmapTest, Rle4AlternatesNibbles) {
  Dib dib{.width = 6, .height = 2, .bpp = 4, .compression = 2, .colors_used = 4,
          .palette = {kGrey, kRed, kGreen, kBlue}};
  const Bytes data =
      "\x06\x12" "\x00\x00"                  // bottom: 1 2 1 2 1 2
      "\x00\x02\x01\x00"                     // delta right one
      "\x00\x05\x31\x23\x10\x00"             // five literal pixels, three bytes and a pad
      "\x00\x01"s;
  EXPECT_EQ(DecodePicture(PictureFormat::Bitmap, Bmp(dib, data)).Pixels,
            Opaque({kGrey, kBlue, kRed, kGreen, kBlue, kRed, kRed, kGreen, kRed, kGreen, kRed, kGreen}));
}

TEST(BitmapTest, RleThatLeavesThePictureOrTheDataIsBroken) {
  Dib dib{.width = 2, .height = 2, .bpp = 8, .compression = 1, .colors_used = 2, .palette = {kGrey, kRed}};
  EXPECT_NO_THROW(DecodePicture(PictureFormat::Bitmap, Bmp(dib, "\x02\x01\x00\x00\x02\x01\x00\x00\x00\x01"s)));
  for (const Bytes& data : {"\x03\x01\x00\x01"s,                          // run past the row
                            "\x00\x00\x00\x00\x01\x01\x00\x01"s,          // pixel above the top row
                            "\x00\x00\x00\x00\x00\x00\x00\x01"s,          // end of line above the top
                            "\x00\x02\x03\x00\x00\x01"s,                  // delta past the row
                            "\x00\x03\x01\x01\x01\x00\x00\x01"s,          // literal run past the row
                            "\x00\x03\x01"s,                              // literal run cut short
                            "\x02\x01"s, ""s, "\x00"s}) {                 // no end of bitmap
    SCOPED_TRACE(testing::PrintToString(data));
    EXPECT_EQ(ErrorOf(PictureFormat::Bitmap, Bmp(dib, data)), kBadBitmap);
  }
  dib.height = -2;  // compressed rows are always bottom-up
  EXPECT_EQ(ErrorOf(PictureFormat::Bitmap, Bmp(dib, "\x00\x01"s)), kBadBitmap);
}

TEST(BitmapTest, BrokenHeadersAndSizes) {
  const Dib good{.width = 1, .height = 1, .bpp = 24};
  const Bytes pixel = "\x01\x02\x03\x00"s;
  const Bytes valid = Bmp(good, pixel);
  ASSERT_EQ(ErrorOf(PictureFormat::Bitmap, valid), "(decoded)");
  const auto with = [&](auto change) {
    Dib dib = good;
    change(dib);
    return Bmp(dib, pixel);
  };
  Bytes bad_magic = valid;
  bad_magic[1] = 'A';
  const std::vector<Bytes> cases = {
      ""s, "BM"s, valid.substr(0, 13), valid.substr(0, 14 + 30), bad_magic,
      with([](Dib& d) { d.header_size = 64; }),
      with([](Dib& d) { d.bpp = 2; }),
      with([](Dib& d) { d.bpp = 0; }),
      with([](Dib& d) { d.compression = 4; }),                       // JPEG
      with([](Dib& d) { d.compression = 3; d.masks = {0xF0F0, 0x0F00, 0x000F}; }),  // 24 with masks
      with([](Dib& d) { d.bpp = 16; d.compression = 3; d.masks = {0xF00F, 0x0F00, 0x00F0}; }),  // holed mask
      with([](Dib& d) { d.bpp = 4; d.compression = 1; }),           // RLE8 at 4 bits
      with([](Dib& d) { d.width = 0; }),
      with([](Dib& d) { d.width = -1; }),
      with([](Dib& d) { d.height = 0; }),
      Bmp(good, pixel, static_cast<std::int64_t>(valid.size())),    // rows start at the end
      Bmp(good, pixel, 0xFFFFFFFF),
      Bmp(good, pixel, 20),                                          // rows inside the header
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ErrorOf(PictureFormat::Bitmap, cases[i]), kBadBitmap);
  }
}

TEST(BitmapTest, HugeClaimedSizeFailsBeforeAllocating) {
  // Compressed data need not grow with the picture, so only the size check
  // stands between this claim and a 40 GB allocation.
  Dib rle{.width = 100000, .height = 100000, .bpp = 8, .compression = 1, .colors_used = 1, .palette = {0}};
  EXPECT_EQ(ErrorOf(PictureFormat::Bitmap, Bmp(rle, "\x00\x01"s)), kBadBitmap);
  Dib wide{.width = static_cast<std::int32_t>(kMaxPicturePixels + 1), .height = 1, .bpp = 8, .compression = 1,
           .colors_used = 1, .palette = {0}};
  EXPECT_EQ(ErrorOf(PictureFormat::Bitmap, Bmp(wide, "\x00\x01"s)), kBadBitmap);
  Dib plain{.width = 100000, .height = -100000, .bpp = 32};
  EXPECT_EQ(ErrorOf(PictureFormat::Bitmap, Bmp(plain, "\x00\x00\x00\x00"s)), kBadBitmap);
}

// An icon image: header of doubled height, palette, colour rows, mask rows.
Bytes IconImage(std::int32_t width, std::int32_t height, unsigned bpp, std::vector<std::uint32_t> palette,
                BytesView xor_rows, BytesView and_rows) {
  Dib dib{.width = width, .height = height * 2, .bpp = bpp, .palette = std::move(palette)};
  dib.colors_used = static_cast<std::uint32_t>(dib.palette.size());
  return dib.Encode() + Bytes(xor_rows) + Bytes(and_rows);
}

struct IconEntry {
  unsigned width;  // as the directory byte: 0 for 256
  unsigned height;
  Bytes image;
};

Bytes Ico(const std::vector<IconEntry>& entries, unsigned type = 1) {
  Le out;
  out.U16(0).U16(type).U16(static_cast<unsigned>(entries.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
  for (const auto& e : entries) {
    out.U8(e.width).U8(e.height).U8(0).U8(0).U16(1).U16(0).U32(static_cast<std::uint32_t>(e.image.size())).U32(offset);
    offset += static_cast<std::uint32_t>(e.image.size());
  }
  for (const auto& e : entries) out.Raw(e.image);
  return out.bytes;
}

// A 1x1 icon image of one colour at the given depth.
Bytes SolidIcon(unsigned bpp, std::uint32_t rgb) {
  if (bpp == 24) return IconImage(1, 1, 24, {}, Le().U8(rgb).U8(rgb >> 8).U8(rgb >> 16).U8(0).bytes, "\0\0\0\0"s);
  return IconImage(1, 1, bpp, {0, rgb}, bpp == 1 ? "\x80\0\0\0"s : bpp == 4 ? "\x10\0\0\0"s : "\x01\0\0\0"s,
                   "\0\0\0\0"s);
}

TEST(IconTest, MaskMakesPixelsTransparent) {
  // Colours bottom 1 2 1, top 2 1 2; mask bottom .X. and top X..
  const Bytes image = IconImage(3, 2, 4, {0x000000, kRed, kGreen}, "\x12\x10\0\0\x21\x20\0\0"s,
                                "\x40\0\0\0\x80\0\0\0"s);
  const Picture p = DecodePicture(PictureFormat::Icon, Ico({{3, 2, image}}));
  EXPECT_EQ(p.Format, PictureFormat::Icon);
  EXPECT_EQ(p.Width, 3);
  EXPECT_EQ(p.Height, 2);
  EXPECT_EQ(p.Pixels, (std::vector<std::uint32_t>{0, 0xFFFF0000, 0xFF00FF00, 0xFFFF0000, 0, 0xFFFF0000}));

  // 32 bits: the alpha byte is ignored, the mask is not.
  const Bytes deep = IconImage(2, 1, 32, {}, "\x10\x20\x30\x00\x40\x50\x60\xFF"s, "\x40\0\0\0"s);
  EXPECT_EQ(DecodePicture(PictureFormat::Icon, Ico({{2, 1, deep}})).Pixels,
            (std::vector<std::uint32_t>{0xFF302010, 0}));
}

TEST(IconTest, LargestThenDeepestImageIsChosen) {
  const Bytes png = "\x89PNG\r\n\x1A\n"s + std::string(40, '\0');
  const Bytes ico = Ico({{16, 16, SolidIcon(24, 0x111111)},
                         {32, 32, SolidIcon(4, 0x222222)},
                         {32, 32, SolidIcon(8, 0x333333)},
                         {32, 32, SolidIcon(8, 0x444444)},
                         {0, 0, png}});  // largest, but cannot be decoded here
  EXPECT_EQ(DecodePicture(PictureFormat::Icon, ico).Pixels, Opaque({0x333333}));
  // 0 in the directory means 256.
  const Bytes big = Ico({{32, 32, SolidIcon(24, 0x111111)}, {0, 0, SolidIcon(1, 0x555555)}});
  EXPECT_EQ(DecodePicture(PictureFormat::Icon, big).Pixels, Opaque({0x555555}));
  EXPECT_EQ(ErrorOf(PictureFormat::Icon, Ico({{32, 32, png}})), kBadIcon);
}

TEST(IconTest, BrokenIcons) {
  const Bytes image = SolidIcon(8, kRed);
  const Bytes valid = Ico({{1, 1, image}});
  ASSERT_EQ(ErrorOf(PictureFormat::Icon, valid), "(decoded)");
  Bytes reserved = valid;
  reserved[0] = 1;
  Bytes far_offset = valid;
  far_offset[18] = '\x7F';
  Dib negative{.width = 1, .height = -2, .bpp = 24};
  Dib rle{.width = 1, .height = 2, .bpp = 8, .compression = 1, .colors_used = 1, .palette = {0}};
  const std::vector<Bytes> cases = {
      ""s, valid.substr(0, 5), reserved,
      Ico({{1, 1, image}}, 2),                       // a cursor
      Ico({}),
      valid.substr(0, 6 + 10),                       // directory cut short
      valid.substr(0, valid.size() - 1),             // image shorter than its entry
      far_offset,
      Ico({{1, 1, image.substr(0, image.size() - 4)}}),  // no mask
      Ico({{1, 1, image.substr(0, image.size() - 8)}}),  // no mask, colour row short
      Ico({{1, 1, negative.Encode() + "\1\2\3\0\0\0\0\0"s}}),
      Ico({{1, 1, rle.Encode() + "\x00\x01\0\0\0\0\0\0"s}}),
      Ico({{1, 1, "\x10\0\0\0"s + std::string(40, '\1')}}),
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ErrorOf(PictureFormat::Icon, cases[i]), kBadIcon);
  }
  // Deliberately huge, with no data behind it.
  Dib huge{.width = 100000, .height = 200000, .bpp = 1, .palette = {0, 0}};
  EXPECT_EQ(ErrorOf(PictureFormat::Icon, Ico({{0, 0, huge.Encode()}})), kBadIcon);
}

Bytes ReadFixture(const char* name) {
  const auto path = std::filesystem::path(TORVANE_PICTURE_FIXTURES) / name;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The files scripts/make-picture-fixtures.py writes for end-to-end tests.
TEST(PictureFixturesTest, GeneratedFilesDecode) {
  const Picture scene = DecodePicture(PictureFormat::Bitmap, ReadFixture("scene.bmp"));
  ASSERT_EQ(scene.Width, 440);
  ASSERT_EQ(scene.Height, 280);
  EXPECT_EQ(scene.Pixels[0], 0xFF0000A0u);
  EXPECT_EQ(scene.Pixels[279 * 440 + 439], 0xFFFFFFA0u);
  EXPECT_EQ(scene.Pixels[200 * 440 + 200], 0xFF282828u);  // the house

  const Picture small = DecodePicture(PictureFormat::Bitmap, ReadFixture("small.bmp"));
  ASSERT_EQ(small.Pixels.size(), 64u * 48u);
  EXPECT_EQ(small.Pixels[5 * 64 + 10], 0xFF2D2D2Du);  // grey (10 * 4 + 5)

  const Picture icon = DecodePicture(PictureFormat::Icon, ReadFixture("icon.ico"));
  ASSERT_EQ(icon.Pixels.size(), 32u * 32u);
  EXPECT_EQ(icon.Pixels[0], 0u);
  EXPECT_EQ(icon.Pixels[4 * 32 + 16], 0xFFFF0000u);
  EXPECT_EQ(icon.Pixels[16 * 32 + 16], 0xFFFFFF00u);

  for (auto [name, format] : {std::pair{"scene.wmf", PictureFormat::Metafile},
                              std::pair{"scene.emf", PictureFormat::EnhancedMetafile}}) {
    const Picture metafile = DecodePicture(format, ReadFixture(name));
    EXPECT_EQ(metafile.Width, 440) << name;
    EXPECT_EQ(metafile.Height, 280) << name;
  }

  EXPECT_EQ(ErrorOf(PictureFormat::Bitmap, ReadFixture("broken.bmp")), kBadBitmap);
  EXPECT_EQ(ErrorOf(PictureFormat::Icon, ReadFixture("broken.ico")), kBadIcon);
  EXPECT_EQ(ErrorOf(PictureFormat::Metafile, ReadFixture("broken.wmf")), "メタファイルが不正です");
}

}  // namespace
}  // namespace torvane
