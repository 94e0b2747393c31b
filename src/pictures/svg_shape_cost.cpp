#include "pictures/svg_shape_cost.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "pictures/picture_budget.hpp"

namespace torvane::pictures {
namespace {

struct Point {
  double x = 0;
  double y = 0;
};

// The numbers in `text`, whatever separates them.
std::vector<double> Numbers(std::string_view text) {
  std::vector<double> out;
  const std::string copy(text);
  const char* p = copy.c_str();
  while (*p != '\0') {
    if ((*p >= '0' && *p <= '9') || *p == '-' || *p == '.' || *p == '+') {
      char* end = nullptr;
      const double v = std::strtod(p, &end);
      if (end == p) {
        ++p;
        continue;
      }
      out.push_back(std::isfinite(v) ? std::clamp(v, -1e9, 1e9) : 0.0);
      p = end;
    } else {
      ++p;
    }
  }
  return out;
}

double NumberOf(std::string_view line, std::string_view name) {
  const auto value = AttributeOf(line, name);
  if (!value) return 0;
  const auto numbers = Numbers(*value);
  return numbers.empty() ? 0 : numbers.front();
}

Point Map(const Affine& m, Point p) { return {m.a * p.x + m.c * p.y + m.e, m.b * p.x + m.d * p.y + m.f}; }

// Path data the converter writes with absolute M, L, C and Z only: its
// numbers are x, y pairs. Anything else (arcs, relative steps) is not
// read as points.
bool PlainPathData(std::string_view d) {
  return std::all_of(d.begin(), d.end(), [](char ch) {
    return (ch >= '0' && ch <= '9') || ch == ' ' || ch == ',' || ch == '.' || ch == '-' || ch == 'M' || ch == 'L' ||
           ch == 'C' || ch == 'Z';
  });
}

std::size_t Characters(std::string_view element) {
  const std::size_t begin = element.find("<![CDATA[");
  const std::size_t end = element.rfind("]]>");
  if (begin == std::string_view::npos || end == std::string_view::npos || end < begin + 9) return 0;
  std::size_t n = 0;
  for (std::size_t i = begin + 9; i < end; ++i) n += (static_cast<unsigned char>(element[i]) & 0xC0) != 0x80;
  return n;
}

// Rows covered and crossings squared of the closed outline through
// `points` (in pixels), within rows 0 .. height - 1.
std::int64_t OutlineWork(const std::vector<Point>& points, int height) {
  if (points.empty() || height <= 0) return 0;
  std::vector<std::int64_t> starts(static_cast<std::size_t>(height) + 1, 0);
  const auto row = [&](double y) { return static_cast<int>(std::clamp(std::floor(y), -1.0, static_cast<double>(height))); };
  int first = height, last = -1;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Point& p = points[i];
    const Point& q = points[(i + 1) % points.size()];
    const int from = std::max(row(std::min(p.y, q.y)), 0);
    const int to = std::min(row(std::max(p.y, q.y)), height - 1);
    if (from > to) continue;
    ++starts[static_cast<std::size_t>(from)];
    --starts[static_cast<std::size_t>(to) + 1];
    first = std::min(first, from);
    last = std::max(last, to);
  }
  std::int64_t work = static_cast<std::int64_t>(points.size()), crossings = 0;
  for (int y = first; y <= last; ++y) {
    crossings += starts[static_cast<std::size_t>(y)];
    work += 1 + crossings * crossings;
  }
  return work;
}

}  // namespace

std::optional<std::string_view> AttributeOf(std::string_view line, std::string_view name) {
  const std::string key = " " + std::string(name) + "=\"";
  const std::size_t at = line.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  const std::size_t begin = at + key.size();
  const std::size_t end = line.find('"', begin);
  if (end == std::string_view::npos) return std::nullopt;
  return line.substr(begin, end - begin);
}


Affine Affine::Then(const Affine& o) const {
  return {o.a * a + o.c * b, o.b * a + o.d * b, o.a * c + o.c * d, o.b * c + o.d * d, o.a * e + o.c * f + o.e,
          o.b * e + o.d * f + o.f};
}

std::optional<Affine> ParseTransform(std::string_view transform) {
  Affine m;
  while (true) {
    const std::size_t open = transform.find('(');
    if (open == std::string_view::npos) break;
    const std::size_t close = transform.find(')', open);
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view name = transform.substr(0, open);
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    const std::vector<double> v = Numbers(transform.substr(open + 1, close - open - 1));
    Affine step;
    if (name == "translate" && (v.size() == 1 || v.size() == 2)) {
      step.e = v[0];
      step.f = v.size() == 2 ? v[1] : 0;
    } else if (name == "scale" && (v.size() == 1 || v.size() == 2)) {
      step.a = v[0];
      step.d = v.size() == 2 ? v[1] : v[0];
    } else if (name == "matrix" && v.size() == 6) {
      step = {v[0], v[1], v[2], v[3], v[4], v[5]};
    } else {
      return std::nullopt;
    }
    // Listed outermost first: each later one applies before those left of it.
    m = step.Then(m);
    transform.remove_prefix(close + 1);
  }
  while (!transform.empty() && transform.front() == ' ') transform.remove_prefix(1);
  if (!transform.empty()) return std::nullopt;
  return m;
}

std::optional<ShapeCost> CostOfElement(std::string_view element, const std::optional<Affine>& mapping, int shown_width,
                                       int shown_height) {
  std::vector<Point> points;
  bool readable = true;      // the points bound all it draws
  bool has_outline = true;   // filled row by row
  std::size_t glyphs = 0;
  const bool stroked = AttributeOf(element, "stroke").value_or("none") != "none";
  double margin = stroked ? NumberOf(element, "stroke-width") / 2 : 0;
  if (element.starts_with("<rect") || element.starts_with("<image")) {
    const double x = NumberOf(element, "x"), y = NumberOf(element, "y");
    const double w = NumberOf(element, "width"), h = NumberOf(element, "height");
    points = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
    has_outline = element.starts_with("<rect");
  } else if (element.starts_with("<ellipse")) {
    const double cx = NumberOf(element, "cx"), cy = NumberOf(element, "cy");
    const double rx = std::abs(NumberOf(element, "rx")), ry = std::abs(NumberOf(element, "ry"));
    points = {{cx - rx, cy - ry}, {cx + rx, cy - ry}, {cx + rx, cy + ry}, {cx - rx, cy + ry}};
  } else if (element.starts_with("<path") || element.starts_with("<polygon") || element.starts_with("<polyline")) {
    const std::string_view data = AttributeOf(element, element.starts_with("<path") ? "d" : "points").value_or("");
    readable = !element.starts_with("<path") || PlainPathData(data);
    const std::vector<double> v = Numbers(data);
    for (std::size_t i = 0; i + 1 < v.size(); i += 2) points.push_back({v[i], v[i + 1]});
  } else if (element.starts_with("<text")) {
    // Where the glyphs fall depends on the font: allow a whole em each
    // side of the anchor per character, and two above the baseline.
    glyphs = Characters(element);
    const double x = NumberOf(element, "x"), y = NumberOf(element, "y");
    const double size = std::abs(NumberOf(element, "font-size")), reach = size * static_cast<double>(glyphs + 1);
    points = {{x - reach, y - 2 * size}, {x + reach, y - 2 * size}, {x + reach, y + size}, {x - reach, y + size}};
    has_outline = false;
  } else {
    return std::nullopt;
  }
  if (AttributeOf(element, "transform") || !mapping) readable = false;
  const Affine to_pixels = mapping.value_or(Affine{});

  const double scale = std::sqrt(std::abs(to_pixels.a * to_pixels.d - to_pixels.b * to_pixels.c));
  margin = margin * scale + 2;  // smoothing spreads a pixel further
  double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
  for (Point& p : points) {
    p = Map(to_pixels, p);
    left = std::min(left, p.x);
    top = std::min(top, p.y);
    right = std::max(right, p.x);
    bottom = std::max(bottom, p.y);
  }
  ShapeCost cost;
  cost.outside = readable && !points.empty() &&
                 (right + margin < 0 || bottom + margin < 0 || left - margin > shown_width || top - margin > shown_height);
  if (cost.outside) return cost;
  if (!readable) {
    // Each point may cross every shown row.
    const auto n = static_cast<std::int64_t>(points.size()) + 4;
    cost.work = shown_height * (1 + n * n);
  } else if (has_outline) {
    cost.work = OutlineWork(points, shown_height);
    // A wide pen is filled as an outline of its own, each side crossing.
    if (stroked && margin - 2 > 1) cost.work *= 4;
  } else {
    const double rows = std::clamp(std::min(bottom, static_cast<double>(shown_height)) - std::max(top, 0.0), 0.0,
                                   static_cast<double>(shown_height));
    const auto letters = static_cast<std::int64_t>(std::max<std::size_t>(glyphs, 1));
    cost.work = 1 + static_cast<std::int64_t>(rows) * letters;
    if (element.starts_with("<text")) cost.work += (letters + 1) * kShownGlyphWork;
  }
  return cost;
}

}  // namespace torvane::pictures
