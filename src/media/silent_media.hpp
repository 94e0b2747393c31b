#pragma once

#include "media/media_devices.hpp"
#include "platform/game_folder.hpp"

namespace torvane {

// The player's silent fallback, and the devices of tests and tools: files
// are found and opened exactly as the real player finds them, and nothing
// is heard. A silent track never ends by itself.
class SilentMusic final : public MusicDevice {
 public:
  explicit SilentMusic(const platform::GameFolder& folder) : folder_(folder) {}
  bool IsPlaying() override { return open_ && playing_; }
  void Stop() override { playing_ = false; }
  void Open(BytesView file) override;
  void Play() override { playing_ = open_; }
  void Close() override { open_ = playing_ = false; }

 private:
  const platform::GameFolder& folder_;
  bool open_ = false;
  bool playing_ = false;
};

class SilentSound final : public SoundDevice {
 public:
  explicit SilentSound(const platform::GameFolder& folder) : folder_(folder) {}
  bool Play(BytesView file) override;

 private:
  const platform::GameFolder& folder_;
};

}  // namespace torvane
