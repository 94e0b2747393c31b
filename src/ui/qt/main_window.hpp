#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include "game/observer_tee.hpp"
#include "game/played_game.hpp"
#include "history/history.hpp"
#include "history/text_out.hpp"
#include "platform/clock.hpp"
#include "reading/clock_speed.hpp"
#include "ui/qt/choice_list.hpp"
#include "ui/qt/form_assets.hpp"
#include "ui/qt/player_settings.hpp"
#include "ui/qt/scaled_view.hpp"

class QAction;
class QDialog;
class QEventLoop;
class QMenu;

namespace torvane::qt {

class PlayerSound;
class BacklogView;
class TextVoicing;
class ReadingControls;
class ViewMenu;

// What the window plays, with which devices, and who watches it.
struct PlayerSetup {
  GameSetup Game;
  // The program's own pictures when main() started loading them early
  // (StartEarlyWork); the window loads them itself otherwise.
  std::future<FormAssets> Assets;
  // Receives what the game reports as it runs, for tools and tests.
  GameObserver* Observer = nullptr;
  // For scenario authors: the error box names the file and the line, and a
  // line that is not a command is reported on standard error.
  bool Author = false;
  // The player's settings, read and changed through the 「表示」 menu;
  // none: the defaults, kept for this window only.
  PlayerSettings* Settings = nullptr;
  // Opens another game in place of this one, for 「ゲームを開く…」 and
  // the recent games; none: those items are left out.
  std::function<void(const QString& path)> OpenGame;
  // Where the frame's outer corner goes instead of the game's designed
  // place: where the window this one takes over from stood.
  std::optional<QPoint> Place;
  // Told once the window has closed, whatever closed it.
  std::function<void()> Closed;
  // Where `--text-out` writes each message and page; none: nowhere.
  TextOutFile* TextOut = nullptr;
  // Where the lines seen are kept, for skip of read text; none: nothing
  // counts as seen and nothing is written.
  std::optional<std::filesystem::path> SeenLinesFile;
};

// The main window: renders TForm1's model, forwards presses, menu commands
// and list selections to it, drives its timers from the event loop and
// serves what the game asks of it with modal boxes, the item dialog and
// nested event loops. Every decision is the model's.
class MainWindow final : public QMainWindow, public ModalHost {
 public:
  explicit MainWindow(PlayerSetup setup);
  ~MainWindow() override;

  TForm1& Form() { return game_.Form(); }
  // The music and effect devices are made when the game first plays one;
  // this makes them now.
  void MakeMediaDevices() { game_.MakeMediaDevices(); }
  QWidget* Client() const { return client_; }
  // ListBox1, created when the model first shows or fills it.
  ChoiceList* CommandList();
  QMenu* GameMenu() const { return game_menu_; }
  QAction* StartAction() const { return start_; }
  QAction* ContinueAction() const { return continue_; }
  QAction* ExitAction() const { return exit_; }
  bool FormDestroyed() const { return destroyed_; }
  // The model's clock: milliseconds since the window was made.
  std::int64_t NowMs() const { return clock_.NowMs(); }

  // A press at model coordinates of the client area.
  void PressClient(int x, int y, MouseButton button);

  // The 表示 menu, its items made if they are not yet.
  ViewMenu& View();
  // Fast-forward, skip of read text and auto-advance.
  ReadingControls& Reading() { return *reading_; }
  PlayerSettings& Settings() const { return *settings_; }
  PlayerSound& Sound() const { return *sound_; }
  // How the model lies on the client widget now.
  const ViewScale& Scale() const { return view_; }
  const FormAssets& Assets() const { return assets_; }
  // The settings' scale (0: fit the screen) and smoothing, applied now.
  void SetScale(int scale);
  void SetSmooth(bool on);
  void SetFullscreen(bool on);
  bool Fullscreen() const { return fullscreen_; }
  // The frame's outer corner when windowed; while fullscreen, where the
  // window goes back to.
  QPoint WindowedPlace() const;
  // Shown as the settings say: windowed or fullscreen.
  void ShowAsSet();
  // The client area at 1x, as a PNG in the pictures folder; its path, or
  // empty when it could not be written.
  QString SaveScreenshot();
  // The file chooser, for 「ゲームを開く…」.
  void ChooseGame();

  // What this run showed, and the backlog over the game screen. While the
  // backlog is open no press, key or wheel reaches the game; the game's
  // timers run on behind it as they would.
  const torvane::History& RunHistory() const { return history_; }
  BacklogView& Backlog();
  void OpenBacklog();
  void CloseBacklog();
  bool BacklogOpen() const;
  TextVoicing& Voicing() { return *voicing_; }
  // The 表示 menu's items of the backlog and of text out.
  QAction* BacklogAction() const { return backlog_action_; }
  QAction* CopyTextAction() const { return copy_text_action_; }
  QAction* SpeakTextAction() const { return speak_text_action_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class ClientArea;
  struct ShownState;

  void ShowErrorBox(const ErrorReport& error) override;
  MessageBoxResult ShowMessageBox(const MessageBoxRequest& box) override;
  void RunItemDialog(TForm2& dialog) override;
  void WaitHandlingMessages(std::int64_t ms) override;
  void CloseMainWindow() override;

  // Runs a model handler, then brings the widgets, the cursor and the timer
  // up to date; once the outermost handler returns after a close, the form
  // is destroyed.
  void CallModel(const std::function<void()>& handler);
  void Sync();
  // In author mode, a line the engine newly stays on, on standard error.
  void ReportStuckLine();
  void ArmTimer();
  void OnTimer();
  void RunMenu(void (TForm1::*command)());
  void DestroyForm();
  void FirstFrameShown();
  // Runs a modal dialog in its own event loop, unless the window is closing.
  int ExecModal(QDialog& dialog);
  // Sizes the window and the client for the scale in force, windowed.
  void ApplyWindowedScale();
  // Places the model's pixels on the client as it is now, and what hangs
  // on that: the list, the waiting cursor, a repaint.
  void LayoutView();
  void UpdateWaitCursor();
  // On the screen the frame is mostly on, moved onto it if it sticks out.
  void KeepOnScreen();
  // The history's listeners and the 表示 menu's reading items.
  void StartReading(TextOutFile* text_out);
  void AddReadingItems(QMenu& menu);

  GameObserver quiet_;  // the observer when none is given
  torvane::History history_;
  ObserverTee observers_;
  // The steady clock, faster while fast-forward runs.
  reading::SpeedClock clock_;
  std::unique_ptr<ReadingControls> reading_;
  PlayedGame game_;
  FormAssets assets_;
  TForm1& form_;

  QWidget* client_ = nullptr;
  ChoiceList* list_ = nullptr;
  QMenu* game_menu_ = nullptr;
  QAction* start_ = nullptr;
  QAction* continue_ = nullptr;
  QAction* exit_ = nullptr;
  QTimer tick_;
  QTimer release_;  // lets the sound device go a while after the last call
  std::unique_ptr<ShownState> shown_;
  std::optional<QCursor> wait_cursor_;
  bool override_cursor_ = false;
  bool author_ = false;
  std::optional<std::int32_t> reported_stuck_;

  std::unique_ptr<PlayerSettings> own_settings_;
  PlayerSettings* settings_ = nullptr;
  std::function<void(const QString&)> open_game_;
  std::function<void()> closed_;
  ViewMenu* view_menu_ = nullptr;
  std::unique_ptr<PlayerSound> sound_;  // goes before game_'s devices
  BacklogView* backlog_ = nullptr;
  QPointer<QWidget> focus_before_backlog_;
  TextVoicing* voicing_ = nullptr;
  QAction* backlog_action_ = nullptr;
  QAction* copy_text_action_ = nullptr;
  QAction* speak_text_action_ = nullptr;
  QString game_name_;
  ViewScale view_;
  bool fullscreen_ = false;
  // While fullscreen: the frame's corner and the client's rectangle.
  QPoint windowed_place_;
  QRect windowed_geometry_;
  int cursor_scale_ = 1;
  int bar_height_ = 0;

  int depth_ = 0;  // model handlers running, nested ones included
  bool closing_ = false;
  bool destroyed_ = false;
  std::vector<QEventLoop*> loops_;
  std::vector<QDialog*> modals_;
};

}  // namespace torvane::qt
