#include "media/sdl/midi_track.hpp"

#include <SDL_mixer.h>
#include <fluidsynth.h>

#include <atomic>
#include <cstring>
#include <optional>

#include "media/midi_programs.hpp"
#include "media/sdl/soundfonts.hpp"
#include "media/sdl/synth_voices.hpp"

namespace torvane::sdl {
namespace {

// The process's one synthesizer, made when the first MIDI track opens and
// kept to the end, or made again for another soundfont. Its settings are
// FluidSynth's defaults, as the mixer's decoder takes them, but for loading
// a preset's samples when a channel first selects it, and for voices made
// as they are needed (synth_voices.hpp): the same sound, in a fraction of
// the memory. With no soundfont it still plays the tracks, to
// no sound, so that they open, end and loop as they would be heard.
struct SharedSynth {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  bool usable = false;
  bool has_font = false;
  int choice = -1;              // the soundfont choice it was made for
  double default_gain = 0.2;    // FluidSynth's, read from the settings
  const MidiTrack* last = nullptr;  // the track the synthesizer's state is of
  PresetsOnDemand presets;

  // Only while no track renders on it; with the presets of `programs`.
  void Make(const MidiPrograms& programs) {
    Free();
    choice = SoundfontChoice();
    int rate = 0, channels = 0;
    Uint16 format = 0;
    // The tracks render into the mixer's buffer directly.
    if (Mix_QuerySpec(&rate, &format, &channels) == 0 || format != AUDIO_S16SYS || channels != 2) return;
    settings = new_fluid_settings();
    if (!settings) return;
    fluid_settings_setnum(settings, "synth.sample-rate", rate);
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(settings, "synth.polyphony", kFirstVoices);
    fluid_settings_getnum_default(settings, "synth.gain", &default_gain);
    synth = new_fluid_synth(settings);
    usable = synth != nullptr;
    has_font = usable && presets.Load(synth, programs);
    ApplyLevel();
  }

  void Free() {
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
    synth = nullptr;
    settings = nullptr;
    presets.Forget();
    usable = has_font = false;
    last = nullptr;
  }

  void ApplyLevel() const {
    // At 100 % the gain is left as made: today's sound to the bit.
    const int level = music_level.load();
    if (synth && (level != 100 || fluid_synth_get_gain(synth) != static_cast<float>(default_gain))) {
      fluid_synth_set_gain(synth, static_cast<float>(default_gain * level / 100.0));
    }
  }

  static inline std::atomic<int> music_level{100};
};

SharedSynth& Shared() {
  static SharedSynth shared;
  return shared;
}

void (*played_out_hook)() = nullptr;
int hooked_tracks = 0;  // on the caller's thread only

}  // namespace

bool MidiTrack::IsMidi(std::string_view bytes) { return bytes.substr(0, 4) == "MThd"; }

std::unique_ptr<MidiTrack> MidiTrack::Open(std::string bytes) {
  if (!IsMidi(bytes)) return nullptr;
  SharedSynth& shared = Shared();
  // A file read otherwise than plainly may select any program.
  const MidiPrograms programs = ProgramsOfMidi(bytes).value_or(MidiPrograms().set());
  if (shared.choice != SoundfontChoice() && !AnyStarted()) shared.Make(programs);
  if (!shared.usable) return nullptr;
  // The mixer's decoder takes what its player takes; so does this.
  fluid_player_t* probe = new_fluid_player(shared.synth);
  if (!probe) return nullptr;
  const bool taken = fluid_player_add_mem(probe, bytes.data(), bytes.size()) == FLUID_OK;
  delete_fluid_player(probe);
  if (!taken) return nullptr;
  shared.presets.Need(shared.synth, programs);
  auto track = std::unique_ptr<MidiTrack>(new MidiTrack(std::move(bytes)));
  track->silent_ = !shared.has_font;
  return track;
}

void MidiTrack::SetLevel(int percent) {
  SharedSynth::music_level = percent;
  Shared().ApplyLevel();
}

MidiTrack::~MidiTrack() { Halt(); }

bool MidiTrack::AnyStarted() { return hooked_tracks > 0; }

void MidiTrack::SetPlayedOut(void (*played_out)()) { played_out_hook = played_out; }

void MidiTrack::Start() {
  SharedSynth& shared = Shared();
  {
    const std::lock_guard lock(mutex_);
    // With no soundfont every program change would warn of a missing preset.
    std::optional<QuietFluidSynth> quiet;
    if (silent_) quiet.emplace();
    if (player_) delete_fluid_player(player_);
    // Another track's channels, controllers and reverb tail are not this
    // one's: the mixer's decoder gave every track a synthesizer of its own.
    if (shared.last != this) fluid_synth_system_reset(shared.synth);
    shared.last = this;
    player_ = new_fluid_player(shared.synth);
    if (player_) fluid_player_set_playback_callback(player_, PlayGrowingVoices, shared.synth);
    const bool playing = player_ && fluid_player_add_mem(player_, bytes_.data(), bytes_.size()) == FLUID_OK &&
                         fluid_player_play(player_) == FLUID_OK;
    state_ = playing ? State::Playing : State::Stopped;
  }
  if (!hooked_) {
    Mix_HookMusic(Render, this);
    hooked_ = true;
    ++hooked_tracks;
  }
}

void MidiTrack::Pause() {
  const std::lock_guard lock(mutex_);
  if (state_ == State::Playing) state_ = State::Paused;
}

void MidiTrack::Resume() {
  const std::lock_guard lock(mutex_);
  if (state_ == State::Paused) state_ = State::Playing;
}

bool MidiTrack::Playing() const {
  const std::lock_guard lock(mutex_);
  return state_ == State::Playing;
}

bool MidiTrack::Paused() const {
  const std::lock_guard lock(mutex_);
  return state_ == State::Paused;
}

void MidiTrack::Halt() {
  if (hooked_) {
    // Under the mixer's lock: once it returns, Render no longer runs.
    Mix_HookMusic(nullptr, nullptr);
    hooked_ = false;
    --hooked_tracks;
  }
  const std::lock_guard lock(mutex_);
  if (player_) delete_fluid_player(player_);
  player_ = nullptr;
  state_ = State::Stopped;
  if (Shared().last == this) Shared().last = nullptr;
}

void MidiTrack::Render(void* self, Uint8* stream, int length) {
  auto& track = *static_cast<MidiTrack*>(self);
  bool ended = false;
  {
    const std::lock_guard lock(track.mutex_);
    // The mixer has filled the buffer with silence already.
    if (track.state_ != State::Playing) return;
    std::optional<QuietFluidSynth> quiet;
    if (track.silent_) quiet.emplace();
    fluid_synth_write_s16(Shared().synth, length / 4, stream, 0, 2, stream, 1, 2);
    // No gain is so small that dithering leaves nothing: silence is made here.
    if (SharedSynth::music_level == 0) std::memset(stream, 0, static_cast<std::size_t>(length));
    // The mixer's decoder ends the track where its player is done.
    if (fluid_player_get_status(track.player_) != FLUID_PLAYER_PLAYING) {
      track.state_ = State::Stopped;
      ended = true;
    }
  }
  if (ended && played_out_hook) played_out_hook();
}

}  // namespace torvane::sdl
