#include "lsp/text_lines.hpp"

#include <algorithm>
#include <unordered_map>

#include "platform/cp932.hpp"

namespace torvane::lsp {
namespace {

std::size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// The code page 932 form of one character, or empty when it has none.
const std::string& Cp932Of(std::string_view utf8_character) {
  thread_local std::unordered_map<std::string, std::string> cache;
  auto [found, inserted] = cache.try_emplace(std::string(utf8_character));
  if (inserted) {
    std::string converted = platform::Utf8ToCp932(utf8_character);
    // "?" stands for what does not convert, unless it was one.
    if (converted == "?" && utf8_character != "?") converted.clear();
    found->second = std::move(converted);
  }
  return found->second;
}

const std::string& Utf8Of(std::string_view cp932_character) {
  thread_local std::unordered_map<std::string, std::string> cache;
  auto [found, inserted] = cache.try_emplace(std::string(cp932_character));
  if (inserted) found->second = platform::Cp932ToUtf8(cp932_character);
  return found->second;
}

void AddCharacter(LineMap& map, std::size_t cp932, std::size_t utf8, std::size_t utf16) {
  map.Cp932.push_back(map.Cp932.back() + static_cast<std::uint32_t>(cp932));
  map.Utf8.push_back(map.Utf8.back() + static_cast<std::uint32_t>(utf8));
  map.Utf16.push_back(map.Utf16.back() + static_cast<std::uint32_t>(utf16));
}

const std::vector<std::uint32_t>& Column(const LineMap& map, PositionEncoding encoding) {
  return encoding == PositionEncoding::Utf8 ? map.Utf8 : map.Utf16;
}

// The character whose start is the last at or before `offset`.
std::size_t CharacterAt(const std::vector<std::uint32_t>& starts, std::size_t offset) {
  const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
  return static_cast<std::size_t>(after - starts.begin()) - 1;
}

}  // namespace

std::uint32_t LineMap::ClientColumn(std::size_t cp932_byte, PositionEncoding encoding) const {
  return Column(*this, encoding)[CharacterAt(Cp932, cp932_byte)];
}

std::size_t LineMap::Utf8Offset(std::uint32_t column, PositionEncoding encoding) const {
  return Utf8[CharacterAt(Column(*this, encoding), column)];
}

std::size_t LineMap::Cp932Offset(std::uint32_t column, PositionEncoding encoding) const {
  return Cp932[CharacterAt(Column(*this, encoding), column)];
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

ConvertedText FromEditorText(std::string_view utf8) {
  ConvertedText out;
  const std::vector<std::string_view> lines = SplitLines(utf8);
  out.Lines.reserve(lines.size());
  out.Cp932.reserve(utf8.size() + 2 * lines.size());
  for (std::uint32_t number = 0; number < lines.size(); ++number) {
    const std::string_view line = lines[number];
    LineMap map;
    map.Cp932.reserve(line.size() + 1);
    map.Utf8.reserve(line.size() + 1);
    map.Utf16.reserve(line.size() + 1);
    for (std::size_t i = 0; i < line.size();) {
      const auto lead = static_cast<unsigned char>(line[i]);
      if (lead < 0x80) {
        out.Cp932.push_back(line[i]);
        AddCharacter(map, 1, 1, 1);
        ++i;
        continue;
      }
      const std::size_t length = std::min(Utf8Length(lead), line.size() - i);
      const std::string_view character = line.substr(i, length);
      const std::string& converted = Cp932Of(character);
      const std::size_t utf16 = length == 4 ? 2 : 1;
      if (converted.empty()) {
        out.Bad.push_back({number, static_cast<std::uint32_t>(map.Cp932.size() - 1), std::string(character)});
        out.Cp932.push_back('?');
        AddCharacter(map, 1, length, utf16);
      } else {
        out.Cp932 += converted;
        AddCharacter(map, converted.size(), length, utf16);
      }
      i += length;
    }
    out.Cp932 += "\r\n";
    out.Lines.push_back(std::move(map));
  }
  return out;
}

ConvertedText FromScenarioBytes(BytesView cp932) {
  ConvertedText out;
  out.Cp932 = Bytes(cp932);
  for (const std::string_view line : SplitLines(cp932)) {
    LineMap map;
    for (std::size_t i = 0; i < line.size();) {
      const auto byte = static_cast<unsigned char>(line[i]);
      const std::size_t length = platform::IsCp932LeadByte(byte) && i + 1 < line.size() ? 2 : 1;
      if (byte < 0x80) {
        AddCharacter(map, 1, 1, 1);
      } else {
        const std::string& utf8 = Utf8Of(line.substr(i, length));
        AddCharacter(map, length, utf8.size(), utf8.size() == 4 ? 2 : 1);
      }
      i += length;
    }
    out.Lines.push_back(std::move(map));
  }
  return out;
}

}  // namespace torvane::lsp
