// Metafiles are drawn only as far as the 440 x 280 scene control shows
// them. The references under fixtures/visible are the top-left corner of
// each picture as the renderer drew it at full size; the corner drawn now
// must match them pixel for pixel, to a level or two of edge blending.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "pictures/large_pictures.hpp"
#include "pictures/metafile_writers.hpp"
#include "pictures/qt/render_support.hpp"

namespace torvane {
namespace {

const std::filesystem::path kFixtures = std::filesystem::path(TORVANE_PICTURE_FIXTURES);

Bytes ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Qt's raster engine blends edges through code chosen for the processor,
// so edge pixels may come out a level apart from one machine to the next;
// a line stepped a pixel off changes them by far more.
constexpr int kEdgeLevels = 2;

bool Close(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) <= kEdgeLevels && std::abs(qGreen(a) - qGreen(b)) <= kEdgeLevels &&
         std::abs(qBlue(a) - qBlue(b)) <= kEdgeLevels && std::abs(qAlpha(a) - qAlpha(b)) <= kEdgeLevels;
}

// How many pixels differ and the box around them; an empty string when
// the images match.
std::string Differences(const QImage& got, const QImage& want) {
  if (got.size() != want.size()) {
    return "size " + std::to_string(got.width()) + "x" + std::to_string(got.height()) + " instead of " +
           std::to_string(want.width()) + "x" + std::to_string(want.height());
  }
  QRect box;
  int count = 0;
  for (int y = 0; y < want.height(); ++y) {
    for (int x = 0; x < want.width(); ++x) {
      if (Close(got.pixel(x, y), want.pixel(x, y))) continue;
      box |= QRect(x, y, 1, 1);
      ++count;
    }
  }
  if (count == 0) return "";
  return std::to_string(count) + " pixels in " + std::to_string(box.left()) + "," + std::to_string(box.top()) +
         " to " + std::to_string(box.right()) + "," + std::to_string(box.bottom());
}

void ExpectSameAsReference(PictureFormat format, BytesView file, const std::string& reference) {
  const QImage want = QImage(QString::fromStdString((kFixtures / "visible" / reference).string()))
                          .convertToFormat(QImage::Format_ARGB32);
  ASSERT_FALSE(want.isNull()) << reference;
  const QImage got = test::Rendered(format, file, "shown_" + reference.substr(0, reference.size() - 4));
  EXPECT_EQ(Differences(got, want), "") << reference;
}

TEST(ShownPartTest, CornerOfLargeMetafilesMatchesTheFullDrawing) {
  const Picture wmf = DecodePicture(PictureFormat::Metafile, test::LargeWmf());
  EXPECT_EQ(wmf.Width, test::kLargeWidth);  // the picture keeps its declared size
  EXPECT_EQ(wmf.Height, test::kLargeHeight);
  const Picture emf = DecodePicture(PictureFormat::EnhancedMetafile, test::LargeEmf());
  EXPECT_EQ(emf.Width, test::kLargeWidth);
  EXPECT_EQ(emf.Height, test::kLargeHeight);
  EXPECT_EQ(qt::ShownSize(wmf), QSize(440, 280));

  // The dashed line across the top runs on past the corner and passes
  // exactly between two rows at x = 400: Qt would step it a pixel lower
  // there on an image cut to the corner.
  ExpectSameAsReference(PictureFormat::Metafile, test::LargeWmf(), "large_wmf.png");
  ExpectSameAsReference(PictureFormat::EnhancedMetafile, test::LargeEmf(), "large_emf.png");
}

TEST(ShownPartTest, SceneSizedMetafilesAreUnchanged) {
  const std::filesystem::path demo = TORVANE_DEMO_DIR;
  ExpectSameAsReference(PictureFormat::Metafile, ReadAll(demo / "toudai.wmf"), "toudai.png");
  ExpectSameAsReference(PictureFormat::EnhancedMetafile, ReadAll(demo / "naka.emf"), "naka.png");
  ExpectSameAsReference(PictureFormat::Metafile, ReadAll(kFixtures / "scene.wmf"), "scene_wmf.png");
  ExpectSameAsReference(PictureFormat::EnhancedMetafile, ReadAll(kFixtures / "scene.emf"), "scene_emf.png");
}

TEST(ShownPartTest, SmallAndNarrowPicturesKeepTheirOwnSize) {
  test::WmfWriter narrow;
  narrow.WindowExt(100, 1000).Brush(test::kBsSolid, 0x00FF00).Select(0).Rectangle(0, 0, 100, 1000);
  const Picture picture = DecodePicture(PictureFormat::Metafile, narrow.File(1));
  EXPECT_EQ(qt::ShownSize(picture), QSize(100, 280));
  const QImage image = test::RenderedWmf(narrow.File(1), "shown_narrow");
  EXPECT_EQ(test::At(image, 50, 279), test::Opaque(0x00FF00));
}

// 32767 x 32767 pixels declared in 60 bytes: a 440 x 280 image, the
// window's rectangle drawn in it up to the edges.
TEST(ShownPartTest, HugeDeclaredSizeDrawsOnlyTheCorner) {
  test::WmfWriter wmf;
  wmf.WindowExt(32767, 32767).Brush(test::kBsSolid, 0xFF0000).Select(0).Rectangle(0, 0, 32767, 32767);
  const Bytes file = wmf.File(1);
  EXPECT_LE(file.size(), 80u);
  const Picture picture = DecodePicture(PictureFormat::Metafile, file);
  EXPECT_EQ(picture.Width, 32767);
  EXPECT_EQ(picture.Height, 32767);
  const QImage image = test::RenderedWmf(file, "shown_huge_wmf");
  for (const QPoint at : {QPoint(1, 1), QPoint(439, 279), QPoint(220, 140)}) {
    EXPECT_EQ(test::At(image, at.x(), at.y()), test::Opaque(0xFF0000)) << at.x() << "," << at.y();
  }
}

}  // namespace
}  // namespace torvane
