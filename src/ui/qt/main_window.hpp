#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

#include <QMainWindow>
#include <QTimer>

#include "game/played_game.hpp"
#include "platform/clock.hpp"
#include "ui/qt/choice_list.hpp"
#include "ui/qt/form_assets.hpp"

class QAction;
class QDialog;
class QEventLoop;
class QMenu;

namespace torvane::qt {

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

  // A press at client coordinates, as the client area receives it.
  void PressClient(int x, int y, MouseButton button);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

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

  GameObserver quiet_;  // the observer when none is given
  platform::SteadyClock clock_;
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

  int depth_ = 0;  // model handlers running, nested ones included
  bool closing_ = false;
  bool destroyed_ = false;
  std::vector<QEventLoop*> loops_;
  std::vector<QDialog*> modals_;
};

}  // namespace torvane::qt
