#include "media/midi_programs.hpp"

#include <gtest/gtest.h>

#include <string>

namespace torvane {
namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string out;
  for (int b : bytes) out.push_back(static_cast<char>(b));
  return out;
}

std::string Chunk(const std::string& id, const std::string& body) {
  const std::size_t n = body.size();
  return id + Bytes({static_cast<int>(n >> 24 & 0xFF), static_cast<int>(n >> 16 & 0xFF), static_cast<int>(n >> 8 & 0xFF),
                     static_cast<int>(n & 0xFF)}) +
         body;
}

const std::string kHeader = Chunk("MThd", Bytes({0, 1, 0, 2, 1, 0xE0}));
const std::string kEnd = Bytes({0, 0xFF, 0x2F, 0});

MidiPrograms Programs(std::initializer_list<int> numbers) {
  MidiPrograms out;
  for (int n : numbers) out.set(static_cast<std::size_t>(n));
  return out;
}

TEST(ProgramsOfMidiTest, EveryProgramChangeOfEveryTrackAndChannel) {
  const std::string first = Bytes({0, 0xC0, 5,           // explicit
                                   0x81, 0x00, 7,        // running status, a two-byte delta
                                   0, 0x99, 36, 100,     // a note on the drums' channel
                                   0, 0xC9, 16}) + kEnd;  // the drum kit
  const std::string second = Bytes({0, 0xB3, 0, 8, 0, 32, 0,  // bank select, running status
                                    0, 0xC3, 40, 0, 0xE3, 0, 64}) + kEnd;
  const std::string smf = kHeader + Chunk("MTrk", first) + Chunk("XFIH", Bytes({0xC0, 99})) + Chunk("MTrk", second);
  // 0 for the drums: the note before their program change, and the kit.
  EXPECT_EQ(ProgramsOfMidi(smf), Programs({0, 5, 7, 16, 40}));
  EXPECT_EQ(ProgramsOfMidi(kHeader), MidiPrograms());
}

TEST(ProgramsOfMidiTest, TheResetsProgramWhereItMaySound) {
  const auto one_track = [](std::initializer_list<int> events) {
    return kHeader + Chunk("MTrk", Bytes(events) + kEnd);
  };
  // Every channel set before its notes: the reset's program is never heard.
  EXPECT_EQ(ProgramsOfMidi(one_track({0, 0xC0, 89, 0, 0x90, 60, 100, 0, 0xC3, 46, 0, 0x93, 40, 90})), Programs({46, 89}));
  // A note-on of velocity 0 ends a note; a controller needs no preset.
  EXPECT_EQ(ProgramsOfMidi(one_track({0, 0x91, 60, 0, 0, 0xB1, 7, 100, 0, 0xC1, 5})), Programs({5}));
  // A note before the channel's program change, or on another channel.
  EXPECT_EQ(ProgramsOfMidi(one_track({0, 0x90, 60, 100, 0, 0xC0, 89})), Programs({0, 89}));
  EXPECT_EQ(ProgramsOfMidi(one_track({0, 0xC0, 89, 0, 0x91, 60, 100})), Programs({0, 89}));
  // The drums' channel, and a system exclusive message anywhere.
  EXPECT_EQ(ProgramsOfMidi(one_track({0, 0xC9, 25, 0, 0x99, 36, 100})), Programs({0, 25}));
  EXPECT_EQ(ProgramsOfMidi(one_track({0, 0xF0, 2, 0x7E, 0xF7, 0, 0xC0, 89})), Programs({0, 89}));
  // Another track's program change may come later: each track sets its
  // own channels first.
  const std::string sets = Bytes({0, 0xC2, 33}) + kEnd;
  const std::string plays = Bytes({0, 0x92, 50, 100}) + kEnd;
  EXPECT_EQ(ProgramsOfMidi(kHeader + Chunk("MTrk", sets) + Chunk("MTrk", plays)), Programs({0, 33}));
}

TEST(ProgramsOfMidiTest, ReadsAsThePlayerDoes) {
  // Bytes of a program change inside a text, a system exclusive message
  // and after the end of the track are no program change.
  const std::string hidden = Bytes({0, 0xFF, 0x01, 2, 0xC0, 9, 0, 0xF0, 3, 0xC1, 10, 0xF7}) + kEnd + Bytes({0, 0xC0, 11});
  // The system exclusive message itself may reset: program 0.
  EXPECT_EQ(ProgramsOfMidi(kHeader + Chunk("MTrk", hidden)), Programs({0}));
  // A meta event sets the running status as any status does: the data
  // bytes after it are another meta event, a text holding 0xC3.
  const std::string after_meta = Bytes({0, 0xFF, 0x01, 1, 0x41, 0, 0x01, 1, 0xC3}) + kEnd;
  EXPECT_EQ(ProgramsOfMidi(kHeader + Chunk("MTrk", after_meta)), MidiPrograms());
}

TEST(ProgramsOfMidiTest, AFileNotReadPlainlyToItsEndGivesNone) {
  const auto with_track = [](const std::string& events) { return kHeader + Chunk("MTrk", events); };
  EXPECT_EQ(ProgramsOfMidi(""), std::nullopt);
  EXPECT_EQ(ProgramsOfMidi(Chunk("MTrk", kEnd)), std::nullopt);                       // no header first
  EXPECT_EQ(ProgramsOfMidi(with_track(Bytes({0, 5}) + kEnd)), std::nullopt);          // no running status yet
  EXPECT_EQ(ProgramsOfMidi(with_track(Bytes({0, 0xC0}))), std::nullopt);              // cut short
  EXPECT_EQ(ProgramsOfMidi(with_track(Bytes({0, 0xF1, 0}) + kEnd)), std::nullopt);    // refused by the player
  EXPECT_EQ(ProgramsOfMidi(with_track(Bytes({0x80, 0x80, 0x80, 0x80, 0}))), std::nullopt);  // a delta past four bytes
  EXPECT_EQ(ProgramsOfMidi(with_track(Bytes({0, 0xFF, 0x2F, 1, 0}))), std::nullopt);  // an end with a length
  EXPECT_EQ(ProgramsOfMidi(with_track(Bytes({0, 0xFF, 0x01, 9, 0}))), std::nullopt);  // a text past its chunk
  const std::string whole = with_track(Bytes({0, 0xC0, 3}) + kEnd);
  EXPECT_EQ(ProgramsOfMidi(whole.substr(0, whole.size() - 1)), std::nullopt);         // a chunk past the end
  EXPECT_EQ(ProgramsOfMidi(whole), Programs({3}));
}

}  // namespace
}  // namespace torvane
