#include "ui/qt/sound_menu.hpp"

#include <QActionGroup>
#include <QDir>
#include <QMenu>

namespace torvane::qt {
namespace {

QAction* Step(const QActionGroup* group, int percent) {
  if (!group) return nullptr;
  for (QAction* action : group->actions()) {
    if (action->data().toInt() == percent) return action;
  }
  return nullptr;
}

}  // namespace

SoundMenu::SoundMenu(QMenu& menu) : QObject(&menu) {
  QMenu* music = menu.addMenu(QStringLiteral("音楽の音量(&B)"));
  music->setFont(menu.font());
  music_ = AddVolumes(*music, [this](int percent) {
    if (OnMusicVolume) OnMusicVolume(percent);
  });
  QMenu* effects = menu.addMenu(QStringLiteral("効果音の音量(&E)"));
  effects->setFont(menu.font());
  effects_ = AddVolumes(*effects, [this](int percent) {
    if (OnEffectsVolume) OnEffectsVolume(percent);
  });

  mute_ = menu.addAction(QStringLiteral("ミュート(&N)"));
  mute_->setCheckable(true);
  mute_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
  connect(mute_, &QAction::toggled, this, [this](bool on) {
    if (OnMute) OnMute(on);
  });
  mute_in_background_ = menu.addAction(QStringLiteral("バックグラウンドでミュート(&K)"));
  mute_in_background_->setCheckable(true);
  connect(mute_in_background_, &QAction::toggled, this, [this](bool on) {
    if (OnMuteInBackground) OnMuteInBackground(on);
  });

  QMenu* fonts = menu.addMenu(QStringLiteral("MIDI の音色(&I)"));
  fonts->setFont(menu.font());
  auto* font_group = new QActionGroup(this);
  automatic_font_ = fonts->addAction(QStringLiteral("自動(&A)"));
  automatic_font_->setCheckable(true);
  font_group->addAction(automatic_font_);
  connect(automatic_font_, &QAction::triggered, this, [this] {
    if (OnAutomaticSoundfont) OnAutomaticSoundfont();
  });
  chosen_font_ = fonts->addAction(QString());
  chosen_font_->setCheckable(true);
  chosen_font_->setVisible(false);
  font_group->addAction(chosen_font_);
  choose_font_ = fonts->addAction(QStringLiteral("音色ファイルを選ぶ…(&C)"));
  connect(choose_font_, &QAction::triggered, this, [this] {
    if (OnChooseSoundfont) OnChooseSoundfont();
  });
  notice_ = menu.addAction(QString());
  notice_->setEnabled(false);
  notice_->setVisible(false);
}

QActionGroup* SoundMenu::AddVolumes(QMenu& menu, const std::function<void(int)>& chosen) {
  auto* group = new QActionGroup(this);
  for (int percent = 100; percent >= 0; percent -= 10) {
    // The tens digit is the key: 5 for 50 %, 0 for silence; 100 % is M.
    const QString text = percent == 100 ? QStringLiteral("100 %(&M)") : QStringLiteral("&%1 %").arg(percent);
    QAction* action = menu.addAction(text);
    action->setCheckable(true);
    action->setData(percent);
    group->addAction(action);
    connect(action, &QAction::triggered, this, [chosen, percent] { chosen(percent); });
  }
  return group;
}

QAction* SoundMenu::MusicVolumeAction(int percent) const { return Step(music_, percent); }

QAction* SoundMenu::EffectsVolumeAction(int percent) const { return Step(effects_, percent); }

void SoundMenu::Show(int music, int effects, bool muted, bool mute_in_background, const QString& soundfont) {
  // Steps in between, from a hand-edited file, check none.
  for (QActionGroup* group : {music_, effects_}) {
    for (QAction* action : group->actions()) action->setChecked(false);
  }
  if (QAction* step = MusicVolumeAction(music)) step->setChecked(true);
  if (QAction* step = EffectsVolumeAction(effects)) step->setChecked(true);
  {
    const QSignalBlocker quiet(mute_);
    mute_->setChecked(muted);
  }
  {
    const QSignalBlocker quiet(mute_in_background_);
    mute_in_background_->setChecked(mute_in_background);
  }
  chosen_font_->setVisible(!soundfont.isEmpty());
  chosen_font_->setText(QDir::toNativeSeparators(soundfont));
  (soundfont.isEmpty() ? automatic_font_ : chosen_font_)->setChecked(true);
}

void SoundMenu::ShowNotice(const QString& text) {
  notice_->setText(text);
  notice_->setVisible(!text.isEmpty());
}

}  // namespace torvane::qt
