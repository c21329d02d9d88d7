#include "drawgen/drawgen.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <numbers>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace orvello::drawgen {
namespace {

constexpr double kReferenceHeightCm = 10;
constexpr int kSimpsonSteps = 10000;  // per piece between two breaks
constexpr double kMaxSupersampledPixels = 120e6;

// A knot of the body curve: at t = height / vessel height, the radius in cm
// of a vessel kReferenceHeightCm tall and its derivative against t.
struct KnotDef {
  double t;
  double value;
  double slope;
};

struct ShapeDef {
  const char* name;
  std::vector<KnotDef> knots;
  double floor_t;  // inner floor height / vessel height
  double foot_t;   // top of the vertical foot / vessel height
  double wall_cm;  // wall thickness across the surface
};

const ShapeDef& Definition(Shape shape) {
  static const ShapeDef kCylinder{"cylinder", {{0, 4.0, 0}, {1, 4.0, 0}}, 0.08, 0.1, 0.6};
  static const ShapeDef kBowl{"bowl", {{0, 3.2, 10}, {1, 10.0, 3.5}}, 0.07, 0.1, 0.5};
  static const ShapeDef kGlobular{
      "globular", {{0, 3.0, 9}, {0.42, 4.7, 0}, {0.88, 2.6, -6}, {1, 2.4, 0.5}}, 0.07, 0.1, 0.5};
  static const ShapeDef kNecked{
      "necked", {{0, 2.7, 8}, {0.38, 4.3, 0}, {0.8, 1.9, 0}, {1, 2.4, 4}}, 0.07, 0.1, 0.45};
  static const ShapeDef kBeaker{"beaker", {{0, 2.9, 0.3}, {1, 3.7, 1.5}}, 0.06, 0.1, 0.45};
  static const ShapeDef kCone{"cone", {{0, 1.9, 2.3}, {1, 4.2, 2.3}}, 0.07, 0.1, 0.5};
  switch (shape) {
    case Shape::kCylinder:
      return kCylinder;
    case Shape::kBowl:
      return kBowl;
    case Shape::kGlobularJar:
      return kGlobular;
    case Shape::kNeckedJar:
      return kNecked;
    case Shape::kBeaker:
      return kBeaker;
    case Shape::kCone:
      return kCone;
  }
  throw std::invalid_argument("unknown shape");
}

// Composite Simpson rule of f over [a, b].
double Simpson(const std::function<double(double)>& f, double a, double b) {
  const int n = kSimpsonSteps;
  const double step = (b - a) / n;
  double sum = f(a) + f(b);
  for (int i = 1; i < n; ++i) sum += f(a + i * step) * (i % 2 == 1 ? 4 : 2);
  return sum * step / 3;
}

// Integral of f over [a, b], split at the profile's breaks.
double Integrate(const Profile& profile, const std::function<double(double)>& f, double a,
                 double b) {
  std::vector<double> cuts{a};
  for (double h : profile.Breaks()) {
    if (h > a && h < b) cuts.push_back(h);
  }
  cuts.push_back(b);
  double sum = 0;
  for (size_t i = 0; i + 1 < cuts.size(); ++i) {
    sum += Simpson(f, cuts[i], cuts[i + 1]);
  }
  return sum;
}

// ---------------------------------------------------------------------------
// Rasterisation. Coordinates are "edge" coordinates: pixel (i, j) covers
// [i, i + 1] x [j, j + 1]. A region is described row by row: for a height u
// (pixels above the bottom of the foot) its span of distances from the axis.

struct Span {
  double lo;
  double hi;
};
using SpanFn = std::function<std::optional<Span>(double u)>;

enum class Side { kLeft, kRight, kBoth };

struct Region {
  double u_lo;
  double u_hi;
  SpanFn span;
  Side side;
  double axis;  // x of the axis
  uchar value;
};

constexpr int kShift = 8;  // sub-pixel bits of the polygon vertices
constexpr int kOne = 1 << kShift;

// The column that cv::fillPoly gives to a vertex x (it rounds half up).
int FillColumn(int64_t fixed_x) { return static_cast<int>((fixed_x + kOne / 2) >> kShift); }

// Appends vertex b after a, with an extra vertex when their columns are more
// than one apart: cv::fillPoly paints the pixels of each polygon edge, so a
// steep edge between two rows is replaced by a horizontal run on the row the
// region covers there (the wider one) and a step of one column.
void AppendVertex(std::vector<cv::Point>* poly, cv::Point b, bool left) {
  if (!poly->empty()) {
    const cv::Point a = poly->back();
    const int ca = FillColumn(a.x);
    const int cb = FillColumn(b.x);
    if (std::abs(cb - ca) > 1) {
      const bool a_wide = left ? ca < cb : ca > cb;
      const int narrow = a_wide ? cb : ca;
      const int wide_y = a_wide ? a.y : b.y;
      poly->emplace_back((narrow + (left ? -1 : 1)) * kOne, wide_y);
    }
  }
  poly->push_back(b);
}

// Fills `region` into `canvas`, drawn at `factor` times the nominal size.
// A pixel is filled when its centre lies inside the region.
void Fill(const Region& region, double foot_edge, int factor, cv::Mat* canvas) {
  const double f = factor;
  const int first = std::max(0, static_cast<int>(std::ceil(f * (foot_edge - region.u_hi) - 0.5)));
  const int last =
      std::min(canvas->rows - 1, static_cast<int>(std::floor(f * (foot_edge - region.u_lo) - 0.5)));
  struct Row {
    int y;
    int64_t left;
    int64_t right;
  };
  std::vector<std::vector<Row>> runs(1);
  for (int y = first; y <= last; ++y) {
    const double u = foot_edge - (y + 0.5) / f;
    const std::optional<Span> span = region.span(u);
    bool covered = false;
    if (span && span->hi >= span->lo) {
      double xl = 0;
      double xr = 0;
      switch (region.side) {
        case Side::kLeft:
          xl = region.axis - span->hi;
          xr = region.axis - span->lo;
          break;
        case Side::kRight:
          xl = region.axis + span->lo;
          xr = region.axis + span->hi;
          break;
        case Side::kBoth:
          xl = region.axis - span->hi;
          xr = region.axis + span->hi;
          break;
      }
      // Column i is inside when xl <= i + 0.5 <= xr (times the factor);
      // cv::fillPoly rounds both vertex columns, hence the half-pixel shift.
      const int64_t left = std::llround(xl * f * kOne);
      const int64_t right = std::llround((xr * f - 1) * kOne);
      if (FillColumn(left) <= FillColumn(right)) {
        runs.back().push_back({y, left, right});
        covered = true;
      }
    }
    if (!covered && !runs.back().empty()) runs.emplace_back();
  }
  for (const std::vector<Row>& run : runs) {
    if (run.empty()) continue;
    std::vector<cv::Point> poly;
    for (const Row& row : run) {
      AppendVertex(&poly, cv::Point(static_cast<int>(row.left), row.y * kOne), true);
    }
    for (auto it = run.rbegin(); it != run.rend(); ++it) {
      AppendVertex(&poly, cv::Point(static_cast<int>(it->right), it->y * kOne), false);
    }
    cv::fillPoly(*canvas, std::vector<std::vector<cv::Point>>{poly}, cv::Scalar(region.value),
                 cv::LINE_8, kShift);
  }
}

// ---------------------------------------------------------------------------
// The vessel in pixels.

struct PixelProfile {
  const Profile* profile;
  double k;       // pixels per cm
  double top;     // rim top height, px
  double floor;   // inner floor height, px
  double stroke;  // stroke width, px

  double Outer(double u) const {
    return profile->OuterRadius(std::clamp(u / k, 0.0, profile->height_cm())) * k;
  }
  double Inner(double u) const {
    return profile->InnerRadius(std::clamp(u / k, profile->floor_cm(), profile->height_cm())) * k;
  }
  // Horizontal width of a stroke `stroke` px thick across a surface, from the
  // surface's slope averaged over one stroke width on each side.
  double Across(const std::function<double(double)>& radius, double u, double lo, double hi) const {
    const double d = std::max(stroke, 1.0);
    const double a = std::max(lo, u - d);
    const double b = std::min(hi, u + d);
    const double slope = b > a ? (radius(b) - radius(a)) / (b - a) : 0;
    return stroke * std::sqrt(1 + slope * slope);
  }
  double OuterStroke(double u) const {
    return Across([this](double v) { return Outer(v); }, u, 0, top);
  }
  double InnerStroke(double u) const {
    return Across([this](double v) { return Inner(v); }, std::max(u, floor), floor, top);
  }
};

// The spans below take `out`, the share of each stroke's width that lies
// outside the material: 0 when strokes lie inside it (Surface::kEdge, or no
// stroke at all), 0.5 when they are centred on the surface (kMiddle).

// Ink of the exterior, from the axis out to the outer surface (and the part
// of its stroke outside the material).
SpanFn ExteriorSpan(const PixelProfile& p, double out) {
  if (out == 0) {
    return [p](double u) -> std::optional<Span> { return Span{0, p.Outer(u)}; };
  }
  return [p, out](double u) -> std::optional<Span> {
    return Span{0, p.Outer(u) + out * p.OuterStroke(u)};
  };
}

// Paper inside the exterior outline, `axis_gap` px away from the axis.
SpanFn ExteriorInside(const PixelProfile& p, double axis_gap, double out) {
  const double in = 1 - out;
  return [p, axis_gap, in](double u) -> std::optional<Span> {
    return Span{axis_gap, p.Outer(u) - in * p.OuterStroke(u)};
  };
}

// Ink of the wall section: wall above the inner floor, base below it.
SpanFn SectionSpan(const PixelProfile& p, double out) {
  if (out == 0) {
    return [p](double u) -> std::optional<Span> {
      if (u <= p.floor) return Span{0, p.Outer(u)};
      return Span{p.Inner(u), p.Outer(u)};
    };
  }
  return [p, out](double u) -> std::optional<Span> {
    const double outer = p.Outer(u) + out * p.OuterStroke(u);
    if (u <= p.floor + out * p.stroke) return Span{0, outer};
    return Span{p.Inner(u) - out * p.InnerStroke(u), outer};
  };
}

// Paper inside the section outline, `axis_gap` px away from the axis.
SpanFn SectionInside(const PixelProfile& p, double axis_gap, double out) {
  const double in = 1 - out;
  return [p, axis_gap, in](double u) -> std::optional<Span> {
    const double outer = p.Outer(u) - in * p.OuterStroke(u);
    if (u <= p.floor - in * p.stroke) return Span{axis_gap, outer};
    return Span{p.Inner(std::max(u, p.floor)) + in * p.InnerStroke(u), outer};
  };
}

SpanFn Band(double lo, double hi) {
  return [lo, hi](double) -> std::optional<Span> { return Span{lo, hi}; };
}

// The handle: a strap `width` px wide whose middle line is the outer half of
// an ellipse from height u1 to u2 reaching `reach` px from the axis, joined
// to the exterior outline (whose inner edge lies `in_share` of a stroke
// inside the outer surface).
struct HandleShape {
  double u1 = 0;
  double u2 = 0;
  double reach = 0;
  double width = 0;
};

HandleShape HandleOf(const PixelProfile& p, double widest) {
  HandleShape h;
  h.u1 = 0.5 * p.top;
  h.u2 = 0.85 * p.top;
  h.width = 0.05 * p.top;
  h.reach = widest + 0.35 * std::min(widest, 0.5 * p.top);
  return h;
}

SpanFn HandleSpan(const PixelProfile& p, const HandleShape& h, double in_share) {
  double root = p.Outer(h.u1);
  for (int i = 0; i <= 100; ++i) root = std::min(root, p.Outer(h.u1 + (h.u2 - h.u1) * i / 100));
  const double uc = (h.u1 + h.u2) / 2;
  const double b = (h.u2 - h.u1) / 2;
  const double a = h.reach - h.width / 2 - root;
  const double w = h.width / 2;
  return [p, root, uc, a, b, w, in_share](double u) -> std::optional<Span> {
    const double t = u - uc;
    if (std::abs(t) >= b + w) return std::nullopt;
    const double hi = root + (a + w) * std::sqrt(1 - std::pow(t / (b + w), 2));
    double lo = root;
    if (std::abs(t) < b - w) lo = root + (a - w) * std::sqrt(1 - std::pow(t / (b - w), 2));
    lo = std::max(lo, p.Outer(u) - in_share * p.OuterStroke(u));
    if (hi < lo) return std::nullopt;
    return Span{lo, hi};
  };
}

// A gap across a stroke: the band of the stroke whose edges lie at
// `surface(u) - out_px(u)` and `surface(u) + in_px(u)`, widened by one pixel.
SpanFn GapSpan(std::function<double(double)> lo, std::function<double(double)> hi) {
  return [lo, hi](double u) -> std::optional<Span> { return Span{lo(u) - 1, hi(u) + 1}; };
}

struct Layout {
  int width = 0;
  int height = 0;
  int foot_edge = 0;  // bottom edge of the foot row
  int axis_edge = 0;  // x of the axis of the section (or the silhouette)
  int view_edge = 0;  // x of the axis of the separate exterior (category 1)
};

int RowOf(double foot_edge, double u) {  // first row whose centre is <= u high
  return static_cast<int>(std::ceil(foot_edge - u - 0.5));
}

[[noreturn]] void TooSmall() { throw std::invalid_argument("canvas too small for the drawing"); }

// Vertical placement: the foot's bottom edge, with `margin` rows above and
// below, or centred on a canvas of `rows` rows.
void PlaceRows(int rows, double top, int margin, Layout* layout) {
  const int extent = static_cast<int>(std::ceil(top));
  if (rows == 0) {
    layout->height = extent + 2 * margin;
    layout->foot_edge = margin + extent;
  } else {
    layout->height = rows;
    layout->foot_edge = static_cast<int>(std::lround((rows + top) / 2));
    if (layout->foot_edge > rows - 1 || layout->foot_edge - top < 1) TooSmall();
  }
}

// Category 2: the axis column inside [0.4 C, 0.7 C) and the exterior outline
// at or right of 0.7 C on the median search row, where it lies `reach` px
// from the axis.
bool MedianLayoutOk(int axis_edge, int width, int half, double reach) {
  const int axis_x = axis_edge - 1;
  if (axis_edge - half < 1 || axis_edge + half > width - 1) return false;
  if (axis_x < static_cast<int>(width * 0.4) || axis_x >= width * 0.7) {
    return false;
  }
  const double outline_x = std::ceil(axis_edge + reach - 0.5);
  return outline_x - 1 >= width * 0.7;  // one column to spare
}

// Category 1: every section pixel left of column C / 3 and the exterior view
// wholly right of it, at least `gap` columns from the section.
bool LeftEdgeLayoutOk(int axis_edge, int view_edge, int width, int half, int gap) {
  const int third = width / 3;
  return axis_edge - half >= 1 && axis_edge <= third &&
         view_edge - half >= std::max(axis_edge + gap, third + 1) && view_edge + half <= width - 1;
}

double Widest(const PixelProfile& p) {
  double widest = 0;
  for (int i = 0; i <= 4000; ++i) widest = std::max(widest, p.Outer(p.top * i / 4000));
  for (double h : p.profile->Breaks()) widest = std::max(widest, p.Outer(h * p.k));
  return widest;
}

// What a drawing needs beyond the vessel's outer surface: `extra` px on each
// side (strokes outside the material, a handle), `extra_rows` above and
// below; `reach` is the median search row's exterior outline distance from
// the axis column's right edge (category 2).
struct Room {
  double extra = 0;
  int extra_rows = 0;
  double reach_shift = 0;
};

Layout PlaceDrawing(const DrawOptions& o, const PixelProfile& p, const Room& room) {
  const double widest = Widest(p);
  const int half = static_cast<int>(std::ceil(widest + room.extra + 0.01));
  const int margin = std::max(10, static_cast<int>(std::lround(0.08 * p.top))) + room.extra_rows;
  Layout layout;
  PlaceRows(o.height_px, p.top, margin, &layout);
  const int width = o.width_px;

  if (o.category == 3) {
    if (width == 0) {
      layout.width = 2 * (half + margin);
      layout.axis_edge = half + margin;
    } else {
      layout.width = width;
      layout.axis_edge = width / 2;
      if (layout.axis_edge - half < 1 || layout.axis_edge + half > width - 1) {
        TooSmall();
      }
    }
  } else if (o.category == 2) {
    const int top_y = RowOf(layout.foot_edge, p.top);
    const int floor_y = RowOf(layout.foot_edge, p.floor);
    const int median_y = top_y + static_cast<int>((floor_y - top_y + 1) * 0.75);
    const double u = layout.foot_edge - (median_y + 0.5);
    const double reach = p.Outer(u) - p.OuterStroke(u) + room.reach_shift;
    if (width == 0) {
      int axis_edge = margin + half;
      while (!MedianLayoutOk(axis_edge, axis_edge + half + margin, half, reach)) {
        if (++axis_edge > kMaxSidePx) TooSmall();
      }
      layout.axis_edge = axis_edge;
      layout.width = axis_edge + half + margin;
    } else {
      layout.width = width;
      int best = -1;
      for (int a = 1; a < width; ++a) {
        if (MedianLayoutOk(a, width, half, reach) &&
            (best < 0 || std::abs(a - width / 2) < std::abs(best - width / 2))) {
          best = a;
        }
      }
      if (best < 0) TooSmall();
      layout.axis_edge = best;
    }
  } else {
    if (width == 0) {
      int gap = 2 * margin;
      layout.axis_edge = margin + half;
      for (;;) {
        layout.view_edge = layout.axis_edge + gap + half;
        layout.width = layout.view_edge + half + margin;
        if (LeftEdgeLayoutOk(layout.axis_edge, layout.view_edge, layout.width, half, gap)) {
          break;
        }
        if (++gap > kMaxSidePx) TooSmall();
      }
    } else {
      layout.width = width;
      const int gap = std::max(10, margin);
      const int vertical = std::max(1, (layout.height - static_cast<int>(std::ceil(p.top))) / 2);
      layout.axis_edge = std::clamp(vertical + half, half + 1, width / 3);
      const int lo = std::max(layout.axis_edge + gap, width / 3 + 1) + half;
      const int hi = width - 1 - half;
      layout.view_edge = (lo + hi) / 2;
      if (!LeftEdgeLayoutOk(layout.axis_edge, layout.view_edge, width, half, gap)) {
        TooSmall();
      }
    }
  }
  if (layout.width > kMaxSidePx || layout.height > kMaxSidePx) {
    throw std::invalid_argument("drawing larger than the largest canvas");
  }
  return layout;
}

void AddNoise(unsigned seed, cv::Mat* grey) {
  constexpr double kPaper = 230;
  constexpr double kSigma = 6;
  cv::RNG rng(seed);
  cv::Mat level;
  grey->convertTo(level, CV_32F, kPaper / 255.0);
  // Specks far lighter than the ink: the Otsu threshold, about halfway from
  // ink to paper, leaves them paper.
  const int specks = 12 + static_cast<int>(grey->total() / 200000);
  for (int i = 0; i < specks; ++i) {
    const int x = rng.uniform(1, grey->cols - 2);
    const int y = rng.uniform(1, grey->rows - 2);
    if (grey->at<uchar>(y, x) != 255) continue;
    const float value = static_cast<float>(rng.uniform(160.0, 190.0));
    level.at<float>(y, x) = value;
    if (rng.uniform(0, 2) == 1 && grey->at<uchar>(y, x + 1) == 255) {
      level.at<float>(y, x + 1) = value;
    }
  }
  cv::Mat noise(level.size(), CV_32F);
  rng.fill(noise, cv::RNG::NORMAL, 0, kSigma);
  level += noise;
  level.convertTo(*grey, CV_8U);
}

// Hatches `region` (drawn at `factor` times the nominal size) with ink lines
// at 45 degrees, `spacing` px apart and `width` px wide.
void Hatch(const Region& region, int foot_edge, int factor, double spacing, double width,
           cv::Mat* canvas) {
  cv::Mat inside = cv::Mat::zeros(canvas->size(), CV_8UC1);
  Region mask = region;
  mask.value = 255;
  Fill(mask, foot_edge, factor, &inside);
  cv::Mat lines = cv::Mat::zeros(canvas->size(), CV_8UC1);
  const double step = spacing * factor;
  const int thickness = std::max(1, static_cast<int>(std::lround(width * factor)));
  const int rows = canvas->rows;
  for (double c = 0; c < canvas->cols + rows; c += step) {
    const int x = static_cast<int>(std::lround(c));
    cv::line(lines, cv::Point(x, 0), cv::Point(x - rows, rows), cv::Scalar(255), thickness,
             cv::LINE_8);
  }
  canvas->setTo(0, inside & lines);
}

// Draws `text` with its baseline's left end at `origin`, letters `height` px
// tall (the height of a capital).
void PutText(cv::Mat* grey, const std::string& text, cv::Point origin, double height, double mm,
             bool antialias) {
  const int font = cv::FONT_HERSHEY_SIMPLEX;
  const int thickness = std::max(1, static_cast<int>(std::lround(0.3 * mm)));
  int base = 0;
  const double unit = cv::getTextSize("F", font, 1.0, thickness, &base).height;
  cv::putText(*grey, text, origin, font, height / unit, cv::Scalar(0), thickness,
              antialias ? cv::LINE_AA : cv::LINE_8);
}

cv::Size TextSize(const std::string& text, double height, double mm) {
  const int font = cv::FONT_HERSHEY_SIMPLEX;
  const int thickness = std::max(1, static_cast<int>(std::lround(0.3 * mm)));
  int base = 0;
  const double unit = cv::getTextSize("F", font, 1.0, thickness, &base).height;
  return cv::getTextSize(text, font, height / unit, thickness, &base);
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

void Shift(Lines* lines, double dx, double dy) {
  lines->axis_x += dx;
  lines->rim_y += dy;
  if (lines->floor_y != 0) lines->floor_y += dy;
}

// The annotations of a plate and the dust and skew of its scan: a caption
// and catalogue number, a scale bar, specks, a turn of the sheet. Grows the
// canvas as needed and keeps `d`'s positions in step.
void Annotate(const DrawOptions& o, double k, double mm, cv::Mat* grey, Drawing* d) {
  const bool aa = o.antialias;
  cv::Mat points;
  cv::findNonZero(*grey < 128, points);
  cv::Rect ink = points.empty() ? cv::Rect(0, 0, grey->cols, grey->rows) : cv::boundingRect(points);
  const int gap = static_cast<int>(std::lround(4 * mm));
  const int edge = static_cast<int>(std::lround(3 * mm));
  const std::string caption = "Fig. 12";
  const std::string number = "Inv. 1987.46";
  const double caption_h = 3 * mm;
  const double number_h = 2.5 * mm;
  const double label_h = 2.5 * mm;

  // Layout below the drawing: caption, then the bar with its labels.
  double bar_cm = 1;
  for (const double length : {2.0, 5.0, 10.0}) {
    if (length <= 0.75 * o.height_cm) bar_cm = length;
  }
  const double bar_px = bar_cm * k;
  const int bar_h = std::max(2, static_cast<int>(std::lround(1.5 * mm)));
  const int tick_h = std::max(2, static_cast<int>(std::lround(1 * mm)));
  const cv::Size caption_size = TextSize(caption, caption_h, mm);
  const cv::Size number_size = TextSize(number, number_h, mm);
  const cv::Size end_label = TextSize(Number(bar_cm) + " cm", label_h, mm);
  const int centre = ink.x + ink.width / 2;
  int y = ink.br().y + gap;
  int caption_x = 0, caption_y = 0;
  if (o.caption) {
    caption_x = centre - caption_size.width / 2;
    caption_y = y + caption_size.height;
    y = caption_y + gap;
  }
  int bar_x = 0, bar_y = 0;
  if (o.scale_bar) {
    bar_x = static_cast<int>(std::lround(centre - bar_px / 2));
    bar_y = y + static_cast<int>(std::lround(label_h)) + 2 * tick_h;
    y = bar_y + bar_h;
  }
  int number_x = 0, number_y = 0;
  if (o.caption) {
    number_x = ink.x - gap - number_size.width;
    number_y = ink.y + ink.height / 4 + number_size.height;
  }
  // Padding of the canvas.
  int left = 0, right = 0, bottom = 0;
  auto need = [&](int x0, int x1, int y1) {
    left = std::max(left, edge - x0);
    right = std::max(right, x1 + edge - grey->cols);
    bottom = std::max(bottom, y1 + edge - grey->rows);
  };
  if (o.caption) {
    need(caption_x, caption_x + caption_size.width, caption_y + caption_size.height / 3);
    need(number_x, number_x + number_size.width, number_y);
  }
  if (o.scale_bar) {
    need(bar_x - end_label.width, static_cast<int>(bar_x + bar_px) + end_label.width,
         bar_y + bar_h);
  }
  if (left > 0 || right > 0 || bottom > 0) {
    cv::copyMakeBorder(*grey, *grey, 0, bottom, left, right, cv::BORDER_CONSTANT, cv::Scalar(255));
    d->axis_x += left;
    for (Lines* lines : {&d->surface, &d->edge, &d->middle}) Shift(lines, left, 0);
    caption_x += left;
    number_x += left;
    bar_x += left;
  }
  if (o.caption) {
    PutText(grey, caption, cv::Point(caption_x, caption_y), caption_h, mm, aa);
    PutText(grey, number, cv::Point(number_x, number_y), number_h, mm, aa);
  }
  if (o.scale_bar) {
    const int x1 = static_cast<int>(std::lround(bar_x + bar_px));
    const int line = std::max(1, static_cast<int>(std::lround(0.2 * mm)));
    for (int i = 0; i < 5; ++i) {
      const int a = static_cast<int>(std::lround(bar_x + bar_px * i / 5));
      const int b = static_cast<int>(std::lround(bar_x + bar_px * (i + 1) / 5));
      if (i % 2 == 0) {
        cv::rectangle(*grey, cv::Rect(a, bar_y, b - a, bar_h), cv::Scalar(0), cv::FILLED);
      }
      cv::rectangle(*grey, cv::Point(a, bar_y - tick_h), cv::Point(a + line - 1, bar_y),
                    cv::Scalar(0), cv::FILLED);
    }
    cv::rectangle(*grey, cv::Point(x1 - line, bar_y - tick_h), cv::Point(x1 - 1, bar_y),
                  cv::Scalar(0), cv::FILLED);
    // The bar's outline, inside its edges.
    const int bottom_y = bar_y + bar_h - 1;
    cv::rectangle(*grey, cv::Point(bar_x, bar_y), cv::Point(x1 - 1, bar_y + line - 1),
                  cv::Scalar(0), cv::FILLED);
    cv::rectangle(*grey, cv::Point(bar_x, bottom_y - line + 1), cv::Point(x1 - 1, bottom_y),
                  cv::Scalar(0), cv::FILLED);
    cv::rectangle(*grey, cv::Point(bar_x, bar_y), cv::Point(bar_x + line - 1, bottom_y),
                  cv::Scalar(0), cv::FILLED);
    cv::rectangle(*grey, cv::Point(x1 - line, bar_y), cv::Point(x1 - 1, bottom_y), cv::Scalar(0),
                  cv::FILLED);
    const int label_y = bar_y - tick_h - tick_h / 2;
    const cv::Size zero = TextSize("0", label_h, mm);
    PutText(grey, "0", cv::Point(bar_x - zero.width / 2, label_y), label_h, mm, aa);
    PutText(grey, Number(bar_cm) + " cm", cv::Point(x1 - zero.width / 2, label_y), label_h, mm, aa);
    d->scale_bar_cm = bar_cm;
    d->scale_bar_x0 = bar_x - 0.5;
    d->scale_bar_x1 = x1 - 0.5;
    d->scale_bar_y = bar_y + (bar_h - 1) / 2.0;
  }
  if (o.specks > 0) {
    cv::Mat paper = *grey >= 200;
    cv::Mat distance;
    cv::distanceTransform(paper, distance, cv::DIST_L2, 3);
    cv::RNG rng(o.seed * 40503u + 11);
    for (int i = 0; i < o.specks; ++i) {
      for (int attempt = 0; attempt < 50; ++attempt) {
        const double x = rng.uniform(0.0, static_cast<double>(grey->cols));
        const double yy = rng.uniform(0.0, static_cast<double>(grey->rows));
        const double radius = std::max(0.5, rng.uniform(0.05, 0.3) * mm);
        const int level = rng.uniform(0, 81);
        if (distance.at<float>(static_cast<int>(yy), static_cast<int>(x)) <= radius + mm) continue;
        constexpr int kBits = 4;
        cv::circle(*grey, cv::Point(static_cast<int>(x * 16), static_cast<int>(yy * 16)),
                   static_cast<int>(radius * 16), cv::Scalar(level), cv::FILLED,
                   aa ? cv::LINE_AA : cv::LINE_8, kBits);
        break;
      }
    }
  }
  if (o.skew_deg != 0) {
    const double w = grey->cols;
    const double h = grey->rows;
    const double radians = o.skew_deg * std::numbers::pi / 180;
    const int cols = static_cast<int>(
        std::ceil(std::abs(std::cos(radians)) * w + std::abs(std::sin(radians)) * h));
    const int rows = static_cast<int>(
        std::ceil(std::abs(std::sin(radians)) * w + std::abs(std::cos(radians)) * h));
    cv::Mat m = cv::getRotationMatrix2D(cv::Point2f((w - 1) / 2, (h - 1) / 2), o.skew_deg, 1);
    m.at<double>(0, 2) += (cols - w) / 2;
    m.at<double>(1, 2) += (rows - h) / 2;
    cv::Mat turned;
    cv::warpAffine(*grey, turned, m, cv::Size(cols, rows), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                   cv::Scalar(255));
    *grey = turned;
    d->skew = cv::Matx23d(m.ptr<double>());
  }
}

void Validate(const DrawOptions& o) {
  if (o.category < 1 || o.category > 3) {
    throw std::invalid_argument("category must be 1, 2 or 3");
  }
  if (!(o.dpi > 0) || !std::isfinite(o.dpi)) {
    throw std::invalid_argument("dpi must be above 0");
  }
  if (!(o.scale > 0) || !std::isfinite(o.scale)) {
    throw std::invalid_argument("scale must be above 0");
  }
  if (!(o.height_cm > 0) || !std::isfinite(o.height_cm)) {
    throw std::invalid_argument("height must be above 0");
  }
  if (o.width_px < 0 || o.height_px < 0) {
    throw std::invalid_argument("canvas size must not be negative");
  }
  if (!(o.pen_mm >= 0) || !std::isfinite(o.pen_mm)) {
    throw std::invalid_argument("pen width must not be negative");
  }
  if (o.breaks < 0 || o.breaks > 1000 || o.specks < 0 || o.specks > 100000) {
    throw std::invalid_argument("breaks or specks out of range");
  }
  if (!(std::abs(o.skew_deg) <= 45)) throw std::invalid_argument("skew above 45 degrees");
  if (o.jpeg_quality < 0 || o.jpeg_quality > 100) {
    throw std::invalid_argument("JPEG quality must be from 0 to 100");
  }
  if (o.category == 3 && o.section_fill != SectionFill::kNone) {
    throw std::invalid_argument("a section fill needs a section (category 1 or 2)");
  }
  if (o.category == 3 && o.filled && o.breaks > 0) {
    throw std::invalid_argument("breaks need an outline");
  }
  if (o.width_px > kMaxSidePx || o.height_px > kMaxSidePx ||
      o.height_cm * o.scale * o.dpi / 2.54 > kMaxSidePx) {
    throw std::invalid_argument("drawing larger than the largest canvas");
  }
}

void PutLe(std::vector<uchar>* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back((value >> (8 * i)) & 0xff);
}

}  // namespace

std::vector<Shape> AllShapes() {
  return {Shape::kCylinder,  Shape::kBowl,   Shape::kGlobularJar,
          Shape::kNeckedJar, Shape::kBeaker, Shape::kCone};
}

std::string ShapeName(Shape shape) { return Definition(shape).name; }

std::string SurfaceName(Surface surface) { return surface == Surface::kMiddle ? "middle" : "edge"; }

bool ParseSurface(const std::string& name, Surface* surface) {
  for (Surface s : {Surface::kEdge, Surface::kMiddle}) {
    if (SurfaceName(s) == name) {
      *surface = s;
      return true;
    }
  }
  return false;
}

std::string SectionFillName(SectionFill fill) {
  switch (fill) {
    case SectionFill::kNone:
      return "none";
    case SectionFill::kBlack:
      return "black";
    case SectionFill::kGrey:
      return "grey";
    case SectionFill::kHatched:
      return "hatched";
  }
  return "";
}

bool ParseSectionFill(const std::string& name, SectionFill* fill) {
  for (SectionFill f :
       {SectionFill::kNone, SectionFill::kBlack, SectionFill::kGrey, SectionFill::kHatched}) {
    if (SectionFillName(f) == name) {
      *fill = f;
      return true;
    }
  }
  return false;
}

bool ParseShape(const std::string& name, Shape* shape) {
  for (Shape s : AllShapes()) {
    if (ShapeName(s) == name) {
      *shape = s;
      return true;
    }
  }
  return false;
}

Profile::Profile(Shape shape, double height_cm) : height_(height_cm) {
  const ShapeDef& def = Definition(shape);
  for (const KnotDef& knot : def.knots) {
    knots_.push_back({knot.t, knot.value, knot.slope});
  }
  floor_ = def.floor_t * height_cm;
  foot_top_ = def.foot_t * height_cm;
  wall_ = def.wall_cm;
}

double Profile::Body(double t) const {
  size_t i = 0;
  while (i + 2 < knots_.size() && t > knots_[i + 1].t) ++i;
  const Knot& a = knots_[i];
  const Knot& b = knots_[i + 1];
  const double d = b.t - a.t;
  const double s = (t - a.t) / d;
  const double s2 = s * s;
  const double s3 = s2 * s;
  return (2 * s3 - 3 * s2 + 1) * a.value + (s3 - 2 * s2 + s) * d * a.slope +
         (-2 * s3 + 3 * s2) * b.value + (s3 - s2) * d * b.slope;
}

double Profile::BodySlope(double t) const {
  size_t i = 0;
  while (i + 2 < knots_.size() && t > knots_[i + 1].t) ++i;
  const Knot& a = knots_[i];
  const Knot& b = knots_[i + 1];
  const double d = b.t - a.t;
  const double s = (t - a.t) / d;
  const double s2 = s * s;
  return ((6 * s2 - 6 * s) * a.value + (3 * s2 - 4 * s + 1) * d * a.slope +
          (-6 * s2 + 6 * s) * b.value + (3 * s2 - 2 * s) * d * b.slope) /
         d;
}

double Profile::OuterRadius(double h) const {
  const double t = std::max(h, foot_top_) / height_;
  return Body(t) * height_ / kReferenceHeightCm;
}

double Profile::InnerRadius(double h) const {
  const double t = h / height_;
  // The slope of the body against height is the same at every size.
  const double slope = BodySlope(t) / kReferenceHeightCm;
  return (Body(t) - wall_ * std::sqrt(1 + slope * slope)) * height_ / kReferenceHeightCm;
}

std::vector<double> Profile::Breaks() const {
  std::vector<double> breaks{0, floor_, foot_top_};
  for (const Knot& knot : knots_) breaks.push_back(knot.t * height_);
  std::sort(breaks.begin(), breaks.end());
  breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
  return breaks;
}

Analytic AnalyticValues(Shape shape, int category, double height_cm) {
  if (category < 1 || category > 3) {
    throw std::invalid_argument("category must be 1, 2 or 3");
  }
  if (!(height_cm > 0) || !std::isfinite(height_cm)) {
    throw std::invalid_argument("height must be above 0");
  }
  const Profile p(shape, height_cm);
  const double pi = std::numbers::pi;
  Analytic a;
  a.total_height_cm = height_cm;
  a.base_diameter_cm = 2 * p.OuterRadius(0);
  if (category == 3) {
    a.capacity_cl =
        Integrate(
            p, [&](double h) { return pi * std::pow(p.OuterRadius(h), 2); }, 0, height_cm) /
        10;
    return a;
  }
  const double floor = p.floor_cm();
  a.capacity_cl =
      Integrate(
          p, [&](double h) { return pi * std::pow(p.InnerRadius(h), 2); }, floor, height_cm) /
      10;
  a.liquid_height_cm = height_cm - floor;
  a.opening_diameter_cm = 2 * p.InnerRadius(height_cm);
  a.rim_width_cm =
      Integrate(
          p, [&](double h) { return p.OuterRadius(h) - p.InnerRadius(h); }, floor, height_cm) /
      a.liquid_height_cm;
  return a;
}

Drawing Draw(const DrawOptions& o) {
  Validate(o);
  const Profile profile(o.shape, o.height_cm);
  const double k = o.scale * o.dpi / 2.54;
  const double mm = o.dpi / 25.4;  // pixels per millimetre of paper
  const double stroke = o.pen_mm > 0 ? std::max(1.0, o.pen_mm * mm)
                                     : std::max(1.0, std::round(2 * o.dpi / 300 * o.scale));
  const PixelProfile p{&profile, k, o.height_cm * k, profile.floor_cm() * k, stroke};
  const bool middle = o.surface == Surface::kMiddle;
  const bool black = o.section_fill == SectionFill::kBlack;
  const double median = o.pen_mm > 0 ? stroke : std::min(3.0, stroke);
  // Shares of the exterior's and the section's strokes outside the material.
  const double out_ext = middle && !(o.category == 3 && o.filled) ? 0.5 : 0;
  const double out_sec = middle && !black ? 0.5 : 0;
  const double e_ext = out_ext * stroke;  // ink beyond the surface, px
  const double e_sec = out_sec * stroke;
  const double in_ext = stroke - e_ext;  // ink inside the material, px
  const double in_sec = stroke - e_sec;
  // Width of the stroke drawn on the axis; in kMiddle the axis runs along its
  // middle, half of it left of the column edge where kEdge puts the axis.
  const double axis_stroke = o.category == 2 ? median : o.category == 1 && !black ? stroke : 0;
  const double axis_shift = middle ? axis_stroke / 2 : 0;
  const double widest = Widest(p);
  const HandleShape handle = HandleOf(p, widest);

  Room room;
  if (middle) {
    room.extra = 2 * std::max(e_ext, e_sec) + axis_shift;
    room.extra_rows = static_cast<int>(std::ceil(stroke));
    room.reach_shift = e_ext - axis_shift;
  }
  if (o.handle) room.extra += handle.reach + handle.width - widest;
  const Layout layout = PlaceDrawing(o, p, room);

  const double axis = layout.axis_edge - (o.category == 3 ? 0 : axis_shift);
  std::vector<Region> regions;
  auto add = [&](double u_lo, double u_hi, SpanFn span, Side side, double x, uchar value) {
    regions.push_back({u_lo, u_hi, std::move(span), side, x, value});
  };
  const double top = p.top;
  const uchar inside = o.section_fill == SectionFill::kGrey ? 160 : 255;
  const double ext_x = o.category == 1 ? layout.view_edge : axis;  // axis of the exterior
  std::optional<Region> section_inside;
  switch (o.category) {
    case 3:
      add(-e_ext, top + e_ext, ExteriorSpan(p, out_ext), Side::kBoth, axis, 0);
      if (!o.filled) {
        add(in_ext, top - in_ext, ExteriorInside(p, 0, out_ext), Side::kBoth, axis, 255);
      }
      break;
    case 2:
      add(-e_sec, top + e_sec, SectionSpan(p, out_sec), Side::kLeft, axis, 0);
      add(-e_ext, top + e_ext, ExteriorSpan(p, out_ext), Side::kRight, axis, 0);
      if (!black) {
        add(in_sec, top - in_sec, SectionInside(p, 0, out_sec), Side::kLeft, axis, inside);
        section_inside = regions.back();
      }
      add(in_ext, top - in_ext, ExteriorInside(p, 0, out_ext), Side::kRight, axis, 255);
      add(-e_sec, top + e_sec, Band(-axis_shift, median - axis_shift), Side::kLeft, axis, 0);
      break;
    default:
      add(-e_sec, top + e_sec, SectionSpan(p, out_sec), Side::kLeft, axis, 0);
      if (!black) {
        add(in_sec, top - in_sec, SectionInside(p, in_sec, out_sec), Side::kLeft, axis, inside);
        section_inside = regions.back();
      }
      if (e_sec > 0) add(-e_sec, p.floor + e_sec, Band(0, e_sec), Side::kRight, axis, 0);
      add(-e_ext, top + e_ext, ExteriorSpan(p, out_ext), Side::kBoth, ext_x, 0);
      add(in_ext, top - in_ext, ExteriorInside(p, 0, out_ext), Side::kBoth, ext_x, 255);
      break;
  }
  if (o.handle) {
    add(handle.u1 - handle.width, handle.u2 + handle.width, HandleSpan(p, handle, 1 - out_ext),
        Side::kRight, ext_x, 0);
  }

  // Gaps across the outlines, at seeded heights.
  std::vector<Region> gaps;
  if (o.breaks > 0) {
    cv::RNG rng(o.seed * 2654435761u + 97);
    const double gap = std::max(1.0, 0.5 * mm);
    const double lo = o.category == 3 ? 0 : p.floor;
    for (int i = 0; i < o.breaks; ++i) {
      const double u = lo + (top - lo) * (0.15 + 0.75 * rng.uniform(0.0, 1.0));
      const int target = o.category == 3 || black ? 2 : i % 3;
      std::function<double(double)> from;
      std::function<double(double)> to;
      if (target == 0) {
        from = [p, out_sec](double v) { return p.Inner(v) - out_sec * p.InnerStroke(v); };
        to = [p, out_sec](double v) { return p.Inner(v) + (1 - out_sec) * p.InnerStroke(v); };
      } else {
        const double out = target == 1 ? out_sec : out_ext;
        from = [p, out](double v) { return p.Outer(v) - (1 - out) * p.OuterStroke(v); };
        to = [p, out](double v) { return p.Outer(v) + out * p.OuterStroke(v); };
      }
      Side side = target == 2 ? Side::kRight : Side::kLeft;
      if (target == 2 && o.category != 2 && i % 2 == 1) side = Side::kLeft;
      gaps.push_back(
          {u - gap / 2, u + gap / 2, GapSpan(from, to), side, target == 2 ? ext_x : axis, 255});
    }
  }

  // Antialias by supersampling, 3 x 3 but within kMaxSupersampledPixels.
  const double area = static_cast<double>(layout.width) * layout.height;
  const int factor =
      o.antialias ? std::clamp(static_cast<int>(std::sqrt(kMaxSupersampledPixels / area)), 1, 3)
                  : 1;
  cv::Mat grey(layout.height * factor, layout.width * factor, CV_8UC1, cv::Scalar(255));
  for (const Region& region : regions) {
    Fill(region, layout.foot_edge, factor, &grey);
  }
  if (o.section_fill == SectionFill::kHatched && section_inside) {
    Hatch(*section_inside, layout.foot_edge, factor, 1.2 * mm, stroke, &grey);
  }
  for (const Region& region : gaps) {
    Fill(region, layout.foot_edge, factor, &grey);
  }
  if (factor > 1) {
    cv::resize(grey, grey, cv::Size(layout.width, layout.height), 0, 0, cv::INTER_AREA);
  }

  Drawing d;
  d.truth = AnalyticValues(o.shape, o.category, o.height_cm);
  d.stroke_px = stroke;
  d.median_px = o.category == 2 ? median : 0;
  // Strokes of the rim top and the inner floor: those of the section, or of
  // the silhouette's outline.
  const bool outlined = o.category == 3 ? !o.filled : !black;
  const double rim_stroke = outlined ? stroke : 0;
  const double rim_out = o.category == 3 ? e_ext : e_sec;
  const double e_max = std::max(e_ext, o.category == 3 ? 0.0 : e_sec);
  const double fe = layout.foot_edge;
  auto y_of = [fe](double u) { return fe - u - 0.5; };  // pixel-centre row of height u
  d.surface.axis_x = axis - 0.5;
  d.surface.rim_y = y_of(top);
  d.edge.rim_y = y_of(top + rim_out);
  d.middle.rim_y = y_of(top + rim_out - rim_stroke / 2);
  if (o.category != 3) {
    d.surface.floor_y = y_of(p.floor);
    d.edge.floor_y = y_of(p.floor + rim_out);
    d.middle.floor_y = y_of(p.floor + rim_out - rim_stroke / 2);
  }
  d.edge.axis_x = layout.axis_edge - 0.5;
  d.middle.axis_x = layout.axis_edge - axis_stroke / 2 - 0.5;
  if (o.category == 3) d.edge.axis_x = d.middle.axis_x = d.surface.axis_x;
  d.axis_x = layout.axis_edge - 1;
  d.top_y = RowOf(fe, top + e_max);
  d.floor_y = o.category == 3 ? 0 : RowOf(fe, p.floor + rim_out);
  d.foot_y = static_cast<int>(std::floor(fe + e_max - 0.5));

  const bool flip = o.mirrored && o.category != 3;
  if (flip) {
    const double last = layout.width - 1;
    d.axis_x = layout.width - 1 - d.axis_x;
    for (Lines* lines : {&d.surface, &d.edge, &d.middle}) lines->axis_x = last - lines->axis_x;
  }
  const bool annotated = o.caption || o.scale_bar || o.specks > 0 || o.skew_deg != 0;
  if (!annotated) {
    if (o.noise) AddNoise(o.seed, &grey);
    if (flip) cv::flip(grey, grey, 1);
  } else {
    if (flip) cv::flip(grey, grey, 1);
    Annotate(o, k, mm, &grey, &d);
    if (o.noise) AddNoise(o.seed, &grey);
  }
  if (o.jpeg_quality > 0) {
    std::vector<uchar> bytes;
    cv::imencode(".jpg", grey, bytes, {cv::IMWRITE_JPEG_QUALITY, o.jpeg_quality});
    grey = cv::imdecode(bytes, cv::IMREAD_GRAYSCALE);
  }
  cv::cvtColor(grey, d.image, cv::COLOR_GRAY2BGR);
  return d;
}

bool WriteBitmap1(const std::string& path, const cv::Mat& image) {
  return WriteBitmap1(path, image, 0);
}

bool WriteBitmap1(const std::string& path, const cv::Mat& image, double dpi) {
  cv::Mat grey;
  if (image.channels() == 1) {
    grey = image;
  } else {
    cv::cvtColor(image, grey, image.channels() == 4 ? cv::COLOR_BGRA2GRAY : cv::COLOR_BGR2GRAY);
  }
  if (grey.depth() != CV_8U) grey.convertTo(grey, CV_8U);
  const uint32_t stride = (static_cast<uint32_t>(grey.cols) + 31) / 32 * 4;
  const uint32_t bits = stride * static_cast<uint32_t>(grey.rows);
  const uint32_t offset = 14 + 40 + 8;
  const uint32_t ppm = static_cast<uint32_t>(std::lround(std::max(0.0, dpi) / 0.0254));
  std::vector<uchar> out;
  out.reserve(offset + bits);
  out.push_back('B');
  out.push_back('M');
  PutLe(&out, offset + bits, 4);
  PutLe(&out, 0, 4);
  PutLe(&out, offset, 4);
  PutLe(&out, 40, 4);  // header size
  PutLe(&out, static_cast<uint32_t>(grey.cols), 4);
  PutLe(&out, static_cast<uint32_t>(grey.rows), 4);  // bottom-up
  PutLe(&out, 1, 2);                                 // planes
  PutLe(&out, 1, 2);                                 // bits per pixel
  PutLe(&out, 0, 4);                                 // no compression
  PutLe(&out, bits, 4);
  PutLe(&out, ppm, 4);
  PutLe(&out, ppm, 4);
  PutLe(&out, 2, 4);           // colours used
  PutLe(&out, 2, 4);           // colours important
  PutLe(&out, 0x00000000, 4);  // 0: black
  PutLe(&out, 0x00ffffff, 4);  // 1: white
  for (int y = grey.rows - 1; y >= 0; --y) {
    const uchar* row = grey.ptr<uchar>(y);
    std::vector<uchar> packed(stride, 0);
    for (int x = 0; x < grey.cols; ++x) {
      if (row[x] >= 128) packed[x / 8] |= static_cast<uchar>(0x80 >> (x % 8));
    }
    out.insert(out.end(), packed.begin(), packed.end());
  }
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return static_cast<bool>(file);
}

bool SetJpegDensity(const std::string& path, int dpi) {
  std::vector<char> data;
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // SOI, then the APP0 segment: marker, length, "JFIF\0", version (2 bytes),
  // units, x density, y density (big-endian).
  static const unsigned char kHead[] = {0xff, 0xd8, 0xff, 0xe0};
  if (data.size() < 20 ||
      !std::equal(std::begin(kHead), std::end(kHead), data.begin(),
                  [](unsigned char a, char b) { return a == static_cast<unsigned char>(b); }) ||
      std::string(data.data() + 6, 5) != std::string("JFIF\0", 5)) {
    return false;
  }
  data[13] = 1;  // dots per inch
  data[14] = static_cast<char>((dpi >> 8) & 0xff);
  data[15] = static_cast<char>(dpi & 0xff);
  data[16] = static_cast<char>((dpi >> 8) & 0xff);
  data[17] = static_cast<char>(dpi & 0xff);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

}  // namespace orvello::drawgen
