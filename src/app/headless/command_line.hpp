#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/headless/runner.hpp"

namespace torvane::headless {

struct CommandLine {
  RunnerOptions Runner;
  std::optional<std::string> InputFile;  // "-" reads standard input
  std::string TranscriptFile = "-";      // "-" is standard output
  std::optional<std::string> ScreenshotDir;  // a picture of the client area at every wait
};

// What the program does instead of running: print help or the version, or
// fail with a usage error.
struct CommandLineExit {
  int Status;
  std::string Text;  // for standard output on success, standard error otherwise
};

std::variant<CommandLine, CommandLineExit> ParseCommandLine(const std::vector<std::string>& args,
                                                            const std::string& version);

std::string UsageText();

// A usage error unless `dir` is a folder to run the game in.
std::optional<CommandLineExit> CheckGameDir(const std::filesystem::path& dir);

}  // namespace torvane::headless
