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

// The part of a metafile RenderPicture draws: its top-left corner, no
// larger than the scene control.
QSize ShownSize(const Picture& picture);

}  // namespace torvane::qt
