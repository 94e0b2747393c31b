#pragma once

#include <map>
#include <string>

#include "check/finding.hpp"

namespace torvane::check {

// Which checks report: every one unless switched off by name ("all" names
// every check); a later switch overrides an earlier one.
class CheckSelection {
 public:
  void Switch(const std::string& check, bool on);
  bool Reports(const std::string& check) const;

 private:
  std::map<std::string, bool> switched_;
  bool all_ = true;
};

Findings Selected(const Findings& findings, const CheckSelection& selection);

// "FILE:LINE:COL: error: text [check]" a line, as compilers write them; a
// finding about a whole file has no line or column.
std::string FormatText(const Findings& findings);
// One JSON array of objects with the keys file, line, column, severity,
// message and check.
std::string FormatJson(const Findings& findings);

// The exit status a tool gives for its findings: 1 with an error, else 0.
int ExitStatusFor(const Findings& findings);

}  // namespace torvane::check
