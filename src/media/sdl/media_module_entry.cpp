// The entry of the media module the desktop player loads at run time.
#include "media/media_module.hpp"
#include "media/sdl/sdl_media.hpp"

extern "C" __attribute__((visibility("default"))) const torvane::MediaModuleApi* torvane_media_module() {
  static const torvane::MediaModuleApi api{
      torvane::kMediaModuleVersion,
      [](const torvane::platform::GameFolder& folder) -> torvane::MusicDevice* {
        return new torvane::SdlMusic(folder);
      },
      [](const torvane::platform::GameFolder& folder) -> torvane::SoundDevice* {
        return new torvane::SdlSound(folder);
      },
  };
  return &api;
}
