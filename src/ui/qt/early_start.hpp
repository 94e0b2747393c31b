#pragma once

#include <future>

#include "ui/qt/form_assets.hpp"

namespace torvane::qt {

// Start-up work that needs no window, done on another thread while the
// application connects to the display: decoding the title picture, and
// reading the system's font configuration, which the menu bar's first
// measurement would otherwise wait for. Call it before creating the
// application; the window takes the assets from the result.
std::future<FormAssets> StartEarlyWork();

}  // namespace torvane::qt
