#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace torvane::headless {

enum class InputKind { Start, Continue, Exit, Click, RightClick, Choose, Pick, Close, Ok, Yes, No, Wait, Dump, Quit };

// One action of the player, as an input line names it.
struct InputAction {
  std::string Written;  // the line as written, for the transcript
  InputKind Kind = InputKind::Dump;
  int X = 300;  // presses default to a point in the message area
  int Y = 350;
  std::optional<int> Index;         // choose N, pick N
  std::optional<std::string> Text;  // choose "TEXT", pick "TEXT" (UTF-8)
  std::int64_t Ms = 0;              // wait MS
};

struct InputParseError {
  int LineNumber;  // from 1
  std::string Message;
};

// One action a line; blank lines and lines starting with "#" are ignored.
std::variant<std::vector<InputAction>, InputParseError> ParseInputScript(std::string_view text);

}  // namespace torvane::headless
