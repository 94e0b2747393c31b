#include "media/media_module.hpp"

#include <dlfcn.h>

#include <iostream>

#include "media/silent_media.hpp"

namespace torvane {

std::vector<std::filesystem::path> MediaModuleCandidates(const std::filesystem::path& program_dir,
                                                         const std::filesystem::path& installed_dir_from_program) {
  return {program_dir / kMediaModuleFile,
          (program_dir / installed_dir_from_program / kMediaModuleFile).lexically_normal()};
}

const MediaModuleApi* LoadMediaModule(const std::vector<std::filesystem::path>& candidates, std::string& error) {
  error = "no place to look for " + std::string(kMediaModuleFile);
  for (const std::filesystem::path& path : candidates) {
    std::error_code missing;
    if (!std::filesystem::is_regular_file(path, missing)) {
      error = path.string() + ": no such file";
      continue;
    }
    // Never closed: the devices it makes, and SDL, live until exit.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      error = dlerror();
      continue;
    }
    using Entry = const MediaModuleApi* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(handle, kMediaModuleEntry));
    const MediaModuleApi* api = entry ? entry() : nullptr;
    if (!api || api->Version != kMediaModuleVersion || !api->NewMusic || !api->NewSound) {
      error = path.string() + ": not a media module of this version of torvane";
      continue;
    }
    return api;
  }
  return nullptr;
}

const MediaModuleApi* PlayerMedia::Api() {
  if (!tried_) {
    tried_ = true;
    std::string error;
    api_ = LoadMediaModule(candidates_, error);
    if (!api_) std::cerr << "torvane: playing without music or sound effects: " << error << "\n";
  }
  return api_;
}

std::unique_ptr<MusicDevice> PlayerMedia::NewMusic(const platform::GameFolder& folder) {
  if (const MediaModuleApi* api = Api()) return std::unique_ptr<MusicDevice>(api->NewMusic(folder));
  return std::make_unique<SilentMusic>(folder);
}

std::unique_ptr<SoundDevice> PlayerMedia::NewSound(const platform::GameFolder& folder) {
  if (const MediaModuleApi* api = Api()) return std::unique_ptr<SoundDevice>(api->NewSound(folder));
  return std::make_unique<SilentSound>(folder);
}

}  // namespace torvane
