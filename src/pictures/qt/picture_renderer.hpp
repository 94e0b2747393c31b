#pragma once

#include <QImage>

#include "pictures/picture.hpp"

namespace torvane::qt {

// The picture as the window shows it, drawn unscaled from a control's
// top-left corner and clipped by the caller: bitmaps and icons whole from
// their pixels, with alpha 0 where an icon's mask lets the window
// background show; metafiles mapped onto the size their header gives but
// drawn only as far as the scene control shows them, their image at most
// kShownWidth x kShownHeight (see ShownSize).
QImage RenderPicture(const Picture& picture);

// The same picture for a painter that maps one pixel of it onto
// `resolution` device pixels (a scaled view, a high-density screen):
// metafiles are played again at that resolution, so their lines and text
// stay sharp, into an image whose device pixel ratio is `resolution`, so
// it draws over the same area as RenderPicture's. Bitmaps and icons keep
// their pixels; the painter scales them. At resolution 1 it is
// RenderPicture.
QImage RenderPicture(const Picture& picture, qreal resolution);

// The part of a metafile RenderPicture draws: its top-left corner, no
// larger than the scene control.
QSize ShownSize(const Picture& picture);

}  // namespace torvane::qt
