// Feeds arbitrary bytes to the INI file as the contents of Kesmar.ini.
//
// The bytes must come back unchanged from Serialize. Reads of Game/Next
// and of the first keys in the file are checked against a plain one-pass
// reading of the bytes; then the save point is written, once with a plain
// name and once with the input's first line as the value, and after each
// write the file must reparse to the same bytes, give back what was written
// and leave every other key's value as it was.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "oracle.hpp"
#include "save/ini_file.hpp"

// UBSan reports would otherwise print and carry on, unseen by the fuzzer.
extern "C" const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }

namespace {

constexpr std::size_t kMaxKeysChecked = 16;

TORVANE_ORACLE void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz_ini: broken: %s\n", what);
  std::abort();
}

TORVANE_ORACLE bool IsBlank(char c) { return c == ' ' || c == '\t'; }

TORVANE_ORACLE bool IsLead(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

TORVANE_ORACLE std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Upper-cases ASCII letters that are not the second byte of a double-byte
// character, so equal names fold to equal strings.
TORVANE_ORACLE std::string Fold(std::string_view name) {
  std::string folded(name);
  for (std::size_t i = 0; i < folded.size(); ++i) {
    if (IsLead(folded[i])) {
      ++i;
    } else if (folded[i] >= 'a' && folded[i] <= 'z') {
      folded[i] = static_cast<char>(folded[i] - 32);
    }
  }
  return folded;
}

TORVANE_ORACLE std::string ReadValue(std::string_view raw) {
  std::string_view value = Trim(raw);
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value.substr(0, 2047));
}

struct Entry {
  std::string section;  // folded
  std::string key;      // folded
  std::string value;    // as Read gives it
  bool counts;          // not a comment, and the first of its name in the first section of its name
};

// One pass over the bytes, line by line.
TORVANE_ORACLE std::vector<Entry> Reference(std::string_view bytes) {
  std::vector<Entry> entries;
  // Looked up in sets: a linear search made 16 KB of keys take half a
  // second an execution.
  std::set<std::string> sections_seen;
  std::set<std::pair<std::string, std::string>> counted;
  std::optional<std::string> section;
  bool first_of_section = false;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = pos;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    const std::string_view line = bytes.substr(pos, end - pos);
    pos = end + (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n' ? 2 : 1);

    const std::string_view text = Trim(line);
    if (!text.empty() && text[0] == '[') {
      std::size_t close = 1;
      while (close < text.size() && text[close] != ']') close += IsLead(text[close]) ? 2 : 1;
      section = Fold(Trim(text.substr(1, close - 1)));
      first_of_section = sections_seen.insert(*section).second;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!section || equals == std::string_view::npos) continue;
    // A comment is kept as a name to look up that must not be found.
    const bool comment = text[0] == ';';
    Entry entry{*section, Fold(Trim(line.substr(0, equals))), ReadValue(line.substr(equals + 1)),
                first_of_section && !comment};
    if (entry.counts) entry.counts = counted.emplace(entry.section, entry.key).second;
    entries.push_back(std::move(entry));
  }
  return entries;
}

TORVANE_ORACLE std::optional<std::string> ReferenceRead(const std::vector<Entry>& entries, std::string_view section,
                                         std::string_view key) {
  const std::string folded_section = Fold(section), folded_key = Fold(key);
  for (const Entry& entry : entries) {
    if (entry.counts && entry.section == folded_section && entry.key == folded_key) return entry.value;
  }
  return std::nullopt;
}

TORVANE_ORACLE std::string Serialized(const torvane::IniFile& file) {
  std::string bytes = file.Serialize();
  Require(torvane::IniFile::Parse(bytes).Serialize() == bytes, "a serialized file does not reparse to itself");
  return bytes;
}

// Writes Game/Next and checks the reparsed file against the reference:
// the written value reads back, every other key reads as before.
TORVANE_ORACLE void CheckWrite(const std::string& before, std::string_view value, const std::optional<std::string>& expected) {
  torvane::IniFile file = torvane::IniFile::Parse(before);
  file.Write("Game", "Next", value);
  const std::string after = Serialized(file);
  const torvane::IniFile reparsed = torvane::IniFile::Parse(after);
  if (expected) Require(reparsed.Read("Game", "Next") == *expected, "the written value does not read back");

  const std::vector<Entry> old_entries = Reference(before);
  const std::string game = Fold("Game");
  const std::string next = Fold("Next");
  std::size_t checked = 0;
  for (const Entry& entry : old_entries) {
    if (checked == kMaxKeysChecked) break;
    if (!entry.counts || (entry.section == game && entry.key == next)) continue;
    ++checked;
    Require(reparsed.Read(entry.section, entry.key) == entry.value, "a write changed another key");
  }
  Require(ReferenceRead(Reference(after), "Game", "Next") == reparsed.Read("Game", "Next"),
          "the reference reads the written file otherwise");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const torvane::IniFile file = torvane::IniFile::Parse(input);
  Require(file.Serialize() == input, "Serialize does not give back the input");

  const std::vector<Entry> entries = Reference(input);
  Require(file.Read("Game", "Next") == ReferenceRead(entries, "Game", "Next"), "Game/Next reads otherwise");
  std::size_t checked = 0;
  for (const Entry& entry : entries) {
    if (checked++ == kMaxKeysChecked) break;
    Require(file.Read(entry.section, entry.key) == ReferenceRead(entries, entry.section, entry.key),
            "a key reads otherwise");
  }

  CheckWrite(input, "Sinario01.txt", "Sinario01.txt");
  // Any bytes as the value: kept up to a line break, read back trimmed and
  // unquoted. Names made of the same bytes are only checked for safety.
  const std::string_view first_line = std::string_view(input).substr(0, 4096);
  const std::string_view kept = first_line.substr(0, first_line.find_first_of("\r\n"));
  CheckWrite(input, first_line, ReadValue(kept));
  torvane::IniFile odd = torvane::IniFile::Parse(input);
  odd.Write(kept, first_line, input.substr(0, 64));
  (void)odd.Read(first_line, kept);
  Serialized(odd);
  return 0;
}
