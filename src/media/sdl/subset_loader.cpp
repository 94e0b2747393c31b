#include "media/sdl/subset_loader.hpp"

#include <fluidsynth.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace torvane::sdl {
namespace {

struct Subset {
  std::filesystem::path path;
  SoundfontSubset bytes;
};

// Read on whatever thread selects a preset.
std::mutex names_mutex;
std::map<std::string, std::shared_ptr<const Subset>> names;
int named = 0;

struct OpenFile {
  std::FILE* file = nullptr;
  std::shared_ptr<const Subset> subset;  // none: the file as it is
  std::uint64_t pos = 0;
};

void* Open(const char* name) {
  std::shared_ptr<const Subset> subset;
  {
    const std::lock_guard lock(names_mutex);
    if (const auto found = names.find(name); found != names.end()) subset = found->second;
  }
  std::FILE* file = std::fopen(subset ? subset->path.c_str() : name, "rb");
  if (!file) return nullptr;
  return new OpenFile{file, std::move(subset), 0};
}

// The subset's bytes [pos, pos + count): its header, the file's kept part,
// its preset list.
bool ReadSubset(OpenFile& open, char* out, std::uint64_t count) {
  const SoundfontSubset& bytes = open.subset->bytes;
  if (count > bytes.Size() || open.pos > bytes.Size() - count) return false;
  while (count > 0) {
    std::uint64_t part = 0;
    if (open.pos < bytes.header.size()) {
      part = std::min<std::uint64_t>(count, bytes.header.size() - open.pos);
      std::memcpy(out, bytes.header.data() + open.pos, part);
    } else if (open.pos < bytes.kept_end) {
      part = std::min<std::uint64_t>(count, bytes.kept_end - open.pos);
      if (fseeko(open.file, static_cast<off_t>(open.pos), SEEK_SET) != 0 || std::fread(out, 1, part, open.file) != part) {
        return false;
      }
    } else {
      part = count;
      std::memcpy(out, bytes.tail.data() + (open.pos - bytes.kept_end), part);
    }
    out += part;
    count -= part;
    open.pos += part;
  }
  return true;
}

int Read(void* buffer, fluid_long_long_t count, void* handle) {
  auto& open = *static_cast<OpenFile*>(handle);
  if (count < 0) return FLUID_FAILED;
  const auto wanted = static_cast<std::uint64_t>(count);
  if (!open.subset) return std::fread(buffer, 1, wanted, open.file) == wanted ? FLUID_OK : FLUID_FAILED;
  return ReadSubset(open, static_cast<char*>(buffer), wanted) ? FLUID_OK : FLUID_FAILED;
}

int Seek(void* handle, fluid_long_long_t offset, int origin) {
  auto& open = *static_cast<OpenFile*>(handle);
  if (!open.subset) return fseeko(open.file, static_cast<off_t>(offset), origin) == 0 ? FLUID_OK : FLUID_FAILED;
  const auto size = static_cast<fluid_long_long_t>(open.subset->bytes.Size());
  const fluid_long_long_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? static_cast<fluid_long_long_t>(open.pos) : size;
  if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) return FLUID_FAILED;
  if (offset < -base || offset > size - base) return FLUID_FAILED;
  open.pos = static_cast<std::uint64_t>(base + offset);
  return FLUID_OK;
}

fluid_long_long_t Tell(void* handle) {
  const auto& open = *static_cast<OpenFile*>(handle);
  return open.subset ? static_cast<fluid_long_long_t>(open.pos) : static_cast<fluid_long_long_t>(ftello(open.file));
}

int Close(void* handle) {
  const auto* open = static_cast<OpenFile*>(handle);
  std::fclose(open->file);
  delete open;
  return FLUID_OK;
}

}  // namespace

void AddSubsetLoader(fluid_synth_t* synth) {
  fluid_sfloader_t* loader = new_fluid_defsfloader(fluid_synth_get_settings(synth));
  if (!loader) return;
  fluid_sfloader_set_callbacks(loader, Open, Read, Seek, Tell, Close);
  // Tried before the loader the synthesizer was made with, which it owns.
  fluid_synth_add_sfloader(synth, loader);
}

std::string NameSubset(const std::filesystem::path& path, SoundfontSubset subset) {
  const std::lock_guard lock(names_mutex);
  // Never a file's name: FluidSynth shows it in its messages.
  std::string name = path.string() + " (presets " + std::to_string(++named) + ")";
  names[name] = std::make_shared<const Subset>(Subset{path, std::move(subset)});
  return name;
}

void ForgetSubset(const std::string& name) {
  const std::lock_guard lock(names_mutex);
  names.erase(name);
}

}  // namespace torvane::sdl
