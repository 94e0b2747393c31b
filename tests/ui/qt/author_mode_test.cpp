// The window's author mode: where an error happened, in the error box, and
// each line the engine stays on, on standard error. Without it the box and
// standard error say what they always said.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include <QMessageBox>

#include "ui/qt/qt_test_support.hpp"

namespace torvane::qt {
namespace {

using testing::WindowFixture;

class AuthorModeTest : public WindowFixture {
 protected:
  // The text of the first box that opens once the game runs `start`, which
  // is answered.
  QString FirstBoxText(const std::function<void()>& start) {
    QString text;
    OnModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      text = box->text();
      QTest::keyClick(box, Qt::Key_Return);
    });
    start();
    EXPECT_TRUE(WaitFor([&] { return !text.isEmpty() && !QApplication::activeModalWidget(); }));
    return text;
  }

  // What standard error receives while the game runs for `ms` after Start.
  std::string StderrOfARun(int ms) {
    ::testing::internal::CaptureStderr();
    Start();
    QTest::qWait(ms);
    return ::testing::internal::GetCapturedStderr();
  }

  static int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  }
};

const std::vector<std::string> kUndefinedJump = {"@STE", "@REM", "@JMP どこにもない"};
const std::vector<std::string> kMisspeltOpcode = {"@STE", "@REM 次の行は綴りが違う", "@TXY 0", "@REM"};

TEST_F(AuthorModeTest, ErrorBoxAddsTheFileAndTheLineCountedFromOne) {
  Open(kUndefinedJump, true);
  EXPECT_EQ(FirstBoxText([&] { Start(); }),
            QStringLiteral("ラベル「どこにもない」(@TAG) がこのファイルにありません\nSinario00.txt:3"));
}

TEST_F(AuthorModeTest, ErrorBoxOfAMenuCommandHasNoLineToName) {
  std::ofstream(game.Dir() / "save.ini") << "[Game]\r\nNext=missing.txt\r\n";
  Open(kUndefinedJump, true);
  EXPECT_EQ(FirstBoxText([&] { window->ContinueAction()->trigger(); }),
            QStringLiteral("ファイル missing.txt は開けません"));
}

TEST_F(AuthorModeTest, ErrorBoxIsUnchangedByDefault) {
  Open(kUndefinedJump);
  EXPECT_EQ(FirstBoxText([&] { Start(); }), QStringLiteral("ラベル「どこにもない」(@TAG) がこのファイルにありません"));
}

TEST_F(AuthorModeTest, StuckLineIsReportedOnceWithItsFileLineAndText) {
  Open(kMisspeltOpcode, true);
  // Twenty ticks or so on the same line.
  const std::string err = StderrOfARun(1000);
  EXPECT_EQ(window->Form().StuckLine(), 2);
  EXPECT_EQ(Count(err, "Sinario00.txt:3: stuck: @TXY 0\n"), 1) << err;
  EXPECT_EQ(Count(err, "stuck:"), 1) << err;
}

TEST_F(AuthorModeTest, StuckLineIsNotReportedByDefault) {
  Open(kMisspeltOpcode);
  const std::string err = StderrOfARun(500);
  EXPECT_EQ(window->Form().StuckLine(), 2);
  EXPECT_EQ(Count(err, "stuck"), 0) << err;
}

}  // namespace
}  // namespace torvane::qt
