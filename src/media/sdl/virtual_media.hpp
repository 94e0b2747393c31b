#pragma once

#include <cstdint>
#include <optional>

#include "media/media_devices.hpp"
#include "platform/clock.hpp"
#include "platform/game_folder.hpp"

namespace torvane {

// The headless runner's music: a file opens or fails exactly as with
// SdlMusic (the same loading code, on SDL's "dummy" driver), and the track
// then "plays" on the virtual clock for the length its decoder reports,
// without a sound. A track whose length is unknown (MIDI) plays until
// stopped.
class VirtualMusic final : public MusicDevice {
 public:
  VirtualMusic(const platform::GameFolder& folder, const platform::Clock& clock) : folder_(folder), clock_(clock) {}

  bool IsPlaying() override;
  void Stop() override;
  void Open(BytesView file) override;
  void Play() override;
  void Close() override;

 private:
  enum class State { Stopped, Playing, Paused };

  // Still sounding at `now`: started, not stopped, and not yet played out.
  bool Sounding(std::int64_t now) const;

  const platform::GameFolder& folder_;
  const platform::Clock& clock_;
  bool open_ = false;
  std::optional<std::int64_t> length_ms_;  // nothing: never ends
  State state_ = State::Stopped;
  std::int64_t played_ms_ = 0;   // before the current run
  std::int64_t run_start_ = 0;  // when the current run began
};

// The headless runner's effects: Play() is true exactly when SdlSound would
// have started the effect, and nothing is heard.
class VirtualSound final : public SoundDevice {
 public:
  explicit VirtualSound(const platform::GameFolder& folder) : folder_(folder) {}
  bool Play(BytesView file) override;

 private:
  const platform::GameFolder& folder_;
};

}  // namespace torvane
