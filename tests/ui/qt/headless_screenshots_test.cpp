// torvane-headless --screenshots: one picture of the client area at every
// wait, painted as the window paints it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include <QImage>

#include "ui/qt/client_image.hpp"
#include "ui/qt/qt_test_support.hpp"

namespace torvane::qt {
namespace {

using testing::TempGame;

std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(HeadlessScreenshots, OneNumberedPictureAtEveryWait) {
  TempGame game;
  game.WriteScenario("Sinario00.txt", {"@STE", "@TXT 2", "ようこそ", "@END", "@CMD 浜辺", "調べる,A", "@END",
                                       "@SUB A", "@LST"});
  std::ofstream(game.Dir() / "input.txt") << "start\nclick\nchoose 0\nok\n";
  const auto shots = game.Dir() / "shots";
  const std::string command = std::string("env -u QT_QPA_PLATFORM " TORVANE_HEADLESS " --input ") +
                              (game.Dir() / "input.txt").string() + " --transcript /dev/null --screenshots " +
                              shots.string() + " " + game.Dir().string() + " 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(FilesIn(shots), (std::vector<std::string>{"0001-title.png", "0002-click.png", "0003-choice.png",
                                                      "0004-box.png", "0005-stopped.png"}));

  const FormAssets assets = LoadFormAssets();
  const QImage title(QString::fromStdString((shots / "0001-title.png").string()));
  ASSERT_EQ(title.size(), QSize(632, 426));
  EXPECT_EQ(title.convertToFormat(QImage::Format_RGB32), RenderClientArea(FormModel(), assets));

  const QImage click(QString::fromStdString((shots / "0002-click.png").string()));
  ASSERT_EQ(click.size(), QSize(632, 426));
  const QImage& portrait = assets.Portrait(2);
  EXPECT_EQ(click.pixel(8 + 80, 256 + 85) & 0xFFFFFF, portrait.pixel(80, 85) & 0xFFFFFF);
  EXPECT_EQ(click.pixel(600, 410) & 0xFFFFFF, 0xFFFFFFu);  // the message area

  const QImage choice(QString::fromStdString((shots / "0003-choice.png").string()));
  int dark = 0;  // the entry's text in the list
  for (int y = 42; y < 61; ++y) {
    for (int x = 458; x < 560; ++x) dark += (choice.pixel(x, y) & 0xFFFFFF) == 0;
  }
  EXPECT_GT(dark, 20);
  EXPECT_EQ(choice.pixel(540, 250) & 0xFFFFFF, 0xFFFFFFu);
}

}  // namespace
}  // namespace torvane::qt
