#include "ui/qt/choice_list.hpp"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "platform/cp932.hpp"
#include "ui/qt/form_painter.hpp"

namespace torvane::qt {
namespace {

class RowHeightDelegate final : public QStyledItemDelegate {
 public:
  RowHeightDelegate(QObject* parent, const std::function<int(int)>& height)
      : QStyledItemDelegate(parent), height_(height) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), height_(index.row()));
  }

 private:
  const std::function<int(int)>& height_;
};

}  // namespace

ChoiceList::ChoiceList(QWidget* parent, const QFont& font, int item_height)
    : QListWidget(parent), item_height_(item_height), font_pixels_(font.pixelSize()) {
  row_height_ = [item_height](int) { return item_height; };
  setFont(font);
  setItemDelegate(new RowHeightDelegate(this, row_height_));
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

void ChoiceList::Place(const QRect& bounds, const ViewScale& view) {
  setGeometry(view.ToWidget(bounds));
  const qreal factor = view.Factor();
  QFont scaled = font();
  scaled.setPixelSize(std::max(1, qRound(font_pixels_ * factor)));
  if (scaled != font()) setFont(scaled);
  if (factor == 1.0) {
    row_height_ = [height = item_height_](int) { return height; };
    margins_ = QMargins();
    setViewportMargins(margins_);
    setUniformItemSizes(true);
  } else {
    // Rows measured from the 1x viewport's top, in the parent's model pixels.
    // The frame keeps its width; margins inside it take up the rest of
    // what the 1x frame covers, so the viewport begins where it does at 1x.
    const int frame = frameWidth();
    const int first = bounds.top() + frame;
    const int right = bounds.left() + bounds.width(), bottom = bounds.top() + bounds.height();
    margins_ = QMargins(view.Edge(bounds.left() + frame) - view.Edge(bounds.left()) - frame,
                        view.Edge(first) - view.Edge(bounds.top()) - frame,
                        view.Edge(right) - view.Edge(right - frame) - frame,
                        view.Edge(bottom) - view.Edge(bottom - frame) - frame);
    setViewportMargins(margins_);
    row_height_ = [view, first, height = item_height_](int row) {
      return view.Edge(first + (row + 1) * height) - view.Edge(first + row * height);
    };
    setUniformItemSizes(false);
  }
  doItemsLayout();
}

// The margins belong to the list's white, not to whatever lies behind it.
bool ChoiceList::event(QEvent* event) {
  if (event->type() == QEvent::Paint && !margins_.isNull()) {
    const int frame = frameWidth();
    const QRect inside = rect().adjusted(frame, frame, -frame, -frame);
    QPainter painter(this);
    const QRegion ring = QRegion(inside) - QRegion(inside.marginsRemoved(margins_));
    for (const QRect& r : ring) painter.fillRect(r, palette().color(QPalette::Base));
  }
  return QListWidget::event(event);
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
  const int page = std::max(1, viewport()->height() / std::max(1, row_height_(0)));
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
