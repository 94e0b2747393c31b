#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/bytes.hpp"
#include "platform/clock.hpp"
#include "platform/game_folder.hpp"

namespace torvane {

// The music player as the game drives it. Only "playing" is told apart
// from every other mode. Who calls: `TForm1` ("@BGM", `Timer1Timer`, shutdown).
class MusicDevice {
 public:
  virtual ~MusicDevice() = default;
  // True only while a track plays; false with no file open.
  virtual bool IsPlaying() = 0;
  // Synchronous; the position stays where it was.
  virtual void Stop() = 0;
  // Closes any open file first, then opens `file` (as the script wrote it)
  // synchronously; raises an error naming the file when it cannot.
  virtual void Open(BytesView file) = 0;
  // Returns at once and plays to the end, from the start again when the
  // track had played out.
  virtual void Play() = 0;
  virtual void Close() = 0;
  // Asks to be told, from whichever thread notices it, when a track plays
  // out by itself, so that a front end may sleep while one plays; also
  // told, harmlessly, when a track is closed. An empty function stops it.
  // Devices whose tracks end on the clock they were given need not tell.
  virtual void OnPlayedOut(std::function<void()> /*notice*/) {}
  // Lets the sound device go when no track is open and no effect sounds, so
  // that no audio thread runs while the game waits; the next track or
  // effect opens it again. Returns after how many milliseconds to ask
  // again, an effect still sounding, or 0 when there is no need.
  virtual std::int64_t ReleaseWhenQuiet() { return 0; }

  // What a player hears, never what the game sees: the music's level in
  // percent, 0 to 100, where 100 is the file's own. It holds for the track
  // playing, at once, and for every later one. Devices nobody hears ignore it.
  virtual void SetVolume(int /*percent*/) {}
  // A soundfont file the player chose for MIDI, tried before the usual
  // places; empty for those alone. From the next track opened on.
  virtual void ChooseSoundfont(const std::string& /*path*/) {}
  // Asks to be told, on the thread that opens tracks, once a run, when MIDI
  // plays silently because no soundfont could be loaded.
  virtual void OnSilentMidi(std::function<void(const std::string& why)> /*notice*/) {}
};

// Fire-and-forget sound effects: asynchronous, silent when the sound is
// missing or unplayable, a new effect cutting off the one still playing,
// never touching the music.
class SoundDevice {
 public:
  virtual ~SoundDevice() = default;
  // True when the effect started.
  virtual bool Play(BytesView file) = 0;
  // The effects' level, as MusicDevice::SetVolume is the music's.
  virtual void SetVolume(int /*percent*/) {}
};

// A game's two devices, made for its folder and its clock.
struct MediaDevices {
  std::unique_ptr<MusicDevice> Music;
  std::unique_ptr<SoundDevice> Sounds;
};
using MediaFactory = std::function<MediaDevices(const platform::GameFolder& folder, const platform::Clock& clock)>;

}  // namespace torvane
