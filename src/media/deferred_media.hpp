#pragma once

#include <memory>
#include <optional>
#include <string>

#include "media/media_devices.hpp"

namespace torvane {

// A game's devices, made when the game first needs one or when asked to,
// whichever comes first: opening a sound device takes longer than showing
// the window. Before that nothing is open or playing.
class DeferredMedia {
 public:
  // A factory that is empty makes silent devices.
  DeferredMedia(MediaFactory factory, const platform::GameFolder& folder, const platform::Clock& clock);
  ~DeferredMedia();
  DeferredMedia(const DeferredMedia&) = delete;
  DeferredMedia& operator=(const DeferredMedia&) = delete;

  MusicDevice& Music();
  SoundDevice& Sounds();
  void MakeDevices();

 private:
  class LateMusic;
  class LateSound;

  MediaFactory factory_;
  const platform::GameFolder& folder_;
  const platform::Clock& clock_;
  MediaDevices devices_;
  std::function<void()> played_out_;  // for the music once it is made
  // What the player set before the devices were made, for when they are.
  std::optional<int> music_volume_;
  std::optional<int> effects_volume_;
  std::optional<std::string> soundfont_;
  std::function<void(const std::string&)> silent_midi_;
  std::unique_ptr<LateMusic> music_;
  std::unique_ptr<LateSound> sounds_;
};

}  // namespace torvane
