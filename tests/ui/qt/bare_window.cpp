// The reference the desktop benchmark measures the player against: a Qt
// window of the player's size that paints one colour and does nothing else.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QPainter>
#include <QWidget>

namespace {

class BareWindow final : public QWidget {
 public:
  BareWindow() {
    setWindowTitle(QStringLiteral("Bare"));
    setFixedSize(632, 426 + 21);
    move(243, 215);
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter(this).fillRect(rect(), QColor(240, 240, 240));
    static bool reported = false;
    if (!reported && std::getenv("TORVANE_PRINT_FIRST_FRAME")) {
      reported = true;
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      std::fprintf(stderr, "first-frame-ms %lld\n",
                   static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
      std::fflush(stderr);
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  BareWindow window;
  window.show();
  return app.exec();
}
