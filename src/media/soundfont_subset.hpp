#pragma once

// A soundfont cut down to the presets of some programs: the file as it is
// up to its preset tables, then tables that hold those presets and the
// instruments they play, and nothing else. A synthesizer that loads it
// finds, for any bank and any of those programs, the preset it would find
// in the whole file, and spends nothing on the others.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "media/midi_programs.hpp"

namespace torvane {

// The preset tables (the body of the "pdta" list, after its form type)
// holding only the presets whose program is in `programs`, in file order,
// and the instruments they use; the sample headers as they were. Empty when
// the tables are not laid out as the format has them, or an index points
// outside its table: the whole file is then for the synthesizer to judge.
std::optional<std::string> SubsetPresetTables(std::string_view tables, const MidiPrograms& programs);

// How many presets tables made by SubsetPresetTables hold.
std::size_t PresetCount(std::string_view tables);

// The programs those tables hold a preset of in `bank`.
MidiPrograms ProgramsInBank(std::string_view tables, std::uint32_t bank);

struct SoundfontSubset {
  std::string header;          // the file's first 12 bytes, with the new size
  std::uint64_t kept_end = 0;  // the file's bytes [12, kept_end) follow as they are
  std::string tail;            // then the new "pdta" list, whole
  std::size_t presets = 0;
  MidiPrograms bank_zero;      // the programs that have a preset in bank 0

  std::uint64_t Size() const { return kept_end + tail.size(); }
};

// The subset of the soundfont at `path` for `programs`. Empty when the file
// cannot be read, or is not a soundfont whose last chunk is its preset list.
std::optional<SoundfontSubset> MakeSoundfontSubset(const std::filesystem::path& path, const MidiPrograms& programs);

}  // namespace torvane
