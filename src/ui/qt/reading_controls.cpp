#include "ui/qt/reading_controls.hpp"

#include <cstdio>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

#include "game/game_wait.hpp"

namespace torvane::qt {
namespace {

// New lines seen are written a while after the first, not at every message.
constexpr auto kSaveAfter = std::chrono::seconds(2);

struct DelayChoice {
  const char* Text;
  int BaseMs;
  int CharMs;
};
constexpr DelayChoice kDelays[] = {
    {"短く(&S)", 500, 30},
    {"普通(&N)", 1000, 60},
    {"長く(&L)", 2000, 100},
};
constexpr int kSpeeds[] = {2, 4, 8, 16};

}  // namespace

ReadingControls::ReadingControls(reading::SpeedClock& clock, GameObserver& next,
                                 const std::optional<std::filesystem::path>& seen_file)
    : clock_(clock), observer_(modes_, clock), observers_(observer_, next) {
  if (seen_file) {
    seen_.emplace(*seen_file);
    if (!seen_->Problem().empty()) std::fprintf(stderr, "torvane: warning: %s\n", seen_->Problem().c_str());
    observer_.Keep(&*seen_);
  }
  press_.setSingleShot(true);
  press_.setTimerType(Qt::PreciseTimer);
  connect(&press_, &QTimer::timeout, this, [this] { OnPressTimer(); });
  qApp->installEventFilter(this);
}

ReadingControls::~ReadingControls() {
  qApp->removeEventFilter(this);
  SaveSeen();
}

void ReadingControls::Attach(const TForm1& form, PlayerSettings& settings, WindowHooks hooks) {
  form_ = &form;
  settings_ = &settings;
  modes_.Settings.FastSpeed = settings.FastSpeed();
  modes_.Settings.AutoBaseMs = settings.AutoBaseMs();
  modes_.Settings.AutoCharMs = settings.AutoCharMs();
  hooks_ = std::move(hooks);
  observer_.Watch(form);
}

void ReadingControls::AddMenuItems(QMenu& menu) {
  if (fast_) return;
  menu.addSeparator();
  const auto toggle = [&](const QString& text, Qt::Key key, std::function<void(bool)> set) {
    QAction* action = menu.addAction(text);
    action->setCheckable(true);
    action->setShortcut(QKeySequence(key));
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, set = std::move(set)](bool on) {
      set(on);
      Update();
    });
    return action;
  };
  fast_ = toggle(QStringLiteral("早送り(&F)"), Qt::Key_F6, [this](bool on) { modes_.SetFastToggled(on); });
  skip_ = toggle(QStringLiteral("既読スキップ(&S)"), Qt::Key_F7, [this](bool on) { modes_.SetSkip(on); });
  auto_ = toggle(QStringLiteral("オート(&A)"), Qt::Key_F8, [this](bool on) { modes_.SetAuto(on); });

  speed_menu_ = menu.addMenu(QStringLiteral("早送りの速さ(&H)"));
  speed_menu_->setFont(menu.font());
  speeds_ = new QActionGroup(this);
  for (const int speed : kSpeeds) {
    QAction* action = speed_menu_->addAction(QStringLiteral("%1倍(&%2)").arg(speed).arg(speed % 10));
    action->setCheckable(true);
    action->setChecked(speed == modes_.Settings.FastSpeed);
    speeds_->addAction(action);
    connect(action, &QAction::triggered, this, [this, speed] {
      settings_->SetFastSpeed(speed);
      modes_.Settings.FastSpeed = settings_->FastSpeed();
      Update();
    });
  }
  delay_menu_ = menu.addMenu(QStringLiteral("オートの待ち時間(&D)"));
  delay_menu_->setFont(menu.font());
  delays_ = new QActionGroup(this);
  for (const DelayChoice& choice : kDelays) {
    QAction* action = delay_menu_->addAction(QString::fromUtf8(choice.Text));
    action->setCheckable(true);
    action->setChecked(choice.BaseMs == modes_.Settings.AutoBaseMs && choice.CharMs == modes_.Settings.AutoCharMs);
    delays_->addAction(action);
    connect(action, &QAction::triggered, this, [this, choice] {
      settings_->SetAutoDelay(choice.BaseMs, choice.CharMs);
      modes_.Settings.AutoBaseMs = settings_->AutoBaseMs();
      modes_.Settings.AutoCharMs = settings_->AutoCharMs();
      Update();
    });
  }
  ShowChecks();
}

void ReadingControls::ShowChecks() {
  if (!fast_) return;
  const auto show = [](QAction* action, bool on) {
    if (action->isChecked() != on) action->setChecked(on);
  };
  show(fast_, modes_.FastToggled());
  show(skip_, modes_.Skip());
  show(auto_, modes_.Auto());
}

void ReadingControls::Update() {
  if (observer_.TakeSkipEnded()) ShowChecks();
  if (clock_.Speed() != modes_.Speed()) {
    clock_.SetSpeed(modes_.Speed());
    if (hooks_.SpeedChanged) hooks_.SpeedChanged();
  }
  SaveSeenWhenDue();
  press_.stop();
  if (!form_ || !hooks_.Idle || !hooks_.Idle()) return;
  const auto press = reading::PressForPlayer(*form_, modes_, observer_.Shown());
  if (press) press_.start(static_cast<int>(clock_.RealMsUntil(press->AtMs)));
}

void ReadingControls::OnPressTimer() {
  if (!form_ || !hooks_.Idle || !hooks_.Idle()) return;
  const auto press = reading::PressForPlayer(*form_, modes_, observer_.Shown());
  if (!press) return;
  if (const std::int64_t left = clock_.RealMsUntil(press->AtMs); left > 0) {
    press_.start(static_cast<int>(left));
    return;
  }
  // The window's press runs the model and calls Update again.
  hooks_.Press();
}

// The lines seen are written when the game next waits for the player, or,
// while it runs on, at the first of its own wake-ups two seconds after a
// line was first seen: never on a wake-up of their own.
void ReadingControls::SaveSeenWhenDue() {
  if (!seen_ || !seen_->Dirty()) return;
  const auto now = std::chrono::steady_clock::now();
  if (!unsaved_since_) unsaved_since_ = now;
  if ((form_ && WhatGameWaitsFor(*form_)) || now - *unsaved_since_ >= kSaveAfter) SaveSeen();
}

void ReadingControls::SaveSeen() {
  unsaved_since_.reset();
  if (seen_ && !seen_->Save()) std::fprintf(stderr, "torvane: warning: %s\n", seen_->Problem().c_str());
}

void ReadingControls::SetFastHeld(bool on) {
  if (modes_.FastHeld() == on) return;
  modes_.SetFastHeld(on);
  Update();
}

bool ReadingControls::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Control && !key->isAutoRepeat()) SetFastHeld(event->type() == QEvent::KeyPress);
      break;
    }
    // A release while another program has the keyboard never arrives.
    case QEvent::ApplicationDeactivate: SetFastHeld(false); break;
    default: break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace torvane::qt
