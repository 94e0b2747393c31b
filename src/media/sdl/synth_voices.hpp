#pragma once

// The music synthesizer's voices, made as a track needs them. FluidSynth
// makes every voice of its polyphony up front, and its event queue is sized
// by the polyphony it is made with: 256 voices cost some 2.8 MB, where
// tracks rarely sound more than 40 at once. The synthesizer is made with
// kFirstVoices, whose queue still takes a hundred notes starting together
// on all sixteen channels, and grows to kMostVoices before a note could find no free
// voice, so that no note is cut that 256 voices would have played: the same
// sound to the bit.
struct _fluid_midi_event_t;

namespace torvane::sdl {

inline constexpr int kFirstVoices = 128;
inline constexpr int kMostVoices = 256;  // FluidSynth's default, as the mixer's decoder plays
// More voices than one note-on of any soundfont starts.
inline constexpr int kSpareVoices = 16;

// The polyphony to have before a note-on, with `active` voices sounding.
int VoicesBeforeNote(int polyphony, int active);

// A MIDI player's playback callback on the synthesizer in `synth`: grows
// its voices when a note-on needs room, then plays the event as
// FluidSynth's own callback does.
int PlayGrowingVoices(void* synth, _fluid_midi_event_t* event);

}  // namespace torvane::sdl
