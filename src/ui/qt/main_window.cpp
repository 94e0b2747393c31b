#include "ui/qt/main_window.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "platform/cp932.hpp"
#include "ui/qt/client_image.hpp"
#include "ui/qt/form_painter.hpp"
#include "ui/qt/item_dialog_window.hpp"

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
    PaintForm(painter, window_.form_.Form, window_.assets_);
    painter.end();
    if (!painted_) {
      painted_ = true;
      window_.FirstFrameShown();
    }
  }

  void mousePressEvent(QMouseEvent* event) override {
    MouseButton button;
    switch (event->button()) {
      case Qt::LeftButton: button = MouseButton::Left; break;
      case Qt::RightButton: button = MouseButton::Right; break;
      case Qt::MiddleButton: button = MouseButton::Middle; break;
      default: return;
    }
    const QPoint at = event->position().toPoint();
    window_.PressClient(at.x(), at.y(), button);
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
      game_(setup.Game, clock_, *this, setup.Observer ? *setup.Observer : quiet_),
      assets_(setup.Assets.valid() ? setup.Assets.get() : LoadFormAssets()),
      form_(game_.Form()),
      author_(setup.Author) {
  InstallFontSubstitutions();
  const FormModel& model = form_.Form;
  setWindowTitle(Utf8(model.Caption));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, kBtnFace);
  colours.setColor(QPalette::Button, kBtnFace);
  setPalette(colours);

  client_ = new ClientArea(*this);
  setCentralWidget(client_);

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
  // The bar keeps its height when the menu is hidden, so the client area
  // never moves.
  menuBar()->setFixedHeight(menuBar()->sizeHint().height());

  setFixedSize(FormModel::kClientWidth, FormModel::kClientHeight + menuBar()->height());
  move(model.Left, model.Top);  // the frame's outer corner, no centring

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
  shown_ = std::make_unique<ShownState>(ShownState::Of(model));
  // The music timer sleeps while a track plays; the end of the track wakes
  // it, on the window's thread, for the restart on its rhythm.
  game_.Music().OnPlayedOut([this] {
    QMetaObject::invokeMethod(this, [this] {
      if (!closing_ && !destroyed_) ArmTimer();
    }, Qt::QueuedConnection);
  });
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
    list_ = NewCommandList(client_, form_.Form);
    list_->OnChosen = [this](int row) { CallModel([this, row] { form_.ListBox1Select(row); }); };
    list_->setVisible(false);
  }
  return list_;
}

void MainWindow::FirstFrameShown() {
  ReportFirstFrame();
  // The frame is flushed by the time the event loop comes back.
  QTimer::singleShot(0, this, [this] { game_.MakeMediaDevices(); });
}

void MainWindow::PressClient(int x, int y, MouseButton button) {
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
    if (!wait_cursor_) wait_cursor_ = WaitCursor();
    QGuiApplication::setOverrideCursor(*wait_cursor_);
    override_cursor_ = true;
  } else if (!want_override && override_cursor_) {
    QGuiApplication::restoreOverrideCursor();
    override_cursor_ = false;
  }

  const QString title = Utf8(model.Caption);
  if (windowTitle() != title) setWindowTitle(title);

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
  const std::int64_t wait = std::max<std::int64_t>(0, due - clock_.NowMs());
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
  ItemDialogWindow window(dialog, this);
  while (!dialog.Closed() && !closing_) ExecModal(window);
}

void MainWindow::WaitHandlingMessages(std::int64_t ms) {
  if (closing_) return;
  // The page is complete: show it, then let the time pass from here while
  // painting, presses, the music timer and the menu are handled.
  Sync();
  ArmTimer();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  loops_.push_back(&loop);
  while (!closing_) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    timer.start(static_cast<int>(left.count()));
    loop.exec();
  }
  loops_.pop_back();
}

void MainWindow::CloseMainWindow() { close(); }

}  // namespace torvane::qt
