#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QString>

#include "media/media_devices.hpp"
#include "ui/qt/player_settings.hpp"
#include "ui/qt/sound_menu.hpp"

namespace torvane::qt {

// What the player hears, as the settings say: the levels given to the
// devices, mute, mute while the application is not active, the soundfont,
// and the word that MIDI is silent. Nothing here reaches the game.
class PlayerSound final : public QObject {
 public:
  // `screen`: where the word that MIDI is silent is shown for a while. It
  // is to go before the devices do.
  PlayerSound(PlayerSettings& settings, MusicDevice& music, SoundDevice& sounds, QWidget& screen);
  ~PlayerSound() override;

  // Its items, once the menu has them.
  void Attach(SoundMenu& menu);

  void SetMusicVolume(int percent);
  void SetEffectsVolume(int percent);
  void SetMuted(bool on);
  void SetMuteInBackground(bool on);
  // Empty: the usual places.
  void SetSoundfont(const QString& path);
  // The file chooser, then SetSoundfont.
  void ChooseSoundfont(QWidget* parent);

  // The levels the devices were last given.
  int MusicLevel() const { return music_level_; }
  int EffectsLevel() const { return effects_level_; }
  // The word on screen, while it shows.
  QLabel* Notice() const { return notice_; }
  // Seconds the word stays.
  static constexpr int kNoticeMs = 8000;

 private:
  void Apply();
  void ShowSilentMidi(const QString& why);

  PlayerSettings& settings_;
  MusicDevice& music_;
  SoundDevice& sounds_;
  QWidget& screen_;
  QPointer<SoundMenu> menu_;
  QPointer<QLabel> notice_;
  QString silent_midi_;
  bool active_;  // the application, as last told
  int music_level_ = -1;
  int effects_level_ = -1;
};

}  // namespace torvane::qt
