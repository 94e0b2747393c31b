#include "platform/game_folder.hpp"

#include <algorithm>
#include <cstddef>
#include <system_error>
#include <utility>

#include "platform/ascii.hpp"
#include "platform/cp932.hpp"
#include "platform/file_reader.hpp"
#include "platform/script_error.hpp"

namespace torvane::platform {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// Splits a Windows path into its components. "\" and "/" both separate, but
// a byte that follows a lead byte belongs to a double-byte character even
// when it is 0x5C, as in ソ (83 5C) or 表 (95 5C).
std::vector<std::string> SplitComponents(std::string_view name) {
  std::vector<std::string> parts;
  std::string current;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (IsCp932LeadByte(byte) && i + 1 < name.size()) {
      current += name[i];
      current += name[++i];
    } else if (byte == '\\' || byte == '/') {
      if (!current.empty()) parts.push_back(std::move(current));
      current.clear();
    } else {
      current += name[i];
    }
  }
  if (!current.empty()) parts.push_back(std::move(current));
  return parts;
}

}  // namespace

GameFolder::GameFolder(fs::path root) : root_(std::move(root)) {}

void GameFolder::Hold(std::string name, std::string bytes) { held_[std::move(name)] = std::move(bytes); }

// Held files live in the folder itself: a name of one component, matched
// as a directory entry would be, the exact spelling first.
const std::string* GameFolder::HeldFile(std::string_view name) const {
  if (held_.empty()) return nullptr;
  const std::vector<std::string> parts = SplitComponents(name);
  if (parts.size() != 1 || name.front() == '/') return nullptr;
  if (auto exact = held_.find(parts.front()); exact != held_.end()) return &exact->second;
  for (const auto& [held_name, bytes] : held_) {
    if (EqualsIgnoringAsciiCaseCp932(held_name, parts.front())) return &bytes;
  }
  return nullptr;
}

std::optional<fs::path> GameFolder::Resolve(std::string_view name) const {
  // The OS cannot take a name with a NUL in it; passing one on would quietly
  // cut it short and find some other file.
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  const bool absolute = name.front() == '/';
  std::error_code ec;

  fs::path direct = absolute ? fs::path(std::string(name)) : root_ / std::string(name);
  if (fs::exists(direct, ec)) return direct;

  const std::vector<std::string> parts = SplitComponents(name);
  if (parts.empty()) return std::nullopt;
  fs::path current = absolute ? fs::path("/") : root_;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    if (part == "." || part == "..") {
      // Never listed by the directory, but meaningful to the OS.
      current /= part;
    } else {
      std::optional<std::string> entry = MatchEntry(current, part);
      if (!entry) return std::nullopt;
      current /= *entry;
    }
    if (i + 1 < parts.size() && !fs::is_directory(current, ec)) return std::nullopt;
  }
  if (!fs::exists(current, ec)) return std::nullopt;
  return current;
}

GameFolder::Found GameFolder::FindForReading(std::string_view name) const {
  if (name.empty() || name.find('\0') != std::string_view::npos) return {};
  if (const std::string* held = HeldFile(name)) {
    if (held->size() > kGameFileLimit) throw ScriptError(error_text::FileTooLarge(name, kGameFileLimit));
    return {held, std::nullopt};
  }
  return {nullptr, Resolve(name)};
}

namespace {

template <typename Content>
auto TakeBytes(std::string_view name, Content content) -> std::optional<decltype(content.bytes)> {
  if (content.status == FileContent::Status::TooLarge) {
    throw ScriptError(error_text::FileTooLarge(name, kGameFileLimit));
  }
  if (content.status != FileContent::Status::Read) return std::nullopt;
  return std::move(content.bytes);
}

}  // namespace

std::optional<std::string> GameFolder::ReadFile(std::string_view name) const {
  const Found found = FindForReading(name);
  if (found.held) return *found.held;
  if (!found.path) return std::nullopt;
  return TakeBytes(name, ReadRegularFile(*found.path, kGameFileLimit));
}

std::optional<FileBuffer> GameFolder::ReadFileBuffer(std::string_view name) const {
  const Found found = FindForReading(name);
  if (found.held) return FileBuffer(*found.held);
  if (!found.path) return std::nullopt;
  return TakeBytes(name, ReadRegularFileBuffer(*found.path, kGameFileLimit));
}

const std::vector<std::string>& GameFolder::Listing(const fs::path& dir, bool refresh) const {
  if (!refresh) {
    auto it = listings_.find(dir);
    if (it != listings_.end()) return it->second;
  }
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator iter(dir.empty() ? fs::path(".") : dir, ec);
  for (const fs::directory_iterator end; !ec && iter != end; iter.increment(ec)) {
    names.push_back(iter->path().filename().native());
  }
  std::sort(names.begin(), names.end());
  std::vector<std::string>& slot = listings_[dir];
  slot = std::move(names);
  return slot;
}

std::optional<std::string> GameFolder::MatchEntry(const fs::path& dir, const std::string& component) const {
  const std::string utf8 = Cp932ToUtf8(component);
  // A component that does not convert cleanly has no UTF-8 spelling on disk.
  const bool try_utf8 = utf8 != component && utf8.find(kReplacementUtf8) == std::string::npos;

  const auto find = [&](const std::vector<std::string>& entries) -> std::optional<std::string> {
    const std::string* best = nullptr;
    bool best_exact = false;
    for (const std::string& entry : entries) {
      if (entry == component) return entry;
      const bool exact = try_utf8 && entry == utf8;
      const bool match = exact || EqualsIgnoringAsciiCaseCp932(entry, component) ||
                         (try_utf8 && EqualsIgnoringAsciiCase(entry, utf8));
      if (!match) continue;
      if (best == nullptr || (exact && !best_exact) || (exact == best_exact && entry < *best)) {
        best = &entry;
        best_exact = exact;
      }
    }
    if (best == nullptr) return std::nullopt;
    return *best;
  };

  const bool cached = listings_.find(dir) != listings_.end();
  std::optional<std::string> found = find(Listing(dir, false));
  if (!cached) return found;
  if (found) {
    // A cached entry may have been deleted or renamed since it was listed.
    std::error_code ec;
    if (fs::exists(fs::symlink_status(dir / *found, ec))) return found;
  }
  return find(Listing(dir, true));
}

}  // namespace torvane::platform
