#include "ui/qt/client_image.hpp"

#include <QPainter>

#include "ui/qt/form_painter.hpp"

namespace torvane::qt {

ChoiceList* NewCommandList(QWidget* parent, const FormModel& form, const ViewScale& view) {
  auto* list = new ChoiceList(parent, PGothicFont(19, true), FormModel::kListRowHeight);
  const Rect& r = form.ListBox1.Bounds;
  if (view.IsIdentity()) {
    list->setGeometry(r.left, r.top, r.width, r.height);
  } else {
    list->Place(QRect(r.left, r.top, r.width, r.height), view);
  }
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

namespace torvane::qt {

void PaintView(QPainter& painter, const QRect& widget_rect, const FormModel& form, const FormAssets& assets,
               const ViewScale& view, bool smooth) {
  if (view.IsIdentity()) {
    PaintForm(painter, form, assets);
    return;
  }
  const QRect content = view.Content();
  const QRegion bars = QRegion(widget_rect) - QRegion(content);
  for (const QRect& bar : bars) painter.fillRect(bar, Qt::black);
  painter.save();
  painter.setClipRect(content);
  painter.translate(content.topLeft());
  // The content's own size over the model's, so that model pixel edges
  // land where ViewScale puts them.
  painter.scale(static_cast<qreal>(content.width()) / FormModel::kClientWidth,
                static_cast<qreal>(content.height()) / FormModel::kClientHeight);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
  PaintForm(painter, form, assets);
  painter.restore();
}

QImage RenderClientArea(const FormModel& form, const FormAssets& assets, const ViewScale& view, bool smooth) {
  if (view.IsIdentity()) return RenderClientArea(form, assets);
  const ViewScale at_corner = view.MovedTo({});
  const QRect content = at_corner.Content();
  QImage image(content.size(), QImage::Format_RGB32);
  QPainter painter(&image);
  PaintView(painter, content, form, assets, at_corner, smooth);
  if (form.ListBox1.Visible) {
    ChoiceList* list = NewCommandList(nullptr, form, at_corner);
    SyncCommandList(*list, form);
    list->render(&painter, list->geometry().topLeft(), QRegion(),
                 QWidget::DrawChildren | QWidget::DrawWindowBackground);
    delete list;
  }
  return image;
}

}  // namespace torvane::qt
