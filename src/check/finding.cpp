#include "check/finding.hpp"

namespace torvane::check {

std::string_view SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: return "note";
  }
  return "error";
}

}  // namespace torvane::check
