#include "media/sdl/synth_voices.hpp"

#include <fluidsynth.h>

#include <algorithm>

namespace torvane::sdl {

int VoicesBeforeNote(int polyphony, int active) {
  if (active + kSpareVoices <= polyphony) return polyphony;
  return std::min(kMostVoices, std::max(polyphony * 2, active + kSpareVoices));
}

int PlayGrowingVoices(void* data, fluid_midi_event_t* event) {
  auto* synth = static_cast<fluid_synth_t*>(data);
  // A note-on of velocity 0 is a note-off and starts nothing.
  if (fluid_midi_event_get_type(event) == 0x90 && fluid_midi_event_get_velocity(event) > 0) {
    const int polyphony = fluid_synth_get_polyphony(synth);
    const int wanted = VoicesBeforeNote(polyphony, fluid_synth_get_active_voice_count(synth));
    if (wanted != polyphony) fluid_synth_set_polyphony(synth, wanted);
  }
  return fluid_synth_handle_midi_event(synth, event);
}

}  // namespace torvane::sdl
