#include "ui/qt/item_dialog_window.hpp"

#include <algorithm>

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>

#include "platform/cp932.hpp"
#include "ui/form_model.hpp"
#include "ui/qt/form_painter.hpp"

namespace torvane::qt {
namespace {

QString Utf8(BytesView cp932) { return QString::fromStdString(platform::Cp932ToUtf8(cp932)); }

}  // namespace

ItemDialogWindow::ItemDialogWindow(TForm2& dialog, QWidget* owner, int scale)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      dialog_(dialog) {
  setWindowTitle(Utf8(dialog.Caption));
  scale = std::max(1, scale);
  setFixedSize(TForm2::kClientWidth * scale, TForm2::kClientHeight * scale);
  setModal(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, kBtnFace);
  setPalette(colours);
  setAutoFillBackground(true);

  // Created first, so first in the tab order.
  list_ = new ChoiceList(this, PGothicFont(19, false), FormModel::kListRowHeight);
  list_->setFrameShape(QFrame::NoFrame);
  list_->Place(QRect(8, 64, 281, 209), ViewScale::Integer(scale));
  list_->SetEntries(dialog.ListBox21Items);
  list_->OnChosen = [this](int row) {
    dialog_.SelectEntry(row);
    list_->ShowSelection(dialog_.ListBox21ItemIndex);
    if (dialog_.Closed()) accept();
  };

  prompt_ = new QLabel(Utf8(dialog.Label21Caption), this);
  prompt_->setGeometry(32 * scale, 24 * scale, 239 * scale, 24 * scale);
  prompt_->setFont(PGothicFont(24 * scale, false));
  prompt_->setTextFormat(Qt::PlainText);
  prompt_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  move(dialog.Left, dialog.Top);  // the frame's corner, as the model places it
  list_->setFocus();
}

void ItemDialogWindow::closeEvent(QCloseEvent* event) {
  dialog_.Close();
  QDialog::closeEvent(event);
}

// Escape is the close box: the dialog has no Cancel button to reject it.
void ItemDialogWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    close();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace torvane::qt
