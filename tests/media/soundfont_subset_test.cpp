#include "media/soundfont_subset.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace torvane {
namespace {

std::string Le(std::uint32_t value, int width) {
  std::string out;
  for (int i = 0; i < width; ++i) out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
  return out;
}

std::string Name(const std::string& name) { return name + std::string(20 - name.size(), '\0'); }

std::string Chunk(const std::string& id, const std::string& body) { return id + Le(body.size(), 4) + body; }

struct Zone {
  std::vector<std::pair<int, int>> gens;  // operator, amount
  int mods = 0;
};

// The tables of a soundfont whose presets and instruments are given as
// lists of zones; preset zones name instruments with generator 41.
struct Tables {
  struct Preset {
    std::string name;
    int program, bank;
    std::vector<Zone> zones;
  };
  struct Instrument {
    std::string name;
    std::vector<Zone> zones;
  };
  std::vector<Preset> presets;
  std::vector<Instrument> instruments;

  static void Zones(const std::vector<Zone>& zones, std::string& bags, std::string& mods, std::string& gens) {
    for (const Zone& zone : zones) {
      bags += Le(gens.size() / 4, 2) + Le(mods.size() / 10, 2);
      for (int m = 0; m < zone.mods; ++m) mods += Le(0x0502, 2) + Le(48, 2) + Le(m, 2) + Le(0, 2) + Le(0, 2);
      for (const auto& [op, amount] : zone.gens) gens += Le(op, 2) + Le(amount, 2);
    }
  }

  std::string Build() const {
    std::string phdr, pbag, pmod, pgen, inst, ibag, imod, igen;
    for (const Preset& p : presets) {
      phdr += Name(p.name) + Le(p.program, 2) + Le(p.bank, 2) + Le(pbag.size() / 4, 2) + std::string(12, '\0');
      Zones(p.zones, pbag, pmod, pgen);
    }
    phdr += Name("EOP") + Le(0, 2) + Le(0, 2) + Le(pbag.size() / 4, 2) + std::string(12, '\0');
    pbag += Le(pgen.size() / 4, 2) + Le(pmod.size() / 10, 2);
    for (const Instrument& i : instruments) {
      inst += Name(i.name) + Le(ibag.size() / 4, 2);
      Zones(i.zones, ibag, imod, igen);
    }
    inst += Name("EOI") + Le(ibag.size() / 4, 2);
    ibag += Le(igen.size() / 4, 2) + Le(imod.size() / 10, 2);
    const std::string end_mod(10, '\0'), end_gen(4, '\0');
    std::string shdr;
    for (const char* sample : {"a", "b", "c", "EOS"}) shdr += Name(sample) + std::string(26, '\x01');
    return Chunk("phdr", phdr) + Chunk("pbag", pbag) + Chunk("pmod", pmod + end_mod) + Chunk("pgen", pgen + end_gen) +
           Chunk("inst", inst) + Chunk("ibag", ibag) + Chunk("imod", imod + end_mod) + Chunk("igen", igen + end_gen) +
           Chunk("shdr", shdr);
  }
};

constexpr int kInstrument = 41, kSample = 53, kPan = 17;

Tables Example() {
  Tables t;
  t.instruments = {{"strings", {{{{kPan, 7}, {kSample, 0}}, 1}}},
                   {"piano", {{{{kSample, 1}}, 0}, {{{kSample, 2}}, 2}}},
                   {"kit", {{{{kSample, 2}}, 0}}}};
  t.presets = {{"Piano", 0, 0, {{{{kInstrument, 1}}, 0}}},
               {"Strings", 5, 0, {{{{kPan, 100}}, 1}, {{{kInstrument, 0}}, 0}}},  // a global zone first
               {"Standard", 0, 128, {{{{kInstrument, 2}}, 0}}},
               {"Strings 2", 5, 8, {{{{kInstrument, 0}}, 0}}}};
  return t;
}

MidiPrograms Programs(std::initializer_list<int> numbers) {
  MidiPrograms out;
  for (int n : numbers) out.set(static_cast<std::size_t>(n));
  return out;
}

TEST(SoundfontSubsetTest, KeepsThePresetsOfTheProgramsAndTheInstrumentsTheyUse) {
  const Tables whole = Example();
  Tables strings;
  strings.instruments = {whole.instruments[0]};
  strings.presets = {whole.presets[1], whole.presets[3]};
  strings.presets[1].zones[0].gens = {{kInstrument, 0}};
  EXPECT_EQ(SubsetPresetTables(whole.Build(), Programs({5, 9})), strings.Build());

  // The instruments kept keep their order.
  Tables first;
  first.instruments = {whole.instruments[1], whole.instruments[2]};
  first.presets = {whole.presets[0], whole.presets[2]};
  first.presets[0].zones[0].gens = {{kInstrument, 0}};
  first.presets[1].zones[0].gens = {{kInstrument, 1}};
  EXPECT_EQ(SubsetPresetTables(whole.Build(), Programs({0})), first.Build());
  EXPECT_EQ(PresetCount(first.Build()), 2u);

  EXPECT_EQ(SubsetPresetTables(whole.Build(), MidiPrograms().set()), whole.Build());
  EXPECT_EQ(PresetCount(*SubsetPresetTables(whole.Build(), Programs({1}))), 0u);
}

TEST(SoundfontSubsetTest, TablesNotLaidOutAsTheFormatHasThemGiveNone) {
  Tables bad_instrument = Example();
  bad_instrument.presets[1].zones[1].gens = {{kInstrument, 3}};  // past the instruments
  EXPECT_EQ(SubsetPresetTables(bad_instrument.Build(), Programs({5})), std::nullopt);
  // Only the presets kept are read.
  EXPECT_NE(SubsetPresetTables(bad_instrument.Build(), Programs({0})), std::nullopt);

  const std::string tables = Example().Build();
  EXPECT_EQ(SubsetPresetTables(tables.substr(0, tables.size() - 1), Programs({0})), std::nullopt);
  std::string swapped = tables;
  swapped.replace(0, 4, "pbag");  // not in the format's order
  EXPECT_EQ(SubsetPresetTables(swapped, Programs({0})), std::nullopt);
  std::string backwards = tables;
  backwards[8 + 38 + 24] = 9;  // the second preset's first zone past the zones
  EXPECT_EQ(SubsetPresetTables(backwards, Programs({5})), std::nullopt);
}

class SoundfontFileTest : public ::testing::Test {
 protected:
  std::filesystem::path Write(const std::string& bytes) {
    const std::filesystem::path path = std::filesystem::path(::testing::TempDir()) / "subset_test.sf2";
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  static std::string Riff(const std::string& chunks) { return "RIFF" + Le(chunks.size() + 4, 4) + "sfbk" + chunks; }

  const std::string info = Chunk("LIST", "INFO" + Chunk("ifil", Le(2, 2) + Le(1, 2)));
  const std::string samples = Chunk("LIST", "sdta" + Chunk("smpl", std::string(64, '\x11')));
  const std::string presets = Chunk("LIST", "pdta" + Example().Build());
};

TEST_F(SoundfontFileTest, TheFileUpToItsPresetListThenTheNewList) {
  const std::string file = Riff(info + samples + presets);
  const auto subset = MakeSoundfontSubset(Write(file), Programs({5}));
  ASSERT_TRUE(subset);
  const std::string tables = *SubsetPresetTables(Example().Build(), Programs({5}));
  EXPECT_EQ(subset->kept_end, 12 + info.size() + samples.size());
  EXPECT_EQ(subset->tail, Chunk("LIST", "pdta" + tables));
  EXPECT_EQ(subset->presets, 2u);
  EXPECT_EQ(subset->bank_zero, Programs({5}));  // "Strings 2" is in bank 8
  EXPECT_EQ(subset->header, "RIFF" + Le(subset->Size() - 8, 4) + "sfbk");
  EXPECT_EQ(subset->Size(), Riff(info + samples + subset->tail).size());
}

TEST_F(SoundfontFileTest, APresetListThatIsNotLastOrNoSoundfontGivesNone) {
  EXPECT_EQ(MakeSoundfontSubset(Write(Riff(info + presets + samples)), Programs({5})), std::nullopt);
  std::string not_a_font = Riff(info + samples + presets);
  not_a_font.replace(8, 4, "WAVE");
  EXPECT_EQ(MakeSoundfontSubset(Write(not_a_font), Programs({5})), std::nullopt);
  const std::string cut = Riff(info + samples + presets);
  EXPECT_EQ(MakeSoundfontSubset(Write(cut.substr(0, cut.size() - 8)), Programs({5})), std::nullopt);
  EXPECT_EQ(MakeSoundfontSubset("/no/such/font.sf2", Programs({5})), std::nullopt);
  // A chunk that claims to run far past the file's end.
  std::string overlong = Riff(info + samples + presets);
  overlong.replace(16, 4, Le(0xFFFFFFF0u, 4));
  EXPECT_EQ(MakeSoundfontSubset(Write(overlong), Programs({5})), std::nullopt);
}

}  // namespace
}  // namespace torvane
