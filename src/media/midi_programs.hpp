#pragma once

// Which instruments a Standard MIDI File can ask for, read before it plays,
// so that a synthesizer loads only those presets of its soundfont.
#include <bitset>
#include <optional>
#include <string_view>

namespace torvane {

using MidiPrograms = std::bitset<128>;

// Every program number a program change of `smf` names, on any channel and
// in any track: what a player of the file may select. Empty when the file
// is not read to its end as a plain one (a running status with none set, an
// event cut short, a chunk past the end): another reader could find more
// there, so a caller then needs every program.
std::optional<MidiPrograms> ProgramsOfMidi(std::string_view smf);

// The programs a synthesizer selects of itself on a reset, for every
// channel the drums' included: the first of each bank.
constexpr MidiPrograms kResetPrograms{1};

}  // namespace torvane
