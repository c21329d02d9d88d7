#include "drawgen/drawgen.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <numbers>
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

// Ink of the exterior, from the axis out to the outer surface.
SpanFn ExteriorSpan(const PixelProfile& p) {
  return [p](double u) -> std::optional<Span> { return Span{0, p.Outer(u)}; };
}

// Paper inside the exterior outline, `axis_gap` px away from the axis.
SpanFn ExteriorInside(const PixelProfile& p, double axis_gap) {
  return [p, axis_gap](double u) -> std::optional<Span> {
    return Span{axis_gap, p.Outer(u) - p.OuterStroke(u)};
  };
}

// Ink of the wall section: wall above the inner floor, base below it.
SpanFn SectionSpan(const PixelProfile& p) {
  return [p](double u) -> std::optional<Span> {
    if (u <= p.floor) return Span{0, p.Outer(u)};
    return Span{p.Inner(u), p.Outer(u)};
  };
}

// Paper inside the section outline, `axis_gap` px away from the axis.
SpanFn SectionInside(const PixelProfile& p, double axis_gap) {
  return [p, axis_gap](double u) -> std::optional<Span> {
    const double outer = p.Outer(u) - p.OuterStroke(u);
    if (u <= p.floor - p.stroke) return Span{axis_gap, outer};
    return Span{p.Inner(std::max(u, p.floor)) + p.InnerStroke(u), outer};
  };
}

SpanFn Band(double lo, double hi) {
  return [lo, hi](double) -> std::optional<Span> { return Span{lo, hi}; };
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

Layout PlaceDrawing(const DrawOptions& o, const PixelProfile& p) {
  double widest = 0;
  for (int i = 0; i <= 4000; ++i) widest = std::max(widest, p.Outer(p.top * i / 4000));
  for (double h : p.profile->Breaks()) widest = std::max(widest, p.Outer(h * p.k));
  const int half = static_cast<int>(std::ceil(widest + 0.01));
  const int margin = std::max(10, static_cast<int>(std::lround(0.08 * p.top)));
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
    const double reach = p.Outer(u) - p.OuterStroke(u);
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
  const double stroke = std::max(1.0, std::round(2 * o.dpi / 300 * o.scale));
  const PixelProfile p{&profile, k, o.height_cm * k, profile.floor_cm() * k, stroke};
  const Layout layout = PlaceDrawing(o, p);

  const double axis = layout.axis_edge;
  const double median = std::min(3.0, stroke);
  std::vector<Region> regions;
  auto add = [&](double u_lo, double u_hi, SpanFn span, Side side, double x, uchar value) {
    regions.push_back({u_lo, u_hi, std::move(span), side, x, value});
  };
  const double top = p.top;
  switch (o.category) {
    case 3:
      add(0, top, ExteriorSpan(p), Side::kBoth, axis, 0);
      if (!o.filled) {
        add(stroke, top - stroke, ExteriorInside(p, 0), Side::kBoth, axis, 255);
      }
      break;
    case 2:
      add(0, top, SectionSpan(p), Side::kLeft, axis, 0);
      add(0, top, ExteriorSpan(p), Side::kRight, axis, 0);
      add(stroke, top - stroke, SectionInside(p, 0), Side::kLeft, axis, 255);
      add(stroke, top - stroke, ExteriorInside(p, 0), Side::kRight, axis, 255);
      add(0, top, Band(0, median), Side::kLeft, axis, 0);
      break;
    default:
      add(0, top, SectionSpan(p), Side::kLeft, axis, 0);
      add(stroke, top - stroke, SectionInside(p, stroke), Side::kLeft, axis, 255);
      add(0, top, ExteriorSpan(p), Side::kBoth, layout.view_edge, 0);
      add(stroke, top - stroke, ExteriorInside(p, 0), Side::kBoth, layout.view_edge, 255);
      break;
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
  if (factor > 1) {
    cv::resize(grey, grey, cv::Size(layout.width, layout.height), 0, 0, cv::INTER_AREA);
  }
  if (o.noise) AddNoise(o.seed, &grey);

  Drawing d;
  d.axis_x = layout.axis_edge - 1;
  if (o.mirrored && o.category != 3) {
    cv::flip(grey, grey, 1);
    d.axis_x = layout.width - 1 - d.axis_x;
  }
  cv::cvtColor(grey, d.image, cv::COLOR_GRAY2BGR);
  d.truth = AnalyticValues(o.shape, o.category, o.height_cm);
  d.top_y = RowOf(layout.foot_edge, top);
  d.floor_y = o.category == 3 ? 0 : RowOf(layout.foot_edge, p.floor);
  d.foot_y = layout.foot_edge - 1;
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
