#pragma once

#include <QImage>

#include "pictures/picture.hpp"

namespace torvane::qt {

// The picture as the window shows it, at its own size (drawn unscaled from
// a control's top-left corner and clipped by the caller): bitmaps and icons
// from their pixels, with alpha 0 where an icon's mask lets the window
// background show; metafiles drawn at the size their header gives.
QImage RenderPicture(const Picture& picture);

}  // namespace torvane::qt
