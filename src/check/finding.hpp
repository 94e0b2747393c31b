#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace torvane::check {

// How bad a finding is. An error is what stops, freezes or breaks the game
// when its line runs; a warning is what is likely wrong but plays.
enum class Severity { Error, Warning, Note };

std::string_view SeverityName(Severity severity);

// One thing a tool found about a game, at a place in one of its files.
// Lines and columns count from 1, as compilers do, so editors jump to them.
struct Finding {
  std::string File;   // the file's name as the game folder holds it (UTF-8)
  int Line = 1;       // 0 for the file as a whole
  int Column = 1;     // a byte column in the line's code page 932 text
  Severity Level = Severity::Error;
  std::string Text;   // UTF-8
  std::string Check;  // the check's name, for --warn/--no-warn
};

using Findings = std::vector<Finding>;

// Code page 932 text as a finding quotes it: in UTF-8, between quotes.
std::string Quoted(std::string_view cp932);

}  // namespace torvane::check
