#pragma once

#include <QImage>
#include <QPainter>
#include <QSize>

#include "platform/bytes.hpp"
#include "pictures/picture.hpp"

namespace torvane::qt {

// Plays a Windows metafile that DecodePicture accepted onto `painter`, as
// GDI would: the placeable header's box (or, without one, the picture's
// size in logical units) is mapped onto `size` pixels from the painter's
// origin, and the metafile's own mapping records take it from there.
// Records it does not know, or whose parameters are cut short, are passed
// over; playing never fails.
void PlayWindowsMetafile(QPainter& painter, BytesView file, QSize size);

// The picture's shown part (ShownSize) drawn onto a transparent image:
// pixels the records do not touch let the window background through.
QImage RenderWindowsMetafile(const Picture& picture);

}  // namespace torvane::qt
