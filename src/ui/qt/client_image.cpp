#include "ui/qt/client_image.hpp"

#include <QPainter>

#include "ui/qt/form_painter.hpp"

namespace torvane::qt {

ChoiceList* NewCommandList(QWidget* parent, const FormModel& form) {
  auto* list = new ChoiceList(parent, PGothicFont(19, true), FormModel::kListRowHeight);
  const Rect& r = form.ListBox1.Bounds;
  list->setGeometry(r.left, r.top, r.width, r.height);
  return list;
}

void SyncCommandList(ChoiceList& list, const FormModel& form) {
  list.SetEntries(form.ListBox1Items);
  list.ShowSelection(form.ListBox1ItemIndex);
  if (list.isEnabled() != form.ListBox1.Enabled) list.setEnabled(form.ListBox1.Enabled);
}

QImage RenderClientArea(const FormModel& form, const FormAssets& assets) {
  QImage image(FormModel::kClientWidth, FormModel::kClientHeight, QImage::Format_RGB32);
  QPainter painter(&image);
  PaintForm(painter, form, assets);
  if (form.ListBox1.Visible) {
    ChoiceList* list = NewCommandList(nullptr, form);
    SyncCommandList(*list, form);
    const Rect& r = form.ListBox1.Bounds;
    list->render(&painter, QPoint(r.left, r.top), QRegion(), QWidget::DrawChildren | QWidget::DrawWindowBackground);
    delete list;
  }
  return image;
}

}  // namespace torvane::qt
