#include "ui/qt/form_painter.hpp"

#include <algorithm>
#include <cmath>

#include <QPaintDevice>
#include <QString>
#include <QTransform>

#include "platform/cp932.hpp"

namespace torvane::qt {
namespace {

struct LabelStyle {
  std::optional<QColor> Background;  // none: transparent
  QColor Text;
  int PixelHeight;
  int Alignment;
  bool WordWrap;
};

LabelStyle StyleOf(const FormModel& form, const Control& label) {
  if (&label == &form.Label1) return {Qt::white, Qt::black, 19, Qt::AlignLeft | Qt::AlignTop, true};
  if (&label == &form.Label2) return {Qt::white, kNavy, 16, Qt::AlignCenter, false};
  if (&label == &form.Label3) return {std::nullopt, Qt::white, 24, Qt::AlignHCenter | Qt::AlignTop, false};
  return {Qt::black, Qt::white, 24, Qt::AlignCenter, true};  // Label4
}

QRect RectOf(const Rect& r) { return QRect(r.left, r.top, r.width, r.height); }

void DrawImage(QPainter& painter, const QImage& image, const Rect& bounds) {
  if (image.isNull()) return;
  painter.save();
  painter.setClipRect(RectOf(bounds));
  painter.drawImage(QPoint(bounds.left, bounds.top), image);
  painter.restore();
}

void DrawLabel(QPainter& painter, const FormModel& form, const Control& label) {
  const LabelStyle style = StyleOf(form, label);
  const QRect rect = RectOf(label.Bounds);
  if (style.Background) painter.fillRect(rect, *style.Background);
  if (label.Caption.empty()) return;
  // "&" is the mnemonic prefix and tabs expand, as labels draw their text.
  int flags = style.Alignment | Qt::TextShowMnemonic | Qt::TextExpandTabs;
  if (style.WordWrap) flags |= Qt::TextWordWrap;
  const QString text = QString::fromStdString(platform::Cp932ToUtf8(label.Caption));
  painter.save();
  painter.setClipRect(rect);
  painter.setFont(GothicFont(style.PixelHeight, true));
  if (label.Enabled) {
    painter.setPen(style.Text);
    painter.drawText(rect, flags, text);
  } else {
    // Embossed: the highlight one pixel down and right, the shadow on top.
    painter.setPen(Qt::white);
    painter.drawText(rect.translated(1, 1), flags, text);
    painter.setPen(kDisabledShadow);
    painter.drawText(rect, flags, text);
  }
  painter.restore();
}

bool HidesClientArea(const FormModel& form, const Control& control, const FormAssets& assets) {
  const QRect client(0, 0, FormModel::kClientWidth, FormModel::kClientHeight);
  if (!RectOf(control.Bounds).contains(client)) return false;
  if (&control == &form.Label4) return true;  // opaque black
  return &control == &form.Image3 && !assets.Title().hasAlphaChannel() && assets.Title().width() >= client.width() &&
         assets.Title().height() >= client.height();
}

}  // namespace

void InstallFontSubstitutions() {
  static const bool installed = [] {
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"));
    return true;
  }();
  (void)installed;
}

QFont GothicFont(int pixel_height, bool bold) {
  InstallFontSubstitutions();
  QFont font(QStringLiteral("ＭＳ ゴシック"));
  font.setPixelSize(pixel_height);
  font.setBold(bold);
  font.setFixedPitch(true);
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

QFont PGothicFont(int pixel_height, bool bold) {
  InstallFontSubstitutions();
  QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
  font.setPixelSize(pixel_height);
  font.setBold(bold);
  return font;
}

void PaintForm(QPainter& painter, const FormModel& form, const FormAssets& assets) {
  // Device pixels per model pixel, for metafiles played at the resolution
  // they are shown at; 1 on an unscaled view.
  const QTransform& transform = painter.worldTransform();
  const qreal resolution = std::max(std::abs(transform.m11()), std::abs(transform.m22())) *
                           (painter.device() ? painter.device()->devicePixelRatioF() : 1.0);
  const auto controls = form.CreationOrder();
  // Whatever lies under a control that hides the whole client area (the
  // title, the narration page) is not painted at all.
  auto first = controls.begin();
  for (auto it = controls.begin(); it != controls.end(); ++it) {
    if ((*it)->Visible && HidesClientArea(form, **it, assets)) first = it;
  }
  if (first == controls.begin()) {
    painter.fillRect(QRect(0, 0, FormModel::kClientWidth, FormModel::kClientHeight),
                     form.Color == WindowColor::Black ? QColor(Qt::black) : kBtnFace);
  }
  for (auto it = first; it != controls.end(); ++it) {
    const Control* control = *it;
    if (!control->Windowless() || !control->Visible) continue;
    if (control == &form.Image1) {
      if (form.Image1Picture) DrawImage(painter, assets.Scene.Image(form.Image1Picture, resolution), control->Bounds);
    } else if (control == &form.Image2) {
      if (form.Image2Portrait) DrawImage(painter, assets.Portrait(*form.Image2Portrait), control->Bounds);
    } else if (control == &form.Image3) {
      DrawImage(painter, assets.Title(), control->Bounds);
    } else if (control->Kind == ControlKind::Label) {
      DrawLabel(painter, form, *control);
    }
  }
}

}  // namespace torvane::qt
