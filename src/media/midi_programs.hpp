#pragma once

// Which instruments a Standard MIDI File can ask for, read before it plays,
// so that a synthesizer loads only those presets of its soundfont.
#include <bitset>
#include <optional>
#include <string_view>

namespace torvane {

using MidiPrograms = std::bitset<128>;

// Every program a player of `smf` may hear: each that a program change
// names, on any channel and in any track, and the one a reset selects
// (program 0, the first kit on the drums' channel) when it may sound. It
// may when a note is played on a channel before a program change of the
// note's own track, when the drums' channel changes program (a kit the
// soundfont lacks falls back on the first), and when the file holds a
// system exclusive message. Empty when the file is not read to its end as a
// plain one (a running status with none set, an event cut short, a chunk
// past the end): another reader could find more there, so a caller then
// needs every program.
std::optional<MidiPrograms> ProgramsOfMidi(std::string_view smf);

// The program a synthesizer selects of itself on a reset, for every
// channel the drums' included: the first of each bank.
constexpr MidiPrograms kResetPrograms{1};

}  // namespace torvane
