// torvane: the desktop player.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <QApplication>

#include "media/media_module.hpp"
#include "ui/qt/early_start.hpp"
#include "ui/qt/main_window.hpp"

namespace {

const char* const kUsage =
    "Usage: torvane [--author] [GAME_DIR]\n"
    "\n"
    "Plays a Torvane game in a window.\n"
    "\n"
    "  GAME_DIR    the game's folder: the one holding Sinario00.txt and the\n"
    "              pictures, music and sounds its scenarios name (default: the\n"
    "              current directory)\n"
    "  --author    for scenario authors: the error box also names the scenario\n"
    "              file and line (from 1), and a line that is not a command is\n"
    "              reported on standard error as FILE:LINE: stuck: TEXT\n"
    "  --help      show this help\n"
    "  --version   show the version\n"
    "\n"
    "The game starts on its title screen; choose ゲーム > スタート (Alt+G, S) to begin,\n"
    "or 続きから to continue from the save point.\n"
    "\n"
    "The save point is Kesmar.ini in GAME_DIR (in any letter case). When GAME_DIR\n"
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

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::filesystem::path game_dir = ".";
  bool have_dir = false;
  bool author = false;
  for (const std::string& arg : args) {
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
    if (arg.size() > 1 && arg[0] == '-') {
      std::cerr << "torvane: unknown option '" << arg << "'\nTry 'torvane --help'.\n";
      return 2;
    }
    if (have_dir) {
      std::cerr << "torvane: only one GAME_DIR may be given\nTry 'torvane --help'.\n";
      return 2;
    }
    game_dir = arg;
    have_dir = true;
  }
  std::error_code error;
  if (!std::filesystem::is_directory(game_dir, error)) {
    std::cerr << "torvane: '" << game_dir.string() << "' is not a folder\n";
    return 2;
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

  torvane::qt::PlayerSetup setup;
  setup.Game.GameDir = game_dir;
  setup.Author = author;
  setup.Assets = std::move(assets);
  torvane::PlayerMedia media(torvane::MediaModuleCandidates(ProgramDir(), TORVANE_MODULE_DIR_FROM_BIN));
  setup.Game.Media = [&media](const torvane::platform::GameFolder& folder, const torvane::platform::Clock&) {
    return torvane::MediaDevices{media.NewMusic(folder), media.NewSound(folder)};
  };
  torvane::qt::MainWindow window(std::move(setup));
  window.show();
  return app.exec();
}
