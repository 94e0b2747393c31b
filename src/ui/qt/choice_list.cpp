#include "ui/qt/choice_list.hpp"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include "platform/cp932.hpp"
#include "ui/qt/form_painter.hpp"

namespace torvane::qt {
namespace {

class FixedHeightDelegate final : public QStyledItemDelegate {
 public:
  FixedHeightDelegate(QObject* parent, int height) : QStyledItemDelegate(parent), height_(height) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), height_);
  }

 private:
  int height_;
};

}  // namespace

ChoiceList::ChoiceList(QWidget* parent, const QFont& font, int item_height)
    : QListWidget(parent), item_height_(item_height) {
  setFont(font);
  setItemDelegate(new FixedHeightDelegate(this, item_height));
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTextElideMode(Qt::ElideNone);
  setFocusPolicy(Qt::StrongFocus);
  QPalette colours = palette();
  colours.setColor(QPalette::Base, Qt::white);
  colours.setColor(QPalette::Text, Qt::black);
  // The frame is drawn in the form's colours, wherever the list is drawn.
  colours.setColor(QPalette::Window, kBtnFace);
  colours.setColor(QPalette::Button, kBtnFace);
  setPalette(colours);
}

void ChoiceList::SetEntries(const std::vector<Bytes>& entries) {
  if (entries == shown_ && count() == static_cast<int>(entries.size())) return;
  shown_ = entries;
  clear();
  for (const Bytes& entry : entries) addItem(QString::fromStdString(platform::Cp932ToUtf8(entry)));
  if (!entries.empty()) selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::NoUpdate);
  clearSelection();
}

void ChoiceList::ShowSelection(int row) {
  const bool valid = row >= 0 && row < count();
  if (!valid) {
    if (!selectedIndexes().isEmpty()) clearSelection();
    return;
  }
  if (currentRow() != row || selectedIndexes().isEmpty()) {
    selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
  }
}

int ChoiceList::Caret() const { return std::max(0, currentRow()); }

void ChoiceList::Choose(int row) {
  if (row < 0 || row >= count()) return;
  // The caret moves with the choice; the highlight is the model's to set.
  selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::NoUpdate);
  if (OnChosen) OnChosen(row);
}

void ChoiceList::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (event->button() != Qt::LeftButton) return;
  const QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid()) Choose(index.row());
}

void ChoiceList::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

// Dragging and releasing select nothing of their own.
void ChoiceList::mouseMoveEvent(QMouseEvent* /*event*/) {}
void ChoiceList::mouseReleaseEvent(QMouseEvent* /*event*/) {}

void ChoiceList::keyPressEvent(QKeyEvent* event) {
  const int last = count() - 1;
  const int page = std::max(1, viewport()->height() / item_height_);
  int row = -1;
  switch (event->key()) {
    case Qt::Key_Down: row = std::min(Caret() + 1, last); break;
    case Qt::Key_Up: row = std::max(Caret() - 1, 0); break;
    case Qt::Key_Home: row = 0; break;
    case Qt::Key_End: row = last; break;
    case Qt::Key_PageDown: row = std::min(Caret() + page - 1, last); break;
    case Qt::Key_PageUp: row = std::max(Caret() - page + 1, 0); break;
    default: {
      const QString text = event->text();
      if (text.size() == 1 && text[0].isPrint() && count() > 0) {
        // The next entry after the caret that starts with the character.
        for (int step = 1; step <= count(); ++step) {
          const int candidate = (Caret() + step) % count();
          if (item(candidate)->text().startsWith(text, Qt::CaseInsensitive)) {
            row = candidate;
            break;
          }
        }
        if (row < 0) {
          event->accept();
          return;
        }
      }
    }
  }
  if (row < 0 || last < 0) {
    QWidget::keyPressEvent(event);  // Tab, Escape, Return go to the window
    return;
  }
  event->accept();
  Choose(row);
}

}  // namespace torvane::qt
