#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/script_error.hpp"
#include "pictures/emf_prepare.hpp"
#include "pictures/font_names.hpp"
#include "pictures/hostile_pictures.hpp"
#include "pictures/metafile_writers.hpp"
#include "pictures/picture.hpp"
#include "platform/cp932.hpp"
#include "platform/little_endian.hpp"

namespace torvane {
namespace {

using test::Dib24;
using test::EmfWriter;
using test::Le;

const std::string kBadMetafile = "メタファイルが不正です";

Picture Emf(const EmfWriter& writer, std::uint32_t handles = 16) {
  return DecodePicture(PictureFormat::EnhancedMetafile, writer.File(handles));
}

std::string ErrorOf(const Bytes& file) {
  try {
    DecodePicture(PictureFormat::EnhancedMetafile, file);
  } catch (const ScriptError& error) {
    return platform::Cp932ToUtf8(error.Text());
  }
  return "(decoded)";
}

// Every value of `attribute` in the document, in order.
std::vector<std::string> Values(const std::string& svg, const std::string& attribute) {
  std::vector<std::string> values;
  const std::string key = " " + attribute + "=\"";
  for (std::size_t at = svg.find(key); at != std::string::npos; at = svg.find(key, at + 1)) {
    const std::size_t begin = at + key.size();
    values.push_back(svg.substr(begin, svg.find('"', begin) - begin));
  }
  return values;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(EnhancedMetafileSvgTest, ConvertsAtThePictureSize) {
  const Picture p = Emf(EmfWriter(120, 80).Rectangle(10, 10, 50, 40));
  ASSERT_TRUE(p.Svg);
  ASSERT_TRUE(p.SvgLayers);
  EXPECT_EQ(p.Width, 120);
  EXPECT_EQ(p.Height, 80);
  EXPECT_NE(p.Svg->find("width=\"120\" height=\"80\""), std::string::npos);
  ASSERT_EQ(p.SvgLayers->size(), 1u);
  EXPECT_FALSE((*p.SvgLayers)[0].Clipped);
  EXPECT_EQ((*p.SvgLayers)[0].Hatch, -1);
  // GDI's default brush is white; the converter's own default is black.
  EXPECT_EQ(Values(*p.Svg, "fill"), std::vector<std::string>{"#FFFFFF"});
}

TEST(EnhancedMetafileSvgTest, PensKeepTheirWidths) {
  EmfWriter emf(100, 100);
  emf.Pen(1, test::kPsSolid, 6, 0xFF0000).Select(1).Polyline16({10, 10, 90, 10});
  emf.Pen(2, test::kPsSolid, 1, 0x00FF00).Select(2).Polyline16({10, 20, 90, 20});
  emf.Pen(3, test::kPsSolid, 0, 0x0000FF).Select(3).Polyline16({10, 30, 90, 30});
  const Picture p = Emf(emf);
  const std::vector<std::string> widths = Values(*p.Svg, "stroke-width");
  ASSERT_EQ(widths.size(), 3u);
  EXPECT_DOUBLE_EQ(std::stod(widths[0]), 6);
  EXPECT_DOUBLE_EQ(std::stod(widths[1]), 1);
  EXPECT_DOUBLE_EQ(std::stod(widths[2]), 1);
  EXPECT_EQ(Values(*p.Svg, "stroke"), (std::vector<std::string>{"#FF0000", "#00FF00", "#0000FF"}));
}

TEST(EnhancedMetafileSvgTest, TextFromEitherRecordInAnInstalledFont) {
  EmfWriter emf(200, 60);
  emf.Font(1, -20, u"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF").Select(1);  // ＭＳ ゴシック
  emf.TextA(10, 10, platform::Utf8ToCp932("灯台"));
  emf.TextW(100, 10, u"です");
  emf.Font(2, -20, u"MS PGothic").Select(2).TextW(10, 40, u"a");
  emf.Font(3, -20, u"Arial").Select(3).TextW(30, 40, u"b");
  const Picture p = Emf(emf);
  EXPECT_NE(p.Svg->find("灯台"), std::string::npos);
  EXPECT_NE(p.Svg->find("です"), std::string::npos);
  EXPECT_EQ(Values(*p.Svg, "font-family"),
            (std::vector<std::string>{"IPAGothic", "IPAGothic", "IPAPGothic", "Arial"}));
  EXPECT_EQ(p.Svg->find("ＭＳ"), std::string::npos);
}

TEST(EnhancedMetafileSvgTest, TextIsMadeSafeForXml) {
  EmfWriter emf(100, 40);
  const std::u16string hostile = u"a]]>b\x01<&\"" + std::u16string(1, char16_t{0xFDD0}) + u"1" +
                                 std::u16string(1, char16_t{0xD800}) + u"z";
  emf.Font(1, -12, u"x\"y<z").Select(1).TextW(0, 0, hostile);
  const Picture p = Emf(emf);
  EXPECT_EQ(p.Svg->find("]]>b"), std::string::npos);
  EXPECT_NE(p.Svg->find("]]\xEF\xBC\x9E" "b"), std::string::npos);  // ＞
  EXPECT_EQ(p.Svg->find('\x01'), std::string::npos);
  EXPECT_EQ(p.Svg->find("\xEF\xB7\x90"), std::string::npos);  // U+FDD0, the marker character
  EXPECT_EQ(Values(*p.Svg, "font-family"), std::vector<std::string>{"xyz"});
  EXPECT_EQ(Count(*p.Svg, "<text"), Count(*p.Svg, "</text>"));
  EXPECT_EQ(Count(*p.Svg, "<text"), 1u);  // the markers are gone
}

std::vector<PixelRect> ClipOf(const SvgLayer& layer) { return layer.Clip; }

TEST(EnhancedMetafileSvgTest, ClippingCutsTheDrawingIntoLayers) {
  EmfWriter emf(100, 100);
  emf.Rectangle(0, 0, 100, 100);
  emf.SaveDc().IntersectClip(10, 20, 30, 40).Rectangle(0, 0, 100, 100);
  emf.ExcludeClip(15, 25, 20, 30).Ellipse(0, 0, 100, 100);
  emf.RestoreDc(-1).Rectangle(50, 50, 60, 60);
  const Picture p = Emf(emf);
  const auto& layers = *p.SvgLayers;
  ASSERT_EQ(layers.size(), 4u);
  EXPECT_FALSE(layers[0].Clipped);
  EXPECT_TRUE(layers[1].Clipped);
  EXPECT_EQ(ClipOf(layers[1]), (std::vector<PixelRect>{{10, 20, 30, 40}}));
  EXPECT_EQ(ClipOf(layers[2]),
            (std::vector<PixelRect>{{10, 20, 30, 25}, {10, 30, 30, 40}, {10, 25, 15, 30}, {20, 25, 30, 30}}));
  EXPECT_FALSE(layers[3].Clipped);
  EXPECT_NE(layers[2].Svg.find("<ellipse"), std::string::npos);
  EXPECT_EQ(Count(*p.Svg, "clip-path=\"url(#tv-clip-"), 2u);
  // A second intersection narrows the first rather than replacing it.
  EmfWriter nested(100, 100);
  nested.IntersectClip(10, 10, 50, 50).IntersectClip(30, 0, 100, 40).Rectangle(0, 0, 100, 100);
  EXPECT_EQ(ClipOf((*Emf(nested).SvgLayers)[0]), (std::vector<PixelRect>{{30, 10, 50, 40}}));
}

TEST(EnhancedMetafileSvgTest, SavedStatesAreMarkedOnlyWhenTheClippingChangesUnderThem) {
  // Saves around plain drawing leave the SVG pass nothing to do.
  EmfWriter plain(100, 100);
  for (int i = 0; i < 100; ++i) plain.SaveDc().Rectangle(i % 90, 0, i % 90 + 5, 5).RestoreDc(-1);
  pictures::PictureBudget budget;
  const auto prepared = pictures::PrepareEnhancedMetafile(plain.File(), 100, 100, budget);
  ASSERT_TRUE(prepared);
  EXPECT_TRUE(prepared->markers.empty());
  EXPECT_EQ(Emf(plain).SvgLayers->size(), 1u);

  // An unmarked save inside a marked one: restoring it keeps the clipping,
  // restoring the outer one ends it.
  EmfWriter nested(100, 100);
  nested.SaveDc().IntersectClip(10, 10, 50, 50).SaveDc().Rectangle(0, 0, 100, 100).RestoreDc(-1);
  nested.Ellipse(0, 0, 100, 100).RestoreDc(-1).Rectangle(60, 60, 70, 70);
  const Picture picture = Emf(nested);
  const auto& layers = *picture.SvgLayers;
  ASSERT_GE(layers.size(), 2u);
  for (std::size_t i = 0; i + 1 < layers.size(); ++i) {
    EXPECT_EQ(ClipOf(layers[i]), (std::vector<PixelRect>{{10, 10, 50, 50}})) << i;
  }
  EXPECT_NE(layers[layers.size() - 2].Svg.find("<ellipse"), std::string::npos);
  EXPECT_FALSE(layers.back().Clipped);

  // Two levels restored at once, the outer marked, the inner not.
  EmfWriter both(100, 100);
  both.SaveDc().IntersectClip(10, 10, 50, 50).Rectangle(0, 0, 100, 100).SaveDc().RestoreDc(-2);
  both.Rectangle(60, 60, 70, 70);
  EXPECT_FALSE(Emf(both).SvgLayers->back().Clipped);
}

// The beginnings a big file is first tried on, each as the converter
// would read it.
std::vector<Bytes> BeginningsOf(const Bytes& file, int width, int height, bool past_budget = false) {
  std::vector<Bytes> beginnings;
  pictures::PictureBudget budget;
  pictures::PrepareEnhancedMetafile(file, width, height, budget, [&](Bytes& beginning, const auto&) {
    beginnings.push_back(beginning);
    return past_budget;
  });
  return beginnings;
}

TEST(EnhancedMetafileSvgTest, BigFilesAreFirstConvertedAsFarAsTheirBeginnings) {
  // 16000 rectangles and some paths over a big picture, few in the corner.
  EmfWriter big(8000, 8000);
  for (int i = 0; i < 16000; ++i) {
    const int x = i * 37 % 7900, y = i * 53 % 7900;
    if (i % 1000 == 999) big.BeginPath().MoveTo(x, y).LineTo(x + 50, y).LineTo(x, y + 50).EndPath().FillPath();
    big.Rectangle(x, y, x + 20, y + 10);
  }
  const Bytes file = big.File();
  pictures::PictureBudget budget;
  const auto whole = pictures::PrepareEnhancedMetafile(file, 8000, 8000, budget);
  ASSERT_TRUE(whole);
  const std::vector<Bytes> beginnings = BeginningsOf(file, 8000, 8000);
  ASSERT_EQ(beginnings.size(), 2u);
  constexpr std::size_t kHeader = 108, kEof = 20;
  std::size_t last = 0;
  for (const Bytes& bytes : beginnings) {
    ASSERT_GT(bytes.size(), last);
    last = bytes.size();
    EXPECT_LE(2 * bytes.size(), whole->bytes.size());
    EXPECT_EQ(U32At(bytes, 48), bytes.size());
    // The whole file's records up to a point, never inside a path, then the end.
    EXPECT_EQ(BytesView(bytes).substr(kHeader, bytes.size() - kHeader - kEof),
              BytesView(whole->bytes).substr(kHeader, bytes.size() - kHeader - kEof));
    int open_paths = 0;
    std::size_t pos = kHeader;
    while (pos + 8 <= bytes.size() && U32At(bytes, pos) != 14) {
      if (U32At(bytes, pos) == 59) ++open_paths;
      if (U32At(bytes, pos) == 60) --open_paths;
      pos += U32At(bytes, pos + 4);
    }
    EXPECT_EQ(open_paths, 0);
    EXPECT_EQ(pos + kEof, bytes.size());
  }
  // Within the budget, the beginnings change nothing; past it, the first
  // ends the file's preparation.
  EXPECT_EQ(DecodePicture(PictureFormat::EnhancedMetafile, file).Width, 8000);
  EXPECT_EQ(BeginningsOf(file, 8000, 8000, true).size(), 1u);
  // A small file is converted once.
  EXPECT_TRUE(BeginningsOf(test::ClipartEmf(200), 440, 280).empty());
  // A beginning holds markers enough for more layers than a picture may
  // have: one hatched shape after another.
  EXPECT_EQ(BeginningsOf(test::ShapesEmf(1 << 20, true), 440, 280).size(), 2u);
}

Bytes Region(std::initializer_list<std::array<int, 4>> rects) {
  Le data;
  data.U32(32).U32(1).U32(static_cast<std::uint32_t>(rects.size())).U32(0).I32(0).I32(0).I32(0).I32(0);
  for (const auto& r : rects) data.I32(r[0]).I32(r[1]).I32(r[2]).I32(r[3]);
  return data.bytes;
}

TEST(EnhancedMetafileSvgTest, RegionClippingInDevicePixels) {
  const Bytes region = Region({{5, 5, 15, 10}, {40, 40, 45, 50}});
  EmfWriter emf(100, 100);
  emf.Record(75, Le().U32(static_cast<std::uint32_t>(region.size())).U32(5).Raw(region).bytes);  // RGN_COPY
  emf.Rectangle(0, 0, 100, 100);
  emf.Record(75, Le().U32(0).U32(5).bytes);  // no region: clipping off
  emf.Rectangle(0, 0, 10, 10);
  const Picture p = Emf(emf);
  ASSERT_EQ(p.SvgLayers->size(), 2u);
  EXPECT_EQ(ClipOf((*p.SvgLayers)[0]), (std::vector<PixelRect>{{5, 5, 15, 10}, {40, 40, 45, 50}}));
  EXPECT_FALSE((*p.SvgLayers)[1].Clipped);
}

TEST(EnhancedMetafileSvgTest, HatchedFillsGetHatchLayers) {
  EmfWriter emf(100, 100);
  emf.Brush(1, test::kBsHatched, 0xFF0000, test::kHsBDiagonal).Select(1).Rectangle(10, 10, 50, 50);
  emf.BkMode(test::kTransparent).Rectangle(60, 60, 90, 90);
  const Picture p = Emf(emf);
  const auto& layers = *p.SvgLayers;
  // Opaque background: ground in the background colour, hatch, outline;
  // transparent: hatch and outline only.
  ASSERT_EQ(layers.size(), 5u);
  EXPECT_EQ(layers[0].Hatch, -1);
  EXPECT_NE(layers[0].Svg.find("fill=\"#FFFFFF\""), std::string::npos);
  EXPECT_EQ(layers[1].Hatch, test::kHsBDiagonal);
  EXPECT_EQ(layers[1].HatchColor, 0xFFFF0000u);
  EXPECT_EQ(layers[2].Hatch, -1);
  EXPECT_NE(layers[2].Svg.find("fill=\"none\""), std::string::npos);
  EXPECT_EQ(layers[3].Hatch, test::kHsBDiagonal);
  EXPECT_EQ(layers[4].Hatch, -1);
  EXPECT_EQ(Count(*p.Svg, "<pattern"), 2u);
}

TEST(EnhancedMetafileSvgTest, BitmapsReachTheSvgDecoded) {
  const test::Dib dib = Dib24(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
  // The same picture as 8-bit run-length data, which the converter
  // itself cannot read.
  test::Dib rle;
  Le palette;
  for (std::uint32_t c : {0xFF0000u, 0x00FF00u, 0x0000FFu, 0xFFFFFFu}) palette.U8(c).U8(c >> 8).U8(c >> 16).U8(0);
  rle.bits = Le().U8(1).U8(2).U8(1).U8(3).U8(0).U8(0).U8(1).U8(0).U8(1).U8(1).U8(0).U8(1).bytes;
  rle.info = Le().U32(40).I32(2).I32(2).U16(1).U16(8).U32(1).U32(static_cast<std::uint32_t>(rle.bits.size()))
                 .U32(0).U32(0).U32(4).U32(0).Raw(palette.bytes).bytes;
  // A rectangle gradient, which the converter ignores, becomes a strip.
  const Bytes gradient = Le().I32(0).I32(0).I32(0).I32(0).U32(2).U32(1).U32(0)
                             .I32(0).I32(20).U16(0xFF00).U16(0).U16(0).U16(0)
                             .I32(60).I32(30).U16(0).U16(0).U16(0xFF00).U16(0).U32(0).U32(1).bytes;
  const Picture p = Emf(
      EmfWriter(60, 30).StretchDiBits(0, 0, 20, 20, dib).StretchDiBits(30, 0, 20, 20, rle).Record(118, gradient));
  EXPECT_EQ(Count(*p.Svg, "<image"), 3u);
  EXPECT_EQ(Count(*p.Svg, "image-rendering=\"optimizeSpeed\""), 3u);
  EXPECT_EQ(Count(*p.Svg, "data:image/png;base64,"), 3u);
}

TEST(EnhancedMetafileSvgTest, RecordsGdiPassesOverLeaveTheFileWhole) {
  const Bytes emf_plus = Le().U32(16).U32(0x2B464D45).U32(0x4001).U32(12).bytes;  // "EMF+", a header record cut short
  const Bytes jpeg_dib = Le().U32(40).I32(2).I32(2).U16(1).U16(24).U32(4).U32(4).U32(0).U32(0).U32(0).U32(0).bytes;
  test::Dib jpeg{jpeg_dib, "JPEG"};
  const std::vector<EmfWriter> files = {
      EmfWriter(20, 20).RestoreDc(-3).Rectangle(0, 0, 5, 5),          // nothing saved
      EmfWriter(20, 20).RestoreDc(1).Rectangle(0, 0, 5, 5),           // not relative
      EmfWriter(20, 20).Pen(40, 0, 2, 0).Select(40).Rectangle(0, 0, 5, 5),  // beyond the header's table
      EmfWriter(20, 20).Select(0x8000000D).TextW(0, 0, u"x"),         // SYSTEM_FONT
      EmfWriter(20, 20).Record(70, emf_plus).Rectangle(0, 0, 5, 5),   // EMR_COMMENT with EMF+ data
      EmfWriter(20, 20).Record(200, "abcd").Rectangle(0, 0, 5, 5),    // no such record
      EmfWriter(20, 20).StretchDiBits(0, 0, 5, 5, jpeg),
      EmfWriter(20, 20).TextW(0, 0, u"\x0024\x0025", 0x10),        // ETO_GLYPH_INDEX: no characters
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(i);
    const Picture p = DecodePicture(PictureFormat::EnhancedMetafile, files[i].File(2));
    EXPECT_TRUE(p.Svg);
  }
}

TEST(EnhancedMetafileSvgTest, MalformedRecordsBreakTheFile) {
  const test::Dib dib = Dib24(2, 2, {0, 0, 0, 0});
  Bytes bad_bits = EmfWriter(1, 1).StretchDiBits(0, 0, 2, 2, dib).File().substr(88);
  bad_bits.resize(bad_bits.size() - 20);                 // drop EMR_EOF
  bad_bits.replace(8 + 48, 4, Le().U32(1000).bytes);     // offBitsSrc beyond the record
  // A run-length bitmap that claims far more pixels than a picture may have.
  test::Dib huge{Le().U32(40).I32(5000).I32(5000).U16(1).U16(8).U32(1).U32(2).U32(0).U32(0).U32(0).U32(0).bytes +
                     std::string(1024, '\0'),
                 Le().U8(0).U8(1).bytes};
  const std::vector<EmfWriter> files = {
      EmfWriter(20, 20).Record(43, Le().I32(0).I32(0).I32(5).bytes),  // RECTANGLE without its bottom
      EmfWriter(20, 20).Record(87, Le().I32(0).I32(0).I32(0).I32(0).U32(10).I16(1).I16(1).bytes),
      EmfWriter(20, 20).Record(91, Le().I32(0).I32(0).I32(0).I32(0).U32(1).U32(2).U32(3).I16(0).I16(0).I16(1).I16(1)
                                       .bytes),  // polygon counts do not add up
      EmfWriter(20, 20).Record(84, Le().I32(0).I32(0).I32(0).I32(0).U32(1).U32(0).U32(0).I32(0).I32(0).U32(4)
                                       .U32(500).U32(0).I32(0).I32(0).I32(0).I32(0).U32(0).bytes),  // text outside
      EmfWriter(20, 20).Record(82, Le().U32(1).I32(-12).bytes),  // a font without its LOGFONT
      EmfWriter(20, 20).RawRecord(bad_bits),
      EmfWriter(20, 20).Record(95, Le().U32(1).U32(0).U32(0).U32(0).U32(0).U32(0).U32(1).U32(0).U32(0).U32(0)
                                       .U32(5).bytes),  // EXTCREATEPEN with style entries it lacks
      EmfWriter(20, 20).Record(75, Le().U32(48).U32(5).Raw(Region({{0, 0, 1, 1}, {2, 2, 3, 3}}).substr(0, 48)).bytes),
      EmfWriter(20, 20).Record(118, Le().I32(0).I32(0).I32(0).I32(0).U32(1).U32(1).U32(0)
                                        .Raw(std::string(16, '\0')).U32(0).U32(7).bytes),  // vertex 7 of 1
      EmfWriter(20, 20).StretchDiBits(0, 0, 5, 5, huge),
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ErrorOf(files[i].File()), kBadMetafile);
  }
}

TEST(FontSubstitutionTest, MsFontsBecomeIpaFonts) {
  using pictures::SubstituteFontFamily;
  EXPECT_EQ(SubstituteFontFamily("ＭＳ ゴシック"), "IPAGothic");
  EXPECT_EQ(SubstituteFontFamily("MS Gothic"), "IPAGothic");
  EXPECT_EQ(SubstituteFontFamily("ms gothic"), "IPAGothic");
  EXPECT_EQ(SubstituteFontFamily("ＭＳ Ｐゴシック"), "IPAPGothic");
  EXPECT_EQ(SubstituteFontFamily("MS PGothic"), "IPAPGothic");
  EXPECT_EQ(SubstituteFontFamily("MS UI Gothic"), "IPAPGothic");
  EXPECT_EQ(SubstituteFontFamily("ＭＳ 明朝"), "IPAMincho");
  EXPECT_EQ(SubstituteFontFamily("ＭＳ Ｐ明朝"), "IPAPMincho");
  EXPECT_EQ(SubstituteFontFamily("MS Sans Serif"), "MS Sans Serif");
  EXPECT_EQ(SubstituteFontFamily("ゴシック"), "ゴシック");
  EXPECT_EQ(SubstituteFontFamily(""), "");
}

}  // namespace
}  // namespace torvane
