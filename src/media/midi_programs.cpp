#include "media/midi_programs.hpp"

#include <cstddef>
#include <cstdint>

namespace torvane {
namespace {

class TrackReader {
 public:
  explicit TrackReader(std::string_view bytes) : bytes_(bytes) {}

  bool AtEnd() const { return pos_ == bytes_.size(); }

  bool Byte(std::uint8_t& out) {
    if (pos_ >= bytes_.size()) return false;
    out = static_cast<std::uint8_t>(bytes_[pos_++]);
    return true;
  }

  // A variable-length quantity: at most four bytes, as the format allows.
  bool Quantity(std::uint32_t& out) {
    out = 0;
    for (int i = 0; i < 4; ++i) {
      std::uint8_t byte = 0;
      if (!Byte(byte)) return false;
      out = (out << 7) | (byte & 0x7F);
      if ((byte & 0x80) == 0) return true;
    }
    return false;
  }

  bool Skip(std::uint32_t count) {
    if (count > bytes_.size() - pos_) return false;
    pos_ += count;
    return true;
  }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

// The data bytes of each channel message, by its high nibble 0x8 to 0xE.
int DataBytes(std::uint8_t status) { return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2; }

constexpr int kDrumChannel = 9;

// Reads events as FluidSynth's file player does: every status byte, a meta
// event's and a system exclusive one's too, becomes the running status, and
// a track ends at its end-of-track event.
bool ReadTrack(std::string_view bytes, MidiPrograms& programs) {
  TrackReader reader(bytes);
  std::uint8_t running = 0;
  // The channels this track has set a program on: a note on any other may
  // sound with the program a reset selected, whatever other tracks do.
  std::bitset<16> programmed;
  while (!reader.AtEnd()) {
    std::uint32_t delta = 0;
    std::uint8_t status = 0;
    if (!reader.Quantity(delta) || !reader.Byte(status)) return false;
    std::optional<std::uint8_t> first;
    if ((status & 0x80) == 0) {
      if (running == 0) return false;
      first = status;
      status = running;
    }
    running = status;
    const auto next = [&](std::uint8_t& out) {
      if (!first) return reader.Byte(out);
      out = *first;
      first.reset();
      return true;
    };
    if (status == 0xFF) {  // meta event: type, length, data
      std::uint8_t type = 0;
      std::uint32_t length = 0;
      if (!next(type) || !reader.Quantity(length) || !reader.Skip(length)) return false;
      if (type == 0x2F) return length == 0;
      continue;
    }
    if (status == 0xF0) {  // system exclusive: length, data
      std::uint32_t length = 0;
      if (first) return false;  // a length that starts with a pushed-back byte
      if (!reader.Quantity(length) || !reader.Skip(length)) return false;
      // It may reset the synthesizer or make any channel a drum channel.
      programs.set(0);
      continue;
    }
    if (status >= 0xF0) return false;  // refused by the player
    std::uint8_t data = 0;
    if (!next(data)) return false;
    const int channel = status & 0x0F;
    if ((status & 0xF0) == 0xC0) {
      programs.set(data & 0x7F);
      programmed.set(static_cast<std::size_t>(channel));
      // A kit the soundfont lacks falls back on the first.
      if (channel == kDrumChannel) programs.set(0);
    }
    std::uint8_t second = 0;
    if (DataBytes(status) == 2 && !reader.Byte(second)) return false;
    // A note-on of velocity 0 is a note-off, which needs no preset.
    const bool sounds = (status & 0xF0) == 0x90 && second != 0;
    if (sounds && !programmed.test(static_cast<std::size_t>(channel))) programs.set(0);
  }
  return true;
}

std::uint32_t BigEndian32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

}  // namespace

std::optional<MidiPrograms> ProgramsOfMidi(std::string_view smf) {
  MidiPrograms programs;
  std::size_t pos = 0;
  bool header = false;
  while (pos < smf.size()) {
    if (smf.size() - pos < 8) return std::nullopt;
    const std::string_view id = smf.substr(pos, 4);
    const std::uint32_t length = BigEndian32(smf, pos + 4);
    pos += 8;
    if (length > smf.size() - pos) return std::nullopt;
    if (!header) {
      if (id != "MThd") return std::nullopt;
      header = true;
    } else if (id == "MTrk" && !ReadTrack(smf.substr(pos, length), programs)) {
      return std::nullopt;
    }
    pos += length;
  }
  if (!header) return std::nullopt;
  return programs;
}

}  // namespace torvane
