#include "ui/qt/scaled_view.hpp"

#include <cmath>
#include <cstdint>

namespace torvane::qt {
namespace {

// The one model pixel a widget coordinate falls in: floor(p * den / num).
int ModelOf(double widget, int num, int den) { return static_cast<int>(std::floor(widget * den / num)); }

}  // namespace

ViewScale::ViewScale(int num, int den, QPoint origin) : num_(num > 0 ? num : 1), den_(den > 0 ? den : 1), origin_(origin) {}

ViewScale ViewScale::Fit(QSize area) {
  const int w = std::max(1, area.width()), h = std::max(1, area.height());
  // The side that runs out first decides; the fraction is the exact ratio.
  const bool by_width = static_cast<std::int64_t>(w) * FormModel::kClientHeight <=
                        static_cast<std::int64_t>(h) * FormModel::kClientWidth;
  ViewScale scale = by_width ? ViewScale(w, FormModel::kClientWidth) : ViewScale(h, FormModel::kClientHeight);
  const QSize content = scale.Content().size();
  return scale.MovedTo(QPoint((w - content.width()) / 2, (h - content.height()) / 2));
}

int ViewScale::Edge(int model) const {
  const std::int64_t scaled = static_cast<std::int64_t>(model) * num_;
  // Ceiling division that also holds for negative coordinates.
  const std::int64_t q = scaled / den_;
  return static_cast<int>(q + ((scaled % den_) > 0 ? 1 : 0));
}

QRect ViewScale::ToWidget(const QRect& m) const {
  const int left = Edge(m.left()), top = Edge(m.top());
  return QRect(origin_.x() + left, origin_.y() + top, Edge(m.left() + m.width()) - left,
               Edge(m.top() + m.height()) - top);
}

QRect ViewScale::ToWidget(const Rect& m) const { return ToWidget(QRect(m.left, m.top, m.width, m.height)); }

std::optional<QPoint> ViewScale::ToModel(QPointF widget) const {
  const QPoint model(ModelOf(widget.x() - origin_.x(), num_, den_), ModelOf(widget.y() - origin_.y(), num_, den_));
  if (model.x() < 0 || model.y() < 0 || model.x() >= FormModel::kClientWidth || model.y() >= FormModel::kClientHeight) {
    return std::nullopt;
  }
  return model;
}

QPoint ViewScale::PressPoint(QPoint model) const {
  const QRect pixel = ToWidget(QRect(model, QSize(1, 1)));
  return pixel.topLeft() + QPoint((pixel.width() - 1) / 2, (pixel.height() - 1) / 2);
}

}  // namespace torvane::qt
