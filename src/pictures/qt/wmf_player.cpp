#include "pictures/qt/wmf_player.hpp"

#include "pictures/qt/picture_renderer.hpp"
#include "pictures/qt/shown_canvas.hpp"

#include <QFont>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRegion>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pictures/dib.hpp"
#include "pictures/font_names.hpp"
#include "pictures/object_slots.hpp"
#include "pictures/picture_budget.hpp"
#include "pictures/wmf_region.hpp"
#include "pictures/wmf_records.hpp"
#include "platform/little_endian.hpp"
#include "pictures/wmf_file.hpp"
#include "platform/cp932.hpp"

namespace torvane::qt {
namespace {

using namespace pictures::wmf;

enum MapMode { kMmText = 1, kMmLoMetric, kMmHiMetric, kMmLoEnglish, kMmHiEnglish, kMmTwips, kMmIsotropic, kMmAnisotropic };

constexpr int kPsSolid = 0, kPsDash = 1, kPsDot = 2, kPsDashDot = 3, kPsDashDotDot = 4, kPsNull = 5, kPsInsideFrame = 6;
constexpr int kBsSolid = 0, kBsNull = 1, kBsHatched = 2;
constexpr std::uint16_t kTaUpdateCp = 1, kTaRight = 2, kTaCenter = 6, kTaBottom = 8, kTaBaseline = 24;
constexpr std::uint16_t kEtoOpaque = 2, kEtoClipped = 4;
constexpr std::uint32_t kSrcCopy = 0x00CC0020, kNotSrcCopy = 0x00330008, kSrcPaint = 0x00EE0086,
                        kSrcAnd = 0x008800C6, kSrcInvert = 0x00660046, kPatCopy = 0x00F00021,
                        kPatInvert = 0x005A0049, kDstInvert = 0x00550009, kBlackness = 0x00000042,
                        kWhiteness = 0x00FF0062;
constexpr int kR2Black = 1, kR2NotCopyPen = 4, kR2Not = 6, kR2XorPen = 7, kR2Nop = 11, kR2White = 16;

QColor ColorRef(BytesView params, std::size_t at) {
  return QColor(static_cast<int>(ByteAt(params, at)), static_cast<int>(ByteAt(params, at + 1)),
                static_cast<int>(ByteAt(params, at + 2)));
}

struct Pen {
  int style = kPsSolid;
  int width = 0;  // logical units; 0 is one pixel at any scale
  QColor color = Qt::black;
};

struct Brush {
  int style = kBsSolid;
  QColor color = Qt::white;
  int hatch = 0;
  QImage pattern;  // for pattern brushes
};

struct Font {
  int height = 0;
  int width = 0;
  int escapement = 0;
  int weight = 0;
  bool italic = false;
  bool underline = false;
  bool strikeout = false;
  QString family = QStringLiteral("IPAGothic");
};

struct Object {
  enum class Kind { Pen, Brush, Font, Region, Other } kind = Kind::Other;
  Pen pen;
  Brush brush;
  Font font;
  QRegion region;
};

struct Dc {
  int map_mode = kMmText;
  double window_org_x = 0, window_org_y = 0, window_ext_x = 1, window_ext_y = 1;
  double viewport_org_x = 0, viewport_org_y = 0, viewport_ext_x = 1, viewport_ext_y = 1;
  Pen pen;
  Brush brush;
  Font font;
  QColor text_color = Qt::black;
  QColor background = Qt::white;
  bool background_opaque = true;
  std::uint16_t text_align = 0;
  bool winding = false;
  int rop2 = 13;  // R2_COPYPEN
  int char_extra = 0;
  double position_x = 0, position_y = 0;  // logical
  std::optional<QRegion> clip;            // device pixels
};

QString Cp932(BytesView bytes) { return QString::fromStdString(platform::Cp932ToUtf8(bytes)); }

class Player {
 public:
  Player(QPainter& painter, QSize size) : painter_(painter), size_(size) {}

  void Play(const pictures::WmfFile& file) {
    // As the platform's picture object plays a metafile into its bounds:
    // the box (or the picture's size) is the window, the picture the
    // viewport, and the file's own records may change either.
    dc_.map_mode = kMmAnisotropic;
    if (file.placeable) {
      const auto& box = *file.placeable;
      dc_.window_org_x = box.left;
      dc_.window_org_y = box.top;
      dc_.window_ext_x = box.right != box.left ? box.right - box.left : 1;
      dc_.window_ext_y = box.bottom != box.top ? box.bottom - box.top : 1;
    } else {
      dc_.window_ext_x = std::max(size_.width(), 1);
      dc_.window_ext_y = std::max(size_.height(), 1);
    }
    dc_.viewport_ext_x = std::max(size_.width(), 1);
    dc_.viewport_ext_y = std::max(size_.height(), 1);

    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    base_transform_ = painter_.transform();
    const QRegion system_clip = painter_.paintEngine() ? painter_.paintEngine()->systemClip() : QRegion();
    shown_ = system_clip.isEmpty() ? QRectF(0, 0, painter_.device()->width(), painter_.device()->height())
                                   : QRectF(system_clip.boundingRect());
    for (const pictures::WmfRecord& record : file.records) {
      if (stopped_) break;
      Record(record.function, record.params);
    }
    painter_.restore();
  }

 private:
  // ---- Mapping

  void Scale(double& sx, double& sy) const {
    switch (dc_.map_mode) {
      case kMmLoMetric:
        sx = 96.0 / 254;
        sy = -sx;
        return;
      case kMmHiMetric:
        sx = 96.0 / 2540;
        sy = -sx;
        return;
      case kMmLoEnglish:
        sx = 96.0 / 100;
        sy = -sx;
        return;
      case kMmHiEnglish:
        sx = 96.0 / 1000;
        sy = -sx;
        return;
      case kMmTwips:
        sx = 96.0 / 1440;
        sy = -sx;
        return;
      case kMmIsotropic:
      case kMmAnisotropic:
        sx = dc_.viewport_ext_x / dc_.window_ext_x;
        sy = dc_.viewport_ext_y / dc_.window_ext_y;
        if (dc_.map_mode == kMmIsotropic) {
          // The viewport shrinks on its longer side so units are square.
          const double s = std::min(std::abs(sx), std::abs(sy));
          sx = std::copysign(s, sx);
          sy = std::copysign(s, sy);
        }
        return;
      default:
        sx = 1;
        sy = 1;
        return;
    }
  }

  QPointF Device(double x, double y) const {
    double sx = 1, sy = 1;
    Scale(sx, sy);
    return {(x - dc_.window_org_x) * sx + dc_.viewport_org_x, (y - dc_.window_org_y) * sy + dc_.viewport_org_y};
  }

  // GDI works in whole device pixels.
  QPoint DevicePixel(double x, double y) const {
    QPointF p = Device(x, y);
    if (!std::isfinite(p.x()) || !std::isfinite(p.y())) p = QPointF(0, 0);
    return {static_cast<int>(std::lround(std::clamp(p.x(), -1e8, 1e8))),
            static_cast<int>(std::lround(std::clamp(p.y(), -1e8, 1e8)))};
  }

  // The box GDI draws a rectangle or ellipse in: corners mapped, ordered;
  // right and bottom outside it.
  QRect DeviceBox(double left, double top, double right, double bottom) const {
    const QPoint a = DevicePixel(left, top), b = DevicePixel(right, bottom);
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()) - 1, std::max(a.y(), b.y()) - 1));
  }

  double DeviceLength(double logical, bool vertical) const {
    double sx = 1, sy = 1;
    Scale(sx, sy);
    return std::abs(logical * (vertical ? sy : sx));
  }

  // ---- Objects

  void Create(Object object) {
    // A new object takes the lowest free slot; files whose header counts
    // too few slots still get theirs. A full table drops it, as GDI would.
    const auto slot = slots_.Take();
    if (!slot) return;
    if (*slot >= objects_.size()) objects_.resize(*slot + 1);
    objects_[*slot] = std::move(object);
  }

  Object* ObjectAt(std::size_t index) {
    return index < objects_.size() && objects_[index] ? &*objects_[index] : nullptr;
  }

  void CreatePen(BytesView p) {
    Object object;
    object.kind = Object::Kind::Pen;
    if (p.size() >= 10) {
      object.pen.style = U16At(p, 0);
      object.pen.width = I16At(p, 2);
      object.pen.color = ColorRef(p, 6);
    }
    Create(std::move(object));
  }

  void CreateBrush(BytesView p) {
    Object object;
    object.kind = Object::Kind::Brush;
    if (p.size() >= 8) {
      object.brush.style = U16At(p, 0);
      object.brush.color = ColorRef(p, 2);
      object.brush.hatch = U16At(p, 6);
    }
    if (object.brush.style != kBsNull && object.brush.style != kBsHatched) object.brush.style = kBsSolid;
    Create(std::move(object));
  }

  void CreateDibPatternBrush(BytesView p) {
    Object object;
    object.kind = Object::Kind::Brush;
    object.brush.style = kBsNull;
    if (p.size() >= 4) {
      if (auto dib = DecodeDib(p.substr(4))) {
        object.brush.style = 3;  // BS_PATTERN
        object.brush.pattern = ToImage(*dib);
      }
    }
    Create(std::move(object));
  }

  // A device-dependent pattern: only the monochrome kind is drawn, bits
  // set in white and clear in black.
  void CreatePatternBrush(BytesView p) {
    Object object;
    object.kind = Object::Kind::Brush;
    object.brush.style = kBsSolid;
    object.brush.color = Qt::gray;
    if (p.size() >= 32) {
      const int width = I16At(p, 2), height = I16At(p, 4), stride = I16At(p, 6);
      const int planes = ByteAt(p, 8), bits = ByteAt(p, 9);
      if (planes == 1 && bits == 1 && width > 0 && height > 0 && width <= 256 && height <= 256 && stride * 8 >= width &&
          Fits(p, 32, static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(height))) {
        QImage image(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
          for (int x = 0; x < width; ++x) {
            const bool set = ByteAt(p, 32 + static_cast<std::size_t>(y * stride + x / 8)) >> (7 - x % 8) & 1;
            image.setPixel(x, y, set ? 0xFFFFFFFFu : 0xFF000000u);
          }
        }
        object.brush.style = 3;
        object.brush.pattern = image;
      }
    }
    Create(std::move(object));
  }

  void CreateFont(BytesView p) {
    Object object;
    object.kind = Object::Kind::Font;
    if (p.size() >= 18) {
      Font& font = object.font;
      font.height = I16At(p, 0);
      font.width = I16At(p, 2);
      font.escapement = I16At(p, 4);
      font.weight = I16At(p, 8);
      font.italic = ByteAt(p, 10) != 0;
      font.underline = ByteAt(p, 11) != 0;
      font.strikeout = ByteAt(p, 12) != 0;
      BytesView face = p.substr(18, 32);
      face = face.substr(0, face.find('\0'));
      const std::string utf8 = platform::Cp932ToUtf8(face);
      if (!utf8.empty()) font.family = QString::fromStdString(std::string(pictures::SubstituteFontFamily(utf8)));
    }
    Create(std::move(object));
  }

  // A region object: scans of left/right pairs between a top and a bottom.
  void CreateRegion(BytesView p) {
    Object object;
    object.kind = Object::Kind::Region;
    const pictures::WmfRegion region = pictures::ReadWmfRegion(p);
    std::vector<QRect> rects;
    for (const PixelRect& r : region.rects) rects.emplace_back(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    if (region.banded) {
      // Already as QRegion keeps its rectangles: set at once.
      object.region.setRects(rects.data(), static_cast<int>(rects.size()));
    } else {
      for (const QRect& r : rects) object.region += r;
    }
    Create(std::move(object));
  }

  void SelectObject(std::size_t index) {
    Object* object = ObjectAt(index);
    if (!object) return;
    switch (object->kind) {
      case Object::Kind::Pen:
        dc_.pen = object->pen;
        break;
      case Object::Kind::Brush:
        dc_.brush = object->brush;
        break;
      case Object::Kind::Font:
        dc_.font = object->font;
        break;
      case Object::Kind::Region:
        dc_.clip = object->region;
        break;
      case Object::Kind::Other:
        break;
    }
  }

  // ---- Ink

  struct Ink {
    bool draws = true;
    QColor color;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
  };

  // The colour a pen or brush leaves under the current mix mode. Modes
  // that combine with what is underneath are done as Qt's raster
  // operations; those have nothing to combine with where the picture is
  // still transparent.
  Ink InkFor(const QColor& color) const {
    Ink ink{true, color};
    switch (dc_.rop2) {
      case kR2Black:
        ink.color = Qt::black;
        break;
      case kR2White:
        ink.color = Qt::white;
        break;
      case kR2NotCopyPen:
        ink.color = QColor(255 - color.red(), 255 - color.green(), 255 - color.blue());
        break;
      case kR2Nop:
        ink.draws = false;
        break;
      case kR2Not:
        ink.mode = QPainter::RasterOp_NotDestination;
        break;
      case kR2XorPen:
        ink.mode = QPainter::RasterOp_SourceXorDestination;
        break;
      default:
        break;
    }
    return ink;
  }

  void ApplyClip() {
    painter_.setTransform(base_transform_);
    if (dc_.clip) {
      painter_.setClipRegion(*dc_.clip);
    } else {
      painter_.setClipping(false);
    }
  }

  bool HasPen() const { return (dc_.pen.style & 0x0F) != kPsNull && InkFor(dc_.pen.color).draws; }
  bool HasBrush() const { return dc_.brush.style != kBsNull && InkFor(dc_.brush.color).draws; }

  int PenPixels() const {
    if (dc_.pen.width <= 0) return 1;
    return std::max(1, static_cast<int>(std::lround(std::min(DeviceLength(dc_.pen.width, false), 1e4))));
  }

  QPen QtPen() const {
    const Ink ink = InkFor(dc_.pen.color);
    const int width = PenPixels();
    QPen pen(ink.color, width);
    const int style = dc_.pen.style & 0x0F;
    // Styled lines are cosmetic: GDI draws wider ones solid. Their lengths
    // are in pixels.
    if (width == 1 && style >= kPsDash && style <= kPsDashDotDot) {
      static const QList<qreal> kDash{18, 6}, kDot{3, 3}, kDashDot{9, 6, 3, 6}, kDashDotDot{9, 3, 3, 3, 3, 3};
      pen.setDashPattern(style == kPsDash ? kDash : style == kPsDot ? kDot : style == kPsDashDot ? kDashDot : kDashDotDot);
    }
    if (width == 1) {
      pen.setCapStyle(Qt::FlatCap);  // as GDI, the last pixel of a line is left out
      pen.setJoinStyle(Qt::MiterJoin);
    } else {
      const int cap = dc_.pen.style & 0x0F00, join = dc_.pen.style & 0xF000;
      pen.setCapStyle(cap == 0x100 ? Qt::SquareCap : cap == 0x200 ? Qt::FlatCap : Qt::RoundCap);
      pen.setJoinStyle(join == 0x1000 ? Qt::BevelJoin : join == 0x2000 ? Qt::MiterJoin : Qt::RoundJoin);
    }
    return pen;
  }

  QBrush QtBrush() const {
    const Ink ink = InkFor(dc_.brush.color);
    switch (dc_.brush.style) {
      case kBsHatched: {
        static constexpr Qt::BrushStyle kHatches[6] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                       Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(ink.color, kHatches[std::min(dc_.brush.hatch, 5)]);
      }
      case 3:
        return dc_.brush.pattern.isNull() ? QBrush(ink.color) : QBrush(dc_.brush.pattern);
      default:
        return QBrush(ink.color);
    }
  }

  // Sets the painter for the pen (with_pen) and the brush (with_brush).
  void Prepare(bool with_pen, bool with_brush) {
    ApplyClip();
    painter_.setPen(with_pen ? QtPen() : QPen(Qt::NoPen));
    painter_.setBrush(with_brush ? QtBrush() : QBrush(Qt::NoBrush));
    // Hatch gaps and the gaps of styled lines show the background colour
    // in OPAQUE mode, as in GDI.
    painter_.setBackgroundMode(dc_.background_opaque ? Qt::OpaqueMode : Qt::TransparentMode);
    painter_.setBackground(QBrush(dc_.background));
    const Ink ink = InkFor(with_pen ? dc_.pen.color : dc_.brush.color);
    painter_.setCompositionMode(ink.mode);
  }

  // Fills then outlines `path`; the fill and the pen may be drawn with
  // different mix modes.
  void FillAndStroke(const QPainterPath& fill, const QPainterPath& outline) {
    if (HasBrush() && Paint(AreaShown(fill.boundingRect()))) {
      Prepare(false, true);
      painter_.drawPath(fill);
    }
    if (HasPen() && Paint(OutlineShown(outline))) {
      Prepare(true, false);
      painter_.drawPath(outline);
    }
  }

  // ---- What drawing costs

  // The pixels of `box` (device pixels) inside the shown corner.
  std::int64_t AreaShown(const QRectF& box) const {
    const QRectF r = box.normalized().intersected(shown_);
    return static_cast<std::int64_t>(std::ceil(r.width()) * std::ceil(r.height()));
  }

  // Roughly the pixels the pen paints along `path` in the shown corner,
  // each counted as 32: a pixel of a styled line costs Qt about as much as
  // 32 of a fill.
  std::int64_t OutlineShown(const QPainterPath& path) const {
    double length = 0;
    for (int i = 1; i < path.elementCount(); ++i) {
      const QRectF segment =
          QRectF(QPointF(path.elementAt(i - 1)), QPointF(path.elementAt(i))).normalized().adjusted(-1, -1, 1, 1);
      const QRectF r = segment.intersected(shown_);
      length += r.width() + r.height();
    }
    return 32 * (static_cast<std::int64_t>(length) * PenPixels() + path.elementCount());
  }

  // Spends `pixels` of the picture's painting budget. Once it is spent
  // the rest of the picture is not drawn.
  bool Paint(std::int64_t pixels) {
    if (!budget_.SpendPainting(pixels)) stopped_ = true;
    return !stopped_;
  }

  // ---- Shapes

  // A rectangle or ellipse box. The pen is centred on the edge pixels of
  // the box, or inside it for PS_INSIDEFRAME; with no pen the filled area
  // loses its last row and column as well.
  QRectF OutlineBox(const QRect& box) const {
    // Through the centres of the edge pixels: Qt's aliased stroker puts
    // straight edges on whole coordinates to their right, curves not.
    QRectF r(box.left() + 0.5, box.top() + 0.5, box.width() - 1, box.height() - 1);
    const int width = PenPixels();
    if ((dc_.pen.style & 0x0F) == kPsInsideFrame && width > 1) {
      const double inset = (width - 1) / 2.0;
      r.adjust(inset, inset, -inset, -inset);
    }
    return r;
  }

  // Curves are filled up to their outline, which covers the edge pixels.
  QRectF FillBox(const QRect& box, bool curved) const {
    if (!HasPen()) return QRectF(box.left(), box.top(), box.width() - 1, box.height() - 1);
    if (curved) return QRectF(box.left() + 0.5, box.top() + 0.5, box.width() - 1, box.height() - 1);
    return QRectF(box.left(), box.top(), box.width(), box.height());
  }

  void Rectangle(BytesView p) {
    if (p.size() < 8) return;
    const QRect box = DeviceBox(I16At(p, 6), I16At(p, 4), I16At(p, 2), I16At(p, 0));
    if (box.width() <= 0 || box.height() <= 0) return;
    QPainterPath fill, outline;
    fill.addRect(FillBox(box, false));
    outline.addRect(OutlineBox(box));
    FillAndStroke(fill, outline);
  }

  void RoundRect(BytesView p) {
    if (p.size() < 12) return;
    const QRect box = DeviceBox(I16At(p, 10), I16At(p, 8), I16At(p, 6), I16At(p, 4));
    if (box.width() <= 0 || box.height() <= 0) return;
    const double rx = DeviceLength(I16At(p, 2), false) / 2, ry = DeviceLength(I16At(p, 0), true) / 2;
    QPainterPath fill, outline;
    fill.addRoundedRect(FillBox(box, true), rx, ry);
    outline.addRoundedRect(OutlineBox(box), rx, ry);
    FillAndStroke(fill, outline);
  }

  void Ellipse(BytesView p) {
    if (p.size() < 8) return;
    const QRect box = DeviceBox(I16At(p, 6), I16At(p, 4), I16At(p, 2), I16At(p, 0));
    if (box.width() <= 0 || box.height() <= 0) return;
    QPainterPath fill, outline;
    fill.addEllipse(FillBox(box, true));
    outline.addEllipse(OutlineBox(box));
    FillAndStroke(fill, outline);
  }

  // Arc, pie and chord: from the start radial counter-clockwise to the end
  // radial of the ellipse in the box; equal radials make a whole ellipse.
  void ArcFamily(std::uint16_t function, BytesView p) {
    if (p.size() < 16) return;
    const QRect box = DeviceBox(I16At(p, 14), I16At(p, 12), I16At(p, 10), I16At(p, 8));
    if (box.width() <= 0 || box.height() <= 0) return;
    const QRectF r = OutlineBox(box);
    const QPointF start = Device(I16At(p, 6), I16At(p, 4)), end = Device(I16At(p, 2), I16At(p, 0));
    const QPointF centre = r.center();
    const double rx = std::max(r.width() / 2, 0.5), ry = std::max(r.height() / 2, 0.5);
    // Qt's angles on an ellipse are those of the circle it is stretched from.
    const auto angle = [&](const QPointF& q) {
      return std::atan2(-(q.y() - centre.y()) / ry, (q.x() - centre.x()) / rx) * 180 / std::numbers::pi;
    };
    const double a0 = angle(start);
    double span = angle(end) - a0;
    while (span <= 0) span += 360;
    while (span > 360) span -= 360;
    QPainterPath path;
    if (function == kPie) {
      path.moveTo(centre);
    } else {
      path.arcMoveTo(r, a0);
    }
    path.arcTo(r, a0, span);
    if (function == kArc) {
      if (HasPen() && Paint(OutlineShown(path))) {
        Prepare(true, false);
        painter_.drawPath(path);
      }
      return;
    }
    path.closeSubpath();
    FillAndStroke(path, path);
  }

  QPolygonF Points(BytesView p, std::size_t at, std::size_t count) const {
    QPolygonF polygon;
    for (std::size_t i = 0; i < count; ++i) {
      polygon << QPointF(DevicePixel(I16At(p, at + 4 * i), I16At(p, at + 4 * i + 2)));
    }
    return polygon;
  }

  void Poly(std::uint16_t function, BytesView p) {
    if (p.size() < 2) return;
    const std::size_t count = std::min<std::size_t>(U16At(p, 0), (p.size() - 2) / 4);
    const QPolygonF points = Points(p, 2, count);
    if (points.isEmpty()) return;
    if (function == kPolyline) {
      QPainterPath line;
      line.addPolygon(points);
      if (!HasPen() || !Paint(OutlineShown(line))) return;
      Prepare(true, false);
      painter_.drawPolyline(points);
      return;
    }
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    path.setFillRule(dc_.winding ? Qt::WindingFill : Qt::OddEvenFill);
    FillAndStroke(path, path);
  }

  void PolyPolygon(BytesView p) {
    if (p.size() < 2) return;
    const std::size_t polygons = U16At(p, 0);
    if (!Fits(p, 2, polygons * 2)) return;
    QPainterPath path;
    path.setFillRule(dc_.winding ? Qt::WindingFill : Qt::OddEvenFill);
    std::size_t at = 2 + polygons * 2;
    for (std::size_t i = 0; i < polygons; ++i) {
      const std::size_t count = U16At(p, 2 + 2 * i);
      if (!Fits(p, at, count * 4)) return;
      path.addPolygon(Points(p, at, count));
      path.closeSubpath();
      at += count * 4;
    }
    FillAndStroke(path, path);
  }

  void LineTo(BytesView p) {
    if (p.size() < 4) return;
    const double x = I16At(p, 2), y = I16At(p, 0);
    QPainterPath line(DevicePixel(dc_.position_x, dc_.position_y));
    line.lineTo(DevicePixel(x, y));
    if (HasPen() && Paint(OutlineShown(line))) {
      Prepare(true, false);
      painter_.drawLine(line.elementAt(0), line.elementAt(1));
    }
    dc_.position_x = x;
    dc_.position_y = y;
  }

  void SetPixel(BytesView p) {
    if (p.size() < 8) return;
    ApplyClip();
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_.fillRect(QRect(DevicePixel(I16At(p, 6), I16At(p, 4)), QSize(1, 1)), ColorRef(p, 0));
  }

  // ---- Clipping

  QRegion Everything() const { return QRegion(-100000, -100000, 200000 + size_.width(), 200000 + size_.height()); }

  void ClipRect(bool intersect, BytesView p) {
    if (p.size() < 8) return;
    const QRect box = DeviceBox(I16At(p, 6), I16At(p, 4), I16At(p, 2), I16At(p, 0));
    const QRegion rect = box.isValid() ? QRegion(box) : QRegion();
    if (intersect) {
      dc_.clip = dc_.clip ? dc_.clip->intersected(rect) : rect;
    } else {
      dc_.clip = (dc_.clip ? *dc_.clip : Everything()).subtracted(rect);
    }
  }

  // ---- Text

  QFont QtFont() const {
    QFont font(dc_.font.family);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferMatch));
    const int h = dc_.font.height;
    if (h < 0) {
      font.setPixelSize(std::clamp(static_cast<int>(std::lround(DeviceLength(-h, true))), 1, 4000));
    } else {
      // A positive height is the whole cell, ascent and descent together.
      const double cell = h == 0 ? 16 : std::clamp(DeviceLength(h, true), 1.0, 4000.0);
      font.setPixelSize(std::max(1, static_cast<int>(std::lround(cell))));
      const QFontMetricsF metrics(font);
      const double total = metrics.ascent() + metrics.descent();
      if (total > 0) font.setPixelSize(std::max(1, static_cast<int>(std::lround(cell * cell / total))));
    }
    if (dc_.font.weight > 0) font.setWeight(QFont::Weight(std::clamp(dc_.font.weight, 1, 1000)));
    font.setItalic(dc_.font.italic);
    font.setUnderline(dc_.font.underline);
    font.setStrikeOut(dc_.font.strikeout);
    if (dc_.font.width != 0) {
      // lfWidth is the average character width: half the height in the
      // Japanese fonts these files name.
      const double average = font.pixelSize() / 2.0;
      const double wanted = DeviceLength(std::abs(dc_.font.width), false);
      font.setStretch(std::clamp(static_cast<int>(std::lround(wanted / average * 100)), 1, 4000));
    }
    return font;
  }

  // TEXTOUT and EXTTEXTOUT: code page 932 text at a logical point, placed
  // by the text alignment, with its own advances (dx, logical) if given.
  void Text(double x, double y, BytesView bytes, const std::vector<int>& dx, std::uint16_t options,
            std::optional<QRect> rect) {
    ApplyClip();
    const QFont font = QtFont();
    const QFontMetricsF metrics(font);
    const bool update_cp = dc_.text_align & kTaUpdateCp;
    if (update_cp) {
      x = dc_.position_x;
      y = dc_.position_y;
    }

    // Characters, each with its advance in pixels.
    std::vector<std::pair<QString, double>> glyphs;
    double width = 0;
    for (std::size_t i = 0; i < bytes.size();) {
      const std::size_t n =
          platform::IsCp932LeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
      const QString text = Cp932(bytes.substr(i, n));
      double advance = 0;
      if (!dx.empty()) {
        for (std::size_t k = i; k < i + n && k < dx.size(); ++k) advance += dx[k];
        advance = DeviceLength(advance, false);
      } else {
        advance = metrics.horizontalAdvance(text) + DeviceLength(dc_.char_extra, false);
      }
      glyphs.emplace_back(text, advance);
      width += advance;
      i += n;
    }

    const QPointF origin = Device(x, y);
    const std::uint16_t align = dc_.text_align;
    double left = 0;
    if ((align & kTaCenter) == kTaCenter) {
      left = -width / 2;
    } else if (align & kTaRight) {
      left = -width;
    }
    double baseline = 0;
    if ((align & kTaBaseline) == kTaBaseline) {
      baseline = 0;
    } else if (align & kTaBottom) {
      baseline = -metrics.descent();
    } else {
      baseline = metrics.ascent();
    }

    if ((options & kEtoOpaque) && rect) {
      painter_.fillRect(*rect, dc_.background);
    }
    if ((options & kEtoClipped) && rect) {
      painter_.setClipRegion(dc_.clip ? dc_.clip->intersected(*rect) : QRegion(*rect));
    }
    QTransform at = base_transform_;
    at.translate(std::round(origin.x()), std::round(origin.y()));
    if (dc_.font.escapement != 0) at.rotate(-dc_.font.escapement / 10.0);
    const QRectF box(left, baseline - metrics.ascent(), width, metrics.ascent() + metrics.descent());
    if (!Paint(AreaShown(at.mapRect(box)) + static_cast<std::int64_t>(glyphs.size()))) return;
    painter_.setTransform(at);
    if (dc_.background_opaque) {
      painter_.fillRect(QRectF(left, baseline - metrics.ascent(), width, metrics.ascent() + metrics.descent()),
                        dc_.background);
    }
    painter_.setFont(font);
    painter_.setPen(dc_.text_color);
    painter_.setBackgroundMode(Qt::TransparentMode);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    double pen_x = left;
    for (const auto& [text, advance] : glyphs) {
      painter_.drawText(QPointF(std::round(pen_x), std::round(baseline)), text);
      pen_x += advance;
    }
    painter_.setTransform(base_transform_);

    if (update_cp) {
      double sx = 1, sy = 1;
      Scale(sx, sy);
      const double logical = sx != 0 ? width / std::abs(sx) : 0;
      if ((align & kTaCenter) != kTaCenter) dc_.position_x += (align & kTaRight) ? -logical : logical;
    }
  }

  void TextOut(BytesView p) {
    if (p.size() < 2) return;
    const std::size_t count = U16At(p, 0);
    const std::size_t padded = (count + 1) & ~std::size_t{1};
    if (!Fits(p, 2, padded + 4)) return;
    Text(I16At(p, 2 + padded + 2), I16At(p, 2 + padded), p.substr(2, count), {}, 0, std::nullopt);
  }

  void ExtTextOut(BytesView p) {
    if (p.size() < 8) return;
    const double y = I16At(p, 0), x = I16At(p, 2);
    const std::size_t count = U16At(p, 4);
    const std::uint16_t options = U16At(p, 6);
    std::size_t at = 8;
    std::optional<QRect> rect;
    if (options & (kEtoOpaque | kEtoClipped)) {
      if (!Fits(p, at, 8)) return;
      rect = DeviceBox(I16At(p, at), I16At(p, at + 2), I16At(p, at + 4), I16At(p, at + 6));
      at += 8;
    }
    if (!Fits(p, at, count)) return;
    const BytesView text = p.substr(at, count);
    at += (count + 1) & ~std::size_t{1};
    std::vector<int> dx;
    if (Fits(p, at, count * 2)) {
      for (std::size_t i = 0; i < count; ++i) dx.push_back(I16At(p, at + 2 * i));
    }
    Text(x, y, text, dx, options, rect);
  }

  // ---- Bitmaps

  // Decoded within the picture's budget of bitmap pixels (which the file
  // was checked against when it was loaded).
  std::optional<pictures::DibImage> DecodeDib(BytesView packed) {
    auto dib = pictures::DecodePackedDib(packed, budget_.PixelsLeft());
    if (dib) budget_.SpendPixels(static_cast<std::int64_t>(dib->pixels.size()));
    return dib;
  }

  static QImage ToImage(const pictures::DibImage& dib) {
    QImage image(dib.width, dib.height, QImage::Format_ARGB32);
    for (int y = 0; y < dib.height; ++y) {
      std::copy_n(dib.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(dib.width), dib.width,
                  reinterpret_cast<std::uint32_t*>(image.scanLine(y)));
    }
    return image;
  }

  // Draws source rectangle (sx, sy, sw, sh) of a packed DIB into the
  // logical destination rectangle. Rows of the source count from the
  // bitmap's bottom for the DIB calls (from_bottom), from its top for the
  // blits that recorded a device bitmap.
  void Blit(BytesView dib, double x, double y, double w, double h, int sx, int sy, int sw, int sh, std::uint32_t rop,
            bool from_bottom) {
    auto decoded = DecodeDib(dib);
    if (!decoded || sw == 0 || sh == 0) return;
    // Drawn from the decoded pixels where they lie, not copied.
    QImage image(reinterpret_cast<uchar*>(decoded->pixels.data()), decoded->width, decoded->height,
                 static_cast<qsizetype>(decoded->width) * 4, QImage::Format_ARGB32);
    if (from_bottom && decoded->bottom_up) sy = decoded->height - sy - sh;
    const QPointF a = Device(x, y), b = Device(x + w, y + h);
    QRectF target(QPointF(std::round(a.x()), std::round(a.y())), QPointF(std::round(b.x()), std::round(b.y())));
    // Negative extents on either side mirror the bitmap.
    const bool mirror_x = (target.width() < 0) != (sw < 0), mirror_y = (target.height() < 0) != (sh < 0);
    target = target.normalized();
    QRectF source(sw < 0 ? sx + sw : sx, sh < 0 ? sy + sh : sy, std::abs(sw), std::abs(sh));
    if (mirror_x || mirror_y) {
      image = image.mirrored(mirror_x, mirror_y);
      source.moveLeft(mirror_x ? image.width() - source.right() : source.left());
      source.moveTop(mirror_y ? image.height() - source.bottom() : source.top());
    }
    if (rop == kNotSrcCopy) image.invertPixels(QImage::InvertRgb);
    ApplyClip();
    painter_.setCompositionMode(rop == kSrcPaint    ? QPainter::RasterOp_SourceOrDestination
                                : rop == kSrcAnd    ? QPainter::RasterOp_SourceAndDestination
                                : rop == kSrcInvert ? QPainter::RasterOp_SourceXorDestination
                                                    : QPainter::CompositionMode_SourceOver);
    if (!Paint(AreaShown(target))) return;
    painter_.drawImage(target, image, source);
  }

  // A blit without a source: the brush, black, white or an inversion.
  void PatternBlit(double x, double y, double w, double h, std::uint32_t rop) {
    const QPointF a = Device(x, y), b = Device(x + w, y + h);
    const QRectF target =
        QRectF(QPointF(std::round(a.x()), std::round(a.y())), QPointF(std::round(b.x()), std::round(b.y()))).normalized();
    if (!Paint(AreaShown(target))) return;
    ApplyClip();
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_.setBackgroundMode(dc_.background_opaque ? Qt::OpaqueMode : Qt::TransparentMode);
    painter_.setBackground(QBrush(dc_.background));
    switch (rop) {
      case kPatCopy:
        if (dc_.brush.style != kBsNull) painter_.fillRect(target, QtBrush());
        break;
      case kPatInvert:
        painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        if (dc_.brush.style != kBsNull) painter_.fillRect(target, QtBrush());
        break;
      case kDstInvert:
        painter_.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter_.fillRect(target, Qt::black);
        break;
      case kBlackness:
        painter_.fillRect(target, Qt::black);
        break;
      case kWhiteness:
        painter_.fillRect(target, Qt::white);
        break;
      default:
        break;
    }
  }

  void StretchDib(BytesView p) {
    if (p.size() < 22) return;
    Blit(p.substr(22), I16At(p, 20), I16At(p, 18), I16At(p, 16), I16At(p, 14), I16At(p, 12), I16At(p, 10),
         I16At(p, 8), I16At(p, 6), U32At(p, 0), true);
  }

  void DibStretchBlt(BytesView p) {
    if (p.size() == 22) {  // no bitmap: a reserved word, then the destination
      PatternBlit(I16At(p, 20), I16At(p, 18), I16At(p, 16), I16At(p, 14), U32At(p, 0));
      return;
    }
    if (p.size() < 20) return;
    Blit(p.substr(20), I16At(p, 18), I16At(p, 16), I16At(p, 14), I16At(p, 12), I16At(p, 10), I16At(p, 8),
         I16At(p, 6), I16At(p, 4), U32At(p, 0), false);
  }

  void DibBitBlt(BytesView p) {
    if (p.size() == 18) {
      PatternBlit(I16At(p, 16), I16At(p, 14), I16At(p, 12), I16At(p, 10), U32At(p, 0));
      return;
    }
    if (p.size() < 16) return;
    const int w = I16At(p, 10), h = I16At(p, 8);
    Blit(p.substr(16), I16At(p, 14), I16At(p, 12), w, h, I16At(p, 6), I16At(p, 4), w, h, U32At(p, 0), false);
  }

  void SetDibToDev(BytesView p) {
    if (p.size() < 18) return;
    const int w = I16At(p, 12), h = I16At(p, 10);
    Blit(p.substr(18), I16At(p, 16), I16At(p, 14), w, h, I16At(p, 8), I16At(p, 6), w, h, kSrcCopy, true);
  }

  void PatBlt(BytesView p) {
    if (p.size() < 12) return;
    PatternBlit(I16At(p, 10), I16At(p, 8), I16At(p, 6), I16At(p, 4), U32At(p, 0));
  }

  void FillRegion(const QRegion& region, const Brush& brush) {
    const Brush saved = dc_.brush;
    dc_.brush = brush;
    if (HasBrush() && Paint(AreaShown(region.boundingRect()) + region.rectCount())) {
      Prepare(false, true);
      for (const QRect& r : region) painter_.fillRect(r, QtBrush());
    }
    dc_.brush = saved;
  }

  // ---- Records

  static void Extent(BytesView p, double& x, double& y) {
    // Windows refuses a zero extent and keeps the old one.
    if (I16At(p, 0) != 0 && I16At(p, 2) != 0) {
      y = I16At(p, 0);
      x = I16At(p, 2);
    }
  }

  void Record(std::uint16_t function, BytesView p) {
    switch (function) {
      case kSaveDc:
        saved_.push_back(dc_);
        return;
      case kRestoreDc: {
        if (p.size() < 2) return;
        const int level = I16At(p, 0);
        // Negative: that many states back; positive: the n-th state saved.
        const std::int64_t keep = level < 0 ? static_cast<std::int64_t>(saved_.size()) + level : level - 1;
        if (keep < 0 || keep >= static_cast<std::int64_t>(saved_.size())) return;
        dc_ = saved_[static_cast<std::size_t>(keep)];
        saved_.resize(static_cast<std::size_t>(keep));
        return;
      }
      case kSetBkColor:
        if (p.size() >= 4) dc_.background = ColorRef(p, 0);
        return;
      case kSetTextColor:
        if (p.size() >= 4) dc_.text_color = ColorRef(p, 0);
        return;
      case kSetBkMode:
        if (p.size() >= 2) dc_.background_opaque = U16At(p, 0) == 2;
        return;
      case kSetMapMode:
        if (p.size() >= 2 && U16At(p, 0) >= kMmText && U16At(p, 0) <= kMmAnisotropic) dc_.map_mode = U16At(p, 0);
        return;
      case kSetRop2:
        if (p.size() >= 2) dc_.rop2 = U16At(p, 0);
        return;
      case kSetPolyFillMode:
        if (p.size() >= 2) dc_.winding = U16At(p, 0) == 2;
        return;
      case kSetTextAlign:
        if (p.size() >= 2) dc_.text_align = U16At(p, 0);
        return;
      case kSetTextCharExtra:
        if (p.size() >= 2) dc_.char_extra = I16At(p, 0);
        return;
      case kSetWindowOrg:
        if (p.size() < 4) return;
        dc_.window_org_y = I16At(p, 0);
        dc_.window_org_x = I16At(p, 2);
        return;
      case kSetWindowExt:
        if (p.size() >= 4) Extent(p, dc_.window_ext_x, dc_.window_ext_y);
        return;
      case kSetViewportOrg:
        if (p.size() < 4) return;
        dc_.viewport_org_y = I16At(p, 0);
        dc_.viewport_org_x = I16At(p, 2);
        return;
      case kSetViewportExt:
        if (p.size() >= 4) Extent(p, dc_.viewport_ext_x, dc_.viewport_ext_y);
        return;
      case kOffsetWindowOrg:
        if (p.size() < 4) return;
        dc_.window_org_y += I16At(p, 0);
        dc_.window_org_x += I16At(p, 2);
        return;
      case kOffsetViewportOrg:
        if (p.size() < 4) return;
        dc_.viewport_org_y += I16At(p, 0);
        dc_.viewport_org_x += I16At(p, 2);
        return;
      case kScaleWindowExt:
      case kScaleViewportExt: {
        if (p.size() < 8) return;
        const int y_den = I16At(p, 0), y_num = I16At(p, 2), x_den = I16At(p, 4), x_num = I16At(p, 6);
        if (y_den == 0 || x_den == 0 || y_num == 0 || x_num == 0) return;
        double& ex = function == kScaleWindowExt ? dc_.window_ext_x : dc_.viewport_ext_x;
        double& ey = function == kScaleWindowExt ? dc_.window_ext_y : dc_.viewport_ext_y;
        ex = ex * x_num / x_den;
        ey = ey * y_num / y_den;
        return;
      }
      case kMoveTo:
        if (p.size() < 4) return;
        dc_.position_y = I16At(p, 0);
        dc_.position_x = I16At(p, 2);
        return;
      case kLineTo:
        LineTo(p);
        return;
      case kRectangle:
        Rectangle(p);
        return;
      case kRoundRect:
        RoundRect(p);
        return;
      case kEllipse:
        Ellipse(p);
        return;
      case kArc:
      case kPie:
      case kChord:
        ArcFamily(function, p);
        return;
      case kPolygon:
      case kPolyline:
        Poly(function, p);
        return;
      case kPolyPolygon:
        PolyPolygon(p);
        return;
      case kSetPixel:
        SetPixel(p);
        return;
      case kTextOut:
        TextOut(p);
        return;
      case kExtTextOut:
        ExtTextOut(p);
        return;
      case kStretchDib:
        StretchDib(p);
        return;
      case kDibStretchBlt:
        DibStretchBlt(p);
        return;
      case kDibBitBlt:
        DibBitBlt(p);
        return;
      case kSetDibToDev:
        SetDibToDev(p);
        return;
      case kPatBlt:
        PatBlt(p);
        return;
      case kIntersectClipRect:
      case kExcludeClipRect:
        ClipRect(function == kIntersectClipRect, p);
        return;
      case kOffsetClipRgn:
        if (p.size() >= 4 && dc_.clip) {
          double sx = 1, sy = 1;
          Scale(sx, sy);
          dc_.clip->translate(static_cast<int>(std::lround(I16At(p, 2) * sx)),
                              static_cast<int>(std::lround(I16At(p, 0) * sy)));
        }
        return;
      case kSelectClipRegion: {
        // A region object becomes the clipping region; anything else (the
        // recorded NULL) removes it.
        const Object* object = p.size() >= 2 ? ObjectAt(U16At(p, 0)) : nullptr;
        if (object && object->kind == Object::Kind::Region) {
          dc_.clip = object->region;
        } else {
          dc_.clip.reset();
        }
        return;
      }
      case kFillRegion:
        if (p.size() >= 4) {
          const Object* region = ObjectAt(U16At(p, 0));
          const Object* brush = ObjectAt(U16At(p, 2));
          if (region && brush && region->kind == Object::Kind::Region && brush->kind == Object::Kind::Brush) {
            FillRegion(region->region, brush->brush);
          }
        }
        return;
      case kPaintRegion:
        if (p.size() >= 2) {
          const Object* region = ObjectAt(U16At(p, 0));
          if (region && region->kind == Object::Kind::Region) FillRegion(region->region, dc_.brush);
        }
        return;
      case kSelectObject:
        if (p.size() >= 2) SelectObject(U16At(p, 0));
        return;
      case kDeleteObject:
        // The DC keeps using a selected object; only the slot is freed.
        if (p.size() >= 2 && slots_.Free(U16At(p, 0))) objects_[U16At(p, 0)].reset();
        return;
      case kCreatePenIndirect:
        CreatePen(p);
        return;
      case kCreateBrushIndirect:
        CreateBrush(p);
        return;
      case kCreateFontIndirect:
        CreateFont(p);
        return;
      case kDibCreatePatternBrush:
        CreateDibPatternBrush(p);
        return;
      case kCreatePatternBrush:
        CreatePatternBrush(p);
        return;
      case kCreateRegion:
        CreateRegion(p);
        return;
      case kCreatePalette:
        Create(Object());
        return;
      default:
        // Palettes, escapes, flood fills and the rest draw nothing here.
        return;
    }
  }

  QPainter& painter_;
  QSize size_;
  QTransform base_transform_;
  Dc dc_;
  std::vector<Dc> saved_;
  pictures::ObjectSlots slots_;
  std::vector<std::optional<Object>> objects_;  // by slot, as far as the highest taken
  pictures::PictureBudget budget_;
  QRectF shown_;          // the part of the device that can be painted
  bool stopped_ = false;  // the painting budget is spent
};

}  // namespace

void PlayWindowsMetafile(QPainter& painter, BytesView file, QSize size) {
  const auto metafile = pictures::ReadWindowsMetafile(file);
  if (!metafile) return;
  Player(painter, size).Play(*metafile);
}

QImage RenderWindowsMetafile(const Picture& picture) {
  const QSize whole(picture.Width, picture.Height);
  ShownCanvas canvas(whole, ShownSize(picture));
  if (picture.MetafileBytes) {
    const auto painter = canvas.Painter();
    if (painter->isActive()) PlayWindowsMetafile(*painter, *picture.MetafileBytes, whole);
  }
  return canvas.Shown(QImage::Format_ARGB32);
}

}  // namespace torvane::qt
