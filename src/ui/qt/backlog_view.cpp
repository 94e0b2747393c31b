#include "ui/qt/backlog_view.hpp"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "history/entry_text.hpp"
#include "ui/qt/form_painter.hpp"

namespace torvane::qt {
namespace {

// At 1x, in pixels: the message font's own size, the headings smaller.
constexpr int kTextPixels = 19;
constexpr int kHeadingPixels = 14;
constexpr int kEntryGap = 10;
constexpr int kMargin = 12;

const QColor kBackground(0, 0, 24, 225);
const QColor kText(255, 255, 255);
const QColor kHeading(150, 170, 210);
const QColor kChoice(255, 230, 140);

QString Qs(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

BacklogView::BacklogView(QWidget* parent, const History& history) : QTextEdit(parent), history_(history) {
  setReadOnly(true);
  // Arrows and page keys scroll rather than move a caret.
  setTextInteractionFlags(Qt::TextSelectableByMouse);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setUndoRedoEnabled(false);
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Base, kBackground);
  colours.setColor(QPalette::Text, kText);
  colours.setColor(QPalette::Highlight, QColor(80, 110, 200));
  colours.setColor(QPalette::HighlightedText, kText);
  setPalette(colours);
  viewport()->setAutoFillBackground(true);
  viewport()->setPalette(colours);
  setFocusPolicy(Qt::StrongFocus);
  hide();
}

void BacklogView::Open(const ViewScale& view) {
  Place(view);
  Fill();
  show();
  raise();
  setFocus(Qt::OtherFocusReason);
  ScrollToEnd();
}

void BacklogView::Close() {
  if (!isVisible()) return;
  hide();
  clear();
  previous_.reset();
  if (OnClose) OnClose();
}

void BacklogView::Place(const ViewScale& view) {
  setGeometry(view.Content());
  if (view.Factor() == factor_) return;
  factor_ = view.Factor();
  const int margin = qRound(kMargin * factor_);
  document()->setDocumentMargin(margin);
  setFont(GothicFont(std::max(1, qRound(kTextPixels * factor_)), false));
  if (isVisible()) Fill();
}

void BacklogView::Fill() {
  clear();
  previous_.reset();
  empty_ = true;
  for (const HistoryEntry& entry : history_.Entries()) AddEntry(entry);
  ScrollToEnd();
}

void BacklogView::Append(const HistoryEntry& entry) {
  if (!isVisible()) return;
  const bool follow = AtEnd();
  AddEntry(entry);
  if (follow) ScrollToEnd();
}

void BacklogView::AddEntry(const HistoryEntry& entry) {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  const auto block = [&](int top_margin, const QColor& colour, int pixels) {
    QTextBlockFormat format;
    format.setTopMargin(top_margin);
    QTextCharFormat chars;
    chars.setForeground(colour);
    QFont font = GothicFont(std::max(1, qRound(pixels * factor_)), false);
    chars.setFont(font);
    // The document's first block is there already.
    if (empty_) {
      cursor.setBlockFormat(format);
      cursor.setBlockCharFormat(chars);
      cursor.setCharFormat(chars);
      empty_ = false;
    } else {
      cursor.insertBlock(format, chars);
    }
  };
  const int gap = qRound(kEntryGap * factor_);
  const std::string heading = EntryHeading(entry, previous_ ? &*previous_ : nullptr);
  const bool choice = entry.Kind == HistoryKind::MenuChoice || entry.Kind == HistoryKind::ItemChoice;
  int top = empty_ ? 0 : gap;
  if (!heading.empty()) {
    block(top, kHeading, kHeadingPixels);
    cursor.insertText(Qs(heading));
    top = 0;
  }
  const QString text = Qs(choice ? "→ " + ShownText(entry) : ShownText(entry));
  const QStringList rows = text.split(QLatin1Char('\n'));
  for (const QString& row : rows) {
    block(top, choice ? kChoice : kText, kTextPixels);
    cursor.insertText(row);
    top = 0;
  }
  previous_ = entry;
}

bool BacklogView::AtEnd() const { return verticalScrollBar()->value() >= verticalScrollBar()->maximum(); }

void BacklogView::ScrollToEnd() {
  // Lays the document out to its end, so the range is the whole of it.
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  setTextCursor(end);
  ensureCursorVisible();
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

QMenu* BacklogView::NewContextMenu() {
  auto* menu = new QMenu(this);
  menu->setFont(PGothicFont(12, false));
  QAction* copying = menu->addAction(QStringLiteral("コピー(&C)"), this, [this] { copy(); });
  copying->setShortcut(QKeySequence::Copy);
  copying->setEnabled(textCursor().hasSelection());
  menu->addAction(QStringLiteral("すべて選択(&A)"), this, [this] { selectAll(); })->setShortcut(QKeySequence::SelectAll);
  menu->addSeparator();
  menu->addAction(QStringLiteral("閉じる"), this, [this] { Close(); })->setShortcut(QKeySequence(Qt::Key_Escape));
  return menu;
}

void BacklogView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = NewContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(event->globalPos());
  event->accept();
}

void BacklogView::keyPressEvent(QKeyEvent* event) {
  event->accept();
  if (event->matches(QKeySequence::Copy)) {
    copy();
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    selectAll();
    return;
  }
  QScrollBar* bar = verticalScrollBar();
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if (!event->isAutoRepeat()) Close();
      return;
    case Qt::Key_Up: bar->triggerAction(QAbstractSlider::SliderSingleStepSub); return;
    case Qt::Key_Down: bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); return;
    case Qt::Key_PageUp: bar->triggerAction(QAbstractSlider::SliderPageStepSub); return;
    case Qt::Key_PageDown: bar->triggerAction(QAbstractSlider::SliderPageStepAdd); return;
    case Qt::Key_Home: bar->triggerAction(QAbstractSlider::SliderToMinimum); return;
    case Qt::Key_End: bar->triggerAction(QAbstractSlider::SliderToMaximum); return;
    default: return;  // kept from the window and the game
  }
}

void BacklogView::keyReleaseEvent(QKeyEvent* event) { event->accept(); }

void BacklogView::wheelEvent(QWheelEvent* event) {
  event->accept();
  if (event->angleDelta().y() < 0 && AtEnd()) {
    Close();
    return;
  }
  // Scrolls only: the text edit's own wheel would zoom with Ctrl.
  QAbstractScrollArea::wheelEvent(event);
  event->accept();
}

void BacklogView::mousePressEvent(QMouseEvent* event) {
  pressed_at_.reset();
  if (event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton) {
    pressed_at_ = event->position().toPoint();
  }
  if (event->button() == Qt::LeftButton) QTextEdit::mousePressEvent(event);
  event->accept();
}

// A click closes; a drag has selected text and keeps it open.
void BacklogView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) QTextEdit::mouseReleaseEvent(event);
  event->accept();
  if (!pressed_at_) return;
  const bool click = (event->position().toPoint() - *pressed_at_).manhattanLength() < QApplication::startDragDistance();
  pressed_at_.reset();
  if (click && !textCursor().hasSelection()) Close();
}

void BacklogView::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

// Tab would hand the keys to the command list below.
bool BacklogView::focusNextPrevChild(bool /*next*/) { return false; }

}  // namespace torvane::qt
