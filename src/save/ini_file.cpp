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

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

// One line of the file, by position: its text is [begin, end), its line
// break [end, next).
struct Line {
  std::size_t begin;
  std::size_t end;
  std::size_t next;
};

// The line that starts at `pos`, which is inside `bytes`.
Line LineAt(std::string_view bytes, std::size_t pos) {
  std::size_t brk = pos;
  while (brk < bytes.size() && !IsBreak(bytes[brk])) ++brk;
  if (brk == bytes.size()) return Line{pos, brk, brk};
  const std::size_t length = bytes[brk] == '\r' && brk + 1 < bytes.size() && bytes[brk + 1] == '\n' ? 2 : 1;
  return Line{pos, brk, brk + length};
}

std::string_view TextOf(std::string_view bytes, Line line) { return bytes.substr(line.begin, line.end - line.begin); }

// The header line of the first section of that name, and where the section
// ends: at the next header line, or at the end of the file.
struct Span {
  Line header;
  std::size_t end;
};

std::optional<Span> FindSection(std::string_view bytes, std::string_view name) {
  for (std::size_t pos = 0; pos < bytes.size();) {
    const Line line = LineAt(bytes, pos);
    pos = line.next;
    const auto found = SectionName(TextOf(bytes, line));
    if (!found || !SameName(*found, name)) continue;
    while (pos < bytes.size()) {
      const Line inside = LineAt(bytes, pos);
      if (SectionName(TextOf(bytes, inside))) break;
      pos = inside.next;
    }
    return Span{line, pos};
  }
  return std::nullopt;
}

std::optional<Line> FindKey(std::string_view bytes, Span section, std::string_view key) {
  for (std::size_t pos = section.header.next; pos < section.end;) {
    const Line line = LineAt(bytes, pos);
    pos = line.next;
    const auto parsed = ParseKeyLine(TextOf(bytes, line));
    if (parsed && SameName(parsed->key, key)) return line;
  }
  return std::nullopt;
}

}  // namespace

IniFile IniFile::Parse(std::string_view bytes) {
  IniFile file;
  file.bytes_ = std::string(bytes);
  return file;
}

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) const {
  const auto span = FindSection(bytes_, CallerName(section));
  if (!span) return std::nullopt;
  const auto line = FindKey(bytes_, *span, CallerName(key));
  if (!line) return std::nullopt;
  std::string_view value = Trim(ParseKeyLine(TextOf(bytes_, *line))->value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value.substr(0, kReadLimit));
}

// Each change keeps a line break between the text it adds and its
// neighbours, and adds no line break of its own inside a line, so every line
// it leaves alone is split exactly as before.
void IniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
  // The caller's own spelling of the key goes into the line, as Windows
  // writes it; the value is kept byte for byte up to any line break.
  std::string text = std::string(BeforeBreak(key)) + "=" + std::string(BeforeBreak(value));

  const auto span = FindSection(bytes_, CallerName(section));
  if (!span) {
    if (!bytes_.empty() && !IsBreak(bytes_.back())) bytes_ += kNewLine;
    bytes_.append("[").append(BeforeBreak(section)).append("]").append(kNewLine);
    bytes_.append(text).append(kNewLine);
    return;
  }
  if (const auto line = FindKey(bytes_, *span, CallerName(key))) {
    bytes_.replace(line->begin, line->end - line->begin, text);
    return;
  }
  // After the section's last non-blank line, so that blank lines keep
  // separating it from the next section.
  Line last = span->header;
  for (std::size_t pos = span->header.next; pos < span->end;) {
    const Line line = LineAt(bytes_, pos);
    pos = line.next;
    if (!Trim(TextOf(bytes_, line)).empty()) last = line;
  }
  // Only the file's last line can lack a line break.
  if (last.end == last.next) text.insert(0, kNewLine);
  text.append(kNewLine);
  bytes_.insert(last.next, text);
}

}  // namespace torvane
