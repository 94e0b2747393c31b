#include "reading/reading_modes.hpp"

#include <gtest/gtest.h>

#include "reading/clock_speed.hpp"

namespace torvane::reading {
namespace {

ShownText Message(std::int64_t chars, bool seen, std::int64_t at = 1000) {
  return ShownText{ShownText::Kind::Message, chars, seen, at};
}

TEST(ReadingModesTest, NoModeNeverPresses) {
  ReadingModes modes;
  EXPECT_FALSE(modes.NextPress(Message(10, true)));
  EXPECT_EQ(modes.Speed(), 1);
  EXPECT_FALSE(modes.AnyOn());
}

TEST(ReadingModesTest, FastForwardPressesBeforeTheNextTickWhateverWasSeen) {
  ReadingModes modes;
  modes.Settings.FastSpeed = 4;
  modes.SetFastHeld(true);
  const auto press = modes.NextPress(Message(200, false));
  ASSERT_TRUE(press);
  EXPECT_EQ(press->By, Mode::Fast);
  EXPECT_EQ(press->AtMs, 1000 + kFastPressMs);
  EXPECT_LT(kFastPressMs, 50);
  EXPECT_EQ(modes.Speed(), 4);
  // Held and toggled are one mode: letting go of Ctrl leaves the toggle on.
  modes.SetFastToggled(true);
  modes.SetFastHeld(false);
  EXPECT_TRUE(modes.Fast());
  modes.SetFastToggled(false);
  EXPECT_EQ(modes.Speed(), 1);
  EXPECT_FALSE(modes.NextPress(Message(200, false)));
}

TEST(ReadingModesTest, PagesAreNeverPressed) {
  ReadingModes modes;
  modes.SetFastToggled(true);
  modes.SetAuto(true);
  EXPECT_FALSE(modes.NextPress(ShownText{ShownText::Kind::Page, 10, true, 0}));
}

TEST(ReadingModesTest, SkipPressesSeenTextAndSwitchesOffAtTheFirstUnseen) {
  ReadingModes modes;
  modes.SetSkip(true);
  EXPECT_EQ(modes.Speed(), ModeSettings::kDefaultFastSpeed);
  EXPECT_FALSE(modes.Showing(Message(5, true)));
  ASSERT_TRUE(modes.NextPress(Message(5, true)));
  EXPECT_EQ(modes.NextPress(Message(5, true))->By, Mode::Skip);
  // An unseen page ends it as an unseen message does.
  EXPECT_TRUE(modes.Showing(ShownText{ShownText::Kind::Page, 5, false, 0}));
  EXPECT_FALSE(modes.Skip());
  EXPECT_EQ(modes.Speed(), 1);
  EXPECT_FALSE(modes.NextPress(Message(5, true)));
  EXPECT_FALSE(modes.Showing(Message(5, false)));  // off already: nothing to end
}

TEST(ReadingModesTest, AutoWaitsLongerForLongerMessagesOnThePlayersClock) {
  ReadingModes modes;
  modes.Settings.AutoBaseMs = 500;
  modes.Settings.AutoCharMs = 20;
  modes.SetAuto(true);
  const auto short_one = modes.NextPress(Message(3, false));
  const auto long_one = modes.NextPress(Message(30, false));
  ASSERT_TRUE(short_one && long_one);
  EXPECT_EQ(short_one->By, Mode::Auto);
  EXPECT_EQ(short_one->AtMs, 1000 + 500 + 3 * 20);
  EXPECT_EQ(long_one->AtMs, 1000 + 500 + 30 * 20);
  // Skip over seen text comes first; auto takes over where skip stops.
  modes.SetSkip(true);
  EXPECT_EQ(modes.NextPress(Message(3, true))->By, Mode::Skip);
  modes.Showing(Message(3, false));
  EXPECT_EQ(modes.NextPress(Message(3, false))->AtMs, 1000 + 560);
  // Held fast-forward outruns it.
  modes.SetFastHeld(true);
  EXPECT_EQ(modes.NextPress(Message(3, false))->By, Mode::Fast);
}

TEST(ReadingModesTest, CharactersCountDoubleByteOnesOnceAndNoLineFeeds) {
  EXPECT_EQ(CharacterCount(""), 0);
  EXPECT_EQ(CharacterCount("ab\r\nc\n"), 3);
  // 「あい」 in code page 932, then a half-width katakana (one byte).
  EXPECT_EQ(CharacterCount("\x82\xA0\x82\xA2\xB1"), 3);
  // A lead byte cut off at the end still counts once.
  EXPECT_EQ(CharacterCount("a\x82"), 2);
}

TEST(PlayerClockTest, ReadsTheGamesClockDividedBySpeedAndStaysContinuous) {
  platform::VirtualClock game;
  PlayerClock player(game);
  game.AdvanceTo(400);
  EXPECT_EQ(player.NowMs(), 400);
  player.SetSpeed(8);
  EXPECT_EQ(player.NowMs(), 400);
  game.AdvanceTo(400 + 8 * 50 + 7);
  EXPECT_EQ(player.NowMs(), 450);
  EXPECT_EQ(player.GameMsFor(100), 800);
  player.SetSpeed(1);
  game.AdvanceTo(900);
  EXPECT_EQ(player.NowMs(), 450 + 900 - 807);
}

TEST(SpeedClockTest, RunsFasterFromWhereItStood) {
  SpeedClock clock;
  const std::int64_t before = clock.NowMs();
  clock.SetSpeed(1000);
  EXPECT_GE(clock.NowMs(), before);
  // A thousand times as fast: one second of the game's clock is a
  // millisecond or two of real time away.
  EXPECT_LE(clock.RealMsUntil(clock.NowMs() + 1000), 2);
  clock.SetSpeed(1);
  EXPECT_GE(clock.RealMsUntil(clock.NowMs() + 1000), 999);
  EXPECT_EQ(clock.RealMsUntil(clock.NowMs() - 5), 0);
}

}  // namespace
}  // namespace torvane::reading
