#pragma once

#include <array>
#include <string_view>

#include "engine/command_table.hpp"

namespace torvane::check {

// What each command takes and does, for authors: the language reference's
// command table and the editor's hover both show these words, and a test
// holds the reference to them and to the engine's own table.
struct CommandHelp {
  std::string_view Opcode;
  std::string_view Operands;
  std::string_view Does;
};

extern const std::array<CommandHelp, kCommandCount> kCommandHelp;

// The help of a command row.
const CommandHelp& HelpFor(const CommandRow& row);

}  // namespace torvane::check
