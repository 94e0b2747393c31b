#pragma once

#include <QDialog>

#include "story/item_dialog.hpp"
#include "ui/qt/choice_list.hpp"

class QLabel;

namespace torvane::qt {

// Form2, the item dialog, over its model: the first selection change picks
// the entry and closes it; the close box, or Escape, closes it with the
// preset choice. `scale` enlarges it with a scaled game screen.
class ItemDialogWindow final : public QDialog {
 public:
  ItemDialogWindow(TForm2& dialog, QWidget* owner, int scale = 1);

  ChoiceList* List() const { return list_; }
  QLabel* Prompt() const { return prompt_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TForm2& dialog_;
  QLabel* prompt_;
  ChoiceList* list_;
};

}  // namespace torvane::qt
