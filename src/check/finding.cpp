#include "check/finding.hpp"

#include "platform/cp932.hpp"

namespace torvane::check {

std::string_view SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: return "note";
  }
  return "error";
}

std::string Quoted(std::string_view cp932) { return "'" + platform::Cp932ToUtf8(cp932) + "'"; }

}  // namespace torvane::check
