// The 表示 menu's sound items, its mute key and the word that MIDI is
// silent, on devices that record what they are told.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QSet>
#include <QSettings>

#include "media/silent_media.hpp"
#include "qt_test_support.hpp"
#include "ui/qt/choice_list.hpp"
#include "ui/qt/player_sound.hpp"
#include "ui/qt/sound_menu.hpp"
#include "ui/qt/view_menu.hpp"

namespace torvane::testing {
namespace {

// The levels the window gave its devices, last first; -1 when none.
struct Levels {
  int music = -1;
  int effects = -1;
  std::string soundfont = "(none)";
  std::function<void(const std::string&)> silent_midi;
};

class LevelMusic final : public MusicDevice {
 public:
  LevelMusic(const platform::GameFolder& folder, Levels& levels) : silent_(folder), levels_(levels) {}
  bool IsPlaying() override { return silent_.IsPlaying(); }
  void Stop() override { silent_.Stop(); }
  void Open(BytesView file) override { silent_.Open(file); }
  void Play() override { silent_.Play(); }
  void Close() override { silent_.Close(); }
  void SetVolume(int percent) override { levels_.music = percent; }
  void ChooseSoundfont(const std::string& path) override { levels_.soundfont = path; }
  void OnSilentMidi(std::function<void(const std::string&)> notice) override { levels_.silent_midi = std::move(notice); }

 private:
  SilentMusic silent_;
  Levels& levels_;
};

class LevelSound final : public SoundDevice {
 public:
  LevelSound(const platform::GameFolder& folder, Levels& levels) : silent_(folder), levels_(levels) {}
  bool Play(BytesView file) override { return silent_.Play(file); }
  void SetVolume(int percent) override { levels_.effects = percent; }

 private:
  SilentSound silent_;
  Levels& levels_;
};

// A menu whose first entry a plain M would choose.
const std::vector<std::string> kMenuGame = {
    "@STE",    "@TXT 1",   "はじめまして", "@END", "@TAG top", "@CMD 浜辺", "mike,A", "november,B", "@END",
    "@JMP top", "@SUB A",  "@TXT 0",      "Aを選んだ", "@END", "@RTN", "@SUB B", "@TXT 0", "Bを選んだ", "@END", "@RTN"};

class SoundControlsTest : public WindowFixture {
 protected:
  void OpenWithLevels() {
    Open(kMenuGame, false, [this](const platform::GameFolder& folder, const platform::Clock&) {
      return MediaDevices{std::make_unique<LevelMusic>(folder, levels), std::make_unique<LevelSound>(folder, levels)};
    });
    window->MakeMediaDevices();
    ASSERT_TRUE(WaitFor([&] { return window->View().Sound() != nullptr && levels.silent_midi; }));
  }
  qt::SoundMenu& Menu() { return *window->View().Sound(); }

  Levels levels;
};

TEST_F(SoundControlsTest, NoDeviceIsMadeBeforeTheGameFirstPlays) {
  Open(kMenuGame, false, [this](const platform::GameFolder& folder, const platform::Clock&) {
    return MediaDevices{std::make_unique<LevelMusic>(folder, levels), std::make_unique<LevelSound>(folder, levels)};
  });
  ASSERT_TRUE(WaitFor([&] { return window->View().Sound() != nullptr; }));
  // The title is up and its menus are made: the media would have come by now.
  EXPECT_FALSE(WaitFor([&] { return static_cast<bool>(levels.silent_midi); }, 500));
  window->MakeMediaDevices();
  EXPECT_TRUE(levels.silent_midi);
}

TEST_F(SoundControlsTest, AtTheDefaultsTheDevicesAreToldNothing) {
  OpenWithLevels();
  EXPECT_EQ(levels.music, -1);
  EXPECT_EQ(levels.effects, -1);
  EXPECT_EQ(levels.soundfont, "(none)");
  EXPECT_TRUE(Menu().MusicVolumeAction(100)->isChecked());
  EXPECT_TRUE(Menu().EffectsVolumeAction(100)->isChecked());
  EXPECT_FALSE(Menu().MuteAction()->isChecked());
  EXPECT_TRUE(Menu().AutomaticSoundfontAction()->isChecked());
  EXPECT_FALSE(Menu().NoticeAction()->isVisible());
}

// Every step is two keys away once its submenu is open: each has a
// mnemonic of its own.
TEST_F(SoundControlsTest, EveryVolumeStepHasAKeyOfItsOwn) {
  OpenWithLevels();
  for (auto step : {&qt::SoundMenu::MusicVolumeAction, &qt::SoundMenu::EffectsVolumeAction}) {
    QSet<QChar> keys;
    for (int percent = 0; percent <= 100; percent += 10) {
      const QString text = (Menu().*step)(percent)->text();
      const qsizetype at = text.indexOf(QLatin1Char('&'));
      ASSERT_GE(at, 0) << text.toStdString();
      keys.insert(text.at(at + 1).toUpper());
    }
    EXPECT_EQ(keys.size(), 11);
  }
}

TEST_F(SoundControlsTest, VolumesAndMuteReachTheDevicesAndTheSettingsFile) {
  const std::string file = (game.Dir() / "torvane.conf").string();
  settings = qt::PlayerSettings(QString::fromStdString(file));
  OpenWithLevels();
  Menu().MusicVolumeAction(60)->trigger();
  Menu().EffectsVolumeAction(30)->trigger();
  EXPECT_EQ(levels.music, 60);
  EXPECT_EQ(levels.effects, 30);
  Menu().MuteAction()->trigger();
  EXPECT_EQ(levels.music, 0);
  EXPECT_EQ(levels.effects, 0);
  {
    QSettings written(QString::fromStdString(file), QSettings::IniFormat);
    EXPECT_EQ(written.value("sound/music_volume").toInt(), 60);
    EXPECT_EQ(written.value("sound/effects_volume").toInt(), 30);
    EXPECT_EQ(written.value("sound/mute").toString(), "true");
  }
  // A volume chosen while muted is kept for when the sound comes back.
  Menu().MusicVolumeAction(80)->trigger();
  EXPECT_EQ(levels.music, 0);
  Menu().MuteAction()->trigger();
  EXPECT_EQ(levels.music, 80);
  EXPECT_EQ(levels.effects, 30);
  EXPECT_TRUE(Menu().MusicVolumeAction(80)->isChecked());
  EXPECT_FALSE(Menu().MusicVolumeAction(60)->isChecked());
}

// Ctrl+M with the command list focused: mute toggles, and the list, whose
// plain M would choose "mike", is left as it was.
TEST_F(SoundControlsTest, CtrlMMutesAndNeverReachesTheCommandList) {
  OpenWithLevels();
  Start();
  ASSERT_TRUE(WaitForMessage());
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(300, 350));
  qt::ChoiceList* list = window->CommandList();
  ASSERT_TRUE(WaitFor([&] { return list->count() == 2 && list->isEnabled(); }));
  list->setFocus();
  for (bool muted : {true, false, true}) {
    QTest::keyClick(list, Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(settings.Muted(), muted);
    EXPECT_EQ(levels.music, muted ? 0 : 100);
  }
  QTest::qWait(150);  // three ticks: a choice would have run by now
  EXPECT_EQ(list->count(), 2);
  EXPECT_TRUE(list->selectedItems().isEmpty());
  EXPECT_EQ(window->Form().Engine.MenuGate, 0);
  EXPECT_EQ(MessageUtf8(), "");
  // The plain key is the list's, as ever.
  QTest::keyClick(list, Qt::Key_M);
  ASSERT_TRUE(WaitForMessage());
  EXPECT_EQ(MessageUtf8(), "\nAを選んだ\n");
}

TEST_F(SoundControlsTest, MuteInTheBackgroundFollowsTheApplicationState) {
  settings.SetMusicVolume(70);
  OpenWithLevels();
  ASSERT_EQ(levels.music, 70);
  // As the platform tells it when the desktop activates another program.
  const auto set_state = [](Qt::ApplicationState state) { Q_EMIT qGuiApp->applicationStateChanged(state); };
  set_state(Qt::ApplicationInactive);
  EXPECT_EQ(levels.music, 70) << "only when asked for";
  Menu().MuteInBackgroundAction()->trigger();
  EXPECT_TRUE(settings.MuteInBackground());
  EXPECT_EQ(levels.music, 0);
  EXPECT_EQ(levels.effects, 0);
  set_state(Qt::ApplicationActive);
  EXPECT_EQ(levels.music, 70);
  EXPECT_EQ(levels.effects, 100);
  set_state(Qt::ApplicationHidden);
  EXPECT_EQ(levels.music, 0);
  set_state(Qt::ApplicationActive);
}

TEST_F(SoundControlsTest, ASoundfontIsChosenAndClearedAgain) {
  settings.SetSoundfont(QStringLiteral("/fonts/kept.sf2"));
  OpenWithLevels();
  EXPECT_EQ(levels.soundfont, "/fonts/kept.sf2");
  EXPECT_FALSE(Menu().AutomaticSoundfontAction()->isChecked());
  window->Sound().SetSoundfont(QStringLiteral("/fonts/new.sf3"));
  EXPECT_EQ(levels.soundfont, "/fonts/new.sf3");
  EXPECT_EQ(settings.Soundfont(), QStringLiteral("/fonts/new.sf3"));
  Menu().AutomaticSoundfontAction()->trigger();
  EXPECT_EQ(levels.soundfont, "");
  EXPECT_TRUE(settings.Soundfont().isEmpty());
  EXPECT_TRUE(Menu().AutomaticSoundfontAction()->isChecked());
}

// The word shows over the game screen's corner for a while and stays in
// the menu; the window keeps its size and the game its presses.
TEST_F(SoundControlsTest, SilentMidiIsToldOnScreenAndInTheMenuWithoutTouchingTheGame) {
  OpenWithLevels();
  Start();
  ASSERT_TRUE(WaitForMessage());
  levels.silent_midi("no soundfont");
  QLabel* notice = window->Sound().Notice();
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(notice->isVisible());
  EXPECT_EQ(notice->parentWidget(), window->Client());
  EXPECT_EQ(window->Client()->size(), QSize(632, 426));
  EXPECT_TRUE(Menu().NoticeAction()->isVisible());
  EXPECT_FALSE(Menu().NoticeAction()->isEnabled());
  SaveArtefact(window->grab().toImage(), "silent-midi-notice.png");
  // A press on the word, found by position as a real one is, answers the
  // message beneath it.
  const QPoint on_word = window->Client()->mapTo(window.get(), notice->geometry().center());
  QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, on_word);
  EXPECT_TRUE(WaitFor([&] { return window->Form().Engine.ClickGate == 1; }));
  // Told again, it is not shown twice.
  levels.silent_midi("no soundfont");
  EXPECT_EQ(window->Sound().Notice(), notice);
  EXPECT_EQ(window->Client()->findChildren<QLabel*>().size(), 1);
}

}  // namespace
}  // namespace torvane::testing
