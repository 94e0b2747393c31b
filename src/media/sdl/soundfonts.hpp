#pragma once

// Which soundfont MIDI plays with, for the music's synthesizer and the
// effects' alike, so that both load the same file, each once per run.
#include <filesystem>
#include <string>
#include <vector>

#include "media/midi_programs.hpp"

struct _fluid_synth_t;

namespace torvane::sdl {

// The player's chosen file, tried first (soundfont_search.hpp); `root` is
// where the systems' usual places are looked for, "/" but in tests. Counts
// as a new choice when it differs from the one before.
void ChooseSoundfont(const std::filesystem::path& chosen, const std::filesystem::path& root = "/");

// Goes up with every new choice: a synthesizer made for an older one loads
// its soundfont again.
int SoundfontChoice();

// Loads into `synth` the first candidate FluidSynth takes, quietly, and
// tells the mixer's own decoders to use it too. Its id in `synth`, or -1
// when none loads. A chosen file that cannot be used is warned of once.
int LoadSoundfont(_fluid_synth_t* synth);

// The soundfont of a synthesizer that holds only the presets its tracks
// can select (soundfont_subset.hpp), loaded as tracks first need them, each
// once: a track sounds as with the whole file, for a fraction of the memory.
class PresetsOnDemand {
 public:
  // Loads the first candidate, as LoadSoundfont, with the presets of
  // `programs` (ProgramsOfMidi), and program 0 as well should FluidSynth
  // fall back on it for one of them; false when none loads.
  bool Load(_fluid_synth_t* synth, const MidiPrograms& programs);
  // Adds, from the same file, the presets of those of `programs` not loaded
  // yet, leaving every channel's preset as it is.
  void Need(_fluid_synth_t* synth, const MidiPrograms& programs);
  // Once the synthesizer is deleted.
  void Forget();

 private:
  int LoadPresets(_fluid_synth_t* synth, const std::filesystem::path& path, const MidiPrograms& programs, bool reset);

  std::filesystem::path path_;
  MidiPrograms loaded_;
  std::vector<std::string> names_;  // of the subsets loaded
};

// Names the first candidate to the mixer's own decoders, unloaded: what
// they use until a synthesizer has loaded one.
void TellMixerSoundfont();

// While one lives, FluidSynth's warnings and errors on this thread are not
// printed: a file tried and refused, a preset gone with a soundfont taken
// back, are expected here and reported, when they matter, by torvane.
class QuietFluidSynth {
 public:
  QuietFluidSynth();
  ~QuietFluidSynth();
  QuietFluidSynth(const QuietFluidSynth&) = delete;
  QuietFluidSynth& operator=(const QuietFluidSynth&) = delete;
};

}  // namespace torvane::sdl
