#include "check/report.hpp"

#include <nlohmann/json.hpp>

namespace torvane::check {

void CheckSelection::Switch(const std::string& check, bool on) {
  if (check == "all") {
    switched_.clear();
    all_ = on;
    return;
  }
  switched_[check] = on;
}

bool CheckSelection::Reports(const std::string& check) const {
  const auto found = switched_.find(check);
  return found == switched_.end() ? all_ : found->second;
}

Findings Selected(const Findings& findings, const CheckSelection& selection) {
  Findings kept;
  for (const Finding& finding : findings) {
    if (selection.Reports(finding.Check)) kept.push_back(finding);
  }
  return kept;
}

std::string FormatText(const Findings& findings) {
  std::string out;
  for (const Finding& finding : findings) {
    out += finding.File;
    if (finding.Line > 0) out += ":" + std::to_string(finding.Line) + ":" + std::to_string(finding.Column);
    out += ": ";
    out += SeverityName(finding.Level);
    out += ": " + finding.Text + " [" + finding.Check + "]\n";
  }
  return out;
}

std::string FormatJson(const Findings& findings) {
  nlohmann::json list = nlohmann::json::array();
  for (const Finding& finding : findings) {
    list.push_back({{"file", finding.File},
                    {"line", finding.Line},
                    {"column", finding.Column},
                    {"severity", SeverityName(finding.Level)},
                    {"message", finding.Text},
                    {"check", finding.Check}});
  }
  // Texts are UTF-8 already; anything else is replaced rather than refused.
  return list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

int ExitStatusFor(const Findings& findings) {
  for (const Finding& finding : findings) {
    if (finding.Level == Severity::Error) return 1;
  }
  return 0;
}

}  // namespace torvane::check
