#include "check/scenario_files.hpp"

#include <algorithm>
#include <system_error>

#include "platform/ascii.hpp"
#include "platform/cp932.hpp"
#include "platform/script_error.hpp"

namespace torvane::check {
namespace fs = std::filesystem;

bool HoldsScenario(BytesView bytes) {
  const std::size_t first = bytes.find_first_not_of("\r\n \t");
  return first != BytesView::npos && bytes[first] == '@';
}

bool IsTextFileName(std::string_view name) {
  return name.size() >= 4 && EqualsIgnoringAsciiCase(name.substr(name.size() - 4), ".txt");
}

ScenarioSet::ScenarioSet(const platform::GameFolder& folder) : folder_(folder) {}

std::string ScenarioSet::ShownPath(BytesView name) const {
  return (folder_.Root() / platform::Cp932ToUtf8(name)).lexically_normal().string();
}

ScenarioFile* ScenarioSet::Find(BytesView name) {
  // A held file (an editor's buffer) may exist only in memory.
  const std::optional<fs::path> resolved = folder_.Resolve(name);
  const fs::path key = resolved ? resolved->lexically_normal() : folder_.Root() / platform::Cp932ToUtf8(name);
  if (auto found = files_.find(key); found != files_.end()) return &found->second;
  std::optional<std::string> bytes;
  try {
    bytes = folder_.ReadFile(name);
  } catch (const ScriptError&) {
    return nullptr;  // too large: the file check reports it
  }
  if (!bytes) return nullptr;
  return Load(key, name, std::move(*bytes));
}

ScenarioFile* ScenarioSet::Load(const fs::path& key, BytesView name, std::string bytes) {
  ScenarioFile file;
  file.Name = Bytes(name);
  file.ShownName = key.string();
  file.Raw = bytes;
  file.Lines = ScenarioText::FromFileBytes(std::move(bytes));
  file.Labels = FindLabelLines(file.Lines);
  order_.push_back(key);
  return &files_.emplace(key, std::move(file)).first->second;
}

void ScenarioSet::AddUnnamedFiles() {
  std::error_code error;
  std::vector<fs::path> candidates;
  for (const auto& entry : fs::directory_iterator(folder_.Root(), error)) {
    std::error_code type_error;
    if (!entry.is_regular_file(type_error)) continue;
    if (IsTextFileName(entry.path().filename().string())) candidates.push_back(entry.path());
  }
  std::sort(candidates.begin(), candidates.end());
  for (const fs::path& path : candidates) {
    if (files_.count(path.lexically_normal())) continue;
    const Bytes name = platform::Utf8ToCp932(path.filename().string());
    std::optional<std::string> bytes;
    try {
      bytes = folder_.ReadFile(name);
    } catch (const ScriptError&) {
      continue;
    }
    if (bytes && HoldsScenario(*bytes)) Load(path.lexically_normal(), name, std::move(*bytes));
  }
}

std::vector<ScenarioFile*> ScenarioSet::Files() {
  std::vector<ScenarioFile*> files;
  for (const fs::path& key : order_) files.push_back(&files_.at(key));
  return files;
}

}  // namespace torvane::check
