#pragma once

#include <functional>

#include <QFont>
#include <QObject>
#include <QStringList>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;

namespace torvane::qt {

// 「表示(&V)」, the player's own menu after the game's: the view's scale,
// fullscreen, smoothing, sound, the screenshot, and opening a game. Its keys
// are ones no game uses: Ctrl with a digit, M or O, F11, Alt+Enter, F12. It only
// reports what was chosen; the window acts on it.
class SoundMenu;

class ViewMenu final : public QObject {
 public:
  // Added to `bar` after the menus already there, its title alone: the
  // items come with Fill, which start-up leaves until after the first frame.
  ViewMenu(QMenuBar& bar, const QFont& font, bool can_open_games);
  // Creates the items, once; false when they were there already.
  bool Fill();

  std::function<void(int scale)> OnScale;  // 1 to 4, or 0 to fit the screen
  std::function<void()> OnFullscreen;      // toggles
  std::function<void(bool)> OnSmooth;
  std::function<void()> OnScreenshot;
  std::function<void()> OnOpenGame;
  std::function<void(const QString& folder)> OnOpenRecent;

  QMenu* Menu() const { return menu_; }
  // 0 fits the screen.
  QAction* ScaleAction(int scale) const;
  QAction* FullscreenAction() const { return fullscreen_; }
  QAction* SmoothAction() const { return smooth_; }
  QAction* ScreenshotAction() const { return screenshot_; }
  QAction* OpenAction() const { return open_; }
  QMenu* RecentMenu() const { return recent_; }
  // The sound items, made with the others.
  SoundMenu* Sound() const { return sound_; }

  // Checks the items that are in force.
  void Show(int scale, bool fullscreen, bool smooth);
  void SetRecentGames(const QStringList& folders);

 private:
  QMenu* menu_;
  QFont font_;
  bool can_open_games_;
  QActionGroup* scales_ = nullptr;
  QAction* fullscreen_ = nullptr;
  QAction* smooth_ = nullptr;
  QAction* screenshot_ = nullptr;
  QAction* open_ = nullptr;
  QMenu* recent_ = nullptr;
  SoundMenu* sound_ = nullptr;
};

}  // namespace torvane::qt
