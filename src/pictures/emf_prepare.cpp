#include "pictures/emf_prepare.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>

#include "pictures/dib.hpp"
#include "pictures/font_names.hpp"
#include "pictures/picture_budget.hpp"
#include "platform/little_endian.hpp"
#include "pictures/picture.hpp"
#include "platform/cp932.hpp"

namespace torvane::pictures {
namespace {

// EMR record types.
enum : std::uint32_t {
  kEmrHeader = 1,
  kEmrPolyBezier = 2,
  kEmrPolygon = 3,
  kEmrPolyline = 4,
  kEmrPolyBezierTo = 5,
  kEmrPolylineTo = 6,
  kEmrPolyPolyline = 7,
  kEmrPolyPolygon = 8,
  kEmrSetWindowExtEx = 9,
  kEmrSetWindowOrgEx = 10,
  kEmrSetViewportExtEx = 11,
  kEmrSetViewportOrgEx = 12,
  kEmrEof = 14,
  kEmrSetPixelV = 15,
  kEmrSetMapMode = 17,
  kEmrSetBkMode = 18,
  kEmrSetPolyFillMode = 19,
  kEmrSetRop2 = 20,
  kEmrSetTextAlign = 22,
  kEmrSetTextColor = 24,
  kEmrSetBkColor = 25,
  kEmrMoveToEx = 27,
  kEmrExcludeClipRect = 29,
  kEmrIntersectClipRect = 30,
  kEmrScaleViewportExtEx = 31,
  kEmrScaleWindowExtEx = 32,
  kEmrSaveDc = 33,
  kEmrRestoreDc = 34,
  kEmrSetWorldTransform = 35,
  kEmrModifyWorldTransform = 36,
  kEmrSelectObject = 37,
  kEmrCreatePen = 38,
  kEmrCreateBrushIndirect = 39,
  kEmrDeleteObject = 40,
  kEmrAngleArc = 41,
  kEmrEllipse = 42,
  kEmrRectangle = 43,
  kEmrRoundRect = 44,
  kEmrArc = 45,
  kEmrChord = 46,
  kEmrPie = 47,
  kEmrLineTo = 54,
  kEmrArcTo = 55,
  kEmrPolyDraw = 56,
  kEmrSetArcDirection = 57,
  kEmrSetMiterLimit = 58,
  kEmrBeginPath = 59,
  kEmrEndPath = 60,
  kEmrCloseFigure = 61,
  kEmrFillPath = 62,
  kEmrStrokeAndFillPath = 63,
  kEmrStrokePath = 64,
  kEmrFlattenPath = 65,
  kEmrWidenPath = 66,
  kEmrAbortPath = 68,
  kEmrFillRgn = 71,
  kEmrFrameRgn = 72,
  kEmrInvertRgn = 73,
  kEmrPaintRgn = 74,
  kEmrExtSelectClipRgn = 75,
  kEmrBitBlt = 76,
  kEmrStretchBlt = 77,
  kEmrMaskBlt = 78,
  kEmrPlgBlt = 79,
  kEmrSetDiBitsToDevice = 80,
  kEmrStretchDiBits = 81,
  kEmrExtCreateFontIndirectW = 82,
  kEmrExtTextOutA = 83,
  kEmrExtTextOutW = 84,
  kEmrPolyBezier16 = 85,
  kEmrPolygon16 = 86,
  kEmrPolyline16 = 87,
  kEmrPolyBezierTo16 = 88,
  kEmrPolylineTo16 = 89,
  kEmrPolyPolyline16 = 90,
  kEmrPolyPolygon16 = 91,
  kEmrPolyDraw16 = 92,
  kEmrCreateMonoBrush = 93,
  kEmrCreateDibPatternBrushPt = 94,
  kEmrExtCreatePen = 95,
  kEmrAlphaBlend = 114,
  kEmrTransparentBlt = 116,
  kEmrGradientFill = 118,
};

constexpr std::uint32_t kStockObject = 0x80000000u;
constexpr std::uint32_t kLargestSlot = 65534;  // the converter's table is sized by a 16-bit count
constexpr std::uint32_t kBsSolid = 0;
constexpr std::uint32_t kBsNull = 1;
constexpr std::uint32_t kBsHatched = 2;
constexpr std::uint32_t kPsGeometric = 0x10000;
constexpr std::uint32_t kEtoOpaque = 0x2;
constexpr std::uint32_t kEtoClipped = 0x4;
constexpr std::uint32_t kEtoGlyphIndex = 0x10;
constexpr std::uint32_t kEtoNoRect = 0x100;
constexpr std::uint32_t kSrcCopy = 0x00CC0020;
constexpr std::uint32_t kNotSrcCopy = 0x00330008;
constexpr std::uint32_t kBlackness = 0x00000042;
constexpr std::uint32_t kWhiteness = 0x00FF0062;
constexpr std::uint32_t kPatCopy = 0x00F00021;
constexpr char16_t kMarkerLead = 0xFDD0;

// A COLORREF (red in the low byte) as 0xRRGGBB.
std::uint32_t Rgb(std::uint32_t colorref) {
  return (colorref & 0xFF) << 16 | (colorref & 0xFF00) | (colorref >> 16 & 0xFF);
}

struct Out {
  Bytes bytes;
  Out& U16(std::uint32_t v) {
    bytes += static_cast<char>(v & 0xFF);
    bytes += static_cast<char>(v >> 8 & 0xFF);
    return *this;
  }
  Out& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Out& I32(std::int64_t v) { return U32(static_cast<std::uint32_t>(static_cast<std::int32_t>(v))); }
  Out& Raw(BytesView b) {
    bytes += b;
    return *this;
  }
};

// ---- Text

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  } else {
    out += static_cast<char16_t>(c);
  }
}

// Valid UTF-8 (as the code page converter writes it) to UTF-16.
std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const int length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
    for (int k = 1; k < length && i + static_cast<std::size_t>(k) < utf8.size(); ++k) {
      c = c << 6 | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
    }
    AppendUtf16(out, c);
    i += static_cast<std::size_t>(length);
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The converter writes text into XML character data unescaped. Controls,
// unpaired surrogates and non-characters have no place there, "]]>" would
// end the section, and the marker character is reserved. Each UTF-16 unit
// is replaced in place, so a dx array still lines up.
void MakeXmlSafe(std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t& c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      ++i;
      continue;
    }
    if (c < 0x20) {
      c = u' ';
    } else if ((c >= 0xD800 && c < 0xE000) || (c >= 0xFDD0 && c <= 0xFDEF) || c >= 0xFFFE) {
      c = 0xFFFD;
    } else if (c == u'>' && i >= 2 && text[i - 1] == u']' && text[i - 2] == u']') {
      c = 0xFF1E;  // FULLWIDTH GREATER-THAN SIGN
    }
  }
}

// A face name for an XML attribute, in place of the font the system has not.
std::u16string FaceFor(std::u16string_view face) {
  std::string utf8(SubstituteFontFamily(Utf16ToUtf8(face)));
  std::string safe;
  for (char c : utf8) {
    if (static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '&' && c != '<' && c != '>' && c != '\'') safe += c;
  }
  std::u16string out = Utf8ToUtf16(safe);
  if (out.size() > 31) out.resize(31);
  return out;
}

// ---- Bitmaps

MarkerOp Op(MarkerOp::Kind kind) {
  MarkerOp op;
  op.kind = kind;
  return op;
}

struct Blit {
  // Destination in logical units; negative extents mirror.
  std::int64_t x = 0, y = 0, cx = 0, cy = 0;
  // Source rectangle in the bitmap, rows counted from its top.
  std::int64_t sx = 0, sy = 0, scx = 0, scy = 0;
  bool source_rows_from_bottom = false;  // DIB calls count rows from the bottom of a bottom-up bitmap
};

}  // namespace

Bytes MarkerText(std::size_t index) {
  return "\xEF\xB7\x90" + std::to_string(index);  // U+FDD0 in UTF-8, then the number
}

namespace {

constexpr std::uint32_t kEofSize = 20;
// The converter's time goes mostly into writing its text: some 30 ns for
// each byte of a record it reads and 1 us more for the record itself.
constexpr std::int64_t kRecordWork = 32;
// Where the beginnings tried end: at some 4 and 60 ms of that work, or
// after so many shapes or markers. The second holds more shapes than the
// corner's budget allows however small they are, or markers enough for
// more layers than a picture may have (a clipped drawing takes up to
// three: save, clip, restore).
struct Beginning {
  std::int64_t work;
  std::int64_t shapes;
  std::size_t markers;
};
constexpr Beginning kBeginnings[] = {{128 * 1024, 1024, 1024},
                                     {2 * 1024 * 1024, 7 * 1024, static_cast<std::size_t>(3 * kMaxSvgLayers + 3)}};

// Whether the converter writes an element for this record outside a path
// bracket (or, for the path records, for the bracket).
bool Draws(std::uint32_t type) {
  switch (type) {
    case kEmrPolyBezier:
    case kEmrPolygon:
    case kEmrPolyline:
    case kEmrPolyBezierTo:
    case kEmrPolylineTo:
    case kEmrPolyPolyline:
    case kEmrPolyPolygon:
    case kEmrSetPixelV:
    case kEmrAngleArc:
    case kEmrEllipse:
    case kEmrRectangle:
    case kEmrRoundRect:
    case kEmrArc:
    case kEmrChord:
    case kEmrPie:
    case kEmrLineTo:
    case kEmrArcTo:
    case kEmrPolyDraw:
    case kEmrFillPath:
    case kEmrStrokeAndFillPath:
    case kEmrStrokePath:
    case kEmrBitBlt:
    case kEmrStretchBlt:
    case kEmrMaskBlt:
    case kEmrPlgBlt:
    case kEmrSetDiBitsToDevice:
    case kEmrStretchDiBits:
    case kEmrExtTextOutA:
    case kEmrExtTextOutW:
    case kEmrPolyBezier16:
    case kEmrPolygon16:
    case kEmrPolyline16:
    case kEmrPolyBezierTo16:
    case kEmrPolylineTo16:
    case kEmrPolyPolyline16:
    case kEmrPolyPolygon16:
    case kEmrPolyDraw16:
      return true;
    default:
      return false;
  }
}

class Preparer {
 public:
  Preparer(BytesView file, int width, int height, PictureBudget& budget, const BeginningPastBudget& past_budget)
      : file_(file), width_(width), height_(height), budget_(budget), past_budget_(past_budget) {}

  std::optional<PreparedEmf> Run() {
    const std::uint32_t header_size = U32At(file_, 4);
    if (!ScanObjects(header_size)) return std::nullopt;
    ComputeBounds();
    font_slot_ = max_slot_ + 1;

    // GDI starts with a white brush and the system font; the converter
    // with a black brush and no font at all.
    EmitRaw(Out().U32(kEmrSelectObject).U32(12).U32(kStockObject).bytes);
    EmitDefaultFont();

    for (std::size_t pos = header_size;;) {
      const std::uint32_t type = U32At(file_, pos);
      const std::uint32_t size = U32At(file_, pos + 4);
      const BytesView record = file_.substr(pos, size);
      if (type == kEmrEof) {
        EmitRaw(record);
        break;
      }
      next_ = pos + size;
      if (!Spend(type, record) || !Record(type, record)) return std::nullopt;
      if (!in_path_ && Draws(type)) ++shapes_;
      pos += size;
      if (AtBeginningEnd(pos)) {
        Bytes beginning = Header(records_ + 1, body_.size() + kEofSize) + body_ + Eof();
        if (past_budget_(beginning, markers_)) return std::nullopt;
      }
    }
    PreparedEmf prepared;
    prepared.bytes = Header(records_, body_.size()) + body_;
    prepared.markers = std::move(markers_);
    return prepared;
  }

 private:
  struct Brush {
    std::uint32_t style = kBsSolid;
    std::uint32_t color = 0xFFFFFF;  // 0xRRGGBB
    std::uint32_t hatch = 0;
  };
  struct Dc {
    Brush brush;
    std::uint32_t background = 0xFFFFFF;
    bool background_opaque = true;
  };

  // The highest object slot any record names, so that the converter's
  // table (sized by the header, often too small in real files) holds them
  // all, with one more for the default font.
  bool ScanObjects(std::size_t pos) {
    for (;;) {
      const std::uint32_t type = U32At(file_, pos);
      const std::uint32_t size = U32At(file_, pos + 4);
      if (type == kEmrEof) return true;
      switch (type) {
        case kEmrSelectObject:
        case kEmrDeleteObject:
        case kEmrCreatePen:
        case kEmrCreateBrushIndirect:
        case kEmrExtCreateFontIndirectW:
        case kEmrCreateMonoBrush:
        case kEmrCreateDibPatternBrushPt:
        case kEmrExtCreatePen: {
          if (size < 12) return false;
          const std::uint32_t slot = U32At(file_, pos + 8);
          if (slot <= kLargestSlot) max_slot_ = std::max(max_slot_, slot);
          break;
        }
        default:
          break;
      }
      pos += size;
    }
  }

  // The frame (0.01 mm) in the reference device's pixels: playing the
  // metafile into the picture maps exactly that box onto it, and the
  // converter maps its bounds onto the picture.
  void ComputeBounds() {
    const std::int32_t frame[4] = {I32At(file_, 24), I32At(file_, 28), I32At(file_, 32), I32At(file_, 36)};
    const double dev_x = I32At(file_, 72), dev_y = I32At(file_, 76);
    const double mm_x = I32At(file_, 80), mm_y = I32At(file_, 84);
    const double scale_x = dev_x > 0 && mm_x > 0 ? dev_x / (mm_x * 100) : 96.0 / 2540;
    const double scale_y = dev_y > 0 && mm_y > 0 ? dev_y / (mm_y * 100) : 96.0 / 2540;
    const auto device = [](double v) {
      return static_cast<std::int64_t>(std::llround(std::clamp(v, -1e9, 1e9)));
    };
    bounds_[0] = device(std::min(frame[0], frame[2]) * scale_x);
    bounds_[1] = device(std::min(frame[1], frame[3]) * scale_y);
    bounds_[2] = std::max(device(std::max(frame[0], frame[2]) * scale_x), bounds_[0] + 1);
    bounds_[3] = std::max(device(std::max(frame[1], frame[3]) * scale_y), bounds_[1] + 1);
  }

  // Whether the records read so far, up to `pos`, end a beginning worth
  // trying: outside a path, and with at least as much of the file after.
  bool AtBeginningEnd(std::size_t pos) {
    if (!past_budget_ || in_path_ || next_beginning_ >= std::size(kBeginnings)) return false;
    const Beginning& end = kBeginnings[next_beginning_];
    if (converter_work_ < end.work && shapes_ < end.shapes && markers_.size() < end.markers) return false;
    ++next_beginning_;
    return 2 * pos <= file_.size();
  }

  // The header for `records` records in `body_size` bytes after it.
  Bytes Header(std::uint32_t records, std::size_t body_size) const {
    constexpr std::uint32_t kSize = 108;
    Out out;
    out.U32(kEmrHeader).U32(kSize);
    for (std::int64_t v : bounds_) out.I32(v);
    out.Raw(file_.substr(24, 16));  // frame
    out.U32(0x464D4520).U32(0x10000).U32(static_cast<std::uint32_t>(kSize + body_size));
    // The converter's table has nHandles + 1 slots, the default font last.
    out.U32(records + 1).U16(font_slot_).U16(0);
    out.U32(0).U32(0).U32(0);       // no description, no palette
    out.Raw(file_.substr(72, 16));  // reference device
    out.U32(0).U32(0).U32(0);       // no pixel format, no OpenGL
    out.I32(std::int64_t{I32At(file_, 80)} * 1000).I32(std::int64_t{I32At(file_, 84)} * 1000);
    return out.bytes;
  }

  // An end-of-file record with no palette.
  static Bytes Eof() { return Out().U32(kEmrEof).U32(kEofSize).U32(0).U32(16).U32(kEofSize).bytes; }

  void EmitRaw(BytesView record) {
    body_ += record;
    ++records_;
    converter_work_ += kRecordWork + static_cast<std::int64_t>(record.size());
  }

  void Emit(std::uint32_t type, const Bytes& payload) {
    EmitRaw(Out().U32(type).U32(static_cast<std::uint32_t>(8 + payload.size())).bytes + payload);
  }

  void EmitDefaultFont() {
    Out font;
    font.U32(font_slot_).I32(16).I32(0).I32(0).I32(0).I32(400);
    font.U32(128u << 24);  // italic, underline, strike-out, SHIFTJIS_CHARSET
    font.U32(0);           // precisions, quality, pitch and family
    std::u16string face = u"IPAGothic";
    face.resize(32, u'\0');
    for (char16_t c : face) font.U16(c);
    Emit(kEmrExtCreateFontIndirectW, font.bytes);
    Emit(kEmrSelectObject, Out().U32(font_slot_).bytes);
  }

  // An invisible text record whose output the converter writes as
  // <text>...U+FDD0 n...</text>, for the SVG pass to act on.
  void Marker(MarkerOp op) {
    for (; unmarked_saves_ > 0; --unmarked_saves_) MarkNow(Op(MarkerOp::Kind::SaveDc));
    MarkNow(std::move(op));
  }

  void MarkNow(MarkerOp op) {
    if (in_path_) {
      deferred_.push_back(std::move(op));
      return;
    }
    const std::size_t index = markers_.size();
    markers_.push_back(std::move(op));
    std::u16string text(1, kMarkerLead);
    for (char c : std::to_string(index)) text += static_cast<char16_t>(c);
    EmitText(Bytes(76, '\0'), text, {});
  }

  // EMR_EXTTEXTOUTW from the fixed fields of `base` (an A or W record, or
  // zeros), the rectangle always present.
  void EmitText(BytesView base, const std::u16string& text, const std::vector<std::int32_t>& dx) {
    const bool no_rect = U32At(base, 52) & kEtoNoRect;
    const std::size_t text_bytes = (text.size() * 2 + 3) / 4 * 4;
    Out out;
    out.Raw(base.substr(8, 36));  // bounds, graphics mode, scales, reference point
    // No options: the converter has no use for them, and some (glyph
    // indices) send it writing out of bounds.
    out.U32(static_cast<std::uint32_t>(text.size())).U32(76).U32(0);
    if (no_rect) {
      out.U32(0).U32(0).U32(0).U32(0);
    } else {
      out.Raw(base.substr(56, 16));
    }
    out.U32(static_cast<std::uint32_t>(76 + text_bytes));
    for (char16_t c : text) out.U16(c);
    out.bytes.resize(76 - 8 + text_bytes, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) out.I32(i < dx.size() ? dx[i] : 0);
    Emit(kEmrExtTextOutW, out.bytes);
  }

  // A solid rectangle, as a one-pixel bitmap stretched over it.
  void EmitFill(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, std::uint32_t rgb) {
    if (right <= left || bottom <= top) return;
    EmitBitmap(left, top, right - left, bottom - top, 1, 1, {0xFF000000u | rgb});
  }

  // EMR_STRETCHDIBITS with a top-down 32-bit DIB of `pixels` (0xAARRGGBB).
  void EmitBitmap(std::int64_t x, std::int64_t y, std::int64_t cx, std::int64_t cy, int width, int height,
                  const std::vector<std::uint32_t>& pixels) {
    const std::uint32_t bits = static_cast<std::uint32_t>(pixels.size() * 4);
    Out out;
    out.U32(0).U32(0).U32(0).U32(0);  // bounds
    out.I32(x).I32(y).I32(0).I32(0).I32(width).I32(height);
    out.U32(80).U32(40).U32(120).U32(bits).U32(0).U32(kSrcCopy).I32(cx).I32(cy);
    out.U32(40).I32(width).I32(-std::int64_t{height}).U16(1).U16(32).U32(0).U32(bits).U32(0).U32(0).U32(0).U32(0);
    out.bytes.reserve(out.bytes.size() + bits);
    for (std::uint32_t p : pixels) out.U32(p);  // B, G, R, A in memory order
    Emit(kEmrStretchDiBits, out.bytes);
  }

  // Every record is drawing work, an object's creation an object too; see
  // picture_budget.hpp. Bitmap pixels are counted as they are decoded.
  bool Spend(std::uint32_t type, BytesView record) {
    if (!budget_.SpendDrawing(1)) return false;
    switch (type) {
      case kEmrCreatePen:
      case kEmrCreateBrushIndirect:
      case kEmrExtCreateFontIndirectW:
      case kEmrCreateMonoBrush:
      case kEmrCreateDibPatternBrushPt:
      case kEmrExtCreatePen:
        return budget_.SpendObject();
      case kEmrExtTextOutA:
      case kEmrExtTextOutW:
        // The character count is at 44.
        return record.size() < 48 || (budget_.SpendText() && budget_.SpendDrawing(U32At(record, 44)));
      default:
        return true;
    }
  }

  // The bitmap a record carries at (offBmi, cbBmi, offBits, cbBits).
  // False when those leave the record; `image` stays empty when the
  // bitmap does not decode (it is then not drawn).
  bool RecordDib(BytesView record, std::size_t at, bool keep_alpha, std::optional<DibImage>& image) {
    const std::uint32_t off_bmi = U32At(record, at), cb_bmi = U32At(record, at + 4);
    const std::uint32_t off_bits = U32At(record, at + 8), cb_bits = U32At(record, at + 12);
    if (!Fits(record, off_bmi, cb_bmi) || !Fits(record, off_bits, cb_bits)) return false;
    if (cb_bmi == 0) return true;
    // The picture's budget of bitmap pixels in all; more is not a picture.
    const std::int64_t left = budget_.PixelsLeft();
    image = DecodeDib(record.substr(off_bmi, cb_bmi), record.substr(off_bits, cb_bits), left, keep_alpha);
    if (!image) {
      const auto header = ReadDibHeader(record.substr(off_bmi, cb_bmi));
      if (header && std::abs(header->width * header->height) > left) return false;
      return true;
    }
    return budget_.SpendPixels(static_cast<std::int64_t>(image->pixels.size()));
  }

  // Cuts the source rectangle out of `image`, mirrors it for negative
  // destination extents, applies the raster operation, and emits it.
  void EmitBlit(Blit blit, const DibImage& image, std::uint32_t rop, std::optional<std::uint32_t> transparent,
                std::optional<std::uint32_t> blend) {
    if (blit.scx <= 0 || blit.scy <= 0 || blit.cx == 0 || blit.cy == 0) return;
    if (blit.source_rows_from_bottom && image.bottom_up) blit.sy = image.height - blit.sy - blit.scy;
    // Keep the part of the source inside the bitmap, and the matching part
    // of the destination.
    const std::int64_t x0 = std::max<std::int64_t>(blit.sx, 0), y0 = std::max<std::int64_t>(blit.sy, 0);
    const std::int64_t x1 = std::min<std::int64_t>(blit.sx + blit.scx, image.width);
    const std::int64_t y1 = std::min<std::int64_t>(blit.sy + blit.scy, image.height);
    if (x1 <= x0 || y1 <= y0) return;
    const double fx = static_cast<double>(blit.cx) / static_cast<double>(blit.scx);
    const double fy = static_cast<double>(blit.cy) / static_cast<double>(blit.scy);
    // Logical units stay 32-bit; anything further off draws nowhere.
    const auto whole = [](double v) { return std::llround(std::clamp(v, -4e9, 4e9)); };
    std::int64_t dx = blit.x + whole(static_cast<double>(x0 - blit.sx) * fx);
    std::int64_t dy = blit.y + whole(static_cast<double>(y0 - blit.sy) * fy);
    std::int64_t dcx = whole(static_cast<double>(x1 - x0) * fx);
    std::int64_t dcy = whole(static_cast<double>(y1 - y0) * fy);
    const bool mirror_x = dcx < 0, mirror_y = dcy < 0;
    if (mirror_x) {
      dx += dcx;
      dcx = -dcx;
    }
    if (mirror_y) {
      dy += dcy;
      dcy = -dcy;
    }
    if (dcx == 0 || dcy == 0) return;
    const int w = static_cast<int>(x1 - x0), h = static_cast<int>(y1 - y0);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
      const int sy = static_cast<int>(y0) + (mirror_y ? h - 1 - y : y);
      for (int x = 0; x < w; ++x) {
        const int sx = static_cast<int>(x0) + (mirror_x ? w - 1 - x : x);
        std::uint32_t p = image.pixels[static_cast<std::size_t>(sy) * static_cast<std::size_t>(image.width) +
                                       static_cast<std::size_t>(sx)];
        if (rop == kNotSrcCopy) p ^= 0x00FFFFFF;
        if (transparent && (p & 0xFFFFFF) == *transparent) p = 0;
        if (blend) p = Blend(p, *blend);
        pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] = p;
      }
    }
    EmitBitmap(dx, dy, dcx, dcy, w, h, pixels);
  }

  // AlphaBlend: a constant alpha, and with AC_SRC_ALPHA the bitmap's own
  // premultiplied alpha.
  static std::uint32_t Blend(std::uint32_t p, std::uint32_t function) {
    const std::uint32_t constant = function >> 16 & 0xFF;
    const bool per_pixel = (function >> 24 & 0xFF) == 1;
    std::uint32_t alpha = per_pixel ? p >> 24 : 255;
    std::uint32_t r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
    if (per_pixel && alpha > 0) {
      r = std::min<std::uint32_t>(255, r * 255 / alpha);
      g = std::min<std::uint32_t>(255, g * 255 / alpha);
      b = std::min<std::uint32_t>(255, b * 255 / alpha);
    }
    alpha = alpha * constant / 255;
    return alpha << 24 | r << 16 | g << 8 | b;
  }

  // TRIVERTEX: x, y, then 16-bit red, green, blue and alpha.
  void GradientRect(BytesView r, std::uint32_t a, std::uint32_t b, bool vertical) {
    const std::size_t va = 36 + 16 * static_cast<std::size_t>(a), vb = 36 + 16 * static_cast<std::size_t>(b);
    const std::int64_t x0 = I32At(r, va), y0 = I32At(r, va + 4), x1 = I32At(r, vb), y1 = I32At(r, vb + 4);
    const std::int64_t length = vertical ? y1 - y0 : x1 - x0;
    if (x1 <= x0 || y1 <= y0) return;
    const int steps = static_cast<int>(std::min<std::int64_t>(length, 1024));
    std::vector<std::uint32_t> strip(static_cast<std::size_t>(steps));
    for (int i = 0; i < steps; ++i) {
      const double t = steps > 1 ? static_cast<double>(i) / (steps - 1) : 0;
      std::uint32_t pixel = 0xFF000000u;
      for (int channel = 0; channel < 3; ++channel) {
        const double from = U16At(r, va + 8 + 2 * static_cast<std::size_t>(channel)) >> 8;
        const double to = U16At(r, vb + 8 + 2 * static_cast<std::size_t>(channel)) >> 8;
        pixel |= static_cast<std::uint32_t>(std::lround(from + (to - from) * t)) << (16 - 8 * channel);
      }
      strip[static_cast<std::size_t>(i)] = pixel;
    }
    EmitBitmap(x0, y0, x1 - x0, y1 - y0, vertical ? 1 : steps, vertical ? steps : 1, strip);
  }

  // A blit without a source bitmap fills its rectangle.
  void EmitPatternBlit(std::int64_t x, std::int64_t y, std::int64_t cx, std::int64_t cy, std::uint32_t rop) {
    if (cx < 0) {
      x += cx;
      cx = -cx;
    }
    if (cy < 0) {
      y += cy;
      cy = -cy;
    }
    if (rop == kBlackness) {
      EmitFill(x, y, x + cx, y + cy, 0x000000);
    } else if (rop == kWhiteness) {
      EmitFill(x, y, x + cx, y + cy, 0xFFFFFF);
    } else if (rop == kPatCopy && dc_.brush.style == kBsSolid) {
      EmitFill(x, y, x + cx, y + cy, dc_.brush.color);
    }
  }

  bool Bitmap(std::uint32_t type, BytesView r) {
    Blit blit;
    std::uint32_t rop = kSrcCopy;
    std::size_t dib_at = 0;
    std::optional<std::uint32_t> transparent, blend;
    bool keep_alpha = false;
    switch (type) {
      case kEmrBitBlt:
      case kEmrStretchBlt:
      case kEmrMaskBlt:
      case kEmrAlphaBlend:
      case kEmrTransparentBlt: {
        const std::size_t fixed = type == kEmrBitBlt ? 100 : type == kEmrMaskBlt ? 128 : 108;
        if (r.size() < fixed) return false;
        blit = {I32At(r, 24), I32At(r, 28), I32At(r, 32), I32At(r, 36), I32At(r, 44), I32At(r, 48), 0, 0, false};
        rop = U32At(r, 40);
        dib_at = 84;
        const bool stretched = type != kEmrBitBlt && type != kEmrMaskBlt;
        blit.scx = stretched ? I32At(r, 100) : blit.cx;
        blit.scy = stretched ? I32At(r, 104) : blit.cy;
        if (type == kEmrMaskBlt && !Fits(r, U32At(r, 112), U32At(r, 116))) return false;
        if (type == kEmrMaskBlt && !Fits(r, U32At(r, 120), U32At(r, 124))) return false;
        if (type == kEmrTransparentBlt) transparent = Rgb(rop);
        if (type == kEmrAlphaBlend) {
          blend = rop;
          keep_alpha = (rop >> 24 & 0xFF) == 1;
        }
        if (type == kEmrTransparentBlt || type == kEmrAlphaBlend) rop = kSrcCopy;
        break;
      }
      case kEmrSetDiBitsToDevice:
        if (r.size() < 76) return false;
        blit = {I32At(r, 24), I32At(r, 28), I32At(r, 40), I32At(r, 44),
                I32At(r, 32), I32At(r, 36), I32At(r, 40), I32At(r, 44), true};
        dib_at = 48;
        break;
      case kEmrStretchDiBits:
        if (r.size() < 80) return false;
        blit = {I32At(r, 24), I32At(r, 28), I32At(r, 72), I32At(r, 76),
                I32At(r, 32), I32At(r, 36), I32At(r, 40), I32At(r, 44), true};
        rop = U32At(r, 68);
        dib_at = 48;
        break;
      default:
        return true;
    }
    std::optional<DibImage> image;
    if (!RecordDib(r, dib_at, keep_alpha, image)) return false;
    if (image) {
      EmitBlit(blit, *image, rop, transparent, blend);
    } else if (U32At(r, dib_at + 4) == 0 && type != kEmrSetDiBitsToDevice) {
      EmitPatternBlit(blit.x, blit.y, blit.cx, blit.cy, rop);
    }
    return true;
  }

  // A pattern brush becomes a solid one in the pattern's average colour:
  // the converter draws no patterns.
  bool PatternBrush(BytesView r) {
    if (r.size() < 32) return false;
    std::optional<DibImage> image;
    if (!RecordDib(r, 16, false, image)) return false;
    std::uint64_t sum[3] = {0, 0, 0};
    if (image) {
      for (std::uint32_t p : image->pixels) {
        sum[0] += p >> 16 & 0xFF;
        sum[1] += p >> 8 & 0xFF;
        sum[2] += p & 0xFF;
      }
    }
    const std::uint64_t n = image ? image->pixels.size() : 1;
    const std::uint32_t rgb = static_cast<std::uint32_t>(sum[0] / n) << 16 |
                              static_cast<std::uint32_t>(sum[1] / n) << 8 | static_cast<std::uint32_t>(sum[2] / n);
    const std::uint32_t slot = U32At(r, 8);
    if (slot > kLargestSlot) return true;
    brushes_[slot] = Brush{kBsSolid, rgb, 0};
    Emit(kEmrCreateBrushIndirect, Out().U32(slot).U32(kBsSolid).U32(Rgb(rgb)).U32(0).bytes);
    return true;
  }

  // RGNDATA at `at`, `size` bytes: a 32-byte header, then its rectangles.
  static bool RegionFits(BytesView r, std::uint64_t at, std::uint64_t size) {
    if (size == 0) return true;
    if (size < 32 || !Fits(r, at, size)) return false;
    return 32 + std::uint64_t{U32At(r, static_cast<std::size_t>(at) + 8)} * 16 <= size;
  }

  static std::vector<std::array<std::int32_t, 4>> RegionRects(BytesView r, std::size_t at, std::size_t size) {
    std::vector<std::array<std::int32_t, 4>> rects;
    if (size == 0) return rects;
    const std::uint32_t count = U32At(r, at + 8);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::size_t p = at + 32 + 16 * static_cast<std::size_t>(i);
      rects.push_back({I32At(r, p), I32At(r, p + 4), I32At(r, p + 8), I32At(r, p + 12)});
    }
    return rects;
  }

  // Region rectangles are in device units; the picture maps the header's
  // bounds onto its pixels.
  std::vector<RectD> ToPixels(const std::vector<std::array<std::int32_t, 4>>& rects) const {
    const double left = static_cast<double>(bounds_[0]), top = static_cast<double>(bounds_[1]);
    const double sx = width_ / (static_cast<double>(bounds_[2]) - left);
    const double sy = height_ / (static_cast<double>(bounds_[3]) - top);
    std::vector<RectD> out;
    for (const auto& rect : rects) {
      out.push_back({(rect[0] - left) * sx, (rect[1] - top) * sy, (rect[2] - left) * sx, (rect[3] - top) * sy});
    }
    return out;
  }

  bool Text(std::uint32_t type, BytesView r) {
    const bool wide = type == kEmrExtTextOutW;
    if (r.size() < 60) return false;
    const std::uint32_t options = U32At(r, 52);
    const bool no_rect = options & kEtoNoRect;
    if (!no_rect && r.size() < 76) return false;
    const std::uint32_t count = U32At(r, 44);
    const std::uint32_t off_string = U32At(r, 48);
    const std::uint32_t off_dx = U32At(r, no_rect ? 56 : 72);
    if (!Fits(r, off_string, std::uint64_t{count} * (wide ? 2 : 1))) return false;
    if (off_dx != 0 && !Fits(r, off_dx, std::uint64_t{count} * 4)) return false;
    std::vector<std::int32_t> dx_in;
    if (off_dx != 0) {
      for (std::uint32_t i = 0; i < count; ++i) dx_in.push_back(I32At(r, off_dx + 4 * static_cast<std::size_t>(i)));
    }

    std::u16string text;
    std::vector<std::int32_t> dx;
    if (wide) {
      for (std::uint32_t i = 0; i < count; ++i) text += static_cast<char16_t>(U16At(r, off_string + 2 * std::size_t{i}));
      dx = dx_in;
    } else {
      // Code page 932, one character at a time so that each keeps the
      // advance of its bytes.
      const BytesView bytes = r.substr(off_string, count);
      for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = platform::IsCp932LeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
        const std::u16string units = Utf8ToUtf16(platform::Cp932ToUtf8(bytes.substr(i, n)));
        std::int64_t advance = 0;
        for (std::size_t k = i; k < i + n && k < dx_in.size(); ++k) advance += dx_in[k];
        advance = std::clamp<std::int64_t>(advance, INT32_MIN, INT32_MAX);
        for (std::size_t k = 0; k < units.size(); ++k) {
          text += units[k];
          dx.push_back(k == 0 ? static_cast<std::int32_t>(advance) : 0);
        }
        i += n;
      }
    }
    MakeXmlSafe(text);

    const bool clipped = (options & kEtoClipped) && !no_rect;
    if ((options & kEtoOpaque) && !no_rect) {
      EmitFill(I32At(r, 56), I32At(r, 60), I32At(r, 64), I32At(r, 68), dc_.background);
    }
    // Glyph indices of a font that is not here name no characters.
    if (options & kEtoGlyphIndex) return true;
    if (clipped && !in_path_) {
      SaveDc();
      EmitRaw(Out().U32(kEmrIntersectClipRect).U32(24).Raw(r.substr(56, 16)).bytes);
      Marker(Op(MarkerOp::Kind::IntersectClip));
    }
    Bytes base(r.substr(0, 76));
    base.resize(76, '\0');
    if (no_rect) {
      for (std::size_t i = 56; i < 76; ++i) base[i] = '\0';
    }
    EmitText(base, text, dx);
    if (clipped && !in_path_) RestoreDc(-1);
    return true;
  }

  bool Font(BytesView r) {
    if (r.size() < 104) return false;
    const std::uint32_t slot = U32At(r, 8);
    if (slot > kLargestSlot) return true;
    brushes_.erase(slot);
    std::u16string face;
    for (std::size_t i = 0; i < 32; ++i) {
      const char16_t c = U16At(r, 40 + 2 * i);
      if (c == 0) break;
      face += c;
    }
    face = FaceFor(face);
    face.resize(32, u'\0');
    Out out;
    out.Raw(r.substr(8, 32));
    if (I32At(r, 12) == 0) out.bytes.replace(4, 4, Out().I32(16).bytes);  // height 0: the default size
    for (char16_t c : face) out.U16(c);
    Emit(kEmrExtCreateFontIndirectW, out.bytes);
    return true;
  }

  void SaveDc() {
    saved_.push_back(dc_);
    EmitRaw(Out().U32(kEmrSaveDc).U32(8).bytes);
    // Marked only when a marker follows: a restore before that finds the
    // clipping as it was saved, so the pair can leave the SVG pass alone.
    ++unmarked_saves_;
  }

  void RestoreDc(std::int32_t level) {
    dc_ = saved_[saved_.size() - static_cast<std::size_t>(-level)];
    saved_.resize(saved_.size() - static_cast<std::size_t>(-level));
    EmitRaw(Out().U32(kEmrRestoreDc).U32(12).I32(level).bytes);
    if (static_cast<std::int64_t>(-level) <= unmarked_saves_) {
      unmarked_saves_ -= -level;
      return;
    }
    MarkerOp op = Op(MarkerOp::Kind::RestoreDc);
    op.level = level;
    Marker(std::move(op));
  }

  void MarkHatch() {
    MarkerOp op = Op(MarkerOp::Kind::BeginHatch);
    op.hatch = static_cast<int>(std::min<std::uint32_t>(dc_.brush.hatch, 5));
    op.hatch_color = dc_.brush.color;
    op.background_opaque = dc_.background_opaque;
    op.background_color = dc_.background;
    Marker(std::move(op));
  }

  // Shapes filled with a hatched brush are marked so that the SVG pass can
  // hatch them.
  bool Filled(BytesView r) {
    const bool hatched = dc_.brush.style == kBsHatched && !in_path_;
    if (hatched) MarkHatch();
    EmitRaw(r);
    if (hatched) Marker(Op(MarkerOp::Kind::EndHatch));
    return true;
  }

  // Whether the path bracket starting here is closed and then filled.
  bool FilledAfterBracket() const {
    for (std::size_t pos = next_; Fits(file_, pos, 8);) {
      const std::uint32_t type = U32At(file_, pos), size = U32At(file_, pos + 4);
      if (type == kEmrEof || type == kEmrAbortPath || type == kEmrBeginPath) return false;
      if (type == kEmrEndPath) {
        const std::size_t after = pos + size;
        if (!Fits(file_, after, 8)) return false;
        const std::uint32_t then = U32At(file_, after);
        return then == kEmrFillPath || then == kEmrStrokeAndFillPath;
      }
      pos += size;
    }
    return false;
  }

  static bool Points(BytesView r, std::uint64_t point_size) {
    return r.size() >= 28 && 28 + std::uint64_t{U32At(r, 24)} * point_size <= r.size();
  }

  static bool PolyPoints(BytesView r, std::uint64_t point_size) {
    if (r.size() < 32) return false;
    const std::uint64_t polys = U32At(r, 24), points = U32At(r, 28);
    if (32 + polys * 4 + points * point_size > r.size()) return false;
    std::uint64_t sum = 0;
    for (std::uint64_t i = 0; i < polys; ++i) sum += U32At(r, 32 + 4 * static_cast<std::size_t>(i));
    return sum == points;
  }

  bool Record(std::uint32_t type, BytesView r) {
    switch (type) {
      case kEmrPolyBezier:
      case kEmrPolyline:
      case kEmrPolyBezierTo:
      case kEmrPolylineTo:
        if (!Points(r, 8)) return false;
        EmitRaw(r);
        return true;
      case kEmrPolygon:
        return Points(r, 8) && Filled(r);
      case kEmrPolyBezier16:
      case kEmrPolyline16:
      case kEmrPolyBezierTo16:
      case kEmrPolylineTo16:
        if (!Points(r, 4)) return false;
        EmitRaw(r);
        return true;
      case kEmrPolygon16:
        return Points(r, 4) && Filled(r);
      case kEmrPolyPolyline:
        if (!PolyPoints(r, 8)) return false;
        EmitRaw(r);
        return true;
      case kEmrPolyPolygon:
        return PolyPoints(r, 8) && Filled(r);
      case kEmrPolyPolyline16:
        if (!PolyPoints(r, 4)) return false;
        EmitRaw(r);
        return true;
      case kEmrPolyPolygon16:
        return PolyPoints(r, 4) && Filled(r);
      case kEmrPolyDraw:
      case kEmrPolyDraw16:
        if (!Points(r, type == kEmrPolyDraw ? 9 : 5)) return false;
        EmitRaw(r);
        return true;

      case kEmrSetWindowExtEx:
      case kEmrSetWindowOrgEx:
      case kEmrSetViewportExtEx:
      case kEmrSetViewportOrgEx:
      case kEmrMoveToEx:
      case kEmrLineTo:
        if (r.size() < 16) return false;
        EmitRaw(r);
        return true;
      case kEmrSetPixelV:
        if (r.size() < 20) return false;
        EmitRaw(r);
        return true;
      case kEmrSetMapMode:
      case kEmrSetPolyFillMode:
      case kEmrSetRop2:
      case kEmrSetTextAlign:
      case kEmrSetTextColor:
      case kEmrSetArcDirection:
      case kEmrSetMiterLimit:
        if (r.size() < 12) return false;
        EmitRaw(r);
        return true;
      case kEmrSetBkMode:
        if (r.size() < 12) return false;
        dc_.background_opaque = U32At(r, 8) == 2;
        EmitRaw(r);
        return true;
      case kEmrSetBkColor:
        if (r.size() < 12) return false;
        dc_.background = Rgb(U32At(r, 8));
        EmitRaw(r);
        return true;
      case kEmrScaleViewportExtEx:
      case kEmrScaleWindowExtEx:
        if (r.size() < 24) return false;
        EmitRaw(r);
        return true;
      case kEmrSetWorldTransform:
        if (r.size() < 32) return false;
        EmitRaw(r);
        return true;
      case kEmrModifyWorldTransform:
        if (r.size() < 36) return false;
        EmitRaw(r);
        return true;

      case kEmrIntersectClipRect:
      case kEmrExcludeClipRect:
        if (r.size() < 24) return false;
        // Inside a path bracket the converter writes its clip path into the
        // path it is building; such clipping is not applied.
        if (in_path_) return true;
        EmitRaw(r);
        Marker(Op(type == kEmrIntersectClipRect ? MarkerOp::Kind::IntersectClip : MarkerOp::Kind::ExcludeClip));
        return true;
      case kEmrExtSelectClipRgn: {
        if (r.size() < 16) return false;
        const std::uint32_t size = U32At(r, 8), mode = U32At(r, 12);
        if (!RegionFits(r, 16, size)) return false;
        MarkerOp op;
        if (size == 0) {
          if (mode != 5) return true;  // only RGN_COPY takes no region
          op.kind = MarkerOp::Kind::ResetClip;
        } else {
          op.kind = mode == 1   ? MarkerOp::Kind::AndRegion
                    : mode == 4 ? MarkerOp::Kind::DiffRegion
                    : mode == 5 ? MarkerOp::Kind::CopyRegion
                                : MarkerOp::Kind::OrRegion;
          op.region = ToPixels(RegionRects(r, 16, size));
        }
        Marker(std::move(op));
        return true;
      }
      case kEmrSaveDc:
        SaveDc();
        return true;
      case kEmrRestoreDc: {
        if (r.size() < 12) return false;
        const std::int32_t level = I32At(r, 8);
        // GDI refuses any other level and carries on.
        if (level < 0 && static_cast<std::uint64_t>(-std::int64_t{level}) <= saved_.size()) RestoreDc(level);
        return true;
      }

      case kEmrSelectObject: {
        if (r.size() < 12) return false;
        const std::uint32_t slot = U32At(r, 8);
        if (slot & kStockObject) {
          const std::uint32_t stock = slot & ~kStockObject;
          static constexpr std::uint32_t kStockBrushes[5] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
          if (stock <= 4) dc_.brush = Brush{kBsSolid, kStockBrushes[stock], 0};
          if (stock == 5) dc_.brush = Brush{kBsNull, 0, 0};
          const bool font = (stock >= 10 && stock <= 14) || stock == 16 || stock == 17;
          if (stock <= 8) {
            EmitRaw(r.substr(0, 12));
          } else if (font) {
            Emit(kEmrSelectObject, Out().U32(font_slot_).bytes);
          }
          return true;
        }
        if (slot > kLargestSlot) return true;
        if (const auto it = brushes_.find(slot); it != brushes_.end()) dc_.brush = it->second;
        EmitRaw(r.substr(0, 12));
        return true;
      }
      case kEmrDeleteObject: {
        if (r.size() < 12) return false;
        const std::uint32_t slot = U32At(r, 8);
        if (slot > kLargestSlot) return true;
        brushes_.erase(slot);
        EmitRaw(r.substr(0, 12));
        return true;
      }
      case kEmrCreatePen: {
        if (r.size() < 28) return false;
        const std::uint32_t slot = U32At(r, 8);
        if (slot > kLargestSlot) return true;
        brushes_.erase(slot);
        // The converter draws a cosmetic pen one unit wide; CreatePen's
        // wider pens are geometric in all but name.
        Bytes pen(r.substr(0, 28));
        if (I32At(r, 16) > 1) pen.replace(12, 4, Out().U32(U32At(r, 12) | kPsGeometric).bytes);
        EmitRaw(pen);
        return true;
      }
      case kEmrExtCreatePen: {
        if (r.size() < 52) return false;
        if (52 + std::uint64_t{U32At(r, 48)} * 4 > r.size()) return false;
        if (!Fits(r, U32At(r, 12), U32At(r, 16)) || !Fits(r, U32At(r, 20), U32At(r, 24))) return false;
        const std::uint32_t slot = U32At(r, 8);
        if (slot > kLargestSlot) return true;
        brushes_.erase(slot);
        EmitRaw(r);
        return true;
      }
      case kEmrCreateBrushIndirect: {
        if (r.size() < 24) return false;
        const std::uint32_t slot = U32At(r, 8);
        if (slot > kLargestSlot) return true;
        std::uint32_t style = U32At(r, 12);
        if (style != kBsNull && style != kBsHatched) style = kBsSolid;
        brushes_[slot] = Brush{style, Rgb(U32At(r, 16)), U32At(r, 20)};
        Emit(kEmrCreateBrushIndirect, Out().U32(slot).U32(style).U32(U32At(r, 16)).U32(U32At(r, 20)).bytes);
        return true;
      }
      case kEmrCreateMonoBrush:
      case kEmrCreateDibPatternBrushPt:
        return PatternBrush(r);
      case kEmrExtCreateFontIndirectW:
        return Font(r);

      case kEmrAngleArc:
        if (r.size() < 28) return false;
        EmitRaw(r);
        return true;
      case kEmrArc:
      case kEmrArcTo:
        if (r.size() < 40) return false;
        EmitRaw(r);
        return true;
      case kEmrChord:
      case kEmrPie:
        return r.size() >= 40 && Filled(r);
      case kEmrRectangle:
      case kEmrEllipse:
        return r.size() >= 24 && Filled(r);
      case kEmrRoundRect: {
        if (r.size() < 32) return false;
        // The converter takes the corner ellipse's size for its radii.
        Bytes rounded(r.substr(0, 32));
        rounded.replace(24, 8, Out().I32(I32At(r, 24) / 2).I32(I32At(r, 28) / 2).bytes);
        return Filled(rounded);
      }

      case kEmrBeginPath:
        // The converter writes a path out at the end of its bracket, so a
        // hatched fill after it is marked around the whole bracket.
        if (FilledAfterBracket() && dc_.brush.style == kBsHatched) {
          hatched_path_ = true;
          MarkHatch();
        }
        in_path_ = true;
        EmitRaw(r);
        return true;
      case kEmrEndPath:
      case kEmrAbortPath: {
        in_path_ = false;
        EmitRaw(r);
        auto deferred = std::move(deferred_);
        deferred_.clear();
        for (auto& op : deferred) MarkNow(std::move(op));  // saves since stay unmarked
        return true;
      }
      case kEmrCloseFigure:
      case kEmrFlattenPath:
      case kEmrWidenPath:
        EmitRaw(r);
        return true;
      case kEmrFillPath:
      case kEmrStrokeAndFillPath:
        if (r.size() < 24) return false;
        if (!hatched_path_) return Filled(r);
        EmitRaw(r);
        Marker(Op(MarkerOp::Kind::EndHatch));
        hatched_path_ = false;
        return true;
      case kEmrStrokePath:
        if (r.size() < 24) return false;
        EmitRaw(r);
        return true;

      case kEmrFillRgn:
      case kEmrPaintRgn: {
        const bool fill = type == kEmrFillRgn;
        if (r.size() < (fill ? 32u : 28u)) return false;
        const std::uint32_t size = U32At(r, 24);
        const std::size_t at = fill ? 32 : 28;
        if (!RegionFits(r, at, size)) return false;
        Brush brush = dc_.brush;
        if (fill) {
          const auto it = brushes_.find(U32At(r, 28));
          if (it == brushes_.end()) return true;
          brush = it->second;
        }
        // In logical units here, unlike a clipping region.
        if (brush.style == kBsSolid) {
          for (const auto& rect : RegionRects(r, at, size)) EmitFill(rect[0], rect[1], rect[2], rect[3], brush.color);
        }
        return true;
      }
      case kEmrFrameRgn:
      case kEmrInvertRgn:
        if (r.size() < (type == kEmrFrameRgn ? 40u : 28u)) return false;
        return RegionFits(r, type == kEmrFrameRgn ? 40 : 28, U32At(r, 24));

      case kEmrBitBlt:
      case kEmrStretchBlt:
      case kEmrMaskBlt:
      case kEmrSetDiBitsToDevice:
      case kEmrStretchDiBits:
      case kEmrAlphaBlend:
      case kEmrTransparentBlt:
        return Bitmap(type, r);
      case kEmrPlgBlt:  // a parallelogram the SVG cannot express
        if (r.size() < 140) return false;
        return Fits(r, U32At(r, 100), U32At(r, 104)) && Fits(r, U32At(r, 108), U32At(r, 112));

      case kEmrExtTextOutA:
      case kEmrExtTextOutW:
        return Text(type, r);

      case kEmrGradientFill: {
        if (r.size() < 36) return false;
        const std::uint64_t vertices = U32At(r, 24), items = U32At(r, 28);
        const std::uint32_t mode = U32At(r, 32);
        if (mode > 2) return true;
        const std::uint64_t item_size = mode == 2 ? 12 : 8;
        if (36 + vertices * 16 + items * item_size > r.size()) return false;
        const std::size_t first = 36 + static_cast<std::size_t>(vertices) * 16;
        for (std::size_t i = 0; i < items * item_size / 4; ++i) {
          if (U32At(r, first + 4 * i) >= vertices) return false;
        }
        // The converter draws no gradients; rectangles become strips of
        // colour stretched over them, triangles are not drawn.
        if (mode != 2) {
          for (std::size_t i = 0; i < items; ++i) {
            GradientRect(r, U32At(r, first + 8 * i), U32At(r, first + 8 * i + 4), mode == 1);
          }
        }
        return true;
      }

      default:
        // Records that change nothing visible under GDI playback or that the
        // converter cannot draw: comments (EMF+ among them), palettes,
        // colour management, flood fills, path clipping, region offsets.
        return true;
    }
  }

  BytesView file_;
  int width_;
  int height_;
  PictureBudget& budget_;
  const BeginningPastBudget& past_budget_;
  std::uint32_t max_slot_ = 0;
  std::uint32_t font_slot_ = 1;
  Dc dc_;
  std::vector<Dc> saved_;
  std::int64_t unmarked_saves_ = 0;  // the last saves, none marked yet
  std::unordered_map<std::uint32_t, Brush> brushes_;
  bool in_path_ = false;
  bool hatched_path_ = false;  // the bracket being built is marked as hatched
  std::size_t next_ = 0;       // where the record after the current one starts
  std::vector<MarkerOp> deferred_;
  std::vector<MarkerOp> markers_;
  Bytes body_;
  std::int64_t bounds_[4] = {0, 0, 1, 1};  // left, top, right, bottom
  std::uint32_t records_ = 0;
  std::int64_t converter_work_ = 0;
  std::int64_t shapes_ = 0;  // records drawn so far, path brackets as one
  std::size_t next_beginning_ = 0;
};

}  // namespace

std::optional<PreparedEmf> PrepareEnhancedMetafile(BytesView file, int width, int height, PictureBudget& budget,
                                                   const BeginningPastBudget& past_budget) {
  return Preparer(file, width, height, budget, past_budget).Run();
}

}  // namespace torvane::pictures
