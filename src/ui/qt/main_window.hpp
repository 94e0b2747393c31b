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

#include "media/media_devices.hpp"
#include "platform/clock.hpp"
#include "platform/game_folder.hpp"
#include "save/save_point.hpp"
#include "ui/form1.hpp"
#include "ui/game_host.hpp"
#include "ui/qt/choice_list.hpp"
#include "ui/qt/form_assets.hpp"

class QAction;
class QDialog;
class QEventLoop;
class QMenu;

namespace torvane::qt {

// Milliseconds since the window was created, on the monotonic clock.
class SteadyClock final : public platform::Clock {
 public:
  std::int64_t NowMs() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// What the window plays and with which devices.
struct PlayerSetup {
  std::filesystem::path GameDir = ".";
  std::optional<std::filesystem::path> SaveFile;  // default: the game's own save point
  std::function<std::unique_ptr<MusicDevice>(const platform::GameFolder&)> MakeMusic;
  std::function<std::unique_ptr<SoundDevice>(const platform::GameFolder&)> MakeSounds;
  // The program's own pictures when main() started loading them early
  // (StartEarlyWork); the window loads them itself otherwise.
  std::future<FormAssets> Assets;
};

// The main window: renders TForm1's model, forwards presses, menu commands
// and list selections to it, drives its timers from the event loop and
// serves what the game asks of it with modal boxes, the item dialog and
// nested event loops. Every decision is the model's.
class MainWindow final : public QMainWindow, public GameHost {
 public:
  explicit MainWindow(PlayerSetup setup);
  ~MainWindow() override;

  TForm1& Form() { return form_; }
  QWidget* Client() const { return client_; }
  // ListBox1, created when the model first shows or fills it.
  ChoiceList* CommandList();
  QMenu* GameMenu() const { return game_menu_; }
  QAction* StartAction() const { return start_; }
  QAction* ContinueAction() const { return continue_; }
  QAction* ExitAction() const { return exit_; }
  bool FormDestroyed() const { return destroyed_; }

  // A press at client coordinates, as the client area receives it.
  void PressClient(int x, int y, MouseButton button);

  // Receives what the game reports as it runs (loads, steps, pages, waits),
  // for tools and tests; its modal requests are never called.
  void SetObserver(GameHost* observer) { observer_ = observer; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  class ClientArea;
  class DeferredMusic;
  class DeferredSound;
  struct ShownState;

  void ShowErrorBox(const ErrorReport& error) override;
  MessageBoxResult ShowMessageBox(const MessageBoxRequest& box) override;
  void RunItemDialog(TForm2& dialog) override;
  void WaitHandlingMessages(std::int64_t ms) override;
  void CloseMainWindow() override;
  void ScenarioLoaded(BytesView file, StartMode mode) override;
  void StepStarting(std::int32_t line, BytesView opcode) override;
  void LineNotACommand(std::int32_t line) override;
  void ScreenShown(ScreenMode mode) override;
  void PageShown(BytesView text) override;
  void ScenePictureLoaded(BytesView file, const Picture& picture) override;
  void PortraitDrawn(int number) override;
  void MessageWaiting(BytesView text) override;
  void MenuWaiting(BytesView caption, const std::vector<Bytes>& entries) override;
  void MusicStarted(BytesView file) override;
  void SoundStarted(BytesView file) override;
  void SavePointWritten(BytesView next) override;

  // Runs a model handler, then brings the widgets, the cursor and the timer
  // up to date; once the outermost handler returns after a close, the form
  // is destroyed.
  void CallModel(const std::function<void()>& handler);
  void Sync();
  void ArmTimer();
  void OnTimer();
  void RunMenu(void (TForm1::*command)());
  void DestroyForm();
  void FirstFrameShown();
  // Runs a modal dialog in its own event loop, unless the window is closing.
  int ExecModal(QDialog& dialog);

  PlayerSetup setup_;
  SteadyClock clock_;
  platform::GameFolder folder_;
  SavePointFile save_point_;
  std::unique_ptr<DeferredMusic> music_;
  std::unique_ptr<DeferredSound> sounds_;
  FormAssets assets_;
  TForm1 form_;

  QWidget* client_ = nullptr;
  ChoiceList* list_ = nullptr;
  QMenu* game_menu_ = nullptr;
  QAction* start_ = nullptr;
  QAction* continue_ = nullptr;
  QAction* exit_ = nullptr;
  QTimer tick_;
  std::unique_ptr<ShownState> shown_;
  std::optional<QCursor> wait_cursor_;
  bool override_cursor_ = false;

  GameHost* observer_ = nullptr;
  int depth_ = 0;  // model handlers running, nested ones included
  bool closing_ = false;
  bool destroyed_ = false;
  std::vector<QEventLoop*> loops_;
  std::vector<QDialog*> modals_;
};

}  // namespace torvane::qt
