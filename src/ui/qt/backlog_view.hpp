#pragma once

#include <functional>
#include <optional>

#include <QTextEdit>

#include "history/history.hpp"
#include "ui/qt/scaled_view.hpp"

class QMenu;

namespace torvane::qt {

// The backlog: this run's history over the game screen, the newest at the
// bottom, its text selectable and copyable. It only reads the history; it
// keeps every press, key and wheel turn that reaches it to itself, so
// nothing of it reaches the game. It closes on Escape, on a click (a drag
// selects), on Enter or Space, and on the wheel turned down at the end;
// the window is told through OnClose.
class BacklogView final : public QTextEdit {
 public:
  BacklogView(QWidget* parent, const History& history);

  std::function<void()> OnClose;

  // Filled from the history, scrolled to the newest entry, over the game
  // screen as `view` lays it out, with the keyboard focus.
  void Open(const ViewScale& view);
  void Close();
  bool IsOpen() const { return isVisible(); }
  // Follows a new layout of the game screen: place and font size.
  void Place(const ViewScale& view);
  // An entry recorded while open, added at the bottom; the view follows it
  // when it was showing the bottom.
  void Append(const HistoryEntry& entry);
  bool AtEnd() const;
  // The right button's menu: copy, select all, close.
  QMenu* NewContextMenu();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  void Fill();
  void AddEntry(const HistoryEntry& entry);
  void ScrollToEnd();

  const History& history_;
  std::optional<HistoryEntry> previous_;
  bool empty_ = true;
  qreal factor_ = 1;
  std::optional<QPoint> pressed_at_;
};

}  // namespace torvane::qt
