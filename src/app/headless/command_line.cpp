#include "app/headless/command_line.hpp"

#include <charconv>
#include <system_error>

namespace torvane::headless {

namespace {

// A whole number of at most nine digits, so that no product of it overflows.
std::optional<std::int64_t> Whole(const std::string& text) {
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > 999999999) return std::nullopt;
  return value;
}

}  // namespace

std::string UsageText() {
  return R"(Usage: torvane-headless [OPTIONS] [GAME_DIR]

Plays a Torvane game with no window and no sound device, on a virtual clock.
The player's actions come from an input script; what the player would see and
hear is written as a JSON Lines transcript.

  GAME_DIR            the folder the game runs in (default: the current directory)
  --input FILE        the player's actions, one a line ("-" reads standard input);
                      without it the run ends at the first wait for the player
  --transcript FILE   where the transcript goes ("-", the default, is standard output)
  --save-file FILE    the save-point file to read and write
  --max-time MS       stop when the virtual clock passes MS (default 3600000)
  --trace             also write a "step" event for every line executed
  --strict            exit with status 4 when the game stopped on a script
                      error or got stuck on a line that is not a command
  --fast N            fast-forward: the game's clock runs N times as fast (N
                      from 1 to 64) and each message is answered for the
                      player 40 ms of the game's clock after it appears
  --skip-read FILE    skip of read text: answers the messages seen before, as
                      --fast does, and stops at the first message or page not
                      seen before; FILE holds the lines seen and is updated
  --auto MS           auto-advance: answers each message MS milliseconds after
                      it appears, plus 60 ms a character
  --screenshots DIR   write the client area as the window would show it, as
                      DIR/NNNN-WAIT.png, at every wait for the player
  --help              show this help
  --version           show the version

Input lines: start, continue, exit, click [X Y], rclick [X Y], choose N,
choose "TEXT", pick N, pick "TEXT", close, ok, yes, no, wait MS, dump, quit.
A mode never answers a command list, the item dialog or a box; its answers
are written as "advance" events, and the transcript's times are the player's,
so under --fast N the game's events come at 1/N of their usual times.

Exit status: 0 when the run ended normally, 2 for a usage error (a GAME_DIR
that is not a folder included), 3 when an input line does not fit what the
game is waiting for, 4 with --strict after a script error or a stuck line.
)";
}

std::variant<CommandLine, CommandLineExit> ParseCommandLine(const std::vector<std::string>& args,
                                                            const std::string& version) {
  CommandLine result;
  std::optional<std::string> game_dir;
  auto usage_error = [](const std::string& message) {
    return CommandLineExit{kExitUsage, "torvane-headless: " + message + "\nTry 'torvane-headless --help'.\n"};
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> value;
    if (arg.starts_with("--") && arg.find('=') != std::string::npos) {
      value = arg.substr(arg.find('=') + 1);
      arg = arg.substr(0, arg.find('='));
    }
    auto take_value = [&]() -> std::optional<std::string> {
      if (value) return value;
      if (i + 1 < args.size()) return args[++i];
      return std::nullopt;
    };
    if (arg == "--help") return CommandLineExit{kExitNormal, UsageText()};
    if (arg == "--version") return CommandLineExit{kExitNormal, "torvane-headless " + version + "\n"};
    if (arg == "--trace" && !value) {
      result.Runner.Trace = true;
    } else if (arg == "--strict" && !value) {
      result.Runner.Strict = true;
    } else if (arg == "--input" || arg == "--transcript" || arg == "--save-file" || arg == "--max-time" ||
               arg == "--screenshots" || arg == "--fast" || arg == "--skip-read" || arg == "--auto") {
      auto v = take_value();
      if (!v || v->empty()) return usage_error("option " + arg + " needs a value");
      if (arg == "--input") result.InputFile = *v;
      else if (arg == "--skip-read") result.Runner.SkipReadFile = *v;
      else if (arg == "--fast") {
        const auto speed = Whole(*v);
        if (!speed || *speed < 1 || *speed > reading::ModeSettings::kMaxFastSpeed) {
          return usage_error("--fast needs a speed from 1 to 64, not '" + *v + "'");
        }
        result.Runner.FastSpeed = static_cast<int>(*speed);
      } else if (arg == "--auto") {
        const auto ms = Whole(*v);
        if (!ms) return usage_error("--auto needs a number of milliseconds, not '" + *v + "'");
        result.Runner.AutoMs = *ms;
      } else if (arg == "--screenshots") result.ScreenshotDir = *v;
      else if (arg == "--transcript") result.TranscriptFile = *v;
      else if (arg == "--save-file") result.Runner.SaveFile = *v;
      else {
        std::int64_t ms = 0;
        auto [end, error] = std::from_chars(v->data(), v->data() + v->size(), ms);
        if (error != std::errc() || end != v->data() + v->size() || ms < 0) {
          return usage_error("--max-time needs a number of milliseconds, not '" + *v + "'");
        }
        result.Runner.MaxTimeMs = ms;
      }
    } else if (arg.starts_with("-") && arg != "-") {
      return usage_error("unknown option '" + args[i] + "'");
    } else if (!game_dir) {
      game_dir = arg;
    } else {
      return usage_error("only one GAME_DIR may be given");
    }
  }
  if (game_dir) result.Runner.GameDir = *game_dir;
  return result;
}

std::optional<CommandLineExit> CheckGameDir(const std::filesystem::path& dir) {
  std::error_code error;
  const auto status = std::filesystem::status(dir, error);
  if (std::filesystem::is_directory(status)) return std::nullopt;
  const std::string why = std::filesystem::exists(status) ? "is not a folder" : "does not exist";
  return CommandLineExit{kExitUsage, "torvane-headless: the game folder '" + dir.string() + "' " + why + "\n"};
}

}  // namespace torvane::headless
