#include "lsp/server.hpp"

#include <algorithm>
#include <system_error>

#include "check/checker.hpp"
#include "check/command_help.hpp"
#include "check/scenario_files.hpp"
#include "engine/command_table.hpp"
#include "engine/operands.hpp"
#include "platform/ascii.hpp"
#include "platform/cp932.hpp"
#include "platform/file_reader.hpp"
#include "platform/game_file_names.hpp"
#include "platform/game_folder.hpp"

namespace torvane::lsp {
namespace fs = std::filesystem;
using nlohmann::json;
using platform::Cp932ToUtf8;

namespace {

// JSON-RPC's and the protocol's error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kServerNotInitialized = -32002;
constexpr int kRequestFailed = -32803;

// The semantic token types, in the legend's order.
const std::vector<std::string> kTokenTypes = {"keyword", "label", "parameter", "string", "comment"};

// Who each portrait shows, as the player's own portraits are drawn.
constexpr const char* kPortraits[] = {"the traveller", "the fisherman", "the keeper's daughter", "the merchant",
                                      "the child",     "the innkeeper", "the captain",
                                      "the scholar",   "the youth",     "the hooded figure",
                                      "the doctor"};

// Which extensions each command's files take.
std::vector<std::string> ExtensionsFor(CommandId id) {
  switch (id) {
    case CommandId::BGS: return {".bmp", ".ico", ".wmf", ".emf"};
    case CommandId::BGM: return {".mid", ".midi", ".wav", ".ogg", ".mp3", ".flac", ".mod", ".xm", ".it", ".s3m"};
    case CommandId::SEM: return {".wav", ".ogg", ".mp3", ".flac"};
    default: return {".txt"};
  }
}

bool HasExtension(const std::string& name, const std::vector<std::string>& extensions) {
  for (const std::string& extension : extensions) {
    if (name.size() >= extension.size() &&
        EqualsIgnoringAsciiCase(std::string_view(name).substr(name.size() - extension.size()), extension)) {
      return true;
    }
  }
  return false;
}

int SeverityOf(check::Severity level) {
  switch (level) {
    case check::Severity::Error: return 1;
    case check::Severity::Warning: return 2;
    case check::Severity::Note: return 3;
  }
  return 1;
}

char HexDigit(int value) { return "0123456789ABCDEF"[value & 15]; }

}  // namespace

std::string UriOfPath(const fs::path& path) {
  std::string uri = "file://";
  for (const char c : fs::absolute(path).lexically_normal().string()) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      uri += c;
    } else {
      uri += '%';
      uri += HexDigit(byte >> 4);
      uri += HexDigit(byte);
    }
  }
  return uri;
}

std::optional<fs::path> PathOfUri(const std::string& uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.compare(0, kScheme.size(), kScheme) != 0) return std::nullopt;
  std::string path;
  for (std::size_t i = kScheme.size(); i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() && std::isxdigit(static_cast<unsigned char>(uri[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(uri[i + 2]))) {
      path += static_cast<char>(std::stoi(uri.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      path += uri[i];
    }
  }
  // file://host/path names another host's file, which is not ours.
  if (path.empty() || path.front() != '/') return std::nullopt;
  return fs::path(path).lexically_normal();
}

Server::Server(int in_fd, int out_fd, const ServerOptions& options)
    : reader_(in_fd, options.MaxMessageBytes), out_fd_(out_fd), options_(options) {}

int Server::Run() {
  while (!exited_) {
    int timeout = -1;
    if (last_edit_) {
      const auto since = std::chrono::steady_clock::now() - *last_edit_;
      const auto left = std::chrono::milliseconds(options_.DebounceMs) -
                        std::chrono::duration_cast<std::chrono::milliseconds>(since);
      timeout = static_cast<int>(std::max<std::int64_t>(0, left.count()));
    }
    if (!reader_.Readable(timeout)) {
      PublishPending();
      continue;
    }
    const MessageReader::Message message = reader_.Read();
    switch (message.What) {
      case MessageReader::Message::Kind::End: return shut_down_ ? 0 : 1;
      case MessageReader::Message::Kind::TooLarge:
        RespondError(nullptr, kInvalidRequest,
                     "the message is larger than " + std::to_string(options_.MaxMessageBytes) + " bytes");
        continue;
      case MessageReader::Message::Kind::BadHeader:
        // Nothing tells where the next message starts but the next header.
        RespondError(nullptr, kParseError, "a message header without a valid Content-Length");
        continue;
      case MessageReader::Message::Kind::Body: break;
    }
    json parsed = json::parse(message.Body, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded()) {
      RespondError(nullptr, kParseError, "the message is no JSON");
      continue;
    }
    Handle(parsed);
  }
  return shut_down_ ? 0 : 1;
}

void Server::Respond(const json& id, json result) {
  WriteMessage(out_fd_, json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}.dump(
                            -1, ' ', false, json::error_handler_t::replace));
}

void Server::RespondError(const json& id, int code, const std::string& message) {
  WriteMessage(out_fd_, json{{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}}.dump(
                            -1, ' ', false, json::error_handler_t::replace));
}

void Server::Notify(const std::string& method, json params) {
  WriteMessage(out_fd_, json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}}.dump(
                            -1, ' ', false, json::error_handler_t::replace));
}

void Server::Handle(const json& message) {
  if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
    if (message.is_object() && message.contains("id") && !message.contains("method")) return;  // a reply to us
    RespondError(message.is_object() && message.contains("id") ? message["id"] : json(nullptr), kInvalidRequest,
                 "a message needs a method");
    return;
  }
  const std::string method = message["method"];
  const bool request = message.contains("id");
  const json id = request ? message["id"] : json(nullptr);
  const json params = message.value("params", json::object());
  if (method == "exit") {
    exited_ = true;
    return;
  }
  if (!initialized_ && method != "initialize") {
    if (request) RespondError(id, kServerNotInitialized, "initialize comes first");
    return;
  }
  try {
    if (method == "initialize") Respond(id, Initialize(params));
    else if (method == "initialized" || method == "$/setTrace" || method == "$/cancelRequest") return;
    else if (method == "shutdown") {
      shut_down_ = true;
      Respond(id, nullptr);
    } else if (method == "textDocument/didOpen") Open(params);
    else if (method == "textDocument/didChange") Change(params);
    else if (method == "textDocument/didClose") Close(params);
    else if (method == "textDocument/didSave") return;
    else if (method == "textDocument/definition") Respond(id, Definition(params));
    else if (method == "textDocument/references") Respond(id, References(params));
    else if (method == "textDocument/rename") Respond(id, Rename(params));
    else if (method == "textDocument/hover") Respond(id, Hover(params));
    else if (method == "textDocument/completion") Respond(id, Completion(params));
    else if (method == "textDocument/documentSymbol") Respond(id, Symbols(params));
    else if (method == "textDocument/foldingRange") Respond(id, Folding(params));
    else if (method == "textDocument/semanticTokens/full") Respond(id, SemanticTokens(params));
    else if (request) RespondError(id, kMethodNotFound, "no method " + method);
  } catch (const json::exception& error) {
    if (request) RespondError(id, kInvalidParams, error.what());
  } catch (const std::invalid_argument& error) {
    if (request) RespondError(id, kRequestFailed, error.what());
  } catch (const std::out_of_range& error) {
    if (request) RespondError(id, kInvalidParams, error.what());
  }
}

json Server::Initialize(const json& params) {
  initialized_ = true;
  encoding_ = PositionEncoding::Utf16;
  if (params.contains("capabilities")) {
    const json& general = params["capabilities"].value("general", json::object());
    for (const json& offered : general.value("positionEncodings", json::array())) {
      if (offered == "utf-8") encoding_ = PositionEncoding::Utf8;
    }
  }
  return {
      {"capabilities",
       {{"positionEncoding", encoding_ == PositionEncoding::Utf8 ? "utf-8" : "utf-16"},
        {"textDocumentSync", {{"openClose", true}, {"change", 2}}},
        {"definitionProvider", true},
        {"referencesProvider", true},
        {"renameProvider", true},
        {"hoverProvider", true},
        {"completionProvider", {{"triggerCharacters", {"@", " ", ","}}}},
        {"documentSymbolProvider", true},
        {"foldingRangeProvider", true},
        {"semanticTokensProvider", {{"legend", {{"tokenTypes", kTokenTypes}, {"tokenModifiers", json::array()}}},
                                    {"full", true}}}}},
      {"serverInfo", {{"name", "torvane-lsp"}, {"version", TORVANE_VERSION}}}};
}

// ---------------------------------------------------------------- documents

void Server::Reread(OpenDocument& document) {
  document.Lines = ScenarioText::FromFileBytes(document.Converted.Cp932);
  document.Outline = check::OutlineOf(document.Lines);
  pending_.insert(document.Path.parent_path());
  last_edit_ = std::chrono::steady_clock::now();
  disk_files_.clear();
}

void Server::Open(const json& params) {
  const json& item = params.at("textDocument");
  const std::string uri = item.at("uri");
  const auto path = PathOfUri(uri);
  if (!path) return;
  OpenDocument& document = documents_[uri];
  document.Uri = uri;
  document.Path = *path;
  document.Version = item.value("version", 0);
  document.Text = item.at("text");
  document.Converted = FromEditorText(document.Text);
  Reread(document);
}

void Server::Change(const json& params) {
  const std::string uri = params.at("textDocument").at("uri");
  const auto found = documents_.find(uri);
  if (found == documents_.end()) return;
  OpenDocument& document = found->second;
  document.Version = params.at("textDocument").value("version", document.Version);
  for (const json& change : params.at("contentChanges")) {
    if (!change.contains("range")) {
      document.Text = change.at("text");
      document.Converted = FromEditorText(document.Text);
      continue;
    }
    // Offsets in the text before this change; the maps follow each change.
    auto offset_of = [&](const json& position) {
      const std::size_t line = position.at("line");
      const std::uint32_t column = position.at("character");
      const std::vector<std::string_view> lines = SplitLines(document.Text);
      if (line >= lines.size()) return document.Text.size();
      const std::size_t start = static_cast<std::size_t>(lines[line].data() - document.Text.data());
      const std::size_t within = line < document.Converted.Lines.size()
                                     ? document.Converted.Lines[line].Utf8Offset(column, encoding_)
                                     : 0;
      return start + std::min(within, lines[line].size());
    };
    const std::size_t begin = offset_of(change.at("range").at("start"));
    const std::size_t end = std::max(begin, offset_of(change.at("range").at("end")));
    document.Text.replace(begin, end - begin, change.at("text").get<std::string>());
    document.Converted = FromEditorText(document.Text);
  }
  Reread(document);
}

void Server::Close(const json& params) {
  const std::string uri = params.at("textDocument").at("uri");
  const auto found = documents_.find(uri);
  if (found == documents_.end()) return;
  const fs::path dir = found->second.Path.parent_path();
  documents_.erase(found);
  pending_.insert(dir);  // the file on disk counts again
  last_edit_ = std::chrono::steady_clock::now();
  disk_files_.clear();
}

OpenDocument& Server::DocumentOf(const json& params) {
  const std::string uri = params.at("textDocument").at("uri");
  const auto found = documents_.find(uri);
  if (found == documents_.end()) throw std::invalid_argument("the document " + uri + " is not open");
  return found->second;
}

std::pair<std::int32_t, std::uint32_t> Server::BytePosition(const OpenDocument& document, const json& position) const {
  const std::size_t line = position.at("line");
  if (line >= document.Converted.Lines.size()) return {static_cast<std::int32_t>(line), 0};
  const std::uint32_t column = position.at("character");
  return {static_cast<std::int32_t>(line),
          static_cast<std::uint32_t>(document.Converted.Lines[line].Cp932Offset(column, encoding_))};
}

json Server::RangeOf(const ConvertedText& text, const check::Span& span) const {
  auto column = [&](std::uint32_t byte) -> std::uint32_t {
    if (span.Line < 0 || static_cast<std::size_t>(span.Line) >= text.Lines.size()) return 0;
    return text.Lines[static_cast<std::size_t>(span.Line)].ClientColumn(byte, encoding_);
  };
  const int line = std::max(0, span.Line);
  return {{"start", {{"line", line}, {"character", column(span.Begin)}}},
          {"end", {{"line", line}, {"character", column(span.End)}}}};
}

json Server::LocationOf(const GameText& text, const check::Span& span) const {
  return {{"uri", text.Uri}, {"range", RangeOf(*text.Converted, span)}};
}

const Server::DiskFile* Server::DiskFileAt(const fs::path& path) {
  if (const auto found = disk_files_.find(path); found != disk_files_.end()) return &found->second;
  platform::FileContent content = platform::ReadRegularFile(path, platform::kGameFileLimit);
  if (content.status != platform::FileContent::Status::Read) return nullptr;
  DiskFile file;
  file.Scenario = check::HoldsScenario(content.bytes);
  file.Converted = FromScenarioBytes(content.bytes);
  file.Lines = ScenarioText::FromFileBytes(std::move(content.bytes));
  file.Outline = check::OutlineOf(file.Lines);
  return &disk_files_.emplace(path, std::move(file)).first->second;
}

// The open files of the game, then the other scenario files of its folder
// as they are on disk.
std::vector<Server::GameText> Server::GameTexts(const fs::path& dir) {
  std::vector<GameText> texts;
  std::set<fs::path> open;
  for (auto& [uri, document] : documents_) {
    if (document.Path.parent_path() != dir) continue;
    open.insert(document.Path);
    texts.push_back({uri, &document.Converted, &document.Lines, &document.Outline});
  }
  std::error_code error;
  std::vector<fs::path> others;
  for (const auto& entry : fs::directory_iterator(dir, error)) {
    const fs::path path = entry.path().lexically_normal();
    if (check::IsTextFileName(path.filename().string()) && !open.count(path)) others.push_back(path);
  }
  std::sort(others.begin(), others.end());
  for (const fs::path& path : others) {
    const DiskFile* file = DiskFileAt(path);
    if (file && file->Scenario) texts.push_back({UriOfPath(path), &file->Converted, &file->Lines, &file->Outline});
  }
  return texts;
}

// ---------------------------------------------------------------- diagnostics

void Server::PublishPending() {
  last_edit_.reset();
  const std::set<fs::path> dirs = std::move(pending_);
  pending_.clear();
  for (const fs::path& dir : dirs) PublishGame(dir);
}

void Server::PublishGame(const fs::path& dir) {
  platform::GameFolder folder(dir);
  std::map<fs::path, const OpenDocument*> open;
  for (const auto& [uri, document] : documents_) {
    if (document.Path.parent_path() != dir) continue;
    folder.Hold(platform::Utf8ToCp932(document.Path.filename().string()), document.Converted.Cp932);
    open[document.Path.lexically_normal()] = &document;
  }
  std::map<std::string, json> diagnostics;  // by URI
  for (const auto& [path, document] : open) diagnostics[document->Uri] = json::array();
  for (const check::Finding& finding : check::CheckGame(folder)) {
    const fs::path path = fs::path(finding.File).lexically_normal();
    std::string uri;
    const ConvertedText* text = nullptr;
    const check::ScenarioOutline* outline = nullptr;
    if (const auto found = open.find(path); found != open.end()) {
      uri = found->second->Uri;
      text = &found->second->Converted;
      outline = &found->second->Outline;
    } else {
      uri = UriOfPath(path);
      const DiskFile* file = DiskFileAt(path);
      if (!file) continue;  // gone from the disk since the check read it
      text = &file->Converted;
      outline = &file->Outline;
    }
    // The finding's byte, to the end of the token there or of the line.
    check::Span span{finding.Line - 1, static_cast<std::uint32_t>(finding.Column - 1), 0};
    span.End = span.Begin;
    if (span.Line >= 0 && static_cast<std::size_t>(span.Line) < text->Lines.size()) {
      span.End = text->Lines[static_cast<std::size_t>(span.Line)].Cp932.back();
      if (outline) {
        for (const check::Token& token : outline->Tokens) {
          if (token.At.Line == span.Line && token.At.Begin == span.Begin) span.End = token.At.End;
        }
      }
    }
    if (finding.Line == 0) span = {0, 0, 0};
    diagnostics[uri].push_back({{"range", RangeOf(*text, span)},
                                {"severity", SeverityOf(finding.Level)},
                                {"code", finding.Check},
                                {"source", "torvane-check"},
                                {"message", finding.Text}});
  }
  for (const auto& [path, document] : open) {
    for (const Unencodable& bad : document->Converted.Bad) {
      const LineMap& map = document->Converted.Lines[bad.Line];
      const json range = {
          {"start", {{"line", bad.Line}, {"character", (encoding_ == PositionEncoding::Utf8 ? map.Utf8 : map.Utf16)[bad.Character]}}},
          {"end", {{"line", bad.Line}, {"character", (encoding_ == PositionEncoding::Utf8 ? map.Utf8 : map.Utf16)[bad.Character + 1]}}}};
      diagnostics[document->Uri].push_back(
          {{"range", range},
           {"severity", 1},
           {"code", "encoding"},
           {"source", "torvane-check"},
           {"message", "'" + bad.Utf8 + "' cannot be written in Shift-JIS (code page 932): the game shows '?'"}});
    }
  }
  std::set<std::string>& before = published_[dir];
  for (const std::string& uri : before) {
    if (!diagnostics.count(uri)) diagnostics[uri] = json::array();
  }
  before.clear();
  for (auto& [uri, list] : diagnostics) {
    if (!list.empty()) before.insert(uri);
    json params = {{"uri", uri}, {"diagnostics", std::move(list)}};
    for (const auto& [path, document] : open) {
      if (document->Uri == uri) params["version"] = document->Version;
    }
    Notify("textDocument/publishDiagnostics", std::move(params));
  }
}

// ---------------------------------------------------------------- navigation

namespace {

const check::NameRef* NameAt(const check::ScenarioOutline& outline, std::int32_t line, std::uint32_t byte) {
  for (const check::NameRef& name : outline.Names) {
    if (name.At.Contains(line, byte)) return &name;
  }
  return nullptr;
}

const check::FileRef* FileAt(const check::ScenarioOutline& outline, std::int32_t line, std::uint32_t byte) {
  for (const check::FileRef& file : outline.Files) {
    if (file.At.Contains(line, byte)) return &file;
  }
  return nullptr;
}

// Labels are looked for in their own file only, item names in the whole
// game; either way a name is the same name in the same kind.
bool SameName(const check::NameRef& a, const check::NameRef& b) { return a.Kind == b.Kind && a.Name == b.Name; }

}  // namespace

json Server::Definition(const json& params) {
  OpenDocument& document = DocumentOf(params);
  const auto [line, byte] = BytePosition(document, params.at("position"));
  const GameText self{document.Uri, &document.Converted, &document.Lines, &document.Outline};
  if (const check::NameRef* name = NameAt(document.Outline, line, byte)) {
    if (name->Kind != check::NameKind::Item) {
      // The engine finds the first definition in the current file.
      for (const check::NameRef& other : document.Outline.Names) {
        if (other.Definition && SameName(other, *name)) return LocationOf(self, other.At);
      }
      return nullptr;
    }
    for (const GameText& text : GameTexts(document.Path.parent_path())) {
      for (const check::NameRef& other : text.Outline->Names) {
        if (other.Definition && SameName(other, *name)) return LocationOf(text, other.At);
      }
    }
    return nullptr;
  }
  if (const check::FileRef* file = FileAt(document.Outline, line, byte)) {
    const platform::GameFolder folder(document.Path.parent_path());
    if (const auto found = folder.Resolve(file->Name)) {
      const json start = {{"line", 0}, {"character", 0}};
      return {{"uri", UriOfPath(*found)}, {"range", {{"start", start}, {"end", start}}}};
    }
  }
  return nullptr;
}

json Server::References(const json& params) {
  OpenDocument& document = DocumentOf(params);
  const auto [line, byte] = BytePosition(document, params.at("position"));
  const bool declarations = params.value("context", json::object()).value("includeDeclaration", true);
  json locations = json::array();
  const check::NameRef* name = NameAt(document.Outline, line, byte);
  if (!name) return locations;
  const check::NameRef wanted = *name;
  std::vector<GameText> texts;
  if (wanted.Kind == check::NameKind::Item) texts = GameTexts(document.Path.parent_path());
  else texts.push_back({document.Uri, &document.Converted, &document.Lines, &document.Outline});
  for (const GameText& text : texts) {
    for (const check::NameRef& other : text.Outline->Names) {
      if (SameName(other, wanted) && (declarations || !other.Definition)) locations.push_back(LocationOf(text, other.At));
    }
  }
  return locations;
}

json Server::Rename(const json& params) {
  OpenDocument& document = DocumentOf(params);
  const auto [line, byte] = BytePosition(document, params.at("position"));
  const check::NameRef* name = NameAt(document.Outline, line, byte);
  if (!name) throw std::invalid_argument("there is no label or item name here to rename");
  const std::string new_name = params.at("newName");
  const ConvertedText converted = FromEditorText(new_name);
  if (!converted.Bad.empty()) throw std::invalid_argument("the new name has characters Shift-JIS cannot hold");
  if (new_name.empty() || TrimBlanks(new_name) != new_name || new_name.find(',') != std::string::npos) {
    throw std::invalid_argument("a name has no blanks at its ends and no comma");
  }
  const check::NameRef wanted = *name;
  std::vector<GameText> texts;
  if (wanted.Kind == check::NameKind::Item) texts = GameTexts(document.Path.parent_path());
  else texts.push_back({document.Uri, &document.Converted, &document.Lines, &document.Outline});
  json changes = json::object();
  for (const GameText& text : texts) {
    json edits = json::array();
    for (const check::NameRef& other : text.Outline->Names) {
      if (SameName(other, wanted)) edits.push_back({{"range", RangeOf(*text.Converted, other.At)}, {"newText", new_name}});
    }
    if (!edits.empty()) changes[text.Uri] = std::move(edits);
  }
  return {{"changes", std::move(changes)}};
}

json Server::Hover(const json& params) {
  OpenDocument& document = DocumentOf(params);
  const auto [line, byte] = BytePosition(document, params.at("position"));
  const check::ScenarioOutline& outline = document.Outline;
  auto reply = [&](const std::string& markdown, const check::Span& span) -> json {
    return {{"contents", {{"kind", "markdown"}, {"value", markdown}}}, {"range", RangeOf(document.Converted, span)}};
  };
  if (line >= 0 && line < document.Lines.Count()) {
    const CommandRow* row = outline.Commands[static_cast<std::size_t>(line)];
    if (row && byte < 4) {
      const check::CommandHelp& help = check::HelpFor(*row);
      return reply("**" + std::string(help.Opcode) + "** " + std::string(help.Operands) + "\n\n" +
                       std::string(help.Does),
                   {line, 0, 4});
    }
  }
  for (const check::FlagRef& flag : outline.Flags) {
    if (!flag.At.Contains(line, byte)) continue;
    std::string sets, tests;
    for (const GameText& text : GameTexts(document.Path.parent_path())) {
      const std::string file = fs::path(*PathOfUri(text.Uri)).filename().string();
      for (const check::FlagRef& other : text.Outline->Flags) {
        if (other.Flag != flag.Flag) continue;
        const std::string where = "\n- " + file + ":" + std::to_string(other.At.Line + 1) + " `" +
                                  Cp932ToUtf8((*text.Lines)[other.At.Line]) + "`";
        (other.Command == CommandId::FON || other.Command == CommandId::FOF ? sets : tests) += where;
      }
    }
    return reply("**flag " + std::to_string(flag.Flag) + "**\n\nset and cleared:" + (sets.empty() ? " nowhere" : sets) +
                     "\n\ntested:" + (tests.empty() ? " nowhere" : tests),
                 flag.At);
  }
  if (const check::NameRef* name = NameAt(outline, line, byte); name && name->Kind == check::NameKind::Item) {
    for (const GameText& text : GameTexts(document.Path.parent_path())) {
      for (const check::NameRef& other : text.Outline->Names) {
        if (!other.Definition || !SameName(other, *name)) continue;
        const std::string file = fs::path(*PathOfUri(text.Uri)).filename().string();
        const ItemDefinition item = ItemDefinitionLine((*text.Lines)[other.At.Line]);
        return reply("**item " + Cp932ToUtf8(name->Name) + "**, defined at " + file + ":" +
                         std::to_string(other.At.Line + 1) + "\n\nholding `" + Cp932ToUtf8(item.holding) +
                         "`, usage `" + Cp932ToUtf8(item.usage) + "`\n\n" + Cp932ToUtf8(item.description),
                     name->At);
      }
    }
    return reply("**item " + Cp932ToUtf8(name->Name) + "**: no `@IIZ` block defines it", name->At);
  }
  for (const check::PortraitRef& portrait : outline.Portraits) {
    if (!portrait.At.Contains(line, byte)) continue;
    if (portrait.Number < 0 || portrait.Number > 10) {
      return reply("**portrait " + std::to_string(portrait.Number) + "**: none; the portrait shown stays", portrait.At);
    }
    return reply("**portrait " + std::to_string(portrait.Number) + "**: " + kPortraits[portrait.Number], portrait.At);
  }
  return nullptr;
}

json Server::Completion(const json& params) {
  OpenDocument& document = DocumentOf(params);
  const auto [line, byte] = BytePosition(document, params.at("position"));
  json items = json::array();
  if (line < 0 || line >= document.Lines.Count()) return items;
  const BytesView text = document.Lines[line];
  const BytesView before = text.substr(0, std::min<std::size_t>(byte, text.size()));
  auto add = [&](const std::string& label, int kind, const std::string& detail) {
    items.push_back({{"label", label}, {"kind", kind}, {"detail", detail}});
  };
  // Opcodes at the start of a line.
  if (before.size() <= 4 && (before.empty() || before.front() == '@')) {
    for (const check::CommandHelp& help : check::kCommandHelp) add(std::string(help.Opcode), 14, std::string(help.Operands));
    return items;
  }
  auto labels = [&](check::NameKind kind) {
    std::set<Bytes> seen;
    for (const check::NameRef& name : document.Outline.Names) {
      if (name.Definition && name.Kind == kind && seen.insert(name.Name).second) {
        add(Cp932ToUtf8(name.Name), kind == check::NameKind::Sub ? 3 : 18, kind == check::NameKind::Sub ? "@SUB" : "@TAG");
      }
    }
  };
  auto item_names = [&] {
    std::set<Bytes> seen;
    for (const GameText& game : GameTexts(document.Path.parent_path())) {
      for (const check::NameRef& name : game.Outline->Names) {
        if (name.Definition && name.Kind == check::NameKind::Item && seen.insert(name.Name).second) {
          add(Cp932ToUtf8(name.Name), 6, "item");
        }
      }
    }
  };
  // A menu entry's target, after its comma.
  for (const check::Block& block : document.Outline.Blocks) {
    if (block.Command == CommandId::CMD && line > block.First && line < block.Last) {
      if (before.find(',') != BytesView::npos) labels(check::NameKind::Sub);
      return items;
    }
  }
  const LineClass kind = ClassifyLine(text);
  if (kind.Kind != LineKind::Command) return items;
  switch (kind.Row->Id) {
    case CommandId::JMP: labels(check::NameKind::Tag); break;
    case CommandId::FJP: if (before.size() >= 8) labels(check::NameKind::Tag); break;
    case CommandId::GSB: labels(check::NameKind::Sub); break;
    case CommandId::FSB: if (before.size() >= 8) labels(check::NameKind::Sub); break;
    case CommandId::ISJ:
      if (before.find(',') != BytesView::npos) labels(check::NameKind::Sub);
      else item_names();
      break;
    case CommandId::IGG:
    case CommandId::IGN:
    case CommandId::IUU:
    case CommandId::IUN: item_names(); break;
    case CommandId::BGS:
    case CommandId::BGM:
    case CommandId::SEM:
    case CommandId::NXT:
    case CommandId::SAV: {
      const std::vector<std::string> extensions = ExtensionsFor(kind.Row->Id);
      std::vector<std::string> names;
      std::error_code error;
      for (const auto& entry : fs::directory_iterator(document.Path.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (!HasExtension(name, extensions)) continue;
        if (extensions.front() == ".txt") {
          const DiskFile* file = DiskFileAt(entry.path().lexically_normal());
          if (!file || !file->Scenario) continue;
        }
        names.push_back(name);
      }
      std::sort(names.begin(), names.end());
      for (const std::string& name : names) add(name, 17, "file");
      break;
    }
    default: break;
  }
  return items;
}

json Server::Symbols(const json& params) {
  OpenDocument& document = DocumentOf(params);
  json symbols = json::array();
  const int kFunction = 12, kEvent = 24, kEnum = 10, kEnumMember = 22;
  for (const check::NameRef& name : document.Outline.Names) {
    if (!name.Definition || name.Kind == check::NameKind::Item) continue;
    const json range = RangeOf(document.Converted, {name.At.Line, 0, static_cast<std::uint32_t>(document.Lines[name.At.Line].size())});
    symbols.push_back({{"name", Cp932ToUtf8(name.Name).empty() ? "(empty)" : Cp932ToUtf8(name.Name)},
                       {"detail", name.Kind == check::NameKind::Tag ? "@TAG" : "@SUB"},
                       {"kind", name.Kind == check::NameKind::Tag ? kEvent : kFunction},
                       {"range", range},
                       {"selectionRange", RangeOf(document.Converted, name.At)}});
  }
  for (const check::Block& block : document.Outline.Blocks) {
    if (block.Command != CommandId::CMD) continue;
    json children = json::array();
    for (std::size_t i = 0; i < block.Entries.size(); ++i) {
      const std::int32_t entry_line = block.First + 1 + static_cast<std::int32_t>(i);
      const json range = RangeOf(document.Converted, {entry_line, 0, static_cast<std::uint32_t>(document.Lines[entry_line].size())});
      const std::string text = Cp932ToUtf8(block.Entries[i]);
      children.push_back({{"name", text.empty() ? "(empty)" : text}, {"kind", kEnumMember}, {"range", range}, {"selectionRange", range}});
    }
    const json first = RangeOf(document.Converted, {block.First, 0, 0});
    const json last = RangeOf(document.Converted, {block.Last, 0, static_cast<std::uint32_t>(document.Lines[block.Last].size())});
    const std::string caption = Cp932ToUtf8(block.Caption);
    symbols.push_back({{"name", caption.empty() ? "(menu)" : caption},
                       {"detail", "@CMD"},
                       {"kind", kEnum},
                       {"range", {{"start", first["start"]}, {"end", last["end"]}}},
                       {"selectionRange", RangeOf(document.Converted, {block.First, 0, 4})},
                       {"children", std::move(children)}});
  }
  std::stable_sort(symbols.begin(), symbols.end(), [](const json& a, const json& b) {
    return a["range"]["start"]["line"].get<int>() < b["range"]["start"]["line"].get<int>();
  });
  return symbols;
}

json Server::Folding(const json& params) {
  OpenDocument& document = DocumentOf(params);
  json ranges = json::array();
  for (const check::Block& block : document.Outline.Blocks) {
    if (block.Last > block.First) ranges.push_back({{"startLine", block.First}, {"endLine", block.Last}});
  }
  return ranges;
}

json Server::SemanticTokens(const json& params) {
  OpenDocument& document = DocumentOf(params);
  json data = json::array();
  std::int32_t last_line = 0;
  std::uint32_t last_start = 0;
  std::uint32_t last_end = 0;
  for (const check::Token& token : document.Outline.Tokens) {
    if (token.At.End <= token.At.Begin || static_cast<std::size_t>(token.At.Line) >= document.Converted.Lines.size()) {
      continue;
    }
    const LineMap& map = document.Converted.Lines[static_cast<std::size_t>(token.At.Line)];
    const std::uint32_t start = map.ClientColumn(token.At.Begin, encoding_);
    const std::uint32_t end = map.ClientColumn(token.At.End, encoding_);
    // Tokens never overlap: a comment line's opcode is part of the comment.
    if (end <= start || (token.At.Line == last_line && start < last_end && !data.empty())) continue;
    const std::uint32_t delta_line = static_cast<std::uint32_t>(token.At.Line - last_line);
    data.push_back(delta_line);
    data.push_back(delta_line == 0 ? start - last_start : start);
    data.push_back(end - start);
    data.push_back(static_cast<int>(token.Kind));
    data.push_back(0);
    last_line = token.At.Line;
    last_start = start;
    last_end = end;
  }
  return {{"data", std::move(data)}};
}

}  // namespace torvane::lsp
