#pragma once

#include <functional>

#include <QObject>
#include <QString>

class QAction;
class QActionGroup;
class QMenu;

namespace torvane::qt {

// The sound items of the 表示 menu: the music's and the effects' volume in
// steps of 10 %, mute (Ctrl+M, a key no game uses), mute while the window
// is in the background, and the soundfont MIDI plays with. Like the rest of
// that menu it only reports what was chosen.
class SoundMenu final : public QObject {
 public:
  // Its items are added to `menu`, where it stands.
  explicit SoundMenu(QMenu& menu);

  std::function<void(int percent)> OnMusicVolume;
  std::function<void(int percent)> OnEffectsVolume;
  std::function<void(bool)> OnMute;
  std::function<void(bool)> OnMuteInBackground;
  std::function<void()> OnChooseSoundfont;     // the file chooser
  std::function<void()> OnAutomaticSoundfont;  // back to the usual places

  // 0, 10, ... 100; null for any other.
  QAction* MusicVolumeAction(int percent) const;
  QAction* EffectsVolumeAction(int percent) const;
  QAction* MuteAction() const { return mute_; }
  QAction* MuteInBackgroundAction() const { return mute_in_background_; }
  QAction* ChooseSoundfontAction() const { return choose_font_; }
  QAction* AutomaticSoundfontAction() const { return automatic_font_; }
  // Why MIDI is silent, shown once it is; hidden before.
  QAction* NoticeAction() const { return notice_; }

  // Checks the items in force; `soundfont` empty: automatic.
  void Show(int music, int effects, bool muted, bool mute_in_background, const QString& soundfont);
  void ShowNotice(const QString& text);

 private:
  QActionGroup* AddVolumes(QMenu& menu, const std::function<void(int)>& chosen);

  QActionGroup* music_ = nullptr;
  QActionGroup* effects_ = nullptr;
  QAction* mute_ = nullptr;
  QAction* mute_in_background_ = nullptr;
  QAction* automatic_font_ = nullptr;
  QAction* choose_font_ = nullptr;
  QAction* chosen_font_ = nullptr;
  QAction* notice_ = nullptr;
};

}  // namespace torvane::qt
