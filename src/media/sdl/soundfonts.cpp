#include "media/sdl/soundfonts.hpp"

#include <SDL.h>
#include <SDL_mixer.h>
#include <fluidsynth.h>
#include <malloc.h>

#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <set>

#include "media/sdl/subset_loader.hpp"
#include "media/soundfont_search.hpp"
#include "media/soundfont_subset.hpp"

namespace torvane::sdl {
namespace {

std::mutex font_mutex;
std::filesystem::path chosen_font;
std::filesystem::path font_root = "/";
int choice = 0;
std::set<std::filesystem::path> refused;  // by FluidSynth, for this choice
bool warned_chosen = false;

thread_local int quiet_depth = 0;

void FilteredLog(int level, const char* message, void* /*data*/) {
  if (quiet_depth == 0) fluid_default_log_function(level, message, nullptr);
}

// Set once, before any synthesizer exists; the filter reads a thread's own
// counter only.
void InstallLogFilter() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    fluid_set_log_function(FLUID_ERR, FilteredLog, nullptr);
    fluid_set_log_function(FLUID_WARN, FilteredLog, nullptr);
  });
}

void WarnChosenOnce() {
  if (warned_chosen) return;
  warned_chosen = true;
  std::fprintf(stderr, "torvane: the chosen soundfont %s cannot be used; trying the usual places\n",
               chosen_font.c_str());
}

}  // namespace

void ChooseSoundfont(const std::filesystem::path& chosen, const std::filesystem::path& root) {
  const std::lock_guard lock(font_mutex);
  if (chosen == chosen_font && root == font_root) return;
  chosen_font = chosen;
  font_root = root;
  ++choice;
  refused.clear();
  warned_chosen = false;
}

int SoundfontChoice() {
  const std::lock_guard lock(font_mutex);
  return choice;
}

namespace {

// Loads, with `load`, the first candidate FluidSynth takes; its id, or -1.
int LoadFirst(const std::function<int(const std::filesystem::path&)>& load, std::filesystem::path* taken) {
  InstallLogFilter();
  const std::lock_guard lock(font_mutex);
  const char* env = SDL_getenv("SDL_SOUNDFONTS");
  const QuietFluidSynth quiet;
  for (const std::filesystem::path& path : SoundfontCandidates(chosen_font, env ? env : "", font_root, IsReadableFile)) {
    if (refused.count(path)) continue;
    // Checked first: handed anything else, FluidSynth's DLS reader
    // complains on stderr past any log function.
    const int id = fluid_is_soundfont(path.c_str()) ? load(path) : FLUID_FAILED;
    if (id == FLUID_FAILED) {
      refused.insert(path);
      continue;
    }
    if (!chosen_font.empty() && path != chosen_font) WarnChosenOnce();
    Mix_SetSoundFonts(path.c_str());
    // Reading the soundfont's tables leaves megabytes of freed scratch in
    // the heap for the rest of the run; it goes back to the system here.
    malloc_trim(0);
    if (taken) *taken = path;
    return id;
  }
  if (!chosen_font.empty()) WarnChosenOnce();
  return -1;
}

}  // namespace

int LoadSoundfont(fluid_synth_t* synth) {
  return LoadFirst([synth](const std::filesystem::path& path) { return fluid_synth_sfload(synth, path.c_str(), 1); },
                   nullptr);
}

bool PresetsOnDemand::Load(fluid_synth_t* synth, const MidiPrograms& programs) {
  AddSubsetLoader(synth);
  // A soundfont is found for a track that selects nothing, too.
  const MidiPrograms first = programs.any() ? programs : kResetPrograms;
  return LoadFirst([&](const std::filesystem::path& path) { return LoadPresets(synth, path, first, true); },
                   &path_) != FLUID_FAILED;
}

void PresetsOnDemand::Need(fluid_synth_t* synth, const MidiPrograms& programs) {
  const MidiPrograms missing = programs & ~loaded_;
  if (missing.none() || path_.empty()) return;
  const QuietFluidSynth quiet;
  // Tried once: without them the channels play the presets FluidSynth
  // falls back on, as with a soundfont that lacks them.
  loaded_ |= missing;
  // The presets already loaded keep their channels as they are.
  if (LoadPresets(synth, path_, missing, false) != FLUID_FAILED) malloc_trim(0);
}

void PresetsOnDemand::Forget() {
  for (const std::string& name : names_) ForgetSubset(name);
  names_.clear();
  loaded_.reset();
  path_.clear();
}

int PresetsOnDemand::LoadPresets(fluid_synth_t* synth, const std::filesystem::path& path,
                                 const MidiPrograms& programs, bool reset) {
  if (std::optional<SoundfontSubset> subset = MakeSoundfontSubset(path, programs)) {
    // FluidSynth falls back on program 0 of bank 0 for a program that bank
    // 0 lacks, or the whole file does: that one comes with them.
    if (!programs.test(0) && !loaded_.test(0) && (programs & ~subset->bank_zero).any()) {
      return LoadPresets(synth, path, programs | kResetPrograms, reset);
    }
    // Nothing to load but on the first load, which must find a soundfont.
    if (subset->presets == 0 && !reset) return 0;
    if (subset->presets > 0) {
      const std::string name = NameSubset(path, std::move(*subset));
      const int id = fluid_synth_sfload(synth, name.c_str(), reset ? 1 : 0);
      if (id != FLUID_FAILED) {
        names_.push_back(name);
        loaded_ |= programs;
        return id;
      }
      ForgetSubset(name);
    }
  }
  // The whole file, on top: its presets are the ones found from now on.
  const int id = fluid_synth_sfload(synth, path.c_str(), reset ? 1 : 0);
  if (id != FLUID_FAILED) loaded_.set();
  return id;
}

void TellMixerSoundfont() {
  const std::lock_guard lock(font_mutex);
  const char* env = SDL_getenv("SDL_SOUNDFONTS");
  for (const std::filesystem::path& path : SoundfontCandidates(chosen_font, env ? env : "", font_root, IsReadableFile)) {
    if (refused.count(path)) continue;
    Mix_SetSoundFonts(path.c_str());
    return;
  }
}

QuietFluidSynth::QuietFluidSynth() {
  InstallLogFilter();
  ++quiet_depth;
}

QuietFluidSynth::~QuietFluidSynth() { --quiet_depth; }

}  // namespace torvane::sdl
