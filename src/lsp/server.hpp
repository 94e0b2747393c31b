#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "check/finding.hpp"
#include "check/scenario_outline.hpp"
#include "engine/scenario_text.hpp"
#include "lsp/message_stream.hpp"
#include "lsp/text_lines.hpp"

namespace torvane::lsp {

struct ServerOptions {
  int DebounceMs = 150;                      // quiet time after an edit before the check runs
  std::size_t MaxMessageBytes = 64u << 20;  // a larger message is refused
};

// A scenario file as the editor holds it, with the engine's reading of it.
struct OpenDocument {
  std::string Uri;
  std::filesystem::path Path;
  std::int64_t Version = 0;
  std::string Text;  // UTF-8, as the editor sent it
  ConvertedText Converted;
  ScenarioText Lines;
  check::ScenarioOutline Outline;
};

// The language server: diagnostics from the checker, and navigation over
// the labels, items, flags and files the engine's own reading finds. One
// game folder is the folder of each open file.
class Server {
 public:
  Server(int in_fd, int out_fd, const ServerOptions& options = {});

  // Serves until "exit"; the status is 0 after "shutdown", else 1.
  int Run();

  // One message; what it answers is written at once. For tests and the
  // benchmark as well as for Run.
  void Handle(const nlohmann::json& message);
  // Checks every game with edits not yet checked and publishes what it
  // finds.
  void PublishPending();

 private:
  void Respond(const nlohmann::json& id, nlohmann::json result);
  void RespondError(const nlohmann::json& id, int code, const std::string& message);
  void Notify(const std::string& method, nlohmann::json params);

  nlohmann::json Initialize(const nlohmann::json& params);
  void Open(const nlohmann::json& params);
  void Change(const nlohmann::json& params);
  void Close(const nlohmann::json& params);
  void Reread(OpenDocument& document);

  nlohmann::json Definition(const nlohmann::json& params);
  nlohmann::json References(const nlohmann::json& params);
  nlohmann::json Rename(const nlohmann::json& params);
  nlohmann::json Hover(const nlohmann::json& params);
  nlohmann::json Completion(const nlohmann::json& params);
  nlohmann::json Symbols(const nlohmann::json& params);
  nlohmann::json Folding(const nlohmann::json& params);
  nlohmann::json SemanticTokens(const nlohmann::json& params);

  // A game file in both forms: the open document's, or the one on disk.
  struct GameText {
    std::string Uri;
    const ConvertedText* Converted;
    const ScenarioText* Lines;
    const check::ScenarioOutline* Outline;
  };
  std::vector<GameText> GameTexts(const std::filesystem::path& dir);
  OpenDocument& DocumentOf(const nlohmann::json& params);
  nlohmann::json RangeOf(const ConvertedText& text, const check::Span& span) const;
  nlohmann::json LocationOf(const GameText& text, const check::Span& span) const;
  // The engine's line and byte at a request's position.
  std::pair<std::int32_t, std::uint32_t> BytePosition(const OpenDocument& document, const nlohmann::json& position) const;
  void PublishGame(const std::filesystem::path& dir);

  MessageReader reader_;
  int out_fd_;
  ServerOptions options_;
  PositionEncoding encoding_ = PositionEncoding::Utf16;
  bool initialized_ = false;
  bool shut_down_ = false;
  bool exited_ = false;
  std::map<std::string, OpenDocument> documents_;  // by URI
  std::set<std::filesystem::path> pending_;        // game folders with edits not yet checked
  std::optional<std::chrono::steady_clock::time_point> last_edit_;
  std::map<std::filesystem::path, std::set<std::string>> published_;  // per game, URIs with findings
  // Files of a game that are not open, as on disk, read once until the
  // next edit.
  struct DiskFile {
    bool Scenario = false;  // see check::HoldsScenario
    ConvertedText Converted;
    ScenarioText Lines;
    check::ScenarioOutline Outline;
  };
  std::map<std::filesystem::path, DiskFile> disk_files_;
  // The file at `path`, read through the game folder's own file rules;
  // null when it cannot be read.
  const DiskFile* DiskFileAt(const std::filesystem::path& path);
};

// file:// URIs and paths, percent-encoding as RFC 3986 asks.
std::string UriOfPath(const std::filesystem::path& path);
std::optional<std::filesystem::path> PathOfUri(const std::string& uri);

}  // namespace torvane::lsp
