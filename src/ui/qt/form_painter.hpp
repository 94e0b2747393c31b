#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>

#include "ui/form_model.hpp"
#include "ui/qt/form_assets.hpp"

namespace torvane::qt {

// clBtnFace and the colours of the labels as the games were designed with.
inline const QColor kBtnFace(240, 240, 240);
inline const QColor kNavy(0, 0, 128);
inline const QColor kDisabledShadow(160, 160, 160);

// Maps the Windows font names games were designed with to the IPA fonts,
// under their Japanese and their ASCII names. Idempotent.
void InstallFontSubstitutions();

// "ＭＳ ゴシック" (fixed pitch) and "ＭＳ Ｐゴシック" at a character height
// in pixels.
QFont GothicFont(int pixel_height, bool bold);
QFont PGothicFont(int pixel_height, bool bold);

// Paints the form's background and its windowless controls (pictures and
// labels) in creation order, invisible ones left out; the child windows
// (the command list) are not part of it. The window and the headless
// screenshots both paint with this.
void PaintForm(QPainter& painter, const FormModel& form, const FormAssets& assets);

}  // namespace torvane::qt
