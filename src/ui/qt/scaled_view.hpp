#pragma once

#include <optional>

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>

#include "ui/form_model.hpp"

namespace torvane::qt {

// How the form's 632 x 426 model pixels lie on the client widget: a scale
// kept as a fraction, so that the edges of model pixels fall on exact
// widget pixels at every size, and an origin for letterboxing. Model
// pixel m covers widget pixels [ceil(m * num / den), ceil((m + 1) * num /
// den)) from the origin, so a press maps back to exactly one model pixel
// and a border the model draws lies where the model says.
class ViewScale {
 public:
  ViewScale() = default;  // 1x, at the widget's corner
  ViewScale(int num, int den, QPoint origin = {});

  static ViewScale Integer(int factor) { return ViewScale(factor, 1); }
  // The largest scale at which the whole form fits `area`, centred in it.
  static ViewScale Fit(QSize area);

  qreal Factor() const { return static_cast<qreal>(num_) / den_; }
  bool IsIdentity() const { return num_ == den_ && origin_.isNull(); }
  QPoint Origin() const { return origin_; }
  ViewScale MovedTo(QPoint origin) const { return ViewScale(num_, den_, origin); }

  // The widget offset of a model pixel's leading edge, origin left out.
  int Edge(int model) const;
  // A model rectangle on the widget, origin included.
  QRect ToWidget(const Rect& model) const;
  QRect ToWidget(const QRect& model) const;
  // The form's whole client area on the widget.
  QRect Content() const { return ToWidget(QRect(0, 0, FormModel::kClientWidth, FormModel::kClientHeight)); }
  // The model pixel under a widget position; none outside the form.
  std::optional<QPoint> ToModel(QPointF widget) const;
  // Where a press on model pixel `model` lands on the widget: its middle.
  QPoint PressPoint(QPoint model) const;

  bool operator==(const ViewScale&) const = default;

 private:
  int num_ = 1;
  int den_ = 1;
  QPoint origin_;
};

}  // namespace torvane::qt
