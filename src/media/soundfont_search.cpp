#include "media/soundfont_search.hpp"

#include <unistd.h>

#include <algorithm>

namespace torvane {

const std::vector<std::string> kSystemSoundfonts = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",         // Debian, timgm6mb-soundfont
    "/usr/share/sounds/sf2/default-GM.sf2",       // Debian's alternative
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",       // Debian, fluid-soundfont-gm
    "/usr/share/sounds/sf3/default-GM.sf3",       // Debian's alternative, compressed
    "/usr/share/sounds/sf3/MuseScore_General.sf3",
    "/usr/share/soundfonts/default.sf2",          // Fedora's link
    "/usr/share/soundfonts/FluidR3_GM.sf2",       // Fedora and Arch
    "/usr/share/soundfonts/FluidR3_GS.sf2",       // Arch
    "/usr/share/soundfonts/freepats-general-midi.sf2",
};

std::vector<std::filesystem::path> SoundfontCandidates(
    const std::filesystem::path& chosen, std::string_view env_list, const std::filesystem::path& root,
    const std::function<bool(const std::filesystem::path&)>& readable) {
  std::vector<std::filesystem::path> found;
  const auto offer = [&](const std::filesystem::path& path) {
    if (path.empty() || std::find(found.begin(), found.end(), path) != found.end()) return;
    if (readable(path)) found.push_back(path);
  };
  offer(chosen);
  while (!env_list.empty()) {
    const std::size_t end = std::min(env_list.find_first_of(":;"), env_list.size());
    offer(std::filesystem::path(env_list.substr(0, end)));
    env_list.remove_prefix(std::min(end + 1, env_list.size()));
  }
  for (const std::string& path : kSystemSoundfonts) offer(root / std::filesystem::path(path).relative_path());
  return found;
}

bool IsReadableFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), R_OK) == 0;
}

}  // namespace torvane
