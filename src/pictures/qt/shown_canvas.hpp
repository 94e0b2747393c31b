#pragma once

#include <QImage>
#include <QPainter>
#include <QSize>

#include <memory>

namespace torvane::qt {

// Where a metafile is drawn: an image of the picture's whole size, so that
// Qt places every line and shape exactly as on a full-size image, of which
// only the shown corner can be painted. Its memory is reserved address
// space, not allocated: the pages outside the corner are never touched, so
// a 32767 x 32767 picture costs what a 440 x 280 one does.
class ShownCanvas {
 public:
  // `whole` is the picture's size, `shown` the corner drawn (no larger).
  ShownCanvas(QSize whole, QSize shown);
  ShownCanvas(const ShownCanvas&) = delete;
  ShownCanvas& operator=(const ShownCanvas&) = delete;

  // A painter on the canvas that cannot paint outside the shown corner,
  // whatever clipping the caller sets. Inactive when the canvas has no area.
  std::unique_ptr<QPainter> Painter();

  // The shown corner, as drawn so far.
  QImage Shown(QImage::Format format) const;

 private:
  QSize shown_;
  QImage image_;  // transparent to begin with
};

}  // namespace torvane::qt
