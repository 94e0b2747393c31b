#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// The General MIDI soundfonts systems install, in the order they are tried:
// Debian's (the small TimGM6mb first, the sound players have had so far),
// then Fedora's and Arch's. Absolute, read below a root.
extern const std::vector<std::string> kSystemSoundfonts;

// The soundfonts MIDI may play with, best first: the file the player chose,
// then each file SDL_SOUNDFONTS lists (separated by ':' or ';'), then the
// systems' usual places under `root`; only those `readable` says can be
// opened, each once. Empty: there is none, and MIDI is silent.
std::vector<std::filesystem::path> SoundfontCandidates(
    const std::filesystem::path& chosen, std::string_view env_list, const std::filesystem::path& root,
    const std::function<bool(const std::filesystem::path&)>& readable);

// A regular file this process may read.
bool IsReadableFile(const std::filesystem::path& path);

}  // namespace torvane
