#include "ui/qt/qt_test_support.hpp"

#include <cstdlib>
#include <fstream>

#include <QDir>
#include <QTimer>

#include "platform/cp932.hpp"

namespace torvane::testing {
namespace {

// The tests share one application; closing a window must not end it.
class QtEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "torvane_qt_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

std::string Utf8(BytesView cp932) { return platform::Cp932ToUtf8(cp932); }

TempGame::TempGame() {
  std::string pattern = (std::filesystem::temp_directory_path() / "torvane-qt-XXXXXX").string();
  dir_ = mkdtemp(pattern.data());
}

TempGame::~TempGame() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void TempGame::WriteScenario(const std::string& name, const std::vector<std::string>& utf8_lines) const {
  std::string bytes;
  for (const std::string& line : utf8_lines) bytes += platform::Utf8ToCp932(line) + "\r\n";
  std::ofstream(dir_ / name, std::ios::binary) << bytes;
}

void Observations::PageShown(BytesView text) { pages.emplace_back(Clock::now(), Utf8(text)); }

void Observations::MessageWaiting(BytesView text) { messages.push_back(Utf8(text)); }

void WindowFixture::Open(const std::vector<std::string>& scenario, bool author, MediaFactory media) {
  game.WriteScenario("Sinario00.txt", scenario);
  Show(game.Dir(), author, std::move(media));
}

void WindowFixture::OpenFolder(const std::filesystem::path& dir) { Show(dir, false, {}); }

void WindowFixture::Show(const std::filesystem::path& dir, bool author, MediaFactory media) {
  qt::PlayerSetup setup;
  setup.Game.Media = std::move(media);
  setup.Game.GameDir = dir;
  setup.Game.SaveFile = game.Dir() / "save.ini";
  setup.Observer = &seen;
  setup.Author = author;
  setup.Settings = &settings;
  setup.TextOut = text_out;
  setup.SeenLinesFile = seen_lines;
  window = std::make_unique<qt::MainWindow>(std::move(setup));
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
}

bool WindowFixture::WaitFor(const std::function<bool()>& done, int ms) { return QTest::qWaitFor(done, ms); }

std::string WindowFixture::MessageUtf8() { return Utf8(window->Form().Form.Label1.Caption); }

void WindowFixture::OnModal(std::function<void(QWidget*)> act) {
  When([] { return QApplication::activeModalWidget() && QApplication::activeModalWidget()->isVisible(); },
       [act = std::move(act)] { act(QApplication::activeModalWidget()); });
}

void WindowFixture::When(std::function<bool()> condition, std::function<void()> act) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, condition = std::move(condition), act = std::move(act)] {
    if (!condition()) return;
    poll->stop();
    poll->deleteLater();
    act();
  });
  poll->start();
}

void SaveArtefact(const QImage& image, const std::string& name) {
  QDir().mkpath(QStringLiteral(TORVANE_TEST_ARTIFACTS));
  image.save(QStringLiteral(TORVANE_TEST_ARTIFACTS "/") + QString::fromStdString(name));
}

}  // namespace torvane::testing
