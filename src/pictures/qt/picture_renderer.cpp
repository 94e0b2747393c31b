#include "pictures/qt/picture_renderer.hpp"

#include <QBrush>
#include <QByteArray>
#include <QPainter>
#include <QRegion>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "pictures/qt/shown_canvas.hpp"
#include "pictures/qt/wmf_player.hpp"

namespace torvane::qt {
namespace {

QImage FromPixels(const Picture& picture) {
  QImage image(picture.Width, picture.Height, QImage::Format_ARGB32);
  if (image.isNull()) return image;
  const auto expected = static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height);
  if (picture.Pixels.size() != expected) {
    image.fill(Qt::transparent);
    return image;
  }
  for (int y = 0; y < picture.Height; ++y) {
    std::memcpy(image.scanLine(y), picture.Pixels.data() + static_cast<std::size_t>(y) * picture.Width,
                static_cast<std::size_t>(picture.Width) * 4);
  }
  return image;
}

Qt::BrushStyle HatchStyle(int hatch) {
  switch (hatch) {
    case 0:
      return Qt::HorPattern;
    case 1:
      return Qt::VerPattern;
    case 2:
      return Qt::FDiagPattern;
    case 3:
      return Qt::BDiagPattern;
    case 4:
      return Qt::CrossPattern;
    default:
      return Qt::DiagCrossPattern;
  }
}

// SVG Tiny, all QSvgRenderer reads before Qt 6.7, has neither clip paths
// nor patterns: the core cut the drawing into layers, each drawn under its
// own clipping region, hatches stencilled from their shapes.
void DrawSvgLayer(QPainter& painter, const SvgLayer& layer, QSize whole, QSize shown) {
  QSvgRenderer renderer(QByteArray::fromRawData(layer.Svg.data(), static_cast<qsizetype>(layer.Svg.size())));
  if (!renderer.isValid()) return;
  painter.save();
  if (layer.Clipped) {
    QRegion region;
    for (const PixelRect& r : layer.Clip) region += QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    painter.setClipRegion(region);
  }
  if (layer.Hatch < 0) {
    renderer.render(&painter, QRectF(QPointF(0, 0), whole));
  } else {
    // One 8 x 8 cell of the hatch, transparent between its lines, keeps
    // only what lies inside the shapes.
    QImage cell(8, 8, QImage::Format_ARGB32_Premultiplied);
    cell.fill(Qt::transparent);
    QPainter(&cell).fillRect(cell.rect(), QBrush(QColor::fromRgba(layer.HatchColor), HatchStyle(layer.Hatch)));
    ShownCanvas stencil(whole, shown);
    {
      const auto shapes = stencil.Painter();
      if (!shapes->isActive()) return painter.restore();
      renderer.render(shapes.get(), QRectF(QPointF(0, 0), whole));
      shapes->setCompositionMode(QPainter::CompositionMode_SourceIn);
      shapes->fillRect(QRect(QPoint(0, 0), shown), QBrush(cell));
    }
    painter.drawImage(QPoint(0, 0), stencil.Shown(QImage::Format_ARGB32_Premultiplied));
  }
  painter.restore();
}

QImage RenderEnhancedMetafile(const Picture& picture) {
  const QSize whole(picture.Width, picture.Height), shown = ShownSize(picture);
  ShownCanvas canvas(whole, shown);
  {
    const auto painter = canvas.Painter();
    if (painter->isActive() && picture.SvgLayers) {
      for (const SvgLayer& layer : *picture.SvgLayers) DrawSvgLayer(*painter, layer, whole, shown);
    } else if (painter->isActive() && picture.Svg) {
      QSvgRenderer renderer(QByteArray::fromRawData(picture.Svg->data(), static_cast<qsizetype>(picture.Svg->size())));
      if (renderer.isValid()) renderer.render(painter.get(), QRectF(QPointF(0, 0), whole));
    }
  }
  return canvas.Shown(QImage::Format_ARGB32);
}

// Plays the metafile through a scaling painter straight onto an image of
// the shown corner at the target resolution; the device's own edge does
// the clipping that ShownCanvas does at 1x.
QImage RenderMetafileAt(const Picture& picture, qreal resolution) {
  const QSize whole(picture.Width, picture.Height), shown = ShownSize(picture);
  const QSize device(static_cast<int>(std::ceil(shown.width() * resolution)),
                     static_cast<int>(std::ceil(shown.height() * resolution)));
  QImage image(device, QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return image;
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.scale(resolution, resolution);
    painter.setClipRect(QRect(QPoint(0, 0), shown));
    if (picture.Format == PictureFormat::Metafile) {
      if (picture.MetafileBytes) PlayWindowsMetafile(painter, *picture.MetafileBytes, whole);
    } else if (picture.SvgLayers) {
      for (const SvgLayer& layer : *picture.SvgLayers) DrawSvgLayer(painter, layer, whole, shown);
    } else if (picture.Svg) {
      QSvgRenderer renderer(QByteArray::fromRawData(picture.Svg->data(), static_cast<qsizetype>(picture.Svg->size())));
      if (renderer.isValid()) renderer.render(&painter, QRectF(QPointF(0, 0), whole));
    }
  }
  image.setDevicePixelRatio(resolution);
  return image;
}

}  // namespace

QSize ShownSize(const Picture& picture) {
  return QSize(std::clamp(picture.Width, 0, kShownWidth), std::clamp(picture.Height, 0, kShownHeight));
}

QImage RenderPicture(const Picture& picture) {
  switch (picture.Format) {
    case PictureFormat::Bitmap:
    case PictureFormat::Icon:
      return FromPixels(picture);
    case PictureFormat::Metafile:
      return RenderWindowsMetafile(picture);
    case PictureFormat::EnhancedMetafile:
      return RenderEnhancedMetafile(picture);
  }
  return FromPixels(picture);
}

}  // namespace torvane::qt

namespace torvane::qt {

QImage RenderPicture(const Picture& picture, qreal resolution) {
  const bool vector = picture.Format == PictureFormat::Metafile || picture.Format == PictureFormat::EnhancedMetafile;
  if (!vector || resolution == 1.0) return RenderPicture(picture);
  return RenderMetafileAt(picture, resolution);
}

}  // namespace torvane::qt
