// torvane: the desktop player.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "media/media_module.hpp"
#include "reading/seen_lines.hpp"
#include "ui/qt/early_start.hpp"
#include "ui/qt/game_opening.hpp"
#include "ui/qt/main_window.hpp"

namespace {

const char* const kUsage =
    "Usage: torvane [--author] [--text-out FILE|-] [GAME]\n"
    "\n"
    "Plays a Torvane game in a window.\n"
    "\n"
    "  GAME        the game's folder, the one holding Sinario00.txt and the\n"
    "              pictures, music and sounds its scenarios name, or the path\n"
    "              of its Sinario00.txt (default: the current directory when it\n"
    "              holds a game; otherwise a folder chooser opens)\n"
    "  --author    for scenario authors: the error box also names the scenario\n"
    "              file and line (from 1), and a line that is not a command is\n"
    "              reported on standard error as FILE:LINE: stuck: TEXT\n"
    "  --text-out FILE\n"
    "              write each message and narration page as it appears to FILE\n"
    "              (- for standard output) as UTF-8, for text-hook tools: its\n"
    "              lines that are not empty, then one empty line\n"
    "  --help      show this help\n"
    "  --version   show the version\n"
    "\n"
    "The game starts on its title screen; choose ゲーム > スタート (Alt+G, S) to begin,\n"
    "or 続きから to continue from the save point.\n"
    "\n"
    "The 表示 menu scales the window (Ctrl+1 to Ctrl+4, Ctrl+0 to fit the screen),\n"
    "goes fullscreen (F11 or Alt+Enter), sets the music and effects volume, mutes\n"
    "(Ctrl+M), chooses the soundfont for MIDI, takes a screenshot (F12), opens\n"
    "another game (Ctrl+O), shows the backlog (Backspace, or the mouse wheel turned\n"
    "up over the game screen) and copies or reads aloud each message as it appears.\n"
    "Settings are kept in $XDG_CONFIG_HOME/torvane/torvane.conf.\n"
    "\n"
    "Holding Ctrl fast-forwards; F6 toggles fast-forward, F7 skip of read text and\n"
    "F8 auto-advance (also in the 表示 menu). None of them answers a command list,\n"
    "the item dialog or a box. The lines seen are kept beside the save point's\n"
    "fallback, in $XDG_DATA_HOME/torvane/.\n"
    "\n"
    "The save point is Kesmar.ini in the game folder (in any letter case). When it\n"
    "cannot be written, it is kept in a folder of the game's own under\n"
    "$XDG_DATA_HOME/torvane/ (~/.local/share/torvane/ when the variable is unset).\n"
    "\n"
    "To play the demo game:\n"
    "\n";

std::filesystem::path ProgramDir() {
  std::error_code no_link;
  return std::filesystem::read_symlink("/proc/self/exe", no_link).parent_path();
}

// The installed demo, found relative to the program so that a moved
// install names its own copy; the configured place otherwise.
std::filesystem::path DemoDir() {
  const std::filesystem::path installed = (ProgramDir() / TORVANE_DEMO_DIR_FROM_BIN).lexically_normal();
  std::error_code error;
  return std::filesystem::is_directory(installed, error) ? installed : std::filesystem::path(TORVANE_DEMO_DIR);
}

// A display to show a box on; without one a refusal goes to stderr alone.
bool HaveDisplay() {
  return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
}

// The folder chooser, until a game is chosen or the player gives up.
std::filesystem::path ChooseGameFolder() {
  for (;;) {
    const QString folder = QFileDialog::getExistingDirectory(nullptr, QStringLiteral("ゲームを開く"), QDir::homePath());
    if (folder.isEmpty()) return {};
    const torvane::qt::GameLocation game = torvane::qt::LocateGame(folder.toStdString());
    if (game.Found()) return game.Dir;
    torvane::qt::ReportRefusedGame(game, nullptr);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::optional<std::filesystem::path> given;
  bool author = false;
  std::optional<std::string> text_out_path;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help") {
      std::cout << kUsage << "  torvane " << DemoDir().string() << "\n"
                << "  torvane /path/to/torvane/games/demo     (from a source tree)\n";
      return 0;
    }
    if (arg == "--version") {
      std::cout << "torvane " << TORVANE_VERSION << "\n";
      return 0;
    }
    if (arg == "--author") {
      author = true;
      continue;
    }
    if (arg == "--text-out" || arg.starts_with("--text-out=")) {
      if (arg == "--text-out" && i + 1 == args.size()) {
        std::cerr << "torvane: --text-out needs a FILE, or - for standard output\nTry 'torvane --help'.\n";
        return 2;
      }
      text_out_path = arg == "--text-out" ? args[++i] : arg.substr(std::string_view("--text-out=").size());
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') {
      std::cerr << "torvane: unknown option '" << arg << "'\nTry 'torvane --help'.\n";
      return 2;
    }
    if (given) {
      std::cerr << "torvane: only one GAME may be given\nTry 'torvane --help'.\n";
      return 2;
    }
    given = arg;
  }
  torvane::qt::GameLocation game;
  if (given) {
    game = torvane::qt::LocateGame(*given);
    if (!game.Found() && !HaveDisplay()) {
      torvane::qt::ReportRefusedGame(game, nullptr);
      return 2;
    }
  } else if (torvane::qt::HoldsFirstScenario(".")) {
    game.Dir = ".";
  }
  torvane::TextOutFile text_out;
  if (text_out_path) {
    if (const auto problem = text_out.Open(*text_out_path)) {
      std::cerr << "torvane: cannot write the text out: " << *problem << "\n";
      return 2;
    }
  }

  // The menu bar belongs inside the window, under the caption, whatever a
  // desktop's global menu would prefer; asking for one also costs start-up
  // a round trip to the session bus.
  QApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
  std::future<torvane::qt::FormAssets> assets = torvane::qt::StartEarlyWork();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Torvane"));
  QApplication::setApplicationVersion(QStringLiteral(TORVANE_VERSION));
  // Matches the desktop entry, so a Wayland compositor finds its icon and name.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.torvane.Torvane"));

  if (given && !game.Found()) {
    torvane::qt::ReportRefusedGame(game, nullptr);
    return 2;
  }
  if (!game.Found()) {
    // Started from a menu or a file manager, with no game at hand.
    game.Dir = ChooseGameFolder();
    if (game.Dir.empty()) return 0;
  }

  torvane::qt::PlayerSettings settings(torvane::qt::PlayerSettings::DefaultFile());
  if (!settings.Problem().isEmpty()) {
    std::cerr << "torvane: " << settings.Problem().toStdString() << "; starting with the default settings\n";
  }
  torvane::PlayerMedia media(torvane::MediaModuleCandidates(ProgramDir(), TORVANE_MODULE_DIR_FROM_BIN));
  return torvane::qt::PlayGames(game.Dir, [&](const std::filesystem::path& dir) {
    torvane::qt::PlayerSetup setup;
    setup.Author = author;
    if (assets.valid()) setup.Assets = std::move(assets);
    setup.Settings = &settings;
    if (text_out.IsOpen()) setup.TextOut = &text_out;
    setup.SeenLinesFile = torvane::reading::SeenLines::FileForGame(dir);
    setup.Game.Media = [&media](const torvane::platform::GameFolder& folder, const torvane::platform::Clock&) {
      return torvane::MediaDevices{media.NewMusic(folder), media.NewSound(folder)};
    };
    return setup;
  });
}
