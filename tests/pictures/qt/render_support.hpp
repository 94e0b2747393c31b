#pragma once

// Decoding and rendering a picture for the Qt renderer tests, with each
// image kept under the build folder for a look.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QRect>
#include <QString>

#include <string>

#include "pictures/picture.hpp"
#include "pictures/qt/picture_renderer.hpp"

namespace torvane::test {

inline QImage Rendered(PictureFormat format, BytesView file, const std::string& artefact) {
  const Picture picture = DecodePicture(format, file);
  QImage image = qt::RenderPicture(picture);
  EXPECT_EQ(image.format(), QImage::Format_ARGB32);
  EXPECT_EQ(image.size(), qt::ShownSize(picture));
  QDir().mkpath(TORVANE_TEST_ARTIFACTS);
  image.save(QString(TORVANE_TEST_ARTIFACTS) + "/" + QString::fromStdString(artefact) + ".png");
  return image;
}

inline QImage RenderedWmf(BytesView file, const std::string& artefact) {
  return Rendered(PictureFormat::Metafile, file, artefact);
}

inline QImage RenderedEmf(BytesView file, const std::string& artefact) {
  return Rendered(PictureFormat::EnhancedMetafile, file, artefact);
}

// 0xAARRGGBB; 0 where the picture lets the background through.
inline QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y); }

inline constexpr QRgb kNone = 0;
inline constexpr QRgb Opaque(std::uint32_t rgb) { return 0xFF000000u | rgb; }

// The box around every pixel of exactly `color`; empty when there is none.
inline QRect InkBox(const QImage& image, QRgb color, int* count = nullptr) {
  QRect box;
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == color) {
        box |= QRect(x, y, 1, 1);
        ++n;
      }
    }
  }
  if (count) *count = n;
  return box;
}

}  // namespace torvane::test
