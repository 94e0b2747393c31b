#include "ui/qt/main_window.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QScreen>
#include <QStandardPaths>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "platform/cp932.hpp"
#include "ui/qt/backlog_view.hpp"
#include "ui/qt/client_image.hpp"
#include "ui/qt/form_painter.hpp"
#include "ui/qt/item_dialog_window.hpp"
#include "ui/qt/player_sound.hpp"
#include "ui/qt/reading_controls.hpp"
#include "ui/qt/view_menu.hpp"

namespace torvane::qt {
namespace {

constexpr int kReleaseAfterMs = 5000;

QString Utf8(BytesView cp932) { return QString::fromStdString(platform::Cp932ToUtf8(cp932)); }

// For start-up measurements: the wall-clock time of the first frame.
void ReportFirstFrame() {
  if (!std::getenv("TORVANE_PRINT_FIRST_FRAME")) return;
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  std::fprintf(stderr, "first-frame-ms %lld\n",
               static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
  std::fflush(stderr);
}

}  // namespace

// The client area: paints the model, and a press anywhere on it (not on
// the list box, which takes its own) goes to the model's routing.
class MainWindow::ClientArea final : public QWidget {
 public:
  explicit ClientArea(MainWindow& window) : QWidget(&window), window_(window) {
    setFixedSize(FormModel::kClientWidth, FormModel::kClientHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    PaintView(painter, rect(), window_.form_.Form, window_.assets_, window_.view_, window_.settings_->Smooth());
    painter.end();
    if (!painted_) {
      painted_ = true;
      window_.FirstFrameShown();
    }
  }

  // Turning the wheel up over the game screen opens the backlog.
  void wheelEvent(QWheelEvent* event) override {
    if (event->angleDelta().y() > 0 && window_.view_.ToModel(event->position())) window_.OpenBacklog();
    event->accept();
  }

  void mousePressEvent(QMouseEvent* event) override {
    MouseButton button;
    switch (event->button()) {
      case Qt::LeftButton: button = MouseButton::Left; break;
      case Qt::RightButton: button = MouseButton::Right; break;
      case Qt::MiddleButton: button = MouseButton::Middle; break;
      default: return;
    }
    if (window_.view_.IsIdentity()) {
      const QPoint at = event->position().toPoint();
      window_.PressClient(at.x(), at.y(), button);
    } else if (const auto at = window_.view_.ToModel(event->position())) {
      window_.PressClient(at->x(), at->y(), button);  // the letterbox takes none
    }
  }

  // The fullscreen view keeps its place on the screen when the menu bar
  // comes and goes.
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (window_.fullscreen_) window_.LayoutView();
  }

 private:
  MainWindow& window_;
  bool painted_ = false;
};

// What the client area last painted, to repaint only on a change: the
// script tick runs twenty times a second and mostly changes nothing.
struct MainWindow::ShownState {
  struct ControlState {
    bool Visible;
    bool Enabled;
    Bytes Caption;
    bool operator==(const ControlState&) const = default;
  };
  WindowColor Color;
  std::vector<ControlState> Controls;
  const Picture* Scene;
  std::optional<int> Portrait;
  bool operator==(const ShownState&) const = default;

  static ShownState Of(const FormModel& form) {
    ShownState state{form.Color, {}, form.Image1Picture.get(), form.Image2Portrait};
    for (const Control* control : form.CreationOrder()) {
      if (control->Windowless()) state.Controls.push_back({control->Visible, control->Enabled, control->Caption});
    }
    return state;
  }
};

MainWindow::MainWindow(PlayerSetup setup)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      observers_(setup.Observer ? *setup.Observer : quiet_, history_),
      reading_(std::make_unique<ReadingControls>(clock_, observers_, setup.SeenLinesFile)),
      game_(setup.Game, clock_, *this, reading_->Observer()),
      assets_(setup.Assets.valid() ? setup.Assets.get() : LoadFormAssets()),
      form_(game_.Form()),
      author_(setup.Author),
      settings_(setup.Settings),
      open_game_(std::move(setup.OpenGame)),
      closed_(std::move(setup.Closed)),
      game_name_(QDir(QString::fromStdString(std::filesystem::absolute(setup.Game.GameDir).lexically_normal().string()))
                     .dirName()) {
  if (!settings_) {
    own_settings_ = std::make_unique<PlayerSettings>();
    settings_ = own_settings_.get();
  }
  InstallFontSubstitutions();
  const FormModel& model = form_.Form;
  setWindowTitle(Utf8(model.Caption));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, kBtnFace);
  colours.setColor(QPalette::Button, kBtnFace);
  setPalette(colours);

  client_ = new ClientArea(*this);
  setCentralWidget(client_);
  sound_ = std::make_unique<PlayerSound>(*settings_, game_.Music(), game_.Sounds(), *client_);

  // Japanese menus in the Japanese UI font's place, so no fallback font is
  // searched for on start-up.
  menuBar()->setFont(PGothicFont(12, false));
  game_menu_ = menuBar()->addMenu(Utf8(model.MENU01.Caption));
  game_menu_->setFont(PGothicFont(12, false));
  start_ = game_menu_->addAction(Utf8(model.N1.Caption));
  continue_ = game_menu_->addAction(Utf8(model.CONTI.Caption));
  exit_ = game_menu_->addAction(Utf8(model.MENU12.Caption));
  connect(start_, &QAction::triggered, this, [this] { RunMenu(&TForm1::N1Click); });
  connect(continue_, &QAction::triggered, this, [this] { RunMenu(&TForm1::CONTIClick); });
  connect(exit_, &QAction::triggered, this, [this] { RunMenu(&TForm1::MENU12Click); });
  // The player's own menu comes after the game's, which stays as it is.
  view_menu_ = new ViewMenu(*menuBar(), PGothicFont(12, false), static_cast<bool>(open_game_));
  view_menu_->OnScale = [this](int scale) { SetScale(scale); };
  view_menu_->OnFullscreen = [this] { SetFullscreen(!fullscreen_); };
  view_menu_->OnSmooth = [this](bool on) { SetSmooth(on); };
  view_menu_->OnScreenshot = [this] { SaveScreenshot(); };
  view_menu_->OnOpenGame = [this] { ChooseGame(); };
  view_menu_->OnOpenRecent = [this](const QString& folder) { open_game_(folder); };
  // The bar keeps its height when the menu is hidden, so the client area
  // never moves.
  menuBar()->setFixedHeight(menuBar()->sizeHint().height());
  bar_height_ = menuBar()->height();

  // The frame's outer corner, no centring.
  move(setup.Place.value_or(QPoint(model.Left, model.Top)));
  ApplyWindowedScale();

  tick_.setSingleShot(true);
  tick_.setTimerType(Qt::PreciseTimer);
  connect(&tick_, &QTimer::timeout, this, [this] { OnTimer(); });
  // Nothing that has played for a while keeps the sound device, and its
  // thread, running while the game waits.
  release_.setSingleShot(true);
  connect(&release_, &QTimer::timeout, this, [this] {
    if (const std::int64_t again = game_.Music().ReleaseWhenQuiet(); again > 0) {
      release_.start(static_cast<int>(again));
    }
  });
  StartReading(setup.TextOut);
  shown_ = std::make_unique<ShownState>(ShownState::Of(model));
  // The music timer sleeps while a track plays; the end of the track wakes
  // it, on the window's thread, for the restart on its rhythm.
  game_.Music().OnPlayedOut([this] {
    QMetaObject::invokeMethod(this, [this] {
      if (!closing_ && !destroyed_) ArmTimer();
    }, Qt::QueuedConnection);
  });
  reading_->Attach(form_, *settings_,
                   {.Idle =
                        [this] {
                          return depth_ == 0 && modals_.empty() && loops_.empty() && !closing_ && !destroyed_ &&
                                 !BacklogOpen();
                        },
                    .Press = [this] { PressClient(reading::kPressX, reading::kPressY, MouseButton::Left); },
                    .SpeedChanged =
                        [this] {
                          // A page's wait goes on at the new speed.
                          for (QEventLoop* loop : loops_) loop->quit();
                          if (!closing_ && !destroyed_) ArmTimer();
                        }});
  Sync();
  ArmTimer();
}

MainWindow::~MainWindow() {
  game_.Music().OnPlayedOut({});
  release_.stop();
  tick_.stop();
  DestroyForm();
}

// Made on demand: the title screen, the first frame, has no list box.
ChoiceList* MainWindow::CommandList() {
  if (!list_) {
    list_ = NewCommandList(client_, form_.Form, view_);
    list_->OnChosen = [this](int row) {
      if (!BacklogOpen()) CallModel([this, row] { form_.ListBox1Select(row); });
    };
    list_->setVisible(false);
  }
  return list_;
}

ViewMenu& MainWindow::View() {
  if (view_menu_->Fill()) {
    AddReadingItems(*view_menu_->Menu());
    // Its keys work while the menu bar is hidden in fullscreen too.
    reading_->AddMenuItems(*view_menu_->Menu());
    for (QAction* action : view_menu_->Menu()->actions()) addAction(action);
    view_menu_->SetRecentGames(settings_->RecentGames());
    sound_->Attach(*view_menu_->Sound());
    View().Show(settings_->Scale(), fullscreen_, settings_->Smooth());
  }
  return *view_menu_;
}

void MainWindow::FirstFrameShown() {
  ReportFirstFrame();
  // The player's own menu items wait for the game's first frame.
  QTimer::singleShot(0, this, [this] { View(); });
}

void MainWindow::PressClient(int x, int y, MouseButton button) {
  if (BacklogOpen()) return;
  CallModel([this, x, y, button] { form_.PressAt(x, y, button); });
}

void MainWindow::RunMenu(void (TForm1::*command)()) {
  CallModel([this, command] { form_.RunMenuCommand(command); });
}

void MainWindow::OnTimer() {
  CallModel([this] {
    const std::int64_t now = clock_.NowMs();
    // Ticks of parked timers are passed over first, so the one due is fired.
    form_.Timers.Rearm(now);
    form_.Timers.FireNextDue(now);
  });
}

void MainWindow::CallModel(const std::function<void()>& handler) {
  if (closing_) return;
  // The model's entry points report their own errors through the error box.
  ++depth_;
  handler();
  --depth_;
  ReportStuckLine();
  if (closing_) {
    if (depth_ == 0) DestroyForm();
    return;
  }
  Sync();
  ArmTimer();
  reading_->Update();
  release_.start(kReleaseAfterMs);
}

void MainWindow::Sync() {
  const FormModel& model = form_.Form;
  if (list_ || model.ListBox1.Visible || !model.ListBox1Items.empty()) {
    ChoiceList& list = *CommandList();
    SyncCommandList(list, model);
    if (list.isVisibleTo(client_) != model.ListBox1.Visible) list.setVisible(model.ListBox1.Visible);
  }

  const auto sync_action = [](QAction* action, const MenuItem& item) {
    const QString text = Utf8(item.Caption);
    if (action->text() != text) action->setText(text);
    if (action->isVisible() != item.Visible) action->setVisible(item.Visible);
    if (action->isEnabled() != item.Enabled) action->setEnabled(item.Enabled);
  };
  sync_action(game_menu_->menuAction(), model.MENU01);
  sync_action(start_, model.N1);
  sync_action(continue_, model.CONTI);
  sync_action(exit_, model.MENU12);

  // Cursor 1 replaces every other cursor while it is current.
  const auto waiting = model.Cursors.Registered.find(model.Cursors.Current);
  const bool want_override = model.Cursors.Current != 0 && waiting != model.Cursors.Registered.end();
  if (want_override && !override_cursor_) {
    if (!wait_cursor_) wait_cursor_ = WaitCursor(cursor_scale_);
    QGuiApplication::setOverrideCursor(*wait_cursor_);
    override_cursor_ = true;
  } else if (!want_override && override_cursor_) {
    QGuiApplication::restoreOverrideCursor();
    override_cursor_ = false;
  }

  const QString title = Utf8(model.Caption);
  if (windowTitle() != title) setWindowTitle(title);

  if (!model.Image3.Visible) assets_.ReleaseTitle();

  ShownState now = ShownState::Of(model);
  if (!(now == *shown_)) {
    *shown_ = std::move(now);
    client_->update();
  }
}

// The engine stays on such a line tick after tick: it is reported once,
// until a step leaves it or a file is loaded.
void MainWindow::ReportStuckLine() {
  const std::optional<std::int32_t> line = form_.StuckLine();
  if (!author_ || line == reported_stuck_) return;
  reported_stuck_ = line;
  if (!line) return;
  const std::string text = platform::Cp932ToUtf8(form_.ScenarioLineText(*line).value_or(BytesView()));
  std::fprintf(stderr, "%s:%lld: stuck: %s\n", platform::Cp932ToUtf8(form_.ScenarioFile()).c_str(),
               static_cast<long long>(*line) + 1, text.c_str());
  std::fflush(stderr);
}

// Parked timers get no wake-up: while the game cannot step, the process
// sleeps until the player acts.
void MainWindow::ArmTimer() {
  const std::int64_t due = form_.Timers.Rearm(clock_.NowMs());
  if (closing_ || due < 0) {
    tick_.stop();
    return;
  }
  const std::int64_t wait = clock_.RealMsUntil(due);
  tick_.start(static_cast<int>(std::min<std::int64_t>(wait, 1 << 30)));
}

void MainWindow::DestroyForm() {
  if (destroyed_) return;
  destroyed_ = true;
  tick_.stop();
  form_.FormDestroy();
  if (override_cursor_) {
    QGuiApplication::restoreOverrideCursor();
    override_cursor_ = false;
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    // No question: the close box ends the program, whatever step is open.
    closing_ = true;
    tick_.stop();
    for (QEventLoop* loop : loops_) loop->quit();
    for (QDialog* dialog : modals_) dialog->reject();
  }
  event->accept();
  if (depth_ == 0) DestroyForm();
  if (closed_) std::exchange(closed_, {})();
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  // The model places the item dialog relative to where the window is.
  form_.Form.Left = frameGeometry().left();
  form_.Form.Top = frameGeometry().top();
}

int MainWindow::ExecModal(QDialog& dialog) {
  if (closing_) return QDialog::Rejected;
  // The model's timers keep running inside the dialog's own loop.
  Sync();
  ArmTimer();
  modals_.push_back(&dialog);
  const int result = dialog.exec();
  modals_.pop_back();
  return result;
}

void MainWindow::ShowErrorBox(const ErrorReport& error) {
  if (error.File || error.Line) {
    std::fprintf(stderr, "torvane: %s%s%s: %s\n", error.File ? platform::Cp932ToUtf8(*error.File).c_str() : "",
                 error.Line ? " line " : "", error.Line ? std::to_string(*error.Line).c_str() : "",
                 platform::Cp932ToUtf8(error.Text).c_str());
  }
  QString text = Utf8(error.Text);
  // Editors count lines from 1.
  if (author_ && error.File && error.Line) {
    text += QStringLiteral("\n%1:%2").arg(Utf8(*error.File)).arg(static_cast<long long>(*error.Line) + 1);
  }
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Torvane"), text, QMessageBox::NoButton, this);
  box.setTextFormat(Qt::PlainText);
  box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  ExecModal(box);
}

namespace {

// A box with Yes and No has no Cancel: Escape does nothing and there is
// no close box, so the question can only be answered. An OK box takes
// Escape and its close box as OK.
class ModelBox final : public QMessageBox {
 public:
  ModelBox(const QString& caption, const QString& text, bool yes_no, QWidget* parent)
      : QMessageBox(QMessageBox::NoIcon, caption, text, QMessageBox::NoButton, parent), yes_no_(yes_no) {
    if (yes_no) setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (yes_no_ && event->key() == Qt::Key_Escape) {
      event->accept();
      return;
    }
    QMessageBox::keyPressEvent(event);
  }

 private:
  bool yes_no_;
};

}  // namespace

MessageBoxResult MainWindow::ShowMessageBox(const MessageBoxRequest& request) {
  const bool yes_no = request.Buttons == MessageBoxButtons::YesNo;
  const MessageBoxResult unanswered = yes_no ? MessageBoxResult::No : MessageBoxResult::Ok;
  if (closing_) return unanswered;
  ModelBox box(Utf8(request.Caption), Utf8(request.Text), yes_no, this);
  box.setTextFormat(Qt::PlainText);
  QAbstractButton* yes = nullptr;
  if (yes_no) {
    yes = box.addButton(QStringLiteral("はい"), QMessageBox::YesRole);
    box.setDefaultButton(static_cast<QPushButton*>(yes));
    box.addButton(QStringLiteral("いいえ"), QMessageBox::NoRole);
  } else {
    box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
  }
  ExecModal(box);
  if (closing_ || !yes_no) return unanswered;
  return box.clickedButton() == yes ? MessageBoxResult::Yes : MessageBoxResult::No;
}

void MainWindow::RunItemDialog(TForm2& dialog) {
  if (closing_) return;
  const int scale = std::max(1, qRound(view_.Factor()));
  ItemDialogWindow window(dialog, this, scale);
  if (!view_.IsIdentity() || fullscreen_) {
    // As far from the game screen's corner as the model puts it, scaled.
    const QPoint corner = client_->mapToGlobal(view_.Content().topLeft());
    window.move(corner + QPoint(dialog.Left - form_.Form.Left, dialog.Top - form_.Form.Top) * view_.Factor());
  }
  while (!dialog.Closed() && !closing_) ExecModal(window);
}

void MainWindow::WaitHandlingMessages(std::int64_t ms) {
  if (closing_) return;
  // The page is complete: show it, then let the time pass from here while
  // painting, presses, the music timer and the menu are handled. The time
  // is the game's, which fast-forward runs faster.
  Sync();
  reading_->Update();
  ArmTimer();
  const std::int64_t deadline_us = clock_.NowUs() + ms * 1000;
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  loops_.push_back(&loop);
  while (!closing_) {
    const std::int64_t left = clock_.RealMsUntilUs(deadline_us);
    if (left <= 0) break;
    timer.start(static_cast<int>(left));
    loop.exec();
  }
  loops_.pop_back();
}

void MainWindow::CloseMainWindow() { close(); }

// Enter, Space and the keypad's Enter answer a waiting message as a left
// press on the message area would, and are ignored at any other time; the
// list box, when it has the focus, keeps its own keys.
void MainWindow::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (BacklogOpen()) {
    event->accept();
    return;
  }
  const bool advance = (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
                       (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (!advance) {
    QMainWindow::keyPressEvent(event);
    return;
  }
  event->accept();
  if (form_.Engine.ClickGate == 0 && !event->isAutoRepeat()) PressClient(300, 350, MouseButton::Left);
}

void MainWindow::SetScale(int scale) {
  settings_->SetScale(scale);
  View().Show(settings_->Scale(), fullscreen_, settings_->Smooth());
  if (!fullscreen_) ApplyWindowedScale();
}

void MainWindow::SetSmooth(bool on) {
  settings_->SetSmooth(on);
  View().Show(settings_->Scale(), fullscreen_, on);
  client_->update();
}

void MainWindow::SetFullscreen(bool on) {
  if (settings_->Fullscreen() != on) settings_->SetFullscreen(on);
  View().Show(settings_->Scale(), on, settings_->Smooth());
  if (on == fullscreen_) return;
  fullscreen_ = on;
  if (on) {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    client_->setMinimumSize(0, 0);
    client_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    windowed_place_ = pos();
    windowed_geometry_ = geometry();
    // Hidden until the pointer reaches the top edge.
    menuBar()->hide();
    qApp->installEventFilter(this);
    showFullScreen();
  } else {
    qApp->removeEventFilter(this);
    menuBar()->show();
    showNormal();
    // Back where it stood: under X the new size would otherwise go with
    // the fullscreen corner, before the window manager puts the frame back.
    setGeometry(windowed_geometry_);
    ApplyWindowedScale();
  }
  LayoutView();
}

void MainWindow::ShowAsSet() {
  if (settings_->Fullscreen()) {
    SetFullscreen(true);
  } else {
    show();
  }
}

QPoint MainWindow::WindowedPlace() const { return fullscreen_ ? windowed_place_ : pos(); }

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (fullscreen_ && event->type() == QEvent::MouseMove) {
    const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - geometry().topLeft();
    if (at.y() <= 0 && !menuBar()->isVisible()) {
      menuBar()->show();
    } else if (at.y() > bar_height_ * 2 && menuBar()->isVisible() && !QApplication::activePopupWidget()) {
      menuBar()->hide();
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::ApplyWindowedScale() {
  const int scale = settings_->Scale();
  if (scale == PlayerSettings::kFitToScreen) {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize room = screen ? screen->availableGeometry().size() - frame - QSize(0, bar_height_) : QSize();
    view_ = room.isValid() ? ViewScale::Fit(room).MovedTo({}) : ViewScale();
  } else {
    view_ = ViewScale::Integer(scale);
  }
  const QSize content = view_.Content().size();
  client_->setFixedSize(content);
  setFixedSize(content.width(), content.height() + bar_height_);
  KeepOnScreen();
  LayoutView();
}

void MainWindow::LayoutView() {
  if (fullscreen_) {
    // Fitted to the whole screen, wherever the client begins under the bar.
    const ViewScale fit = ViewScale::Fit(size());
    view_ = fit.MovedTo(fit.Origin() - client_->mapTo(this, QPoint(0, 0)));
  }
  if (list_) {
    const Rect& r = form_.Form.ListBox1.Bounds;
    list_->Place(QRect(r.left, r.top, r.width, r.height), view_);
  }
  if (backlog_) Backlog().Place(view_);
  UpdateWaitCursor();
  client_->update();
}

void MainWindow::UpdateWaitCursor() {
  const int scale = std::max(1, qRound(view_.Factor()));
  if (scale == cursor_scale_) return;
  cursor_scale_ = scale;
  wait_cursor_.reset();
  if (override_cursor_) {
    wait_cursor_ = WaitCursor(cursor_scale_);
    QGuiApplication::changeOverrideCursor(*wait_cursor_);
  }
}

void MainWindow::KeepOnScreen() {
  const QRect frame(frameGeometry().topLeft(), frameGeometry().size().expandedTo(size()));
  const QScreen* screen = QGuiApplication::screenAt(frame.center());
  if (!screen) screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect room = screen->availableGeometry();
  if (room.contains(frame)) return;
  const int x = std::clamp(frame.left(), room.left(), std::max(room.left(), room.right() + 1 - frame.width()));
  const int y = std::clamp(frame.top(), room.top(), std::max(room.top(), room.bottom() + 1 - frame.height()));
  move(x, y);
}

QString MainWindow::SaveScreenshot() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (folder.isEmpty()) folder = QDir::homePath() + QStringLiteral("/Pictures");
  folder += QStringLiteral("/Torvane");
  const QString name = QStringLiteral("%1-%2.png").arg(game_name_.isEmpty() ? QStringLiteral("game") : game_name_,
                                                        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")));
  const QString path = folder + QLatin1Char('/') + name;
  if (!QDir().mkpath(folder) || !RenderClientArea(form_.Form, assets_).save(path, "PNG")) {
    std::fprintf(stderr, "torvane: cannot write the screenshot %s\n", path.toLocal8Bit().constData());
    return {};
  }
  std::fprintf(stderr, "torvane: screenshot %s\n", path.toLocal8Bit().constData());
  std::fflush(stderr);
  return path;
}

void MainWindow::ChooseGame() {
  if (!open_game_) return;
  const QStringList recent = settings_->RecentGames();
  const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("ゲームを開く"),
                                                           recent.isEmpty() ? QDir::homePath() : recent.front());
  if (!folder.isEmpty()) open_game_(folder);
}

}  // namespace torvane::qt
