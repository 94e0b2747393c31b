// The main window's reading aids: the backlog and text out. None of them
// reaches into the game; they read what its observer reported.
#include <QApplication>
#include <QMenu>

#include "ui/qt/backlog_view.hpp"
#include "ui/qt/main_window.hpp"
#include "ui/qt/reading_controls.hpp"
#include "ui/qt/text_voicing.hpp"

namespace torvane::qt {

void MainWindow::StartReading(TextOutFile* text_out) {
  voicing_ = new TextVoicing(this);
  voicing_->SetCopying(settings_->CopyText());
  voicing_->SetSpeaking(settings_->SpeakText());
  if (text_out) text_out->Follow(history_);
  history_.Listen([this](const HistoryEntry& entry) {
    voicing_->Show(entry);
    if (BacklogOpen()) backlog_->Append(entry);
  });
  // The game's menu is the game's: the backlog gives way before it opens.
  connect(game_menu_, &QMenu::aboutToShow, this, [this] { CloseBacklog(); });
}

void MainWindow::AddReadingItems(QMenu& menu) {
  menu.addSeparator();
  backlog_action_ = menu.addAction(QStringLiteral("バックログ(&L)"));
  // No game and no list box uses Backspace: the list passes it on, and the
  // game answers only Enter and Space.
  backlog_action_->setShortcut(QKeySequence(Qt::Key_Backspace));
  connect(backlog_action_, &QAction::triggered, this, [this] {
    if (BacklogOpen()) CloseBacklog();
    else OpenBacklog();
  });
  copy_text_action_ = menu.addAction(QStringLiteral("文章をクリップボードへ(&C)"));
  copy_text_action_->setCheckable(true);
  copy_text_action_->setChecked(settings_->CopyText());
  connect(copy_text_action_, &QAction::toggled, this, [this](bool on) {
    settings_->SetCopyText(on);
    voicing_->SetCopying(on);
  });
  speak_text_action_ = menu.addAction(QStringLiteral("文章を読み上げる(&T)"));
  speak_text_action_->setCheckable(true);
  speak_text_action_->setChecked(settings_->SpeakText());
  connect(speak_text_action_, &QAction::toggled, this, [this](bool on) {
    settings_->SetSpeakText(on);
    voicing_->SetSpeaking(on);
  });
  for (QAction* action : {backlog_action_, copy_text_action_, speak_text_action_}) {
    action->setShortcutContext(Qt::WindowShortcut);
  }
}

BacklogView& MainWindow::Backlog() {
  if (!backlog_) {
    backlog_ = new BacklogView(client_, history_);
    backlog_->OnClose = [this] {
      if (focus_before_backlog_) focus_before_backlog_->setFocus(Qt::OtherFocusReason);
      focus_before_backlog_.clear();
      // A reading mode waits while the backlog is open, then goes on.
      reading_->Update();
    };
  }
  return *backlog_;
}

void MainWindow::OpenBacklog() {
  if (closing_ || BacklogOpen()) return;
  focus_before_backlog_ = QApplication::focusWidget();
  Backlog().Open(view_);
  reading_->Update();
}

void MainWindow::CloseBacklog() {
  if (backlog_) backlog_->Close();
}

bool MainWindow::BacklogOpen() const { return backlog_ && backlog_->IsOpen(); }

}  // namespace torvane::qt
