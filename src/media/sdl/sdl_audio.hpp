#pragma once

// The mixer and the loading code shared by the player and the headless
// runner, so that both accept and refuse exactly the same files.
#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdint>
#include <memory>

#include "media/sdl/midi_track.hpp"
#include "platform/bytes.hpp"
#include "platform/game_folder.hpp"

namespace torvane::sdl {

enum class AudioOutput {
  Device,  // the sound device, or silence when there is none
  Silent,  // the "dummy" driver with no thread: the mixer's decoders work,
           // nothing is mixed or heard, and a track plays until stopped
};

// Starts SDL audio and the mixer the first time it is called in the process;
// later calls keep what was opened. Without a sound device the player warns
// once on stderr and carries on as Silent. The devices call it when they
// first open something, so a game that plays nothing runs no audio thread.
void OpenAudio(AudioOutput output);

// Closes the audio when no music plays and no effect sounds, so that its
// thread ends; OpenAudio opens it again. The silent audio stays. Returns
// after how many milliseconds to try again, an effect still sounding, or 0.
std::int64_t ReleaseAudioIfQuiet();

// The player's levels in percent, 0 to 100: the music's (the mixer's music
// and the MIDI synthesizer's gain) and the effects' channel's. At once on
// what plays, and kept while the audio is closed.
void SetMusicLevel(int percent);
void SetEffectsLevel(int percent);

// The channel effects play on; it is kept out of Mix_PlayChannel(-1, ...).
inline constexpr int kEffectChannel = 0;

struct FreeMusic {
  void operator()(Mix_Music* music) const { Mix_FreeMusic(music); }
};
struct FreeChunk {
  void operator()(Mix_Chunk* chunk) const { Mix_FreeChunk(chunk); }
};
using MusicPtr = std::unique_ptr<Mix_Music, FreeMusic>;
using ChunkPtr = std::unique_ptr<Mix_Chunk, FreeChunk>;

// A track: MIDI on the shared synthesizer, or whatever else the mixer plays.
struct LoadedMusic {
  MusicPtr Mixer;
  std::unique_ptr<MidiTrack> Midi;
};

// The track `file` (as the script wrote it) names, with the decoder chosen by
// the file's content. Throws ScriptError(CannotOpenMusic) when the file is
// missing, not a regular file, or not music this build can decode.
// The audio must be open.
LoadedMusic LoadMusic(const platform::GameFolder& folder, BytesView file);

// The effect `file` names, read through folder.ReadFile and decoded from
// memory, cut at kEffectCutSeconds (effect_decoder.hpp); null when it cannot
// be found, read or decoded. The audio must be open.
ChunkPtr LoadEffect(const platform::GameFolder& folder, BytesView file);

}  // namespace torvane::sdl
