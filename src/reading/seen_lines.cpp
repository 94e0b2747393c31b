#include "reading/seen_lines.hpp"

#include <charconv>
#include <cstdio>
#include <system_error>

#include "platform/atomic_file.hpp"
#include "platform/file_reader.hpp"
#include "save/save_point.hpp"

namespace torvane::reading {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeader = "torvane seen-lines 1\n";
constexpr const char* kFileName = "seen-lines";

// FNV-1a: stable across runs and builds, unlike std::hash.
std::uint64_t Fnv1a(BytesView bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// File names are code page 932 bytes: kept as hex, so that no byte of
// theirs can break a line.
std::string Hex(BytesView bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    out.push_back(kDigits[static_cast<unsigned char>(c) >> 4]);
    out.push_back(kDigits[static_cast<unsigned char>(c) & 15]);
  }
  return out;
}

std::optional<Bytes> FromHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  Bytes out;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
    if (error != std::errc() || end != hex.data() + i + 2) return std::nullopt;
    out.push_back(static_cast<char>(value));
  }
  return out;
}

template <typename Int>
std::optional<Int> Number(std::string_view text, int base) {
  Int value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// "LINE HASH FILE", hash and file in hex.
std::optional<TextPlace> ParseLine(std::string_view line) {
  const auto first = line.find(' ');
  const auto second = first == std::string_view::npos ? first : line.find(' ', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const auto number = Number<std::int32_t>(line.substr(0, first), 10);
  const auto hash = Number<std::uint64_t>(line.substr(first + 1, second - first - 1), 16);
  auto file = FromHex(line.substr(second + 1));
  if (!number || *number < 0 || !hash || !file || file->empty()) return std::nullopt;
  return TextPlace{std::move(*file), *number, *hash};
}

}  // namespace

TextPlace TextPlace::Of(BytesView file, std::int32_t line, BytesView text) {
  return TextPlace{Bytes(file), line, Fnv1a(text)};
}

SeenLines::SeenLines(fs::path file) : file_(std::move(file)) {
  const platform::FileContent content = platform::ReadRegularFile(*file_, kFileLimit);
  if (content.status == platform::FileContent::Status::Missing) return;
  if (content.status != platform::FileContent::Status::Read) {
    problem_ = file_->string() + " cannot be read; the lines seen start afresh";
    return;
  }
  if (auto places = Parse(content.bytes)) {
    places_ = std::move(*places);
  } else {
    problem_ = file_->string() + " is damaged; the lines seen start afresh";
  }
}

fs::path SeenLines::FileForGame(const fs::path& game_dir) { return GameDataFolder(game_dir) / kFileName; }

bool SeenLines::Mark(const TextPlace& place) {
  const bool added = places_.insert(place).second;
  if (added) dirty_ = true;
  return !added;
}

std::string SeenLines::Serialize() const {
  std::string text(kHeader);
  char head[48];
  for (const TextPlace& place : places_) {
    std::snprintf(head, sizeof head, "%d %016llx ", static_cast<int>(place.Line),
                  static_cast<unsigned long long>(place.TextHash));
    text += head;
    text += Hex(place.File);
    text.push_back('\n');
  }
  return text;
}

std::optional<std::set<TextPlace>> SeenLines::Parse(BytesView text) {
  if (!text.starts_with(kHeader)) return std::nullopt;
  text.remove_prefix(kHeader.size());
  std::set<TextPlace> places;
  while (!text.empty()) {
    const auto end = text.find('\n');
    // A file cut short ends without its last line feed: damaged too.
    if (end == BytesView::npos) return std::nullopt;
    auto place = ParseLine(text.substr(0, end));
    if (!place) return std::nullopt;
    places.insert(std::move(*place));
    text.remove_prefix(end + 1);
  }
  return places;
}

bool SeenLines::Save() {
  if (!file_ || !dirty_) return true;
  std::error_code error;
  fs::create_directories(file_->parent_path(), error);
  // The replacement renames over the name itself, so a link is written
  // through to what it points at.
  fs::path target = *file_;
  if (fs::is_symlink(fs::symlink_status(target, error))) target = fs::weakly_canonical(target, error);
  if (!platform::ReplaceFileAtomically(target, Serialize(), platform::NewFileMode())) {
    problem_ = file_->string() + " cannot be written";
    return false;
  }
  dirty_ = false;
  problem_.clear();
  return true;
}

}  // namespace torvane::reading
