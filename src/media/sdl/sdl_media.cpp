#include "media/sdl/sdl_media.hpp"

#include <utility>

#include "media/sdl/sdl_audio.hpp"

namespace torvane {

struct SdlMusic::Track {
  sdl::MusicPtr music;
};

struct SdlSound::Effect {
  sdl::ChunkPtr chunk;
};

SdlMusic::SdlMusic(const platform::GameFolder& folder) : folder_(folder) { sdl::OpenAudio(sdl::AudioOutput::Device); }

SdlMusic::~SdlMusic() { Close(); }

bool SdlMusic::IsPlaying() { return track_ && Mix_PlayingMusic() && !Mix_PausedMusic(); }

void SdlMusic::Stop() {
  // Synchronous: Mix_PauseMusic holds the audio lock, so no more of the
  // track is mixed once it returns.
  if (track_) Mix_PauseMusic();
}

void SdlMusic::Open(BytesView file) {
  Close();
  track_ = std::make_unique<Track>(Track{sdl::LoadMusic(folder_, file)});
}

void SdlMusic::Play() {
  if (!track_) return;
  if (Mix_PlayingMusic()) {
    if (Mix_PausedMusic()) Mix_ResumeMusic();
    return;
  }
  // Never started, or played out and halted by the mixer: from the start,
  // once. A failure leaves the track stopped, and the loop timer tries again.
  Mix_PlayMusic(track_->music.get(), 1);
}

void SdlMusic::Close() {
  if (!track_) return;
  Mix_HaltMusic();
  track_.reset();
}

double SdlMusic::PositionSeconds() const { return track_ ? Mix_GetMusicPosition(track_->music.get()) : -1.0; }

SdlSound::SdlSound(const platform::GameFolder& folder) : folder_(folder) { sdl::OpenAudio(sdl::AudioOutput::Device); }

SdlSound::~SdlSound() {
  if (playing_) Mix_HaltChannel(sdl::kEffectChannel);
}

bool SdlSound::Play(BytesView file) {
  sdl::ChunkPtr next = sdl::LoadEffect(folder_, file);
  // Once halted, the mixer no longer reads the old chunk, so it can go.
  Mix_HaltChannel(sdl::kEffectChannel);
  playing_.reset();
  if (!next || Mix_PlayChannel(sdl::kEffectChannel, next.get(), 0) < 0) return false;
  playing_ = std::make_unique<Effect>(Effect{std::move(next)});
  return true;
}

}  // namespace torvane
