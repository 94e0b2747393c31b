#pragma once

// Small writers for Windows and enhanced metafiles, record by record, for
// the decoder and renderer tests.
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/bytes.hpp"

namespace torvane::test {

// Little-endian byte string writer.
struct Le {
  Bytes bytes;
  Le& U8(unsigned v) {
    bytes += static_cast<char>(v & 0xFF);
    return *this;
  }
  Le& U16(unsigned v) { return U8(v).U8(v >> 8); }
  Le& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Le& I16(int v) { return U16(static_cast<unsigned>(v) & 0xFFFF); }
  Le& I32(std::int64_t v) { return U32(static_cast<std::uint32_t>(v)); }
  Le& Raw(BytesView b) {
    bytes += b;
    return *this;
  }
  Le& Rgb(std::uint32_t rgb) { return U8(rgb >> 16).U8(rgb >> 8).U8(rgb).U8(0); }  // COLORREF
};

// A BITMAPINFOHEADER and 24-bit bottom-up rows for `pixels` (0xRRGGBB,
// top row first).
struct Dib {
  Bytes info;
  Bytes bits;
  Bytes Packed() const { return info + bits; }
};

inline Dib Dib24(int width, int height, const std::vector<std::uint32_t>& pixels) {
  Dib dib;
  for (int y = height - 1; y >= 0; --y) {
    Le row;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[static_cast<std::size_t>(y * width + x)];
      row.U8(p).U8(p >> 8).U8(p >> 16);
    }
    while (row.bytes.size() % 4 != 0) row.U8(0);
    dib.bits += row.bytes;
  }
  dib.info = Le().U32(40).I32(width).I32(height).U16(1).U16(24).U32(0)
                 .U32(static_cast<std::uint32_t>(dib.bits.size())).U32(0).U32(0).U32(0).U32(0).bytes;
  return dib;
}

// GDI constants the tests use.
inline constexpr int kPsSolid = 0, kPsDash = 1, kPsNull = 5;
inline constexpr int kBsSolid = 0, kBsNull = 1, kBsHatched = 2;
inline constexpr int kHsHorizontal = 0, kHsBDiagonal = 3;
inline constexpr int kTransparent = 1, kOpaque = 2;
inline constexpr int kTaTop = 0, kTaRight = 2, kTaCenter = 6, kTaBottom = 8, kTaBaseline = 24, kTaUpdateCp = 1;
inline constexpr std::uint32_t kSrcCopy = 0x00CC0020;

class WmfWriter {
 public:
  // Parameters as 16-bit words, in the order the file stores them.
  WmfWriter& Words(unsigned function, std::initializer_list<int> words) {
    Le params;
    for (int w : words) params.I16(w);
    return Record(function, params.bytes);
  }
  WmfWriter& Record(unsigned function, BytesView params) {
    Bytes padded(params);
    if (padded.size() % 2 != 0) padded += '\0';
    records_ += Le().U32(static_cast<std::uint32_t>(3 + padded.size() / 2)).U16(function).Raw(padded).bytes;
    return *this;
  }

  WmfWriter& MapMode(int mode) { return Words(0x0103, {mode}); }
  WmfWriter& WindowOrg(int x, int y) { return Words(0x020B, {y, x}); }
  WmfWriter& WindowExt(int x, int y) { return Words(0x020C, {y, x}); }
  WmfWriter& ViewportOrg(int x, int y) { return Words(0x020D, {y, x}); }
  WmfWriter& ViewportExt(int x, int y) { return Words(0x020E, {y, x}); }
  WmfWriter& Pen(int style, int width, std::uint32_t rgb) {
    return Record(0x02FA, Le().U16(static_cast<unsigned>(style)).I16(width).I16(0).Rgb(rgb).bytes);
  }
  WmfWriter& Brush(int style, std::uint32_t rgb, int hatch = 0) {
    return Record(0x02FC, Le().U16(static_cast<unsigned>(style)).Rgb(rgb).U16(static_cast<unsigned>(hatch)).bytes);
  }
  // Face name in code page 932.
  WmfWriter& Font(int height, BytesView face, int weight = 400, int escapement = 0) {
    Le font;
    font.I16(height).I16(0).I16(escapement).I16(0).I16(weight).U8(0).U8(0).U8(0).U8(128).U8(0).U8(0).U8(0).U8(0);
    Bytes name(face);
    name.resize(32, '\0');
    return Record(0x02FB, font.Raw(name).bytes);
  }
  WmfWriter& Select(int slot) { return Words(0x012D, {slot}); }
  WmfWriter& Delete(int slot) { return Words(0x01F0, {slot}); }
  WmfWriter& Rectangle(int l, int t, int r, int b) { return Words(0x041B, {b, r, t, l}); }
  WmfWriter& Ellipse(int l, int t, int r, int b) { return Words(0x0418, {b, r, t, l}); }
  WmfWriter& RoundRect(int l, int t, int r, int b, int w, int h) { return Words(0x061C, {h, w, b, r, t, l}); }
  WmfWriter& Pie(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
    return Words(0x081A, {y2, x2, y1, x1, b, r, t, l});
  }
  WmfWriter& MoveTo(int x, int y) { return Words(0x0214, {y, x}); }
  WmfWriter& LineTo(int x, int y) { return Words(0x0213, {y, x}); }
  WmfWriter& Poly(unsigned function, std::initializer_list<int> xy) {
    Le params;
    params.U16(static_cast<unsigned>(xy.size() / 2));
    for (int v : xy) params.I16(v);
    return Record(function, params.bytes);
  }
  WmfWriter& Polygon(std::initializer_list<int> xy) { return Poly(0x0324, xy); }
  WmfWriter& Polyline(std::initializer_list<int> xy) { return Poly(0x0325, xy); }
  WmfWriter& TextColor(std::uint32_t rgb) { return Record(0x0209, Le().Rgb(rgb).bytes); }
  WmfWriter& BkColor(std::uint32_t rgb) { return Record(0x0201, Le().Rgb(rgb).bytes); }
  WmfWriter& BkMode(int mode) { return Words(0x0102, {mode}); }
  WmfWriter& TextAlign(int align) { return Words(0x012E, {align}); }
  WmfWriter& Rop2(int mode) { return Words(0x0104, {mode}); }
  WmfWriter& TextOut(int x, int y, BytesView cp932) {
    Le params;
    params.U16(static_cast<unsigned>(cp932.size())).Raw(cp932);
    if (cp932.size() % 2 != 0) params.U8(0);
    return Record(0x0521, params.I16(y).I16(x).bytes);
  }
  WmfWriter& ExtTextOut(int x, int y, BytesView cp932, int options, std::initializer_list<int> rect,
                        std::vector<int> dx = {}) {
    Le params;
    params.I16(y).I16(x).U16(static_cast<unsigned>(cp932.size())).U16(static_cast<unsigned>(options));
    for (int v : rect) params.I16(v);
    params.Raw(cp932);
    if (cp932.size() % 2 != 0) params.U8(0);
    for (int d : dx) params.I16(d);
    return Record(0x0A32, params.bytes);
  }
  WmfWriter& StretchDib(int x, int y, int w, int h, int sx, int sy, int sw, int sh, const Dib& dib) {
    Le params;
    params.U32(kSrcCopy).U16(0).I16(sh).I16(sw).I16(sy).I16(sx).I16(h).I16(w).I16(y).I16(x).Raw(dib.Packed());
    return Record(0x0F43, params.bytes);
  }
  WmfWriter& SaveDc() { return Words(0x001E, {}); }
  WmfWriter& RestoreDc(int level) { return Words(0x0127, {level}); }
  WmfWriter& IntersectClip(int l, int t, int r, int b) { return Words(0x0416, {b, r, t, l}); }
  WmfWriter& ExcludeClip(int l, int t, int r, int b) { return Words(0x0415, {b, r, t, l}); }

  // The file, behind a placeable header for the box when `inch` is not 0.
  Bytes File(int objects, int left = 0, int top = 0, int right = 0, int bottom = 0, int inch = 0) const {
    const Bytes eof = Le().U32(3).U16(0).bytes;
    const Bytes body = records_ + eof;
    Bytes header = Le().U16(1).U16(9).U16(0x0300).U32(static_cast<std::uint32_t>((18 + body.size()) / 2))
                       .U16(static_cast<unsigned>(objects)).U32(0).U16(0).bytes;
    if (inch == 0) return header + body;
    Le placeable;
    placeable.U32(0x9AC6CDD7).U16(0).I16(left).I16(top).I16(right).I16(bottom).U16(static_cast<unsigned>(inch)).U32(0);
    unsigned checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2) {
      checksum ^= static_cast<unsigned char>(placeable.bytes[i]) | static_cast<unsigned char>(placeable.bytes[i + 1]) << 8;
    }
    return placeable.U16(checksum).bytes + header + body;
  }

 private:
  Bytes records_;
};

class EmfWriter {
 public:
  // The frame is width x height pixels at 96 dpi, the reference device
  // 96 dpi too, so logical units are pixels.
  EmfWriter(int width, int height) : width_(width), height_(height) {}

  EmfWriter& Record(std::uint32_t type, BytesView payload = {}) {
    records_ += Le().U32(type).U32(static_cast<std::uint32_t>(8 + payload.size())).Raw(payload).bytes;
    return *this;
  }
  // A record with its size field as given, for broken files.
  EmfWriter& RawRecord(BytesView record) {
    records_ += record;
    return *this;
  }

  EmfWriter& Pen(std::uint32_t slot, int style, int width, std::uint32_t rgb) {
    return Record(38, Le().U32(slot).U32(static_cast<std::uint32_t>(style)).I32(width).I32(0).Rgb(rgb).bytes);
  }
  EmfWriter& Brush(std::uint32_t slot, int style, std::uint32_t rgb, int hatch = 0) {
    return Record(39, Le().U32(slot).U32(static_cast<std::uint32_t>(style)).Rgb(rgb).U32(static_cast<std::uint32_t>(hatch)).bytes);
  }
  // A LOGFONTW with a UTF-16 face name.
  EmfWriter& Font(std::uint32_t slot, int height, std::u16string face) {
    Le font;
    font.U32(slot).I32(height).I32(0).I32(0).I32(0).I32(400).U32(128u << 24).U32(0);
    face.resize(32, u'\0');
    for (char16_t c : face) font.U16(c);
    return Record(82, font.bytes);
  }
  EmfWriter& Select(std::uint32_t slot) { return Record(37, Le().U32(slot).bytes); }
  EmfWriter& Rectangle(int l, int t, int r, int b) { return Record(43, Le().I32(l).I32(t).I32(r).I32(b).bytes); }
  EmfWriter& Ellipse(int l, int t, int r, int b) { return Record(42, Le().I32(l).I32(t).I32(r).I32(b).bytes); }
  EmfWriter& MoveTo(int x, int y) { return Record(27, Le().I32(x).I32(y).bytes); }
  EmfWriter& LineTo(int x, int y) { return Record(54, Le().I32(x).I32(y).bytes); }
  EmfWriter& Polyline16(std::initializer_list<int> xy) {
    Le payload;
    payload.I32(0).I32(0).I32(0).I32(0).U32(static_cast<std::uint32_t>(xy.size() / 2));
    for (int v : xy) payload.I16(v);
    return Record(87, payload.bytes);
  }
  // A 16-bit point record (EMR_POLYBEZIER16, EMR_POLYGON16, ...) with its
  // bounds left zero, as many writers leave them.
  EmfWriter& Points16(std::uint32_t type, const std::vector<int>& xy) {
    Le payload;
    payload.I32(0).I32(0).I32(0).I32(0).U32(static_cast<std::uint32_t>(xy.size() / 2));
    for (int v : xy) payload.I16(v);
    return Record(type, payload.bytes);
  }
  EmfWriter& BeginPath() { return Record(59); }
  EmfWriter& EndPath() { return Record(60); }
  EmfWriter& CloseFigure() { return Record(61); }
  EmfWriter& FillPath() { return Record(62, Le().I32(0).I32(0).I32(0).I32(0).bytes); }
  EmfWriter& StrokeAndFillPath() { return Record(63, Le().I32(0).I32(0).I32(0).I32(0).bytes); }
  EmfWriter& TextColor(std::uint32_t rgb) { return Record(24, Le().Rgb(rgb).bytes); }
  EmfWriter& BkMode(int mode) { return Record(18, Le().U32(static_cast<std::uint32_t>(mode)).bytes); }
  EmfWriter& IntersectClip(int l, int t, int r, int b) { return Record(30, Le().I32(l).I32(t).I32(r).I32(b).bytes); }
  EmfWriter& ExcludeClip(int l, int t, int r, int b) { return Record(29, Le().I32(l).I32(t).I32(r).I32(b).bytes); }
  EmfWriter& SaveDc() { return Record(33); }
  EmfWriter& RestoreDc(int level) { return Record(34, Le().I32(level).bytes); }

  // EMR_EXTTEXTOUTA (code page 932) or EMR_EXTTEXTOUTW (UTF-16 units).
  EmfWriter& TextA(int x, int y, BytesView cp932) { return Text(83, x, y, cp932, cp932.size(), 0); }
  EmfWriter& TextW(int x, int y, const std::u16string& text, std::uint32_t options = 0) {
    Le units;
    for (char16_t c : text) units.U16(c);
    return Text(84, x, y, units.bytes, text.size(), options);
  }

  EmfWriter& StretchDiBits(int x, int y, int w, int h, const Dib& dib) {
    const int width = static_cast<int>(static_cast<unsigned char>(dib.info[4]) | static_cast<unsigned char>(dib.info[5]) << 8);
    const int height = static_cast<int>(static_cast<unsigned char>(dib.info[8]) | static_cast<unsigned char>(dib.info[9]) << 8);
    Le payload;
    payload.I32(0).I32(0).I32(0).I32(0).I32(x).I32(y).I32(0).I32(0).I32(width).I32(height);
    payload.U32(80).U32(static_cast<std::uint32_t>(dib.info.size())).U32(static_cast<std::uint32_t>(80 + dib.info.size()))
        .U32(static_cast<std::uint32_t>(dib.bits.size())).U32(0).U32(kSrcCopy).I32(w).I32(h);
    return Record(81, payload.Raw(dib.info).Raw(dib.bits).bytes);
  }

  Bytes File(std::uint32_t handles = 16) const {
    const Bytes eof = Le().U32(14).U32(20).U32(0).U32(16).U32(20).bytes;
    const Bytes body = records_ + eof;
    Le header;
    header.U32(1).U32(88).I32(0).I32(0).I32(width_ - 1).I32(height_ - 1);
    header.I32(0).I32(0).I32(std::llround(width_ * 2540.0 / 96)).I32(std::llround(height_ * 2540.0 / 96));
    header.U32(0x464D4520).U32(0x10000).U32(static_cast<std::uint32_t>(88 + body.size())).U32(0)
        .U16(static_cast<unsigned>(handles)).U16(0).U32(0).U32(0).U32(0);
    header.I32(960).I32(960).I32(254).I32(254);  // 96 pixels an inch
    return header.bytes + body;
  }

 private:
  EmfWriter& Text(std::uint32_t type, int x, int y, BytesView units, std::size_t count, std::uint32_t options) {
    Le payload;
    payload.I32(0).I32(0).I32(0).I32(0).U32(1).U32(0).U32(0);  // bounds, GM_COMPATIBLE, scales
    const std::uint32_t text_at = 76;
    const std::size_t padded = (units.size() + 3) / 4 * 4;
    payload.I32(x).I32(y).U32(static_cast<std::uint32_t>(count)).U32(text_at).U32(options);
    payload.I32(0).I32(0).I32(0).I32(0).U32(static_cast<std::uint32_t>(text_at + padded));
    payload.Raw(units);
    while (payload.bytes.size() < 76 - 8 + padded) payload.U8(0);
    for (std::size_t i = 0; i < count; ++i) payload.I32(0);
    return Record(type, payload.bytes);
  }

  int width_;
  int height_;
  Bytes records_;
};

}  // namespace torvane::test
