// The processor time the window uses while the demo's opening narration
// plays, at normal speed and under fast-forward, offscreen.
//
//   torvane_reading_cpu [SPEED...]    (default: 1 8)
//
// For each speed: the window starts the demo, fast-forward on unless the
// speed is 1, and runs until the beach scene's first message waits, with
// silent devices (music keeps its own speed either way). Prints
// the wall time and user + system time of the process over that span
// (getrusage), and the processor time per second of narration shown.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "ui/qt/main_window.hpp"
#include "ui/qt/reading_controls.hpp"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Ends the measurement at the first message, from inside the tick that
// shows it, so that nothing polls meanwhile.
struct FirstMessage final : torvane::GameObserver {
  QEventLoop* Loop = nullptr;
  bool Shown = false;
  void MessageWaiting(torvane::BytesView /*text*/) override {
    Shown = true;
    if (Loop) Loop->quit();
  }
};

void Measure(int speed) {
  torvane::qt::PlayerSettings settings;
  settings.SetFastSpeed(speed);
  FirstMessage first;
  torvane::qt::PlayerSetup setup;
  setup.Game.GameDir = TORVANE_DEMO_DIR;
  char save[] = "/tmp/reading-cpu-XXXXXX";
  setup.Game.SaveFile = std::string(mkdtemp(save)) + "/save.ini";
  setup.Settings = &settings;
  setup.Observer = &first;
  torvane::qt::MainWindow window(std::move(setup));
  window.show();
  window.View();
  QApplication::processEvents();
  QApplication::processEvents();
  if (speed > 1) window.Reading().FastAction()->trigger();

  QEventLoop loop;
  first.Loop = &loop;
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  const double cpu = CpuSeconds();
  QElapsedTimer wall;
  wall.start();
  window.StartAction()->trigger();
  if (!first.Shown) loop.exec();
  const double used = CpuSeconds() - cpu;
  const double seconds = wall.elapsed() / 1000.0;
  std::printf("speed %2d: narration %.2f s wall, %.1f ms user+sys, %.1f ms a second%s\n", speed, seconds, used * 1000,
              used * 1000 / seconds, first.Shown ? "" : " (no message after 60 s)");
  std::fflush(stdout);
  std::filesystem::remove_all(save);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  QApplication app(argc, argv);
  if (argc < 2) {
    Measure(1);
    Measure(8);
  }
  for (int i = 1; i < argc; ++i) Measure(std::atoi(argv[i]));
  return 0;
}
