#pragma once

// MIDI music on one FluidSynth synthesizer shared by the whole process, so
// that the soundfont is read once per run rather than once per track, as
// the mixer's own MIDI decoder would. A track renders straight into the
// mixer's music slot (Mix_HookMusic), as the mixer's decoder would have.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

struct _fluid_player_t;

namespace torvane::sdl {

class MidiTrack {
 public:
  // A Standard MIDI File, by its first bytes, as the mixer tells it.
  static bool IsMidi(std::string_view bytes);

  // The track in `bytes`, when the mixer's FluidSynth decoder would accept
  // it; null when the shared synthesizer cannot play the mixer's format or
  // refuses the bytes, and the mixer's own decoders are to decide. With no
  // soundfont to load, the track plays to no sound. The audio must be open.
  static std::unique_ptr<MidiTrack> Open(std::string bytes);

  // The music's level in percent, as the synthesizer's gain: the mixer's
  // own music volume does not reach what is hooked into its music slot.
  // At once, and for every later track.
  static void SetLevel(int percent);

  ~MidiTrack();
  MidiTrack(const MidiTrack&) = delete;
  MidiTrack& operator=(const MidiTrack&) = delete;

  // From the start, replacing whatever the mixer's music slot played.
  void Start();
  // Synchronous: nothing more is rendered once it returns.
  void Pause();
  void Resume();
  // Started, not paused, and not played out.
  bool Playing() const;
  bool Paused() const;
  // Frees the music slot; the track can be started again.
  void Halt();
  // Plays to no sound, for want of a soundfont.
  bool Silent() const { return silent_; }

  // Whether any track holds the mixer's music slot.
  static bool AnyStarted();
  // Called on the audio thread, under the mixer's lock, when a track plays out.
  static void SetPlayedOut(void (*played_out)());

 private:
  enum class State { Stopped, Playing, Paused };
  explicit MidiTrack(std::string bytes) : bytes_(std::move(bytes)) {}
  static void Render(void* self, unsigned char* stream, int length);

  std::string bytes_;
  mutable std::mutex mutex_;  // between the audio thread and the caller's
  State state_ = State::Stopped;
  _fluid_player_t* player_ = nullptr;
  bool hooked_ = false;
  bool silent_ = false;
};

}  // namespace torvane::sdl
