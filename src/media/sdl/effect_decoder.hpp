#pragma once

// Effects decoded from memory and cut at kEffectCutSeconds, so that no file
// can make the mixer decode hours of audio before the effect starts.
#include <SDL_mixer.h>

#include <string_view>

#include "media/sdl/sdl_audio.hpp"

namespace torvane::sdl {

// Real effects last seconds; a file longer than this plays its first minute.
inline constexpr int kEffectCutSeconds = 60;

// The bytes of the cut in the mixer's format. The audio must be open.
Uint32 EffectCutBytes();

// `bytes` as a chunk in the mixer's format: exactly what Mix_LoadWAV_RW
// gives for an effect within the cut, and its first kEffectCutSeconds
// (EffectCutBytes() long) for a longer one. Null exactly when
// Mix_LoadWAV_RW refuses the bytes. The audio must be open.
ChunkPtr DecodeEffect(std::string_view bytes);

}  // namespace torvane::sdl
