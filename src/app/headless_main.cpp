// torvane-headless: a game on a virtual clock, with scripted input and a
// JSON Lines transcript.
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "app/headless/command_line.hpp"
#include "app/headless/input_script.hpp"
#include "app/headless/runner.hpp"

using namespace torvane::headless;

namespace {

std::optional<std::string> ReadInput(const std::string& name) {
  if (name == "-") return std::string(std::istreambuf_iterator<char>(std::cin), {});
  std::ifstream file(name, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace

int main(int argc, char** argv) {
  const auto parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), TORVANE_VERSION);
  if (const auto* exit = std::get_if<CommandLineExit>(&parsed)) {
    (exit->Status == kExitNormal ? std::cout : std::cerr) << exit->Text;
    return exit->Status;
  }
  const CommandLine& options = std::get<CommandLine>(parsed);

  std::vector<InputAction> inputs;
  if (options.InputFile) {
    auto text = ReadInput(*options.InputFile);
    if (!text) {
      std::cerr << "torvane-headless: cannot read the input file '" << *options.InputFile << "'\n";
      return kExitUsage;
    }
    auto script = ParseInputScript(*text);
    if (const auto* error = std::get_if<InputParseError>(&script)) {
      std::cerr << "torvane-headless: " << *options.InputFile << ":" << error->LineNumber << ": "
                << error->Message << "\n";
      return kExitUsage;
    }
    inputs = std::get<std::vector<InputAction>>(std::move(script));
  }

  std::ofstream file;
  if (options.TranscriptFile != "-") {
    file.open(options.TranscriptFile, std::ios::binary | std::ios::trunc);
    if (!file) {
      std::cerr << "torvane-headless: cannot write the transcript '" << options.TranscriptFile << "'\n";
      return kExitUsage;
    }
  }
  std::ostream& transcript = options.TranscriptFile == "-" ? std::cout : file;
  Runner runner(options.Runner, transcript);
  return runner.Run(inputs);
}
