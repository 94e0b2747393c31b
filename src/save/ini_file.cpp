#include "save/ini_file.hpp"

#include <cstddef>
#include <utility>

#include "platform/cp932.hpp"

namespace torvane {
namespace {

// The Windows routines read values through a 2048-byte buffer that keeps
// room for the terminating NUL.
constexpr std::size_t kReadLimit = 2047;

constexpr std::string_view kNewLine = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Windows reads the file as code page 932 text, so the second byte of a
// double-byte character is never a bracket or a letter of its own.
bool SameName(std::string_view a, std::string_view b) { return platform::EqualsIgnoringAsciiCaseCp932(a, b); }

// A line break cannot be stored inside a line: a written text ends before
// its first one, and a name is looked up the same way so that a later
// Read or Write finds what was written.
std::string_view BeforeBreak(std::string_view text) { return text.substr(0, text.find_first_of("\r\n")); }

std::string_view CallerName(std::string_view name) { return Trim(BeforeBreak(name)); }

std::string_view AfterBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return text.substr(i);
}

// The name of a section header line, or nothing when the line is not one.
std::optional<std::string_view> SectionName(std::string_view text) {
  const std::string_view rest = AfterBlanks(text);
  if (rest.empty() || rest.front() != '[') return std::nullopt;
  std::size_t end = 1;
  while (end < rest.size() && rest[end] != ']') end += platform::IsCp932LeadByte(static_cast<unsigned char>(rest[end])) ? 2 : 1;
  return Trim(rest.substr(1, end - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;  // untrimmed
};

// Only for lines inside a section that are not headers.
std::optional<KeyLine> ParseKeyLine(std::string_view text) {
  const std::string_view rest = AfterBlanks(text);
  if (!rest.empty() && rest.front() == ';') return std::nullopt;
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return KeyLine{Trim(text.substr(0, equals)), text.substr(equals + 1)};
}

// Lines [header, end) of the first section of that name.
struct Span {
  std::size_t header;
  std::size_t end;
};

template <typename Lines>
std::optional<Span> FindSection(const Lines& lines, std::string_view name) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto found = SectionName(lines[i].text);
    if (!found || !SameName(*found, name)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && !SectionName(lines[end].text)) ++end;
    return Span{i, end};
  }
  return std::nullopt;
}

template <typename Lines>
std::optional<std::size_t> FindKey(const Lines& lines, Span section, std::string_view key) {
  for (std::size_t i = section.header + 1; i < section.end; ++i) {
    const auto line = ParseKeyLine(lines[i].text);
    if (line && SameName(line->key, key)) return i;
  }
  return std::nullopt;
}

}  // namespace

IniFile IniFile::Parse(std::string_view bytes) {
  IniFile file;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t brk = bytes.find_first_of("\r\n", pos);
    if (brk == std::string_view::npos) {
      file.lines_.push_back({std::string(bytes.substr(pos)), std::string()});
      break;
    }
    const std::size_t length = bytes[brk] == '\r' && brk + 1 < bytes.size() && bytes[brk + 1] == '\n' ? 2 : 1;
    file.lines_.push_back({std::string(bytes.substr(pos, brk - pos)), std::string(bytes.substr(brk, length))});
    pos = brk + length;
  }
  return file;
}

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) const {
  const auto span = FindSection(lines_, CallerName(section));
  if (!span) return std::nullopt;
  const auto index = FindKey(lines_, *span, CallerName(key));
  if (!index) return std::nullopt;
  std::string_view value = Trim(ParseKeyLine(lines_[*index].text)->value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value.substr(0, kReadLimit));
}

void IniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
  // The caller's own spelling of the key goes into the line, as Windows
  // writes it; the value is kept byte for byte up to any line break.
  std::string text = std::string(BeforeBreak(key)) + "=" + std::string(BeforeBreak(value));

  const auto span = FindSection(lines_, CallerName(section));
  if (!span) {
    if (!lines_.empty() && lines_.back().terminator.empty()) lines_.back().terminator = kNewLine;
    lines_.push_back({"[" + std::string(BeforeBreak(section)) + "]", std::string(kNewLine)});
    lines_.push_back({std::move(text), std::string(kNewLine)});
    return;
  }
  if (const auto index = FindKey(lines_, *span, CallerName(key))) {
    lines_[*index].text = std::move(text);
    return;
  }
  // After the section's last non-blank line, so that blank lines keep
  // separating it from the next section.
  std::size_t last = span->header;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    if (!Trim(lines_[i].text).empty()) last = i;
  }
  if (lines_[last].terminator.empty()) lines_[last].terminator = kNewLine;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(last + 1), Line{std::move(text), std::string(kNewLine)});
}

std::string IniFile::Serialize() const {
  std::size_t size = 0;
  for (const Line& line : lines_) size += line.text.size() + line.terminator.size();
  std::string bytes;
  bytes.reserve(size);
  for (const Line& line : lines_) {
    bytes += line.text;
    bytes += line.terminator;
  }
  return bytes;
}

}  // namespace torvane
