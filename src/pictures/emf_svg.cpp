#include "pictures/emf_svg.hpp"

#include "pictures/picture_budget.hpp"
#include "pictures/svg_shape_cost.hpp"

#include <emf2svg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string_view>
#include <memory>

namespace torvane::pictures {
namespace {

using Region = std::vector<RectD>;

constexpr std::string_view kMarker = "<![CDATA[\xEF\xB7\x90";

std::string Number(double v, int decimals = 4) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

std::string Hex(std::uint32_t rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06X", rgb & 0xFFFFFF);
  return text;
}

std::string WithAttribute(std::string_view line, std::string_view name, std::string_view value) {
  const std::string key = " " + std::string(name) + "=\"";
  std::string out(line);
  const std::size_t at = out.find(key);
  if (at != std::string::npos) {
    const std::size_t begin = at + key.size();
    const std::size_t end = out.find('"', begin);
    if (end != std::string::npos) return out.replace(begin, end - begin, value);
  }
  const std::size_t close = out.find("/>");
  if (close == std::string::npos) return out;
  return out.insert(close, " " + std::string(name) + "=\"" + std::string(value) + "\" ");
}

// The converter's clip-path references point at its own (wrong) clipping.
std::string WithoutClipPath(std::string_view line) {
  std::string out(line);
  for (std::size_t at; (at = out.find(" clip-path=\"")) != std::string::npos;) {
    const std::size_t end = out.find('"', at + 12);
    if (end == std::string::npos) break;
    out.erase(at, end + 1 - at);
  }
  return out;
}

// The bounding box of the numbers in a path's d attribute, x and y
// alternating.
std::optional<RectD> PathBox(std::string_view d) {
  RectD box{1e300, 1e300, -1e300, -1e300};
  int index = 0;
  const std::string text(d);
  const char* p = text.c_str();
  while (*p != '\0') {
    if ((*p >= '0' && *p <= '9') || *p == '-' || *p == '.') {
      char* end = nullptr;
      const double v = std::strtod(p, &end);
      if (end == p) break;
      p = end;
      if (index++ % 2 == 0) {
        box.left = std::min(box.left, v);
        box.right = std::max(box.right, v);
      } else {
        box.top = std::min(box.top, v);
        box.bottom = std::max(box.bottom, v);
      }
    } else {
      ++p;
    }
  }
  if (index < 2) return std::nullopt;
  return box;
}

// One allocation for the whole: the documents run to megabytes.
std::string Join(std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (const std::string_view part : parts) size += part.size();
  std::string out;
  out.reserve(size);
  for (const std::string_view part : parts) out.append(part);
  return out;
}

bool Empty(const RectD& r) { return !(r.left < r.right && r.top < r.bottom); }

// Region operations work on plain lists of rectangles; each is charged to
// the picture's budget before it runs, by the pairs or rectangles it
// reads, and its result may hold at most kMaxRegionRects.
std::int64_t Size(const Region& r) { return static_cast<std::int64_t>(r.size()); }

// Stops once the result has more than kMaxRegionRects, which refuses the
// picture.
Region Intersect(const Region& a, const Region& b) {
  Region out;
  for (const RectD& x : a) {
    for (const RectD& y : b) {
      const RectD r{std::max(x.left, y.left), std::max(x.top, y.top), std::min(x.right, y.right),
                    std::min(x.bottom, y.bottom)};
      if (!Empty(r)) out.push_back(r);
      if (Size(out) > kMaxRegionRects) return out;
    }
  }
  return out;
}

Region Subtract(const Region& a, const RectD& cut) {
  Region out;
  for (const RectD& r : a) {
    const RectD inner{std::max(r.left, cut.left), std::max(r.top, cut.top), std::min(r.right, cut.right),
                      std::min(r.bottom, cut.bottom)};
    if (Empty(inner)) {
      out.push_back(r);
      continue;
    }
    const RectD pieces[4] = {{r.left, r.top, r.right, inner.top},
                             {r.left, inner.bottom, r.right, r.bottom},
                             {r.left, inner.top, inner.left, inner.bottom},
                             {inner.right, inner.top, r.right, inner.bottom}};
    for (const RectD& piece : pieces) {
      if (!Empty(piece)) out.push_back(piece);
    }
  }
  return out;
}

bool SameRegion(const std::optional<Region>& a, const std::optional<Region>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  if (a->size() != b->size()) return false;
  for (std::size_t i = 0; i < a->size(); ++i) {
    const RectD &x = (*a)[i], &y = (*b)[i];
    if (x.left != y.left || x.top != y.top || x.right != y.right || x.bottom != y.bottom) return false;
  }
  return true;
}

struct Draft {
  std::vector<std::string> groups;  // <g> tags open where the draft starts
  std::optional<Region> clip;
  int hatch = -1;
  std::uint32_t hatch_color = 0;
  std::string body;        // for the layer's document
  std::string whole_body;  // for the whole document (hatches as patterns)
  int depth = 0;           // groups open at its end
  bool drawn = false;      // holds an element
};

class Layering {
 public:
  Layering(const std::vector<MarkerOp>& markers, int width, int height, double svg_width, double svg_height,
           PictureBudget& budget)
      : markers_(markers),
        budget_(budget),
        width_(width),
        height_(height),
        px_x_(width / svg_width),
        px_y_(height / svg_height),
        shown_width_(std::min(width, kShownWidth)),
        shown_height_(std::min(height, kShownHeight)),
        base_(Affine{px_x_, 0, 0, px_y_, 0, 0}) {}

  void Line(std::string_view line) {
    if (line.empty()) return;
    if (line.starts_with("<defs><clipPath")) {
      if (const auto d = AttributeOf(line, "d")) {
        if (const auto box = PathBox(*d)) {
          pending_clip_ = RectD{box->left * px_x_, box->top * px_y_, box->right * px_x_, box->bottom * px_y_};
        }
      }
      return;
    }
    if (const std::size_t at = line.find(kMarker); at != std::string_view::npos) {
      std::size_t index = 0;
      for (std::size_t i = at + kMarker.size(); i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        index = index * 10 + static_cast<std::size_t>(line[i] - '0');
        if (index > markers_.size()) break;
      }
      if (index >= markers_.size()) {
        pending_clip_.reset();
        return;
      }
      Apply(markers_[index]);
      // A save is marked late, between a clipping record and its marker.
      if (markers_[index].kind != MarkerOp::Kind::SaveDc) pending_clip_.reset();
      return;
    }
    if (line.starts_with("<g") && !line.ends_with("/>")) {
      Draft& draft = Current();
      draft.body.append(line).push_back('\n');
      draft.whole_body.append(line).push_back('\n');
      ++draft.depth;
      groups_.emplace_back(line);
      const auto transform = AttributeOf(line, "transform");
      std::optional<Affine> inner = transform ? ParseTransform(*transform) : Affine{};
      const std::optional<Affine>& outer = mappings_.empty() ? base_ : mappings_.back();
      mappings_.push_back(inner && outer ? std::optional<Affine>(inner->Then(*outer)) : std::nullopt);
      return;
    }
    if (line.starts_with("</g>")) {
      if (groups_.empty()) return;
      Draft& draft = Current();
      if (draft.depth == 0) return;
      draft.body.append(line).push_back('\n');
      draft.whole_body.append(line).push_back('\n');
      --draft.depth;
      groups_.pop_back();
      mappings_.pop_back();
      return;
    }
    // Shapes wholly outside the shown corner are left out; the rest are
    // charged what the window takes to draw them.
    if (const auto cost = CostOfElement(line, mappings_.empty() ? base_ : mappings_.back(), shown_width_, shown_height_)) {
      if (cost->outside) return;
      if (!budget_.SpendShown(kShownElementWork + cost->work)) {
        ok_ = false;
        return;
      }
    }
    std::string element = WithoutClipPath(line);
    // GDI stretches bitmaps pixel by pixel, without smoothing.
    if (element.starts_with("<image")) element = WithAttribute(element, "image-rendering", "optimizeSpeed");
    const bool shape = element.starts_with("<rect") || element.starts_with("<ellipse") ||
                       element.starts_with("<path") || element.starts_with("<polygon");
    // With no pen the converter outlines a shape in its fill colour, one
    // pixel wide (its own stand-in for GDI filling to the edge); the fill
    // alone is closer, and a hatch must not get that outline.
    if (shape && AttributeOf(element, "stroke-width") == "1px" &&
        AttributeOf(element, "stroke") == AttributeOf(element, "fill")) {
      element = WithAttribute(element, "stroke", "none");
    }
    const auto fill = AttributeOf(element, "fill");
    if (hatch_ && shape && fill && *fill != "none") {
      Hatched(element);
    } else {
      Add(Current(), element, element);
    }
  }

  // False when a region operation or the shown drawing went past the
  // picture's budget.
  bool WithinBudget() const { return ok_; }

  EmfSvg Finish() {
    EmfSvg out;
    // The converter's units, scaled to the picture's pixels on both axes.
    const std::string size = std::to_string(width_) + "\" height=\"" + std::to_string(height_);
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
                             "<svg version=\"1.1\" xmlns=\"http://www.w3.org/2000/svg\" "
                             "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"" +
                             size + "\" viewBox=\"0 0 " + std::to_string(width_) + " " + std::to_string(height_) +
                             "\">\n<g transform=\"scale(" + Number(px_x_, 6) + " " + Number(px_y_, 6) + ")\">\n";
    const std::string tail = "</g>\n</svg>\n";
    std::string defs;
    std::string whole;
    int id = 0;
    for (Draft& draft : drafts_) {
      if (!draft.drawn) continue;
      ++id;
      std::string reopen;
      for (const std::string& g : draft.groups) reopen.append(g).push_back('\n');
      std::string close;
      for (int i = 0; i < draft.depth; ++i) close += "</g>\n";

      SvgLayer layer;
      layer.Svg = Join({head, reopen, draft.body, close, tail});
      layer.Clipped = draft.clip.has_value();
      if (draft.clip) {
        defs += "<clipPath id=\"tv-clip-" + std::to_string(id) + "\">";
        for (const RectD& r : *draft.clip) {
          const PixelRect p{static_cast<int>(std::lround(std::clamp(r.left, -1e8, 1e8))),
                            static_cast<int>(std::lround(std::clamp(r.top, -1e8, 1e8))),
                            static_cast<int>(std::lround(std::clamp(r.right, -1e8, 1e8))),
                            static_cast<int>(std::lround(std::clamp(r.bottom, -1e8, 1e8)))};
          if (p.Left >= p.Right || p.Top >= p.Bottom) continue;
          layer.Clip.push_back(p);
          defs += "<rect x=\"" + Number(p.Left / px_x_) + "\" y=\"" + Number(p.Top / px_y_) + "\" width=\"" +
                  Number((p.Right - p.Left) / px_x_) + "\" height=\"" + Number((p.Bottom - p.Top) / px_y_) + "\"/>";
        }
        defs += "</clipPath>\n";
      }
      if (draft.hatch >= 0) {
        layer.Hatch = draft.hatch;
        layer.HatchColor = 0xFF000000u | draft.hatch_color;
        defs += Pattern(id, draft.hatch, draft.hatch_color);
      }
      whole += draft.clip ? "<g clip-path=\"url(#tv-clip-" + std::to_string(id) + ")\">\n" : "<g>\n";
      std::string& body = draft.whole_body;
      if (draft.hatch >= 0) {
        for (std::size_t at; (at = body.find("fill=\"#000000\"")) != std::string::npos;) {
          body.replace(at, 14, "fill=\"url(#tv-hatch-" + std::to_string(id) + ")\"");
        }
      }
      whole.append(reopen).append(body).append(close).append("</g>\n");
      out.layers.push_back(std::move(layer));
    }
    out.svg = defs.empty() ? Join({head, whole, tail}) : Join({head, "<defs>\n", defs, "</defs>\n", whole, tail});
    return out;
  }

 private:
  Draft& Current() {
    const int hatch = hatch_layer_ ? hatch_->hatch : -1;
    const std::uint32_t color = hatch_layer_ ? hatch_->hatch_color : 0;
    if (drafts_.empty() || !SameRegion(drafts_.back().clip, clip_) || drafts_.back().hatch != hatch ||
        drafts_.back().hatch_color != color) {
      Spend(clip_ ? Size(*clip_) + 1 : 1);  // the draft keeps a copy
      if (!budget_.SpendLayer() || !budget_.SpendShown(kShownLayerWork)) ok_ = false;
      Draft draft;
      draft.groups = groups_;
      draft.depth = static_cast<int>(groups_.size());
      draft.clip = clip_;
      draft.hatch = hatch;
      draft.hatch_color = color;
      drafts_.push_back(std::move(draft));
    }
    return drafts_.back();
  }

  static void Add(Draft& draft, std::string_view line, std::string_view whole_line) {
    draft.body.append(line).push_back('\n');
    draft.whole_body.append(whole_line).push_back('\n');
    draft.drawn = true;
  }

  // GDI fills the gaps of a hatch with the background colour when the
  // background mode is OPAQUE, draws the hatch lines, then the outline.
  void Hatched(const std::string& element) {
    const MarkerOp& op = *hatch_;
    if (op.background_opaque) {
      const std::string ground = WithAttribute(WithAttribute(element, "fill", Hex(op.background_color)), "stroke", "none");
      Add(Current(), ground, ground);
    }
    hatch_layer_ = true;
    const std::string stencil = WithAttribute(WithAttribute(element, "fill", "#000000"), "stroke", "none");
    Add(Current(), stencil, stencil);
    hatch_layer_ = false;
    const auto stroke = AttributeOf(element, "stroke");
    if (stroke && *stroke != "none") {
      const std::string outline = WithAttribute(element, "fill", "none");
      Add(Current(), outline, outline);
    }
  }

  // The whole document's version of a hatch: 8 x 8 pixel cells.
  std::string Pattern(int id, int hatch, std::uint32_t color) const {
    const double ux = 1 / px_x_, uy = 1 / px_y_;
    std::string cells;
    const auto pixel = [&](int x, int y) {
      cells += "<rect x=\"" + Number(x * ux) + "\" y=\"" + Number(y * uy) + "\" width=\"" + Number(ux) +
               "\" height=\"" + Number(uy) + "\" fill=\"" + Hex(color) + "\"/>";
    };
    for (int i = 0; i < 8; ++i) {
      if (hatch == 0 || hatch == 4) pixel(i, 3);
      if (hatch == 1 || hatch == 4) pixel(4, i);
      if (hatch == 2 || hatch == 5) pixel(i, i);
      if (hatch == 3 || hatch == 5) pixel(7 - i, i);
    }
    return "<pattern id=\"tv-hatch-" + std::to_string(id) + "\" patternUnits=\"userSpaceOnUse\" width=\"" +
           Number(8 * ux) + "\" height=\"" + Number(8 * uy) + "\">" + cells + "</pattern>\n";
  }

  Region Whole() const { return {RectD{0, 0, static_cast<double>(width_), static_cast<double>(height_)}}; }

  void Apply(const MarkerOp& op) {
    using Kind = MarkerOp::Kind;
    if (!ok_) return;
    const std::int64_t clip = clip_ ? Size(*clip_) : 0;
    switch (op.kind) {
      case Kind::IntersectClip:
        if (pending_clip_ && Spend(clip + 1)) clip_ = clip_ ? Intersect(*clip_, {*pending_clip_}) : Region{*pending_clip_};
        break;
      case Kind::ExcludeClip:
        if (pending_clip_ && Spend(5 * clip + 5)) clip_ = Subtract(clip_ ? *clip_ : Whole(), *pending_clip_);
        break;
      case Kind::SaveDc:
        if (Spend(clip + 1)) saved_.push_back(clip_);
        break;
      case Kind::RestoreDc: {
        const auto n = static_cast<std::size_t>(-static_cast<std::int64_t>(op.level));
        if (n >= 1 && n <= saved_.size()) {
          clip_ = saved_[saved_.size() - n];
          saved_.resize(saved_.size() - n);
        }
        break;
      }
      case Kind::ResetClip:
        clip_.reset();
        break;
      case Kind::CopyRegion:
        if (Spend(Size(op.region))) clip_ = op.region;
        break;
      case Kind::AndRegion:
        // Every pair is tried; the result can hold as many.
        if (Spend(clip_ ? clip * Size(op.region) : Size(op.region))) {
          clip_ = clip_ ? Intersect(*clip_, op.region) : op.region;
        }
        break;
      case Kind::OrRegion:
        if (clip_ && Spend(clip + Size(op.region))) clip_->insert(clip_->end(), op.region.begin(), op.region.end());
        break;
      case Kind::DiffRegion: {
        Region region = clip_ ? *clip_ : Whole();
        for (const RectD& r : op.region) {
          if (!Spend(5 * Size(region))) return;
          if (Size(region) > kMaxRegionRects) {
            ok_ = false;
            return;
          }
          region = Subtract(region, r);
        }
        clip_ = std::move(region);
        break;
      }
      case Kind::BeginHatch:
        hatch_ = op;
        break;
      case Kind::EndHatch:
        hatch_.reset();
        break;
    }
    Check(clip_);
  }

  // False, and the layering over, once a region operation goes past the
  // budget.
  bool Spend(std::int64_t work) {
    ok_ = ok_ && budget_.SpendRegion(work, 0);
    return ok_;
  }
  void Check(const std::optional<Region>& region) {
    if (region && Size(*region) > kMaxRegionRects) ok_ = false;
  }

  const std::vector<MarkerOp>& markers_;
  PictureBudget& budget_;
  bool ok_ = true;
  int width_;
  int height_;
  double px_x_;
  double px_y_;
  int shown_width_;
  int shown_height_;
  std::optional<Affine> base_;  // the converter's units onto picture pixels
  std::vector<std::string> groups_;
  std::vector<std::optional<Affine>> mappings_;  // for each open group, its units onto picture pixels
  std::optional<Region> clip_;
  std::vector<std::optional<Region>> saved_;
  std::optional<RectD> pending_clip_;
  std::optional<MarkerOp> hatch_;
  bool hatch_layer_ = false;
  std::vector<Draft> drafts_;
};

}  // namespace

std::optional<EmfSvg> LayerConvertedSvg(std::string_view converted, const std::vector<MarkerOp>& markers, int width,
                                        int height, PictureBudget& budget) {
  const std::size_t svg_at = converted.find("<svg");
  if (svg_at == std::string_view::npos) return std::nullopt;
  const std::size_t tag_end = converted.find('>', svg_at);
  const std::size_t close = converted.rfind("</svg>");
  if (tag_end == std::string_view::npos || close == std::string_view::npos || close < tag_end) return std::nullopt;
  const std::string_view tag = converted.substr(svg_at, tag_end + 1 - svg_at);
  const auto w = AttributeOf(tag, "width"), h = AttributeOf(tag, "height");
  if (!w || !h) return std::nullopt;
  const double svg_width = std::strtod(std::string(*w).c_str(), nullptr);
  const double svg_height = std::strtod(std::string(*h).c_str(), nullptr);
  if (!(svg_width > 0) || !(svg_height > 0) || !std::isfinite(svg_width) || !std::isfinite(svg_height)) {
    return std::nullopt;
  }

  Layering layering(markers, std::max(width, 1), std::max(height, 1), svg_width, svg_height, budget);
  std::string_view body = converted.substr(tag_end + 1, close - tag_end - 1);
  while (!body.empty() && layering.WithinBudget()) {
    const std::size_t end = body.find('\n');
    layering.Line(body.substr(0, end));
    if (end == std::string_view::npos) break;
    body.remove_prefix(end + 1);
  }
  if (!layering.WithinBudget()) return std::nullopt;
  return layering.Finish();
}

namespace {

std::optional<EmfSvg> Convert(Bytes& bytes, const std::vector<MarkerOp>& markers, int width, int height,
                              PictureBudget& budget) {
  generatorOptions options{};
  options.nameSpace = nullptr;  // with a prefix the converter leaves some closing tags without it
  options.verbose = false;
  options.emfplus = true;
  options.svgDelimiter = true;
  options.imgWidth = std::max(width, 1);
  options.imgHeight = std::max(height, 1);
  char* out = nullptr;
  std::size_t out_length = 0;
  const int ok = emf2svg(bytes.data(), bytes.size(), &out, &out_length, &options);
  const std::unique_ptr<char, decltype(&std::free)> owned(out, &std::free);
  if (ok == 0 || out == nullptr) return std::nullopt;
  return LayerConvertedSvg(std::string_view(out, out_length), markers, width, height, budget);
}

}  // namespace

std::optional<EmfSvg> ConvertEnhancedMetafile(BytesView file, int width, int height) {
  PictureBudget budget;
  // The converter takes long over a big file: a beginning that already
  // goes past the budget refuses it sooner. Only the budget decides; a
  // beginning the layering cannot read says nothing of the whole.
  const auto past_budget = [&](Bytes& beginning, const std::vector<MarkerOp>& markers) {
    PictureBudget trial = budget;
    return !Convert(beginning, markers, width, height, trial) && trial.Exhausted();
  };
  auto prepared = PrepareEnhancedMetafile(file, std::max(width, 1), std::max(height, 1), budget, past_budget);
  if (!prepared) return std::nullopt;
  return Convert(prepared->bytes, prepared->markers, width, height, budget);
}

}  // namespace torvane::pictures
