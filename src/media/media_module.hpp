#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "media/media_devices.hpp"
#include "platform/game_folder.hpp"

namespace torvane {

// The player's music and effects live in a module loaded at run time, so
// that the window's first frame does not wait for SDL, FluidSynth and the
// forty-odd libraries behind them. The module and the program come from
// the same build; the version guards against a stale install.
struct MediaModuleApi {
  int Version;
  MusicDevice* (*NewMusic)(const platform::GameFolder& folder);
  SoundDevice* (*NewSound)(const platform::GameFolder& folder);
};

inline constexpr int kMediaModuleVersion = 2;
// The module's one exported symbol: extern "C" const MediaModuleApi* torvane_media_module().
inline constexpr char kMediaModuleEntry[] = "torvane_media_module";
inline constexpr char kMediaModuleFile[] = "torvane-sdl-media.so";

// Where the module may be, in order: beside the program (a build tree),
// then in the installed module folder, given relative to the program's.
std::vector<std::filesystem::path> MediaModuleCandidates(const std::filesystem::path& program_dir,
                                                         const std::filesystem::path& installed_dir_from_program);

// Loads the first candidate that opens and speaks this version. The module
// stays loaded for the life of the process. Null when none does, with the
// reason the last one gave in `error`.
const MediaModuleApi* LoadMediaModule(const std::vector<std::filesystem::path>& candidates, std::string& error);

// The player's devices: the module's, loaded when first asked for; silent
// ones that find files exactly as the game does when it will not load,
// after one warning on stderr.
class PlayerMedia {
 public:
  explicit PlayerMedia(std::vector<std::filesystem::path> candidates) : candidates_(std::move(candidates)) {}

  std::unique_ptr<MusicDevice> NewMusic(const platform::GameFolder& folder);
  std::unique_ptr<SoundDevice> NewSound(const platform::GameFolder& folder);

 private:
  const MediaModuleApi* Api();

  std::vector<std::filesystem::path> candidates_;
  bool tried_ = false;
  const MediaModuleApi* api_ = nullptr;
};

}  // namespace torvane
