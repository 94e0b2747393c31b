#include "media/soundfont_subset.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <vector>

#include "platform/little_endian.hpp"

namespace torvane {
namespace {

void PutLittle(std::string& bytes, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void AppendLittle(std::string& out, std::uint32_t value, int width) {
  out.append(static_cast<std::size_t>(width), '\0');
  PutLittle(out, out.size() - width, value, width);
}

// One table of fixed-size records, the last of which only ends the one
// before it.
struct Table {
  std::string_view bytes;
  std::size_t width = 0;

  std::size_t Records() const { return bytes.size() / width; }
  std::string_view Record(std::size_t i) const { return bytes.substr(i * width, width); }
  std::uint32_t Field(std::size_t i, std::size_t at) const { return U16At(bytes, i * width + at); }
};

// The nine tables, in the order the format lays them out.
constexpr std::array<std::pair<std::string_view, std::size_t>, 9> kTables{{
    {"phdr", 38}, {"pbag", 4}, {"pmod", 10}, {"pgen", 4}, {"inst", 22},
    {"ibag", 4}, {"imod", 10}, {"igen", 4}, {"shdr", 46},
}};
enum TableIndex { kPhdr, kPbag, kPmod, kPgen, kInst, kIbag, kImod, kIgen, kShdr };

constexpr std::uint32_t kInstrumentGenerator = 41;

std::optional<std::array<Table, 9>> ReadTables(std::string_view body) {
  std::array<Table, 9> tables;
  std::size_t pos = 0;
  for (std::size_t t = 0; t < kTables.size(); ++t) {
    if (body.size() - pos < 8 || body.substr(pos, 4) != kTables[t].first) return std::nullopt;
    const std::uint32_t size = U32At(body, pos + 4);
    pos += 8;
    // Each table ends with its terminal record.
    if (size > body.size() - pos || size % kTables[t].second != 0 || size < kTables[t].second) return std::nullopt;
    tables[t] = Table{body.substr(pos, size), kTables[t].second};
    pos += size + (size & 1);
  }
  return tables;
}

void AppendTable(std::string& out, std::string_view id, const std::string& records) {
  out.append(id);
  AppendLittle(out, static_cast<std::uint32_t>(records.size()), 4);
  out.append(records);
}

// Copies the zones [first, end) of `bags` with their generators and
// modulators onto the ends of the new tables; true when every index lies
// within its table and `names_instrument` takes every instrument a
// generator names.
class ZoneCopy {
 public:
  ZoneCopy(const Table& zone_bags, const Table& zone_mods, const Table& zone_gens)
      : bags(zone_bags), mods(zone_mods), gens(zone_gens) {}

  const Table& bags;
  const Table& mods;
  const Table& gens;
  std::string new_bags, new_mods, new_gens;

  template <typename NamesInstrument>
  bool Copy(std::size_t first, std::size_t end, NamesInstrument names_instrument) {
    if (first > end || end >= bags.Records()) return false;
    for (std::size_t b = first; b < end; ++b) {
      const std::uint32_t gen_from = bags.Field(b, 0), gen_to = bags.Field(b + 1, 0);
      const std::uint32_t mod_from = bags.Field(b, 2), mod_to = bags.Field(b + 1, 2);
      if (gen_from > gen_to || gen_to >= gens.Records() || mod_from > mod_to || mod_to >= mods.Records()) return false;
      AppendLittle(new_bags, static_cast<std::uint32_t>(new_gens.size() / 4), 2);
      AppendLittle(new_bags, static_cast<std::uint32_t>(new_mods.size() / 10), 2);
      for (std::uint32_t m = mod_from; m < mod_to; ++m) new_mods.append(mods.Record(m));
      for (std::uint32_t g = gen_from; g < gen_to; ++g) {
        const std::string_view record = gens.Record(g);
        if (U16At(record, 0) == kInstrumentGenerator && !names_instrument(U16At(record, 2))) return false;
        new_gens.append(record);
      }
    }
    return true;
  }

  // The terminal records, as the file had them, pointing past the last.
  std::string Terminal() const {
    std::string terminal(bags.Record(bags.Records() - 1));
    PutLittle(terminal, 0, static_cast<std::uint32_t>(new_gens.size() / 4), 2);
    PutLittle(terminal, 2, static_cast<std::uint32_t>(new_mods.size() / 10), 2);
    return terminal;
  }
  std::string Mods() const { return new_mods + std::string(mods.Record(mods.Records() - 1)); }
  std::string Gens() const { return new_gens + std::string(gens.Record(gens.Records() - 1)); }
};

// A header record (preset or instrument) pointing at its first zone.
std::string HeaderRecord(std::string_view record, std::size_t bag_at, std::size_t first_bag) {
  std::string out(record);
  PutLittle(out, bag_at, static_cast<std::uint32_t>(first_bag), 2);
  return out;
}

}  // namespace

std::optional<std::string> SubsetPresetTables(std::string_view body, const MidiPrograms& programs) {
  const auto tables = ReadTables(body);
  if (!tables) return std::nullopt;
  const Table& phdr = (*tables)[kPhdr];
  const Table& inst = (*tables)[kInst];
  const std::size_t presets = phdr.Records() - 1;
  const std::size_t instruments = inst.Records() - 1;

  const auto kept = [&](std::size_t p) {
    const std::uint32_t program = phdr.Field(p, 20);
    return program < programs.size() && programs.test(program);
  };
  ZoneCopy preset_zones((*tables)[kPbag], (*tables)[kPmod], (*tables)[kPgen]);
  std::vector<bool> used(instruments, false);
  std::string new_phdr;
  for (std::size_t p = 0; p < presets; ++p) {
    if (!kept(p)) continue;
    new_phdr += HeaderRecord(phdr.Record(p), 24, preset_zones.new_bags.size() / 4);
    const bool fits = preset_zones.Copy(phdr.Field(p, 24), phdr.Field(p + 1, 24), [&](std::uint32_t i) {
      if (i >= instruments) return false;
      used[i] = true;
      return true;
    });
    if (!fits) return std::nullopt;
  }
  new_phdr += HeaderRecord(phdr.Record(presets), 24, preset_zones.new_bags.size() / 4);

  // The instruments kept keep their order among themselves; the presets'
  // generators name them by their new places.
  std::vector<std::uint32_t> renamed(instruments, 0);
  std::vector<std::size_t> kept_instruments;
  for (std::size_t i = 0; i < instruments; ++i) {
    if (!used[i]) continue;
    renamed[i] = static_cast<std::uint32_t>(kept_instruments.size());
    kept_instruments.push_back(i);
  }
  for (std::size_t at = 0; at < preset_zones.new_gens.size(); at += 4) {
    if (U16At(preset_zones.new_gens, at) == kInstrumentGenerator) {
      PutLittle(preset_zones.new_gens, at + 2, renamed[U16At(preset_zones.new_gens, at + 2)], 2);
    }
  }

  ZoneCopy instrument_zones((*tables)[kIbag], (*tables)[kImod], (*tables)[kIgen]);
  std::string new_inst;
  for (const std::size_t i : kept_instruments) {
    new_inst += HeaderRecord(inst.Record(i), 20, instrument_zones.new_bags.size() / 4);
    // An instrument generator has no meaning in an instrument: left as it is.
    if (!instrument_zones.Copy(inst.Field(i, 20), inst.Field(i + 1, 20), [](std::uint32_t) { return true; })) {
      return std::nullopt;
    }
  }
  new_inst += HeaderRecord(inst.Record(instruments), 20, instrument_zones.new_bags.size() / 4);

  std::string out;
  AppendTable(out, "phdr", new_phdr);
  AppendTable(out, "pbag", preset_zones.new_bags + preset_zones.Terminal());
  AppendTable(out, "pmod", preset_zones.Mods());
  AppendTable(out, "pgen", preset_zones.Gens());
  AppendTable(out, "inst", new_inst);
  AppendTable(out, "ibag", instrument_zones.new_bags + instrument_zones.Terminal());
  AppendTable(out, "imod", instrument_zones.Mods());
  AppendTable(out, "igen", instrument_zones.Gens());
  AppendTable(out, "shdr", std::string((*tables)[kShdr].bytes));
  return out;
}

std::size_t PresetCount(std::string_view tables) {
  const auto read = ReadTables(tables);
  return read ? (*read)[kPhdr].Records() - 1 : 0;
}

MidiPrograms ProgramsInBank(std::string_view tables, std::uint32_t bank) {
  MidiPrograms programs;
  const auto read = ReadTables(tables);
  if (!read) return programs;
  const Table& phdr = (*read)[kPhdr];
  for (std::size_t p = 0; p + 1 < phdr.Records(); ++p) {
    const std::uint32_t program = phdr.Field(p, 20);
    if (phdr.Field(p, 22) == bank && program < programs.size()) programs.set(program);
  }
  return programs;
}

namespace {

class FileBytes {
 public:
  explicit FileBytes(const std::filesystem::path& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~FileBytes() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  std::optional<std::uint64_t> Size() const {
    const off_t end = fd_ < 0 ? -1 : ::lseek(fd_, 0, SEEK_END);
    return end < 0 ? std::nullopt : std::optional<std::uint64_t>(static_cast<std::uint64_t>(end));
  }

  std::optional<std::string> Read(std::uint64_t at, std::size_t count) const {
    std::string out(count, '\0');
    std::size_t done = 0;
    while (done < count) {
      const ssize_t got = ::pread(fd_, out.data() + done, count - done, static_cast<off_t>(at + done));
      if (got <= 0) return std::nullopt;
      done += static_cast<std::size_t>(got);
    }
    return out;
  }

 private:
  int fd_;
};

// A soundfont's preset list is read whole; none is near this size.
constexpr std::uint32_t kMostPresetTableBytes = 64u << 20;

}  // namespace

std::optional<SoundfontSubset> MakeSoundfontSubset(const std::filesystem::path& path, const MidiPrograms& programs) {
  const FileBytes file(path);
  const std::optional<std::uint64_t> size = file.Size();
  std::optional<std::string> header = size && *size >= 12 ? file.Read(0, 12) : std::nullopt;
  if (!header || header->substr(0, 4) != "RIFF" || header->substr(8, 4) != "sfbk") return std::nullopt;
  // The chunks up to the end the RIFF header gives; the preset list must be
  // the last, so that every offset before it stays where it was.
  const std::uint64_t end = std::min<std::uint64_t>(*size, 8 + static_cast<std::uint64_t>(U32At(*header, 4)));
  std::uint64_t pos = 12;
  while (pos < end && end - pos >= 12) {
    const std::optional<std::string> chunk = file.Read(pos, 12);
    if (!chunk) return std::nullopt;
    const std::uint32_t length = U32At(*chunk, 4);
    const std::uint64_t next = pos + 8 + length + (length & 1);
    if (chunk->substr(0, 4) == "LIST" && chunk->substr(8, 4) == "pdta") {
      if (next < end || length < 4 || length > kMostPresetTableBytes || pos + 8 + length > *size) return std::nullopt;
      const std::optional<std::string> body = file.Read(pos + 12, length - 4);
      const std::optional<std::string> tables = body ? SubsetPresetTables(*body, programs) : std::nullopt;
      if (!tables) return std::nullopt;
      SoundfontSubset subset;
      subset.kept_end = pos;
      subset.presets = PresetCount(*tables);
      subset.bank_zero = ProgramsInBank(*tables, 0);
      subset.tail = "LIST";
      AppendLittle(subset.tail, static_cast<std::uint32_t>(tables->size() + 4), 4);
      subset.tail += "pdta";
      subset.tail += *tables;
      subset.header = std::move(*header);
      PutLittle(subset.header, 4, static_cast<std::uint32_t>(subset.Size() - 8), 4);
      return subset;
    }
    pos = next;
  }
  return std::nullopt;
}

}  // namespace torvane
