#include "ui/qt/view_menu.hpp"

#include <QActionGroup>
#include <QDir>
#include <QMenu>
#include <QMenuBar>

#include "ui/qt/sound_menu.hpp"

namespace torvane::qt {

ViewMenu::ViewMenu(QMenuBar& bar, const QFont& font, bool can_open_games)
    : QObject(&bar), font_(font), can_open_games_(can_open_games) {
  menu_ = bar.addMenu(QStringLiteral("表示(&V)"));
  menu_->setFont(font);
}

bool ViewMenu::Fill() {
  if (scales_) return false;
  scales_ = new QActionGroup(this);
  const auto add_scale = [this](int scale, const QString& text, QKeySequence key) {
    QAction* action = menu_->addAction(text);
    action->setCheckable(true);
    action->setData(scale);
    action->setShortcut(key);
    scales_->addAction(action);
    connect(action, &QAction::triggered, this, [this, scale] {
      if (OnScale) OnScale(scale);
    });
  };
  add_scale(1, QStringLiteral("等倍(&1)"), QKeySequence(Qt::CTRL | Qt::Key_1));
  add_scale(2, QStringLiteral("2倍(&2)"), QKeySequence(Qt::CTRL | Qt::Key_2));
  add_scale(3, QStringLiteral("3倍(&3)"), QKeySequence(Qt::CTRL | Qt::Key_3));
  add_scale(4, QStringLiteral("4倍(&4)"), QKeySequence(Qt::CTRL | Qt::Key_4));
  add_scale(0, QStringLiteral("画面に合わせる(&W)"), QKeySequence(Qt::CTRL | Qt::Key_0));
  menu_->addSeparator();

  fullscreen_ = menu_->addAction(QStringLiteral("全画面(&U)"));
  fullscreen_->setCheckable(true);
  // The keypad's Enter is a key of its own.
  fullscreen_->setShortcuts({QKeySequence(Qt::Key_F11), QKeySequence(Qt::ALT | Qt::Key_Return),
                             QKeySequence(Qt::ALT | Qt::Key_Enter)});
  // Shortcuts stay live while the menu bar is hidden in fullscreen.
  fullscreen_->setShortcutContext(Qt::WindowShortcut);
  connect(fullscreen_, &QAction::triggered, this, [this] {
    if (OnFullscreen) OnFullscreen();
  });
  smooth_ = menu_->addAction(QStringLiteral("絵をなめらかに拡大(&M)"));
  smooth_->setCheckable(true);
  connect(smooth_, &QAction::toggled, this, [this](bool on) {
    if (OnSmooth) OnSmooth(on);
  });
  menu_->addSeparator();
  sound_ = new SoundMenu(*menu_);
  menu_->addSeparator();
  screenshot_ = menu_->addAction(QStringLiteral("スクリーンショット(&P)"));
  screenshot_->setShortcut(QKeySequence(Qt::Key_F12));
  connect(screenshot_, &QAction::triggered, this, [this] {
    if (OnScreenshot) OnScreenshot();
  });

  if (can_open_games_) {
    menu_->addSeparator();
    open_ = menu_->addAction(QStringLiteral("ゲームを開く…(&O)"));
    open_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(open_, &QAction::triggered, this, [this] {
      if (OnOpenGame) OnOpenGame();
    });
    recent_ = menu_->addMenu(QStringLiteral("最近のゲーム(&R)"));
    recent_->setFont(font_);
  }
  for (QAction* action : menu_->actions()) action->setShortcutContext(Qt::WindowShortcut);
  return true;
}

QAction* ViewMenu::ScaleAction(int scale) const {
  if (!scales_) return nullptr;
  for (QAction* action : scales_->actions()) {
    if (action->data().toInt() == scale) return action;
  }
  return nullptr;
}

void ViewMenu::Show(int scale, bool fullscreen, bool smooth) {
  if (!scales_) return;
  if (QAction* action = ScaleAction(scale)) action->setChecked(true);
  fullscreen_->setChecked(fullscreen);
  const QSignalBlocker quiet(smooth_);
  smooth_->setChecked(smooth);
}

void ViewMenu::SetRecentGames(const QStringList& folders) {
  if (!recent_) return;
  recent_->clear();
  int number = 1;
  for (const QString& folder : folders) {
    const QString text = QStringLiteral("&%1 %2").arg(number++).arg(QDir::toNativeSeparators(folder));
    QAction* action = recent_->addAction(text);
    connect(action, &QAction::triggered, this, [this, folder] {
      if (OnOpenRecent) OnOpenRecent(folder);
    });
  }
  recent_->setEnabled(!folders.isEmpty());
}

}  // namespace torvane::qt
