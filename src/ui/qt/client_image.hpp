#pragma once

#include <QImage>

#include "ui/form_model.hpp"
#include "ui/qt/choice_list.hpp"
#include "ui/qt/form_assets.hpp"
#include "ui/qt/scaled_view.hpp"

namespace torvane::qt {

// ListBox1 as the window creates it: placed at the model's bounds, white,
// "ＭＳ Ｐゴシック" 19 px bold, rows 19 px high.
// On a scaled view it is placed and sized for it (ChoiceList::Place).
ChoiceList* NewCommandList(QWidget* parent, const FormModel& form, const ViewScale& view = {});

// Enables, fills and selects the list as the model says; showing it is
// the window's part.
void SyncCommandList(ChoiceList& list, const FormModel& form);

// The client area (632 x 426, no menu bar) as the window shows it: the
// form painted by PaintForm, and the command list drawn over it when it is
// visible. Needs a QApplication; no window is shown.
QImage RenderClientArea(const FormModel& form, const FormAssets& assets);

// The client area as a window of that view shows it, the view's content
// alone: text and metafiles drawn at its resolution, bitmaps scaled
// smoothly or by repeating pixels. 1x is RenderClientArea.
QImage RenderClientArea(const FormModel& form, const FormAssets& assets, const ViewScale& view, bool smooth);

// Paints the form onto a painter whose origin is the client widget's, on
// that view: the letterbox black, the model's pixels scaled. The window's
// client area paints with this.
void PaintView(QPainter& painter, const QRect& widget_rect, const FormModel& form, const FormAssets& assets,
               const ViewScale& view, bool smooth);

}  // namespace torvane::qt
