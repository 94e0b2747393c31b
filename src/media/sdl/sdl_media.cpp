#include "media/sdl/sdl_media.hpp"

#include <cstdio>
#include <mutex>
#include <utility>

#include "media/sdl/sdl_audio.hpp"
#include "media/sdl/soundfonts.hpp"

namespace torvane {

namespace {

// The mixer's end-of-track hook is one per process, as the mixer's music is.
// It runs on the audio thread under the mixer's lock; the hook is set once
// and never while this mutex is held, so the two locks never cross.
std::mutex played_out_mutex;
std::function<void()> played_out;

void TrackFinished() {
  const std::lock_guard lock(played_out_mutex);
  if (played_out) played_out();
}

}  // namespace

struct SdlMusic::Track {
  sdl::LoadedMusic music;
};

struct SdlSound::Effect {
  sdl::ChunkPtr chunk;
};

SdlMusic::SdlMusic(const platform::GameFolder& folder) : folder_(folder) {}

SdlMusic::~SdlMusic() {
  OnPlayedOut({});
  Close();
}

void SdlMusic::OnPlayedOut(std::function<void()> notice) {
  // The hook itself is set when the first track opens the audio.
  const std::lock_guard lock(played_out_mutex);
  played_out = std::move(notice);
}

bool SdlMusic::IsPlaying() {
  if (!track_) return false;
  if (track_->music.Midi) return track_->music.Midi->Playing();
  return Mix_PlayingMusic() && !Mix_PausedMusic();
}

void SdlMusic::Stop() {
  // Synchronous: Mix_PauseMusic holds the audio lock, so no more of the
  // track is mixed once it returns.
  if (!track_) return;
  if (track_->music.Midi) track_->music.Midi->Pause();
  else Mix_PauseMusic();
}

void SdlMusic::Open(BytesView file) {
  Close();
  sdl::OpenAudio(sdl::AudioOutput::Device);
  Mix_HookMusicFinished(TrackFinished);
  sdl::MidiTrack::SetPlayedOut(TrackFinished);
  track_ = std::make_unique<Track>(Track{sdl::LoadMusic(folder_, file)});
  static bool told_silent = false;  // the synthesizer is one a process
  if (track_->music.Midi && track_->music.Midi->Silent() && !told_silent) {
    told_silent = true;
    const std::string why = "no soundfont for MIDI music could be loaded; MIDI plays silently";
    std::fprintf(stderr, "torvane: %s\n", why.c_str());
    if (silent_midi_) silent_midi_(why);
  }
}

void SdlMusic::SetVolume(int percent) { sdl::SetMusicLevel(percent); }

void SdlMusic::ChooseSoundfont(const std::string& path) { sdl::ChooseSoundfont(path); }

void SdlMusic::OnSilentMidi(std::function<void(const std::string&)> notice) { silent_midi_ = std::move(notice); }

void SdlMusic::Play() {
  if (!track_) return;
  if (sdl::MidiTrack* midi = track_->music.Midi.get()) {
    if (midi->Paused()) midi->Resume();
    else if (!midi->Playing()) midi->Start();
    return;
  }
  if (Mix_PlayingMusic()) {
    if (Mix_PausedMusic()) Mix_ResumeMusic();
    return;
  }
  // Never started, or played out and halted by the mixer: from the start,
  // once. A failure leaves the track stopped, and the loop timer tries again.
  Mix_PlayMusic(track_->music.Mixer.get(), 1);
}

void SdlMusic::Close() {
  if (!track_) return;
  if (!track_->music.Midi) Mix_HaltMusic();
  track_.reset();
}

std::int64_t SdlMusic::ReleaseWhenQuiet() { return track_ ? 0 : sdl::ReleaseAudioIfQuiet(); }

double SdlMusic::PositionSeconds() const {
  return track_ && track_->music.Mixer ? Mix_GetMusicPosition(track_->music.Mixer.get()) : -1.0;
}

SdlSound::SdlSound(const platform::GameFolder& folder) : folder_(folder) {}

void SdlSound::SetVolume(int percent) { sdl::SetEffectsLevel(percent); }

SdlSound::~SdlSound() {
  if (playing_) Mix_HaltChannel(sdl::kEffectChannel);
}

bool SdlSound::Play(BytesView file) {
  sdl::OpenAudio(sdl::AudioOutput::Device);
  sdl::ChunkPtr next = sdl::LoadEffect(folder_, file);
  // Once halted, the mixer no longer reads the old chunk, so it can go.
  Mix_HaltChannel(sdl::kEffectChannel);
  playing_.reset();
  if (!next || Mix_PlayChannel(sdl::kEffectChannel, next.get(), 0) < 0) return false;
  playing_ = std::make_unique<Effect>(Effect{std::move(next)});
  return true;
}

}  // namespace torvane
