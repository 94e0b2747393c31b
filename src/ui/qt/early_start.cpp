#include "ui/qt/early_start.hpp"

#include <fontconfig/fontconfig.h>

namespace torvane::qt {

std::future<FormAssets> StartEarlyWork() {
  return std::async(std::launch::async, [] {
    FormAssets assets = LoadFormAssets();
    // Fontconfig is thread-safe; Qt finds the configuration already loaded.
    FcInit();
    return assets;
  });
}

}  // namespace torvane::qt
