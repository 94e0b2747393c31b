#include "media/sdl/virtual_media.hpp"

#include <cmath>

#include "media/sdl/sdl_audio.hpp"

namespace torvane {

bool VirtualMusic::Sounding(std::int64_t now) const {
  if (!open_ || state_ != State::Playing) return false;
  return !length_ms_ || now - run_start_ < *length_ms_ - played_ms_;
}

bool VirtualMusic::IsPlaying() { return Sounding(clock_.NowMs()); }

void VirtualMusic::Stop() {
  const std::int64_t now = clock_.NowMs();
  if (Sounding(now)) {
    played_ms_ += now - run_start_;
    state_ = State::Paused;
  } else if (state_ == State::Playing) {
    state_ = State::Stopped;  // it had played out
  }
}

void VirtualMusic::Open(BytesView file) {
  Close();
  sdl::OpenAudio(sdl::AudioOutput::Silent);
  // Loaded only for the check and the length: nothing is played.
  const sdl::LoadedMusic music = sdl::LoadMusic(folder_, file);
  // MIDI has no length the mixer reports.
  const double seconds = music.Mixer ? Mix_MusicDuration(music.Mixer.get()) : -1.0;
  length_ms_.reset();
  if (seconds > 0) length_ms_ = std::llround(seconds * 1000.0);
  open_ = true;
}

void VirtualMusic::Play() {
  const std::int64_t now = clock_.NowMs();
  if (!open_ || Sounding(now)) return;
  if (state_ != State::Paused) played_ms_ = 0;  // never started, or played out
  run_start_ = now;
  state_ = State::Playing;
}

void VirtualMusic::Close() {
  open_ = false;
  state_ = State::Stopped;
}

bool VirtualSound::Play(BytesView file) {
  sdl::OpenAudio(sdl::AudioOutput::Silent);
  return sdl::LoadEffect(folder_, file) != nullptr;
}

}  // namespace torvane
