#include "ui/qt/game_opening.hpp"

#include <cstdio>

#include <optional>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "ui/qt/main_window.hpp"

namespace torvane::qt {
namespace {

constexpr std::string_view kFirstScenario = "sinario00.txt";

bool IsFirstScenarioName(const std::string& name) {
  if (name.size() != kFirstScenario.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kFirstScenario[i]) return false;
  }
  return true;
}

}  // namespace

bool HoldsFirstScenario(const std::filesystem::path& dir) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    if (IsFirstScenarioName(it->path().filename().string()) && it->is_regular_file(error)) return true;
  }
  return false;
}

GameLocation LocateGame(const std::filesystem::path& path) {
  const auto refuse = [&](const char* reason) { return GameLocation{{}, path.string() + ": " + reason}; };
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status)) return refuse("no such file or folder");
  if (std::filesystem::is_regular_file(status)) {
    if (!IsFirstScenarioName(path.filename().string())) return refuse("not a game: name its folder or its Sinario00.txt");
    const std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    return GameLocation{dir, {}};
  }
  if (!std::filesystem::is_directory(status)) return refuse("not a game: name its folder or its Sinario00.txt");
  std::filesystem::directory_iterator probe(path, error);
  if (error) return refuse("the folder cannot be read");
  if (!HoldsFirstScenario(path)) return refuse("not a game folder: it holds no Sinario00.txt");
  return GameLocation{path, {}};
}

void ReportRefusedGame(const GameLocation& refused, QWidget* parent) {
  std::fprintf(stderr, "torvane: %s\n", refused.Problem.c_str());
  std::fflush(stderr);
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Torvane"),
                  QStringLiteral("このゲームを開けません。\n%1").arg(QString::fromStdString(refused.Problem)),
                  QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

int PlayGames(const std::filesystem::path& dir,
              const std::function<PlayerSetup(const std::filesystem::path& dir)>& setup_for) {
  std::filesystem::path next = dir;
  std::optional<QPoint> place;
  int status = 0;
  // Each window's own close ends its loop: a quit Qt posted on the last
  // window's close could reach the next window's loop and end it too.
  QGuiApplication::setQuitOnLastWindowClosed(false);
  while (!next.empty()) {
    PlayerSetup setup = setup_for(next);
    setup.Game.GameDir = next;
    next.clear();
    setup.Place = place;
    MainWindow* shown = nullptr;
    setup.OpenGame = [&next, &place, &shown](const QString& path) {
      const GameLocation chosen = LocateGame(path.toStdString());
      if (!chosen.Found()) {
        ReportRefusedGame(chosen, shown);
        return;
      }
      next = chosen.Dir;
      place = shown->WindowedPlace();
      shown->close();
    };
    // The window goes only once every loop it runs has returned.
    setup.Closed = [] { QCoreApplication::exit(0); };
    PlayerSettings* settings = setup.Settings;
    const QString played = QString::fromStdString(std::filesystem::absolute(setup.Game.GameDir).string());
    MainWindow window(std::move(setup));
    shown = &window;
    window.ShowAsSet();
    // Written once the window is up: the first frame waits for no file.
    if (settings) QTimer::singleShot(0, &window, [settings, played] { settings->AddRecentGame(played); });
    status = QApplication::exec();
  }
  return status;
}

}  // namespace torvane::qt
