#include "ui/qt/player_sound.hpp"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>

#include "ui/qt/sound_menu.hpp"

namespace torvane::qt {

PlayerSound::PlayerSound(PlayerSettings& settings, MusicDevice& music, SoundDevice& sounds, QWidget& screen)
    : settings_(settings),
      music_(music),
      sounds_(sounds),
      screen_(screen),
      active_(QGuiApplication::applicationState() == Qt::ApplicationActive) {
  if (!settings_.Soundfont().isEmpty()) music_.ChooseSoundfont(settings_.Soundfont().toStdString());
  // Told on the thread that opens tracks, the window's own.
  music_.OnSilentMidi([this](const std::string& why) { ShowSilentMidi(QString::fromStdString(why)); });
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    active_ = state == Qt::ApplicationActive;
    Apply();
  });
  Apply();
}

PlayerSound::~PlayerSound() { music_.OnSilentMidi({}); }

void PlayerSound::Attach(SoundMenu& menu) {
  menu_ = &menu;
  menu.OnMusicVolume = [this](int percent) { SetMusicVolume(percent); };
  menu.OnEffectsVolume = [this](int percent) { SetEffectsVolume(percent); };
  menu.OnMute = [this](bool on) { SetMuted(on); };
  menu.OnMuteInBackground = [this](bool on) { SetMuteInBackground(on); };
  menu.OnAutomaticSoundfont = [this] { SetSoundfont({}); };
  menu.OnChooseSoundfont = [this] { ChooseSoundfont(&screen_); };
  if (!silent_midi_.isEmpty()) menu.ShowNotice(silent_midi_);
  Apply();
}

void PlayerSound::SetMusicVolume(int percent) {
  settings_.SetMusicVolume(percent);
  Apply();
}

void PlayerSound::SetEffectsVolume(int percent) {
  settings_.SetEffectsVolume(percent);
  Apply();
}

void PlayerSound::SetMuted(bool on) {
  settings_.SetMuted(on);
  Apply();
}

void PlayerSound::SetMuteInBackground(bool on) {
  settings_.SetMuteInBackground(on);
  Apply();
}

void PlayerSound::SetSoundfont(const QString& path) {
  settings_.SetSoundfont(path);
  music_.ChooseSoundfont(path.toStdString());
  Apply();
}

void PlayerSound::ChooseSoundfont(QWidget* parent) {
  const QString now = settings_.Soundfont();
  const QString path = QFileDialog::getOpenFileName(
      parent, QStringLiteral("MIDI の音色ファイル"), now.isEmpty() ? QStringLiteral("/usr/share/sounds") : QFileInfo(now).path(),
      QStringLiteral("SoundFont (*.sf2 *.sf3 *.SF2 *.SF3)"));
  if (!path.isEmpty()) SetSoundfont(path);
}

void PlayerSound::Apply() {
  const bool away = settings_.MuteInBackground() && !active_;
  const bool silent = settings_.Muted() || away;
  const int music = silent ? 0 : settings_.MusicVolume();
  const int effects = silent ? 0 : settings_.EffectsVolume();
  // Devices are told only of a change: at the defaults they hear nothing new.
  if (music != music_level_ && !(music_level_ < 0 && music == 100)) music_.SetVolume(music);
  if (effects != effects_level_ && !(effects_level_ < 0 && effects == 100)) sounds_.SetVolume(effects);
  music_level_ = music;
  effects_level_ = effects;
  if (menu_) {
    menu_->Show(settings_.MusicVolume(), settings_.EffectsVolume(), settings_.Muted(), settings_.MuteInBackground(),
                settings_.Soundfont());
  }
}

// A word over the game screen's corner for a few seconds, and in the menu
// for good: a box would stop the game, a status bar would change the
// window. It takes no presses; the game never sees it.
void PlayerSound::ShowSilentMidi(const QString& why) {
  silent_midi_ = QStringLiteral("MIDI は無音です（音色ファイルがありません）");
  if (menu_) menu_->ShowNotice(silent_midi_);
  if (notice_) return;
  notice_ = new QLabel(silent_midi_, &screen_);
  notice_->setToolTip(why);
  notice_->setAttribute(Qt::WA_TransparentForMouseEvents);
  notice_->setStyleSheet(QStringLiteral("QLabel { background: rgba(0, 0, 0, 170); color: white; padding: 4px 8px; }"));
  notice_->adjustSize();
  notice_->move(8, 8);
  notice_->show();
  notice_->raise();
  QTimer::singleShot(kNoticeMs, notice_, [label = notice_] { label->deleteLater(); });
}

}  // namespace torvane::qt
