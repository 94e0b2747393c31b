#pragma once

#include <cstdint>
#include <vector>

#include "engine/command_table.hpp"
#include "engine/scenario_text.hpp"
#include "platform/bytes.hpp"

namespace torvane::check {

// Bytes [Begin, End) of a line, from 0.
struct Span {
  std::int32_t Line = 0;
  std::uint32_t Begin = 0;
  std::uint32_t End = 0;
  bool Contains(std::int32_t line, std::uint32_t byte) const {
    return line == Line && byte >= Begin && byte <= End;
  }
};

enum class TokenKind { Opcode, Label, Operand, BlockText, Comment };

struct Token {
  Span At;
  TokenKind Kind;
};

enum class NameKind { Tag, Sub, Item };

// A label or item name where a line defines or uses it.
struct NameRef {
  NameKind Kind;
  Bytes Name;
  Span At;
  bool Definition = false;
};

struct FileRef {
  CommandId Command;
  Bytes Name;
  Span At;
};

struct FlagRef {
  std::int32_t Flag;
  Span At;
  CommandId Command;  // "@FON" and "@FOF" set it, "@FJP" and "@FSB" test it
};

struct PortraitRef {
  std::int32_t Number;
  Span At;
};

// A command with the lines it reads: "@TXT", "@CMD", "@IIZ" and "@STX" up
// to their ends ("@STX" to its "@STE" or "@LST" line).
struct Block {
  CommandId Command;
  std::int32_t First;
  std::int32_t Last;
  Bytes Caption;  // "@CMD"'s
  std::vector<Bytes> Entries;
};

// What each line of a scenario file is, read in file order with the
// engine's command table, operand forms and block ends.
struct ScenarioOutline {
  std::vector<Token> Tokens;  // in line and byte order
  std::vector<NameRef> Names;
  std::vector<FileRef> Files;
  std::vector<FlagRef> Flags;
  std::vector<PortraitRef> Portraits;
  std::vector<Block> Blocks;
  std::vector<const CommandRow*> Commands;  // each line's command when it is run as one, else null
};

ScenarioOutline OutlineOf(const ScenarioText& lines);

}  // namespace torvane::check
