#pragma once

#include <memory>

#include "media/media_devices.hpp"
#include "platform/game_folder.hpp"

namespace torvane {

// Music on SDL2_mixer: MIDI (through FluidSynth), WAV, Ogg Vorbis, MP3 and
// FLAC, told apart by their content. The mixer plays one track at a time,
// so there is one SdlMusic in a process. The first track opened opens the
// audio, falling back to silence when there is no sound device.
class SdlMusic final : public MusicDevice {
 public:
  explicit SdlMusic(const platform::GameFolder& folder);
  ~SdlMusic() override;
  SdlMusic(const SdlMusic&) = delete;
  SdlMusic& operator=(const SdlMusic&) = delete;

  bool IsPlaying() override;
  // Pauses: a later Play() carries on from here.
  void Stop() override;
  void Open(BytesView file) override;
  // Resumes a stopped track, starts one that never started or played out,
  // and leaves a playing one alone.
  void Play() override;
  void Close() override;
  void OnPlayedOut(std::function<void()> notice) override;
  // Only with no track open: the loop timer restarts an open one.
  std::int64_t ReleaseWhenQuiet() override;
  void SetVolume(int percent) override;
  void ChooseSoundfont(const std::string& path) override;
  // Also told on stderr, once a run.
  void OnSilentMidi(std::function<void(const std::string& why)> notice) override;

  // Where the open track stands in seconds, or -1 when there is none or its
  // decoder cannot tell (MIDI).
  double PositionSeconds() const;

 private:
  struct Track;
  const platform::GameFolder& folder_;
  std::unique_ptr<Track> track_;
  std::function<void(const std::string&)> silent_midi_;
};

// Effects on one mixer channel of their own, apart from the music: a new
// effect cuts off the one still playing. Whatever Mix_LoadWAV_RW decodes
// plays (WAV, and Ogg Vorbis, FLAC, MP3 and MIDI as well).
class SdlSound final : public SoundDevice {
 public:
  explicit SdlSound(const platform::GameFolder& folder);
  ~SdlSound() override;
  SdlSound(const SdlSound&) = delete;
  SdlSound& operator=(const SdlSound&) = delete;

  // Ends the effect still playing, then starts `file` when it can be found
  // and decoded; false, with no message, when it cannot.
  bool Play(BytesView file) override;
  void SetVolume(int percent) override;

 private:
  struct Effect;
  const platform::GameFolder& folder_;
  std::unique_ptr<Effect> playing_;
};

}  // namespace torvane
