#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "check/finding.hpp"
#include "platform/bytes.hpp"
#include "platform/game_folder.hpp"

namespace torvane::check {

enum class NamedKind { Scenario, Picture, Music, Effect };

// What is wrong with a file a script names, as the finding says it.
struct NamedProblem {
  Severity Level;
  std::string Text;
  std::string Check;
};

// Every file a script names, found with the game folder's own rules: the
// name as written first, then without regard to letter case. Each name is
// looked at once, however often it is named.
class NamedFiles {
 public:
  explicit NamedFiles(const platform::GameFolder& folder) : folder_(folder) {}

  std::optional<NamedProblem> Check(BytesView name, NamedKind kind);

 private:
  std::optional<NamedProblem> Look(BytesView name, NamedKind kind) const;
  std::optional<NamedProblem> Missing(BytesView name, NamedKind kind) const;
  std::optional<NamedProblem> BadPicture(BytesView name) const;

  const platform::GameFolder& folder_;
  std::map<std::pair<Bytes, NamedKind>, std::optional<NamedProblem>> checked_;
};

}  // namespace torvane::check
