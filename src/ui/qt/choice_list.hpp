#pragma once

#include <functional>
#include <vector>

#include <QListWidget>

#include "platform/bytes.hpp"
#include "ui/qt/scaled_view.hpp"

namespace torvane::qt {

// A list box whose selection belongs to the model: a press or a key only
// reports the row it would select, through OnChosen, and the row shown as
// selected is whatever the model says. The keys act as a Windows list box:
// the arrows, Home, End and the page keys move from the caret (row 0 after
// every refill), a character selects the next entry starting with it.
class ChoiceList final : public QListWidget {
 public:
  ChoiceList(QWidget* parent, const QFont& font, int item_height);

  std::function<void(int row)> OnChosen;

  // Refills the list when the entries differ from those shown; a refill
  // leaves nothing selected and the caret on the first row.
  void SetEntries(const std::vector<Bytes>& entries);
  // The model's selected row, or -1 for none.
  void ShowSelection(int row);
  // Puts the list at `bounds` (model pixels of its parent) on a view of
  // that scale: the font grows with it, and every row's borders fall on
  // the widget pixels of the 1x rows' borders, so a press reaches the row
  // it would reach at 1x.
  void Place(const QRect& bounds, const ViewScale& view);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void Choose(int row);
  int Caret() const;

  std::vector<Bytes> shown_;
  int item_height_;  // at 1x
  int font_pixels_;  // at 1x
  std::function<int(int row)> row_height_;
  QMargins margins_;  // inside the frame, on a scaled view
};

}  // namespace torvane::qt
