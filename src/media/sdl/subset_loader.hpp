#pragma once

// Soundfont subsets (soundfont_subset.hpp) as FluidSynth loads them: under
// a name of their own, read through file callbacks that give the kept part
// of the real file and the new preset list after it. FluidSynth opens a
// soundfont again by its name whenever a preset's samples are first needed,
// so a name stays readable until it is forgotten.
#include <filesystem>
#include <string>

#include "media/soundfont_subset.hpp"

struct _fluid_synth_t;

namespace torvane::sdl {

// Makes `synth` read soundfonts through the callbacks: names given by
// NameSubset as their subsets, any other name as the file it names.
void AddSubsetLoader(_fluid_synth_t* synth);

// A new name for `subset` of the soundfont at `path`.
std::string NameSubset(const std::filesystem::path& path, SoundfontSubset subset);

// Once no synthesizer holds a soundfont loaded under `name`.
void ForgetSubset(const std::string& name);

}  // namespace torvane::sdl
