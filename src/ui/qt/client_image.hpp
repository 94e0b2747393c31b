#pragma once

#include <QImage>

#include "ui/form_model.hpp"
#include "ui/qt/choice_list.hpp"
#include "ui/qt/form_assets.hpp"

namespace torvane::qt {

// ListBox1 as the window creates it: placed at the model's bounds, white,
// "ＭＳ Ｐゴシック" 19 px bold, rows 19 px high.
ChoiceList* NewCommandList(QWidget* parent, const FormModel& form);

// Enables, fills and selects the list as the model says; showing it is
// the window's part.
void SyncCommandList(ChoiceList& list, const FormModel& form);

// The client area (632 x 426, no menu bar) as the window shows it: the
// form painted by PaintForm, and the command list drawn over it when it is
// visible. Needs a QApplication; no window is shown.
QImage RenderClientArea(const FormModel& form, const FormAssets& assets);

}  // namespace torvane::qt
