// The settings file and the paths a player may give for a game.
#include <gtest/gtest.h>

#include <fstream>

#include <QSettings>

#include "ui/qt/game_opening.hpp"
#include "ui/qt/player_settings.hpp"
#include "ui/qt/qt_test_support.hpp"

namespace torvane::qt {
namespace {

class PlayerSettingsTest : public ::testing::Test {
 protected:
  QString File() const { return QString::fromStdString((dir.Dir() / "config" / "torvane.conf").string()); }
  void Write(const std::string& text) const {
    std::filesystem::create_directories(dir.Dir() / "config");
    std::ofstream(File().toStdString(), std::ios::binary) << text;
  }
  testing::TempGame dir;  // only its folder
};

TEST_F(PlayerSettingsTest, DefaultsWithoutAFileAndEveryValueKeptAcrossRuns) {
  {
    PlayerSettings fresh(File());
    EXPECT_TRUE(fresh.Problem().isEmpty());
    EXPECT_EQ(fresh.Scale(), 1);
    EXPECT_FALSE(fresh.Fullscreen());
    EXPECT_FALSE(fresh.Smooth());
    EXPECT_EQ(fresh.MusicVolume(), 100);
    EXPECT_EQ(fresh.EffectsVolume(), 100);
    EXPECT_FALSE(fresh.Muted());
    EXPECT_FALSE(fresh.MuteInBackground());
    EXPECT_TRUE(fresh.Soundfont().isEmpty());
    EXPECT_TRUE(fresh.RecentGames().isEmpty());
    fresh.SetScale(3);
    fresh.SetFullscreen(true);
    fresh.SetSmooth(true);
    fresh.SetMusicVolume(40);
    fresh.SetEffectsVolume(150);  // held to the range
    fresh.SetMuted(true);
    fresh.SetMuteInBackground(true);
    fresh.SetSoundfont(QStringLiteral("/opt/fonts/a, b.sf2"));
  }
  const PlayerSettings again(File());
  EXPECT_TRUE(again.Problem().isEmpty());
  EXPECT_EQ(again.Scale(), 3);
  EXPECT_TRUE(again.Fullscreen());
  EXPECT_TRUE(again.Smooth());
  EXPECT_EQ(again.MusicVolume(), 40);
  EXPECT_EQ(again.EffectsVolume(), 100);
  EXPECT_TRUE(again.Muted());
  EXPECT_TRUE(again.MuteInBackground());
  EXPECT_EQ(again.Soundfont(), QStringLiteral("/opt/fonts/a, b.sf2"));
  // Written as an INI file other tools can read.
  QSettings ini(File(), QSettings::IniFormat);
  EXPECT_EQ(ini.value(QStringLiteral("view/scale")).toInt(), 3);
}

TEST_F(PlayerSettingsTest, RecentGamesLastFirstWithoutRepeatsAndAtMostEight) {
  {
    PlayerSettings settings(File());
    for (int i = 0; i < 10; ++i) settings.AddRecentGame(QStringLiteral("/games/g%1").arg(i));
    settings.AddRecentGame(QStringLiteral("/games/./g5/"));
  }
  const PlayerSettings again(File());
  ASSERT_EQ(again.RecentGames().size(), PlayerSettings::kMaxRecentGames);
  EXPECT_EQ(again.RecentGames()[0], QStringLiteral("/games/g5"));
  EXPECT_EQ(again.RecentGames()[1], QStringLiteral("/games/g9"));
  EXPECT_EQ(again.RecentGames().count(QStringLiteral("/games/g5")), 1);
  EXPECT_FALSE(again.RecentGames().contains(QStringLiteral("/games/g0")));
}

TEST_F(PlayerSettingsTest, DamagedFileGivesTheDefaultsSaysWhyAndIsReplacedOnTheNextChange) {
  for (const std::string& damage : {std::string("[view]\nscale=banana\nfullscreen=true\n"),
                                    std::string("[view]\nscale=9\n"), std::string("[view]\nsmooth=maybe\n"),
                                    std::string("[sound]\nmusic_volume=-5\n"),
                                    std::string("\x00\xff\xfe[view\nscale=2\x01\n", 16)}) {
    SCOPED_TRACE(damage);
    Write(damage);
    PlayerSettings settings(File());
    EXPECT_FALSE(settings.Problem().isEmpty());
    EXPECT_TRUE(settings.Problem().contains(File()));
    EXPECT_EQ(settings.Scale(), 1);
    EXPECT_FALSE(settings.Fullscreen());
    EXPECT_FALSE(settings.Smooth());
    EXPECT_EQ(settings.MusicVolume(), 100);
    settings.SetSmooth(true);
    EXPECT_TRUE(settings.Problem().isEmpty());
    const PlayerSettings after(File());
    EXPECT_TRUE(after.Problem().isEmpty());
    EXPECT_TRUE(after.Smooth());
    EXPECT_EQ(after.Scale(), 1);
  }
}

TEST_F(PlayerSettingsTest, AFileThatIsAFolderIsNoObstacle) {
  std::filesystem::create_directories(File().toStdString());
  PlayerSettings settings(File());
  EXPECT_EQ(settings.Scale(), 1);
  settings.SetScale(2);  // cannot be written; the window goes on
  EXPECT_EQ(settings.Scale(), 2);
}

TEST(GameLocation, AFolderOrItsFirstScenarioInAnyCase) {
  testing::TempGame game;
  EXPECT_FALSE(LocateGame(game.Dir()).Found());
  EXPECT_NE(LocateGame(game.Dir()).Problem.find("holds no Sinario00.txt"), std::string::npos);
  game.WriteScenario("SINARIO00.TXT", {"@STE"});
  EXPECT_EQ(LocateGame(game.Dir()).Dir, game.Dir());
  EXPECT_EQ(LocateGame(game.Dir() / "SINARIO00.TXT").Dir, game.Dir());
  game.WriteScenario("Sinario01.txt", {"@STE"});
  const GameLocation other = LocateGame(game.Dir() / "Sinario01.txt");
  EXPECT_FALSE(other.Found());
  EXPECT_EQ(other.Problem.rfind((game.Dir() / "Sinario01.txt").string() + ": ", 0), 0u);
  const GameLocation missing = LocateGame(game.Dir() / "nowhere");
  EXPECT_FALSE(missing.Found());
  EXPECT_NE(missing.Problem.find("no such file or folder"), std::string::npos);
  EXPECT_NE(missing.Problem.find("nowhere"), std::string::npos);
}

}  // namespace
}  // namespace torvane::qt
