#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/label_index.hpp"
#include "engine/scenario_text.hpp"
#include "platform/bytes.hpp"
#include "platform/game_folder.hpp"

namespace torvane::check {

// Whether a text file's bytes hold a scenario: its first byte that is no
// blank or line break is "@". A read-me beside the game holds none.
bool HoldsScenario(BytesView bytes);
// Whether a file's name ends in ".txt", in any letter case.
bool IsTextFileName(std::string_view name);

// One scenario file as the engine loads it: split by the engine's own
// loader, with its label lines found by the engine's own index.
struct ScenarioFile {
  Bytes Name;              // as a script names it, code page 932
  std::string ShownName;   // where findings put it: the path in the folder, UTF-8
  Bytes Raw;               // the file's bytes, for the encoding check
  ScenarioText Lines;
  LabelLines Labels;
  bool Reachable = false;  // named by Start, "@NXT" or "@SAV" of a reachable file
};

// The game's scenario files: the first one, every one a reachable file
// names, and every other file of the folder that holds a scenario. Each
// file appears once, whatever the letter case it was named in.
class ScenarioSet {
 public:
  explicit ScenarioSet(const platform::GameFolder& folder);

  // The file a script's name refers to, loading it on first use; null when
  // the folder has no such file or it cannot be read.
  ScenarioFile* Find(BytesView name);
  // Also lists the other scenario files in the folder, in name order.
  void AddUnnamedFiles();

  std::vector<ScenarioFile*> Files();
  const platform::GameFolder& Folder() const { return folder_; }
  // The path a finding names for `name` when no file holds it.
  std::string ShownPath(BytesView name) const;

 private:
  ScenarioFile* Load(const std::filesystem::path& key, BytesView name, std::string bytes);

  const platform::GameFolder& folder_;
  std::map<std::filesystem::path, ScenarioFile> files_;  // by resolved path
  std::vector<std::filesystem::path> order_;
};

}  // namespace torvane::check
