#include "pictures/qt/shown_canvas.hpp"

#include <sys/mman.h>

#include <QPaintEngine>
#include <QRegion>

#include <cstdint>

namespace torvane::qt {
namespace {

struct Mapping {
  void* address;
  std::size_t length;
};

void Unmap(void* info) {
  const auto* mapping = static_cast<Mapping*>(info);
  munmap(mapping->address, mapping->length);
  delete mapping;
}

// Zero-filled (transparent) address space for `size`; untouched pages
// take no memory. A null image when the system refuses the reservation.
QImage ReservedImage(QSize size) {
  if (size.isEmpty()) return QImage();
  const auto stride = static_cast<std::size_t>(size.width()) * 4;
  const std::size_t length = stride * static_cast<std::size_t>(size.height());
  void* address = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (address == MAP_FAILED) return QImage();
  auto* mapping = new Mapping{address, length};
  QImage image(static_cast<uchar*>(address), size.width(), size.height(), static_cast<qsizetype>(stride),
               QImage::Format_ARGB32_Premultiplied, &Unmap, mapping);
  if (image.isNull()) Unmap(mapping);
  return image;
}

}  // namespace

ShownCanvas::ShownCanvas(QSize whole, QSize shown) : shown_(shown) {
  if (shown.isEmpty()) return;
  image_ = ReservedImage(whole);
  if (image_.isNull()) {
    // Without the reservation, an image of the corner alone: lines that
    // run on past its edges may then fall a pixel apart from a full-size
    // drawing.
    image_ = QImage(shown, QImage::Format_ARGB32_Premultiplied);
    image_.fill(Qt::transparent);
  }
}

std::unique_ptr<QPainter> ShownCanvas::Painter() {
  if (image_.isNull()) return std::make_unique<QPainter>();
  // The system clip bounds every later clip a painter sets or removes; the
  // raster engine still clips line geometry to the whole device, as it
  // would on a full-size image.
  image_.paintEngine()->setSystemClip(QRegion(0, 0, shown_.width(), shown_.height()));
  return std::make_unique<QPainter>(&image_);
}

QImage ShownCanvas::Shown(QImage::Format format) const {
  if (image_.isNull()) {
    QImage blank(shown_, format);
    blank.fill(Qt::transparent);
    return blank;
  }
  return image_.copy(0, 0, shown_.width(), shown_.height()).convertToFormat(format);
}

}  // namespace torvane::qt
