// torvane-check: the scenario author's checker and branch explorer.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "check/checker.hpp"
#include "check/explorer.hpp"
#include "check/report.hpp"

namespace {

namespace fs = std::filesystem;
using namespace torvane;

constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "Usage: torvane-check [OPTIONS] [GAME_DIR]\n"
    "Checks a game's scenario files and reports what stops, freezes or breaks it,\n"
    "as FILE:LINE:COL: error|warning|note: text [check], lines counted from 1.\n"
    "\n"
    "  --format FORMAT        how findings are written: text (the default) or json\n"
    "  --no-warn CHECK        leave out a check's findings ('all' for every check)\n"
    "  --warn CHECK           report a check left out before\n"
    "  --explore              play every branch from Start and every save point instead:\n"
    "                         dead ends, endings, save points that cannot be finished\n"
    "  --max-states N         explore at most N decision points (default 20000)\n"
    "  --max-time MS          explore for at most MS milliseconds (default 60000)\n"
    "  --walkthroughs DIR     with --explore: write the shortest input script to each ending\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 without errors, 1 with errors, 2 for a usage error.\n";

struct Options {
  fs::path GameDir = ".";
  bool Json = false;
  bool Explore = false;
  std::optional<fs::path> Walkthroughs;
  check::ExploreOptions Bounds;
  check::CheckSelection Selection;
};

int Usage(const std::string& message) {
  std::cerr << "torvane-check: " << message << "\n" << kUsage;
  return kExitUsage;
}

std::optional<long long> Number(std::string_view text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const std::string copy(text);
  const long long value = std::strtoll(copy.c_str(), &end, 10);
  if (*end != '\0' || value <= 0) return std::nullopt;
  return value;
}

int Run(int argc, char** argv) {
  Options options;
  bool have_dir = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value_of = [&](std::string_view name) -> std::optional<std::string_view> {
      if (arg.substr(0, name.size()) == name && arg.size() > name.size() && arg[name.size()] == '=') {
        return arg.substr(name.size() + 1);
      }
      if (arg == name && i + 1 < argc) return std::string_view(argv[++i]);
      return std::nullopt;
    };
    if (arg == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--version") {
      std::cout << "torvane-check " << TORVANE_VERSION << "\n";
      return 0;
    }
    if (arg == "--explore") {
      options.Explore = true;
    } else if (auto format = value_of("--format")) {
      if (*format != "text" && *format != "json") return Usage("unknown format '" + std::string(*format) + "'");
      options.Json = *format == "json";
    } else if (auto off = value_of("--no-warn")) {
      options.Selection.Switch(std::string(*off), false);
    } else if (auto on = value_of("--warn")) {
      options.Selection.Switch(std::string(*on), true);
    } else if (auto states = value_of("--max-states")) {
      const auto n = Number(*states);
      if (!n) return Usage("--max-states takes a positive number");
      options.Bounds.MaxStates = static_cast<std::size_t>(*n);
    } else if (auto ms = value_of("--max-time")) {
      const auto n = Number(*ms);
      if (!n) return Usage("--max-time takes a positive number of milliseconds");
      options.Bounds.MaxMs = *n;
    } else if (auto dir = value_of("--walkthroughs")) {
      options.Walkthroughs = fs::path(*dir);
    } else if (!arg.empty() && arg.front() == '-') {
      return Usage("unknown option '" + std::string(arg) + "'");
    } else if (have_dir) {
      return Usage("only one game folder can be checked at a time");
    } else {
      options.GameDir = fs::path(arg);
      have_dir = true;
    }
  }
  std::error_code error;
  if (!fs::is_directory(options.GameDir, error)) {
    return Usage("'" + options.GameDir.string() + "' is no folder");
  }
  if (options.Walkthroughs && !options.Explore) return Usage("--walkthroughs needs --explore");

  if (!options.Explore) {
    const platform::GameFolder folder(options.GameDir);
    const check::Findings found = check::Selected(check::CheckGame(folder), options.Selection);
    std::cout << (options.Json ? check::FormatJson(found) : check::FormatText(found));
    return check::ExitStatusFor(found);
  }
  const check::ExploreReport report = check::Explore(options.GameDir, options.Bounds);
  const check::Findings found = check::Selected(report.Found, options.Selection);
  if (options.Json) {
    std::cout << check::FormatJson(found);
  } else {
    std::cout << check::FormatText(found) << check::FormatCoverage(report);
  }
  if (options.Walkthroughs) {
    for (const fs::path& path : check::WriteWalkthroughs(report, *options.Walkthroughs)) {
      std::cerr << "wrote " << path.string() << "\n";
    }
  }
  return check::ExitStatusFor(found);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "torvane-check: " << error.what() << "\n";
    return 1;
  }
}
