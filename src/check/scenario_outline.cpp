#include "check/scenario_outline.hpp"

#include <algorithm>

#include "engine/operands.hpp"
#include "platform/script_error.hpp"

namespace torvane::check {
namespace {

class Outliner {
 public:
  explicit Outliner(const ScenarioText& lines) : lines_(lines) {
    out_.Commands.assign(static_cast<std::size_t>(lines.Count()), nullptr);
  }

  ScenarioOutline Run() {
    for (std::int32_t line = 0; line < lines_.Count();) line = Command(line) + 1;
    std::stable_sort(out_.Tokens.begin(), out_.Tokens.end(), [](const Token& a, const Token& b) {
      return a.At.Line != b.At.Line ? a.At.Line < b.At.Line : a.At.Begin < b.At.Begin;
    });
    return std::move(out_);
  }

 private:
  Span SpanOf(std::int32_t line, BytesView part) const {
    const BytesView text = lines_[line];
    const auto begin = static_cast<std::uint32_t>(part.data() - text.data());
    return {line, begin, begin + static_cast<std::uint32_t>(part.size())};
  }
  void Add(std::int32_t line, BytesView part, TokenKind kind) {
    if (!part.empty()) out_.Tokens.push_back({SpanOf(line, part), kind});
  }
  void Name(std::int32_t line, BytesView name, NameKind kind, bool definition) {
    out_.Names.push_back({kind, Bytes(name), SpanOf(line, name), definition});
    Add(line, name, kind == NameKind::Item ? TokenKind::Operand : TokenKind::Label);
  }
  void Text(std::int32_t line) { Add(line, lines_[line], TokenKind::BlockText); }

  // Reads the command at `line` and its block; returns its last line.
  std::int32_t Command(std::int32_t line) {
    const BytesView text = lines_[line];
    const LineClass kind = ClassifyLine(text);
    if (kind.Kind != LineKind::Command) return line;
    const CommandRow& row = *kind.Row;
    out_.Commands[static_cast<std::size_t>(line)] = &row;
    if (row.Id != CommandId::REM) Add(line, OpcodeOf(text), TokenKind::Opcode);
    Operands operands;
    try {
      operands = DecodeOperands(row, text);
    } catch (const ScriptError&) {
      Add(line, SliceFrom(text, 5), TokenKind::Operand);
      return row.Lines == LineEffect::Block ? BlockEnd(line, row.Id) : line;
    }
    switch (row.Id) {
      case CommandId::REM: Add(line, text, TokenKind::Comment); break;
      case CommandId::TAG: Name(line, operands.Name, NameKind::Tag, true); break;
      case CommandId::SUB: Name(line, operands.Name, NameKind::Sub, true); break;
      case CommandId::JMP: Name(line, operands.Name, NameKind::Tag, false); break;
      case CommandId::GSB: Name(line, operands.Name, NameKind::Sub, false); break;
      case CommandId::FJP:
      case CommandId::FSB:
      case CommandId::FON:
      case CommandId::FOF: {
        const BytesView flag = SliceBytes(text, 6, 7);
        Add(line, flag, TokenKind::Operand);
        if (!flag.empty()) out_.Flags.push_back({operands.Number, SpanOf(line, flag), row.Id});
        if (row.Id == CommandId::FJP || row.Id == CommandId::FSB) {
          Name(line, operands.Name, row.Id == CommandId::FJP ? NameKind::Tag : NameKind::Sub, false);
        }
        break;
      }
      case CommandId::ISJ:
        Name(line, operands.Name, NameKind::Item, false);
        Name(line, operands.Second, NameKind::Sub, false);
        break;
      case CommandId::IGG:
      case CommandId::IGN:
      case CommandId::IUU:
      case CommandId::IUN: Name(line, operands.Name, NameKind::Item, false); break;
      case CommandId::BGS:
      case CommandId::BGM:
      case CommandId::SEM:
      case CommandId::NXT:
      case CommandId::SAV:
        if (!operands.Name.empty()) {
          out_.Files.push_back({row.Id, Bytes(operands.Name), SpanOf(line, operands.Name)});
          Add(line, operands.Name, TokenKind::Operand);
        }
        break;
      case CommandId::IVW:
      case CommandId::ISS:
      case CommandId::TXT: {
        const BytesView number = SliceBytes(text, 6, 12);
        Add(line, number, TokenKind::Operand);
        if (!number.empty()) out_.Portraits.push_back({operands.Number, SpanOf(line, number)});
        break;
      }
      default: break;
    }
    if (row.Id == CommandId::CMD) Add(line, operands.Name, TokenKind::Operand);
    return row.Lines == LineEffect::Block ? BlockEnd(line, row.Id, operands.Name) : line;
  }

  std::int32_t BlockEnd(std::int32_t line, CommandId id, BytesView caption = {}) {
    const std::int32_t last_line = static_cast<std::int32_t>(lines_.Count()) - 1;
    Block block{id, line, last_line, Bytes(caption), {}};
    if (id == CommandId::STX) return Narration(line, block);
    const bool exact = id == CommandId::TXT;
    std::int32_t i = line + 1;
    for (; i <= last_line; ++i) {
      const BytesView text = lines_[i];
      if (exact ? IsExactEnd(text) : IsTrimmedEnd(text)) {
        Add(i, OpcodeOf(text), TokenKind::Opcode);
        break;
      }
      if (id == CommandId::CMD) {
        const MenuEntry entry = MenuEntryLine(text);
        Add(i, entry.text, TokenKind::BlockText);
        block.Entries.emplace_back(entry.text);
        if (entry.target.data() != text.data() + text.size() || !entry.target.empty()) {
          out_.Names.push_back({NameKind::Sub, Bytes(entry.target), SpanOf(i, entry.target), false});
          Add(i, entry.target, TokenKind::Label);
        }
      } else if (id == CommandId::IIZ) {
        const ItemDefinition item = ItemDefinitionLine(text);
        Name(i, item.name, NameKind::Item, true);
        if (item.name.size() < text.size()) Add(i, text.substr(item.name.size()), TokenKind::BlockText);
      } else {
        Text(i);
      }
    }
    block.Last = std::min(i, last_line);
    out_.Blocks.push_back(std::move(block));
    return std::min(i, last_line);
  }

  // The pages up to the "@STE" or "@LST" line, which runs as a command of
  // its own; "@BGM" and "@SEM" between pages run within.
  std::int32_t Narration(std::int32_t line, Block& block) {
    const std::int32_t last_line = static_cast<std::int32_t>(lines_.Count()) - 1;
    std::int32_t current = line;
    while (current <= last_line) {
      BytesView text = lines_[current];
      if (text == "@STE" || text == "@LST") {
        block.Last = current;
        out_.Blocks.push_back(block);
        return current - 1;
      }
      for (const CommandId inline_id : {CommandId::BGM, CommandId::SEM}) {
        const LineClass kind = ClassifyLine(text);
        if (kind.Kind == LineKind::Command && kind.Row->Id == inline_id && current != line) {
          Command(current);
          if (++current > last_line) break;
          text = lines_[current];
        }
      }
      if (current > last_line) break;
      // The head line, passed over unseen: "@STX" by custom.
      if (current != line) Add(current, lines_[current], text == "@STX" ? TokenKind::Opcode : TokenKind::BlockText);
      for (++current; current <= last_line && lines_[current] != "@END"; ++current) Text(current);
      if (current <= last_line) Add(current, lines_[current], TokenKind::Opcode);
      ++current;
    }
    block.Last = last_line;
    out_.Blocks.push_back(block);
    return last_line;
  }

  const ScenarioText& lines_;
  ScenarioOutline out_;
};

}  // namespace

ScenarioOutline OutlineOf(const ScenarioText& lines) { return Outliner(lines).Run(); }

}  // namespace torvane::check
