#include "check/named_files.hpp"

#include <filesystem>
#include <system_error>

#include "pictures/picture.hpp"
#include "platform/ascii.hpp"
#include "platform/cp932.hpp"
#include "platform/script_error.hpp"

namespace torvane::check {
namespace fs = std::filesystem;
namespace {

using platform::Cp932ToUtf8;

const char* KindName(NamedKind kind) {
  switch (kind) {
    case NamedKind::Scenario: return "scenario file";
    case NamedKind::Picture: return "picture";
    case NamedKind::Music: return "music file";
    case NamedKind::Effect: return "sound effect";
  }
  return "file";
}

// The name without its folder part and its extension, for a look-alike.
std::string StemOf(const std::string& utf8) {
  const fs::path path(utf8);
  return path.stem().string();
}

}  // namespace

std::optional<NamedProblem> NamedFiles::Check(BytesView name, NamedKind kind) {
  const auto key = std::make_pair(Bytes(name), kind);
  if (auto found = checked_.find(key); found != checked_.end()) return found->second;
  return checked_[key] = Look(name, kind);
}

std::optional<NamedProblem> NamedFiles::Look(BytesView name, NamedKind kind) const {
  if (kind == NamedKind::Picture) {
    try {
      PictureFormatForName(name);
    } catch (const ScriptError& error) {
      return NamedProblem{Severity::Error, Cp932ToUtf8(error.Text()) + ": the game stops here", "file-extension"};
    }
  }
  const std::optional<fs::path> resolved = folder_.Resolve(name);
  if (!resolved) {
    // An editor's unsaved buffer is found by reading, not on the disk.
    const bool held = (kind == NamedKind::Scenario || kind == NamedKind::Picture) && [&] {
      try {
        return folder_.ReadFile(name).has_value();
      } catch (const ScriptError&) {
        return true;
      }
    }();
    if (!held) return Missing(name, kind);
  } else {
    std::error_code error;
    const std::string utf8 = Cp932ToUtf8(name);
    const bool exact = fs::exists(folder_.Root() / std::string(name), error) ||
                       fs::exists(folder_.Root() / utf8, error) || name.find('\\') != BytesView::npos;
    if (!exact) {
      return NamedProblem{Severity::Warning,
                          "the " + std::string(KindName(kind)) + " " + Quoted(name) + " is found only as '" +
                              resolved->filename().string() +
                              "', ignoring letter case: keep the names' case the same, as other systems may not "
                              "ignore it",
                          "file-case"};
    }
  }
  if (kind == NamedKind::Picture) return BadPicture(name);
  return std::nullopt;
}

std::optional<NamedProblem> NamedFiles::Missing(BytesView name, NamedKind kind) const {
  std::string text = "the " + std::string(KindName(kind)) + " " + Quoted(name) + " is not in the game folder";
  if (!name.empty() && IsBlank(name.back())) text += " (the name ends with a blank, which is part of it)";
  else if (!name.empty() && IsBlank(name.front())) text += " (the name starts with a blank, which is part of it)";
  // A file of the same name with another extension is the usual slip.
  const std::string stem = StemOf(Cp932ToUtf8(TrimBlanks(name)));
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder_.Root(), error)) {
    const std::string candidate = entry.path().filename().string();
    if (EqualsIgnoringAsciiCase(StemOf(candidate), stem) && !stem.empty()) {
      text += " ('" + candidate + "' is: is the extension wrong?)";
      break;
    }
  }
  switch (kind) {
    case NamedKind::Effect: return NamedProblem{Severity::Warning, text + ": the effect stays silent", "missing-file"};
    default: return NamedProblem{Severity::Error, text + ": the game stops here", "missing-file"};
  }
}

std::optional<NamedProblem> NamedFiles::BadPicture(BytesView name) const {
  try {
    const auto bytes = folder_.ReadFile(name);
    if (!bytes) {
      return NamedProblem{Severity::Error, "the picture " + Quoted(name) + " cannot be read: the game stops here",
                          "missing-file"};
    }
    DecodePicture(PictureFormatForName(name), *bytes);
  } catch (const ScriptError& error) {
    return NamedProblem{Severity::Error,
                        "the picture " + Quoted(name) + " does not decode (" + Cp932ToUtf8(error.Text()) +
                            "): the game stops here",
                        "bad-picture"};
  } catch (const std::bad_alloc&) {
    return NamedProblem{Severity::Error, "the picture " + Quoted(name) + " is too large to decode", "bad-picture"};
  }
  return std::nullopt;
}

}  // namespace torvane::check
