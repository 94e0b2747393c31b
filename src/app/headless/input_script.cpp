#include "app/headless/input_script.hpp"

#include <charconv>
#include <map>

namespace torvane::headless {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> Words(std::string_view s) {
  std::vector<std::string_view> words;
  while (true) {
    s = Trim(s);
    if (s.empty()) return words;
    auto end = s.find_first_of(" \t");
    words.push_back(s.substr(0, end));
    if (end == std::string_view::npos) return words;
    s.remove_prefix(end);
  }
}

template <typename Int>
std::optional<Int> ParseNumber(std::string_view word) {
  Int value{};
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return value;
}

const std::map<std::string_view, InputKind, std::less<>> kBareActions = {
    {"start", InputKind::Start}, {"continue", InputKind::Continue}, {"exit", InputKind::Exit},
    {"close", InputKind::Close}, {"ok", InputKind::Ok},             {"yes", InputKind::Yes},
    {"no", InputKind::No},       {"dump", InputKind::Dump},         {"quit", InputKind::Quit},
};

// Parses one non-blank line; an error message when it does not parse.
std::variant<InputAction, std::string> ParseLine(std::string_view line) {
  InputAction action;
  action.Written = std::string(line);
  const auto words = Words(line);
  const std::string_view verb = words.front();
  if (auto bare = kBareActions.find(verb); bare != kBareActions.end()) {
    if (words.size() != 1) return "'" + std::string(verb) + "' takes no argument";
    action.Kind = bare->second;
    return action;
  }
  if (verb == "click" || verb == "rclick") {
    action.Kind = verb == "click" ? InputKind::Click : InputKind::RightClick;
    if (words.size() == 1) return action;
    auto x = words.size() == 3 ? ParseNumber<int>(words[1]) : std::nullopt;
    auto y = words.size() == 3 ? ParseNumber<int>(words[2]) : std::nullopt;
    if (!x || !y) return "'" + std::string(verb) + "' takes no argument or two integers X Y";
    action.X = *x;
    action.Y = *y;
    return action;
  }
  if (verb == "choose" || verb == "pick") {
    action.Kind = verb == "choose" ? InputKind::Choose : InputKind::Pick;
    std::string_view rest = Trim(line.substr(verb.size()));
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
      action.Text = std::string(rest.substr(1, rest.size() - 2));
      return action;
    }
    auto index = words.size() == 2 ? ParseNumber<int>(words[1]) : std::nullopt;
    if (!index || *index < 0) return "'" + std::string(verb) + "' takes an entry number from 0 or a \"quoted text\"";
    action.Index = *index;
    return action;
  }
  if (verb == "wait") {
    auto ms = words.size() == 2 ? ParseNumber<std::int64_t>(words[1]) : std::nullopt;
    if (!ms || *ms < 0) return "'wait' takes a number of milliseconds";
    action.Kind = InputKind::Wait;
    action.Ms = *ms;
    return action;
  }
  return "unknown input '" + std::string(verb) + "'";
}

}  // namespace

std::variant<std::vector<InputAction>, InputParseError> ParseInputScript(std::string_view text) {
  std::vector<InputAction> actions;
  int line_number = 0;
  while (!text.empty() || line_number == 0) {
    ++line_number;
    auto newline = text.find('\n');
    std::string_view raw = text.substr(0, newline);
    text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
    std::string_view line = Trim(raw);
    if (!line.empty() && line.front() != '#') {
      auto parsed = ParseLine(line);
      if (auto* error = std::get_if<std::string>(&parsed)) return InputParseError{line_number, *error};
      actions.push_back(std::get<InputAction>(std::move(parsed)));
    }
    if (text.empty()) break;
  }
  return actions;
}

}  // namespace torvane::headless
