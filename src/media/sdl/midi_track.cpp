#include "media/sdl/midi_track.hpp"

#include <SDL_mixer.h>
#include <fluidsynth.h>

namespace torvane::sdl {
namespace {

int LoadSoundFont(const char* path, void* synth) {
  return fluid_synth_sfload(static_cast<fluid_synth_t*>(synth), path, 1) != FLUID_FAILED;
}

// The process's one synthesizer, made when the first MIDI track opens and
// kept to the end. Its settings are FluidSynth's defaults, as the mixer's
// decoder takes them, but for loading a preset's samples when a channel
// first selects it: the same sound, in a fraction of the memory.
struct SharedSynth {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  bool usable = false;
  const MidiTrack* last = nullptr;  // the track the synthesizer's state is of

  SharedSynth() {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    // The tracks render into the mixer's buffer directly.
    if (Mix_QuerySpec(&rate, &format, &channels) == 0 || format != AUDIO_S16SYS || channels != 2) return;
    settings = new_fluid_settings();
    if (!settings) return;
    fluid_settings_setnum(settings, "synth.sample-rate", rate);
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    synth = new_fluid_synth(settings);
    usable = synth && Mix_EachSoundFont(LoadSoundFont, synth);
  }
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
  if (!shared.usable) return nullptr;
  // The mixer's decoder takes what its player takes; so does this.
  fluid_player_t* probe = new_fluid_player(shared.synth);
  if (!probe) return nullptr;
  const bool taken = fluid_player_add_mem(probe, bytes.data(), bytes.size()) == FLUID_OK;
  delete_fluid_player(probe);
  if (!taken) return nullptr;
  return std::unique_ptr<MidiTrack>(new MidiTrack(std::move(bytes)));
}

MidiTrack::~MidiTrack() { Halt(); }

bool MidiTrack::AnyStarted() { return hooked_tracks > 0; }

void MidiTrack::SetPlayedOut(void (*played_out)()) { played_out_hook = played_out; }

void MidiTrack::Start() {
  SharedSynth& shared = Shared();
  {
    const std::lock_guard lock(mutex_);
    if (player_) delete_fluid_player(player_);
    // Another track's channels, controllers and reverb tail are not this
    // one's: the mixer's decoder gave every track a synthesizer of its own.
    if (shared.last != this) fluid_synth_system_reset(shared.synth);
    shared.last = this;
    player_ = new_fluid_player(shared.synth);
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
    fluid_synth_write_s16(Shared().synth, length / 4, stream, 0, 2, stream, 1, 2);
    // The mixer's decoder ends the track where its player is done.
    if (fluid_player_get_status(track.player_) != FLUID_PLAYER_PLAYING) {
      track.state_ = State::Stopped;
      ended = true;
    }
  }
  if (ended && played_out_hook) played_out_hook();
}

}  // namespace torvane::sdl
