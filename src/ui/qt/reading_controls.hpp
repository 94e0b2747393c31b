#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QTimer>

#include "game/form1.hpp"
#include "game/observer_tee.hpp"
#include "reading/clock_speed.hpp"
#include "reading/reading_modes.hpp"
#include "reading/reading_observer.hpp"
#include "reading/seen_lines.hpp"
#include "ui/qt/player_settings.hpp"

class QAction;
class QActionGroup;
class QMenu;

namespace torvane::qt {

// The reading modes in the window. Fast-forward runs while Ctrl is held
// and as a toggle on F6; skip of read text (F7) and auto-advance (F8) are
// toggles in 「表示」, with fast-forward's speed and auto-advance's delay.
// A mode presses for the player as a left press on the message area, and
// only where a message waits; one timer waits for its delay, and nothing
// wakes while no mode has a press to make.
class ReadingControls final : public QObject {
 public:
  // What the controls ask of the window.
  struct WindowHooks {
    // No model handler, modal window or page wait is running.
    std::function<bool()> Idle;
    // A left press on the message area, through the window's own path.
    std::function<void()> Press;
    // The game's clock changed speed: timers and the page wait re-arm.
    std::function<void()> SpeedChanged;
  };

  // `seen_file`: where the lines seen are kept; none: nothing counts as
  // seen and nothing is written.
  ReadingControls(reading::SpeedClock& clock, GameObserver& next,
                  const std::optional<std::filesystem::path>& seen_file);
  ~ReadingControls() override;

  // The observer the game reports to; it passes everything on to `next`.
  GameObserver& Observer() { return observers_; }
  // The game, the settings the delays and the speed are kept in, and the window.
  void Attach(const TForm1& form, PlayerSettings& settings, WindowHooks hooks);

  // Adds the items to the 表示 menu, once.
  void AddMenuItems(QMenu& menu);
  QAction* FastAction() const { return fast_; }
  QAction* SkipAction() const { return skip_; }
  QAction* AutoAction() const { return auto_; }
  QMenu* SpeedMenu() const { return speed_menu_; }
  QMenu* DelayMenu() const { return delay_menu_; }

  // After every model handler, and as a page's wait begins: follows what
  // the game shows now, with the speed and the press it calls for.
  void Update();
  // Writes the lines seen, when anything new was seen.
  void SaveSeen();
  void SaveSeenWhenDue();

  const reading::ReadingModes& Modes() const { return modes_; }
  const reading::SeenLines* Seen() const { return seen_ ? &*seen_ : nullptr; }
  bool PressPending() const { return press_.isActive(); }

 protected:
  // Ctrl held, wherever the focus is; the event goes on unchanged, so Ctrl's
  // shortcuts and the command list see it as before.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetFastHeld(bool on);
  void OnPressTimer();
  void ShowChecks();

  PlayerSettings* settings_ = nullptr;
  reading::SpeedClock& clock_;
  reading::ReadingModes modes_;
  reading::ReadingObserver observer_;
  ObserverTee observers_;  // the modes hear each report before the window's observer
  std::optional<reading::SeenLines> seen_;
  const TForm1* form_ = nullptr;
  WindowHooks hooks_;
  QTimer press_;
  // When a line was first seen since the last save, on the steady clock.
  std::optional<std::chrono::steady_clock::time_point> unsaved_since_;

  QAction* fast_ = nullptr;
  QAction* skip_ = nullptr;
  QAction* auto_ = nullptr;
  QMenu* speed_menu_ = nullptr;
  QMenu* delay_menu_ = nullptr;
  QActionGroup* speeds_ = nullptr;
  QActionGroup* delays_ = nullptr;
};

}  // namespace torvane::qt
