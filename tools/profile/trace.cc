// Tracing the walls of an upright vessel: the section of categories 1 and 2
// (right of the axis in the working frame) and the silhouette of category 3.

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "profile/profile_internal.h"

namespace orvello::profile {
namespace {

struct Extents {
  int left = -1, right = -1, top = -1, bottom = -1;
  bool empty() const { return left < 0; }
  int height() const { return bottom - top + 1; }
};

Extents InkExtents(const cv::Mat& mask) {
  Extents e;
  for (int y = 0; y < mask.rows; ++y) {
    const uchar* m = mask.ptr<uchar>(y);
    for (int x = 0; x < mask.cols; ++x) {
      if (!m[x]) continue;
      if (e.left < 0 || x < e.left) e.left = x;
      if (x > e.right) e.right = x;
      if (e.top < 0) e.top = y;
      e.bottom = y;
    }
  }
  return e;
}

// Smoothed slope dx/dy of a traced wall at index i, over +-n rows.
double SlopeAt(const std::vector<double>& y, const std::vector<double>& x, size_t i, size_t n) {
  const size_t a = i >= n ? i - n : 0;
  const size_t b = std::min(x.size() - 1, i + n);
  if (b <= a || y[b] == y[a]) return 0;
  return (x[b] - x[a]) / (y[b] - y[a]);
}

// Whether most traced runs are much wider than a pen stroke: a filled
// section or silhouette, whose surface is the ink's edge.
bool MostlyFilled(const std::vector<double>& widths, const std::vector<double>& pens) {
  if (widths.empty()) return false;
  int wide = 0;
  for (size_t i = 0; i < widths.size(); ++i) {
    if (widths[i] > 2.5 * pens[i] + 1) ++wide;
  }
  return wide * 2 > static_cast<int>(widths.size());
}

// The surfaces of a traced wall by both conventions. `edge[i]` is the ink's
// edge facing the inside, `centre[i]` and `width[i]` the run's stroke, `dir`
// +1 when the ink lies right of its edge (inner wall), -1 when left (outer
// wall, where the edge faces outward).
void Surfaces(const std::vector<double>& ys, const std::vector<double>& edge,
              const std::vector<double>& centre, const std::vector<double>& width, double pen,
              int dir, bool filled, Surface surface, std::vector<WallRow>& out) {
  const size_t n = static_cast<size_t>(std::max(2.0, std::ceil(2 * pen)));
  for (size_t i = 0; i < ys.size(); ++i) {
    const double s = SlopeAt(ys, edge, i, n);
    const double pen_h = pen * std::sqrt(1 + s * s);
    double middle = edge[i];
    if (!filled) {
      middle = width[i] <= 1.5 * pen_h + 1 ? centre[i] : edge[i] + dir * pen_h / 2;
    }
    WallRow row;
    row.y = ys[i];
    row.x = surface == Surface::kMiddle ? middle : edge[i];
    row.x_alt = surface == Surface::kMiddle ? edge[i] : middle;
    out.push_back(row);
  }
}

struct Axis {
  bool ok = false;
  double centre = 0, width = 0;
};

// The drawn median line: the long vertical line nearest the middle of the
// drawing's width.
Axis FindAxisLine(const Work& w, const Extents& e) {
  Axis axis;
  const int y0 = e.top + e.height() * 3 / 10;
  const int y1 = e.top + e.height() * 7 / 10;
  const int rows = y1 - y0 + 1;
  if (rows < 3) return axis;
  std::vector<int> count(static_cast<size_t>(w.mask.cols), 0);
  for (int y = y0; y <= y1; ++y) {
    const uchar* m = w.mask.ptr<uchar>(y);
    for (int x = e.left; x <= e.right; ++x) count[static_cast<size_t>(x)] += m[x] ? 1 : 0;
  }
  const double mid = (e.left + e.right + 1) / 2.0;
  int best = -1;
  double best_d = 0;
  for (int x = e.left; x <= e.right; ++x) {
    if (count[static_cast<size_t>(x)] < 0.85 * rows) continue;
    int x1 = x;
    int peak = x;
    while (x1 + 1 <= e.right && count[static_cast<size_t>(x1 + 1)] >= 0.85 * rows) {
      ++x1;
      if (count[static_cast<size_t>(x1)] > count[static_cast<size_t>(peak)]) peak = x1;
    }
    const double d = std::abs((x + x1 + 1) / 2.0 - mid);
    if (best < 0 || d < best_d) {
      best = peak;
      best_d = d;
    }
    x = x1;
  }
  if (best < 0) return axis;
  std::vector<double> centres, widths;
  for (int y = y0; y <= y1; ++y) {
    const uchar* m = w.mask.ptr<uchar>(y);
    if (!m[best]) continue;
    int a = best;
    while (a - 1 >= 0 && m[a - 1]) --a;
    const int b = w.RunEnd(y, best);
    const Stroke s = w.RowStroke(y, a, b);
    centres.push_back(s.centre);
    widths.push_back(s.width);
  }
  const double wmed = Median(widths);
  std::vector<double> good;
  for (size_t i = 0; i < centres.size(); ++i) {
    if (widths[i] <= 1.5 * wmed + 0.5) good.push_back(centres[i]);
  }
  if (good.empty()) return axis;
  axis.ok = true;
  axis.centre = Median(good);
  axis.width = wmed;
  return axis;
}

// The interior: the paper right of the axis and below the rim top that is
// closed by the vessel's ink. `barrier_x` is the first column that is not
// axis; returns the region (128) in a copy of the barrier, or an empty
// matrix.
struct Region {
  cv::Mat fill;  // `value` on the interior
  int value = 0;
  cv::Rect rect;
  int grow = 0;  // the ink was grown by this many pixels to close breaks
};

Region FindInterior(const Work& w, const Extents& e, int barrier_x, int top_row, double height) {
  const double steps[] = {0, 0.004, 0.01, 0.025};
  // The flood's mask, one pixel larger on every side, holds the barrier
  // (255: ink, the axis side, above the rim) and each seed's value.
  cv::Mat flooded(w.mask.rows + 2, w.mask.cols + 2, CV_8U);
  const cv::Rect inside(1, 1, w.mask.cols, w.mask.rows);
  for (double step : steps) {
    Region region;
    region.grow = step == 0 ? 0 : std::max(1, static_cast<int>(std::lround(step * height)));
    flooded.setTo(255);
    cv::Mat barrier = flooded(inside);
    if (region.grow == 0) {
      w.mask.copyTo(barrier);
    } else {
      const int size = 2 * region.grow + 1;
      cv::dilate(w.mask, barrier, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(size, size)));
    }
    barrier(cv::Rect(0, 0, std::clamp(barrier_x, 0, barrier.cols), barrier.rows)).setTo(255);
    barrier(cv::Rect(0, 0, barrier.cols, std::clamp(top_row, 0, barrier.rows))).setTo(255);
    const int span = e.bottom - top_row;
    const double fractions[] = {0.02, 0.1, 0.25, 0.4, 0.6};
    // Every seed floods the same image with its own value; a seed already
    // flooded is skipped.
    int best_area = 0, best_value = 0, value = 0;
    cv::Rect best_rect;
    for (double f : fractions) {
      const int y = top_row + 1 + static_cast<int>(f * span);
      if (y < 0 || y >= barrier.rows) continue;
      int x = barrier_x;
      const int x_end = std::min(barrier.cols - 1, e.right);
      while (x <= x_end && barrier.at<uchar>(y, x) != 0) ++x;
      if (x > x_end) continue;
      value += 20;
      cv::Rect rect;
      cv::Mat image = w.mask;  // read only: the mask holds the barrier
      const int area =
          cv::floodFill(image, flooded, cv::Point(x, y), cv::Scalar(), &rect, cv::Scalar(255),
                        cv::Scalar(255), 4 | cv::FLOODFILL_MASK_ONLY | (value << 8));
      const bool leaks = rect.x + rect.width >= barrier.cols ||
                         rect.y + rect.height >= barrier.rows ||
                         rect.y + rect.height - 1 >= e.bottom || rect.x + rect.width - 1 >= e.right;
      if (leaks) continue;
      if (area > best_area) {
        best_area = area;
        best_value = value;
        best_rect = rect;
      }
    }
    if (best_area > 0 && best_rect.height >= 0.15 * span) {
      region.fill = barrier;
      region.value = best_value;
      region.rect = best_rect;
      return region;
    }
  }
  return Region{};
}

// Replaces the spikes of a traced edge, rows where a gap in the outline let
// the trace jump, by the running median of their neighbours (over 3 % of the
// rows); returns how many rows were replaced. Steps of the profile (a rim,
// a foot) are not spikes and stay.
int RemoveSpikes(std::vector<double>& edge, std::vector<double>& centre, double tolerance) {
  const size_t n = edge.size();
  const size_t half = std::max<size_t>(3, n * 15 / 1000);
  std::vector<double> out = edge;
  int replaced = 0;
  std::vector<double> window;
  for (size_t i = 0; i < n; ++i) {
    const size_t a = i >= half ? i - half : 0;
    const size_t b = std::min(n - 1, i + half);
    window.assign(edge.begin() + static_cast<std::ptrdiff_t>(a),
                  edge.begin() + static_cast<std::ptrdiff_t>(b) + 1);
    const double med = Median(window);
    if (std::abs(edge[i] - med) > tolerance) {
      centre[i] += med - edge[i];
      out[i] = med;
      ++replaced;
    }
  }
  edge = out;
  return replaced;
}

}  // namespace

Measured MeasureSection(const Work& w, const ProfileParams& p, double k, ProfileResult& r) {
  (void)k;
  Measured m;
  const Extents e = InkExtents(w.mask);
  if (e.empty() || e.height() < 8) {
    m.refusal = "no drawing found";
    return m;
  }
  const double height = e.height();
  const double pen = std::max(1.0, w.PenWidth());
  m.pen = pen;
  const bool middle = p.surface == Surface::kMiddle;

  // The axis and the first column right of it.
  int barrier_x = 0;
  double axis_width = 0;
  if (p.category == 2) {
    const Axis axis = FindAxisLine(w, e);
    if (!axis.ok) {
      m.refusal = "no axis line found";
      return m;
    }
    const double edge = axis.centre - axis.width / 2;  // the side away from the section
    m.axis = middle ? axis.centre : edge;
    m.axis_alt = middle ? edge : axis.centre;
    axis_width = axis.width;
    barrier_x = static_cast<int>(std::ceil(axis.centre + axis.width / 2));
    m.axis_px = 0.25;
  } else {
    // The closing stroke: the section's leftmost ink, on the axis.
    std::vector<double> edges, widths;
    for (int y = e.top; y <= e.bottom; ++y) {
      const uchar* row = w.mask.ptr<uchar>(y);
      if (!row[e.left] && !(e.left + 1 < w.mask.cols && row[e.left + 1])) continue;
      int a = e.left;
      while (!row[a]) ++a;
      const Stroke s = w.RowStroke(y, a, w.RunEnd(y, a));
      edges.push_back(s.lo());
      if (s.width <= 3 * pen) widths.push_back(s.width);
    }
    if (edges.empty()) {
      m.refusal = "no axis found";
      return m;
    }
    const double edge = Median(edges);
    const double width = widths.empty() ? pen : Median(widths);
    m.axis = middle ? edge + width / 2 : edge;
    m.axis_alt = middle ? edge : edge + width / 2;
    axis_width = width;
    barrier_x = static_cast<int>(std::ceil(m.axis));
    m.axis_px = 0.35;
  }

  // The rim top: the section's highest ink, right of the axis line.
  const int section_left = barrier_x + static_cast<int>(std::ceil(std::max(axis_width, pen))) + 1;
  int top_row = -1;
  for (int y = e.top; y <= e.bottom && top_row < 0; ++y) {
    const uchar* row = w.mask.ptr<uchar>(y);
    for (int x = section_left; x <= e.right; ++x) {
      if (row[x]) {
        top_row = y;
        break;
      }
    }
  }
  if (top_row < 0 || e.right <= section_left) {
    m.refusal = "no section found";
    return m;
  }
  std::vector<double> tops, top_widths;
  for (int x = section_left; x <= e.right; ++x) {
    if (!w.mask.at<uchar>(top_row, x)) continue;
    const Stroke s = w.ColumnStroke(x, top_row, w.RunEndDown(x, top_row));
    tops.push_back(s.lo());
    top_widths.push_back(s.width);
  }
  const double top_edge = Median(tops);

  // The interior.
  const Region region = FindInterior(w, e, barrier_x, top_row, height);
  if (region.fill.empty()) {
    m.refusal = "no closed interior found";
    return m;
  }
  if (region.grow > 0) Warn(r, kWarnOpenOutline);

  // The inner wall, row by row: the ink just beyond the interior's farthest
  // pixel.
  std::vector<double> ys, edge, centre, width, pens;
  // The ink lies within `grow` pixels of the grown region in every
  // direction, farther along a row where the wall slants.
  const int search =
      region.grow == 0 ? 2 : static_cast<int>(std::ceil(0.05 * height)) + region.grow;
  const int y_first = region.rect.y;
  const int y_last = region.rect.y + region.rect.height - 1;
  for (int y = y_first; y <= y_last; ++y) {
    const uchar* f = region.fill.ptr<uchar>(y);
    int fb = -1;
    for (int x = region.rect.x + region.rect.width - 1; x >= region.rect.x; --x) {
      if (f[x] == region.value) {
        fb = x;
        break;
      }
    }
    if (fb < 0) continue;
    const uchar* row = w.mask.ptr<uchar>(y);
    int xw = -1;
    for (int x = fb + 1; x <= std::min(w.mask.cols - 1, fb + search); ++x) {
      if (row[x]) {
        xw = x;
        break;
      }
    }
    if (xw < 0) {
      ++m.broken_rows;
      continue;
    }
    const Stroke s = w.RowStroke(y, xw, w.RunEnd(y, xw));
    ys.push_back(y + 0.5);
    edge.push_back(s.lo());
    centre.push_back(s.centre);
    width.push_back(s.width);
    pens.push_back(pen);
  }
  if (ys.size() < 4) {
    m.refusal = "no closed interior found";
    return m;
  }
  if (m.broken_rows > 0.02 * static_cast<double>(ys.size())) Warn(r, kWarnOpenOutline);
  const bool filled = MostlyFilled(width, pens);
  Surfaces(ys, edge, centre, width, pen, +1, filled, p.surface, m.inner);

  // The brim, by convention.
  const double top_middle = filled ? top_edge : top_edge + pen / 2;
  m.brim = middle ? top_middle : top_edge;
  m.brim_alt = middle ? top_edge : top_middle;
  m.top = m.brim;
  m.top_alt = m.brim_alt;

  // The floor, below the interior's lowest row.
  {
    const uchar* f = region.fill.ptr<uchar>(y_last);
    int a = -1, b = -1;
    for (int x = region.rect.x; x < region.rect.x + region.rect.width; ++x) {
      if (f[x] == region.value) {
        if (a < 0) a = x;
        b = x;
      }
    }
    const int xf = (a + b) / 2;
    int yf = -1;
    for (int y = y_last + 1; y <= std::min(w.mask.rows - 1, y_last + search); ++y) {
      if (w.mask.at<uchar>(y, xf)) {
        yf = y;
        break;
      }
    }
    double floor_edge = y_last + 1;
    double floor_middle = floor_edge;
    if (yf < 0) {
      Warn(r, kWarnFloorUncertain);
    } else {
      const Stroke s = w.ColumnStroke(xf, yf, w.RunEndDown(xf, yf));
      floor_edge = s.lo();
      floor_middle = filled ? floor_edge : (s.width <= 1.5 * pen + 1 ? s.centre : s.lo() + pen / 2);
    }
    m.floor = middle ? floor_middle : floor_edge;
    m.floor_alt = middle ? floor_edge : floor_middle;
    // A floor with no vessel below it (a stand open at the bottom, a
    // fragment) is not a floor the drawing vouches for.
    if (e.bottom + 1 - floor_edge < 0.01 * height + pen) Warn(r, kWarnFloorUncertain);
  }

  // The outer wall: the last ink of each row right of the axis line.
  {
    std::vector<double> oys, oedge, ocentre, owidth, opens;
    for (int y = top_row; y <= e.bottom; ++y) {
      const uchar* row = w.mask.ptr<uchar>(y);
      int x = e.right;
      while (x >= section_left && !row[x]) --x;
      if (x < section_left) continue;
      int a = x;
      while (a - 1 >= 0 && row[a - 1]) --a;
      const Stroke s = w.RowStroke(y, a, x);
      oys.push_back(y + 0.5);
      oedge.push_back(s.hi());
      ocentre.push_back(s.centre);
      owidth.push_back(s.width);
      opens.push_back(pen);
    }
    Surfaces(oys, oedge, ocentre, owidth, pen, -1, filled || MostlyFilled(owidth, opens), p.surface,
             m.outer);
    const double foot_edge = e.bottom + 1;
    m.foot = middle && !filled ? foot_edge - pen / 2 : foot_edge;
    m.foot_alt = middle && !filled ? foot_edge : foot_edge - pen / 2;
  }
  m.edge_px = w.antialiased ? 0.25 : 0.5;
  m.has_interior = true;
  m.ok = true;
  return m;
}

Measured MeasureSilhouette(const Work& w, const ProfileParams& p, double k, ProfileResult& r) {
  (void)k;
  Measured m;
  const Extents e = InkExtents(w.mask);
  if (e.empty() || e.height() < 8) {
    m.refusal = "no drawing found";
    return m;
  }
  const double pen = std::max(1.0, w.PenWidth());
  m.pen = pen;
  const bool middle = p.surface == Surface::kMiddle;
  std::vector<double> ys, ledge, lcentre, lwidth, redge, rcentre, rwidth, pens;
  int filled_rows = 0;
  for (int y = e.top; y <= e.bottom; ++y) {
    const uchar* row = w.mask.ptr<uchar>(y);
    int a = e.left;
    while (a <= e.right && !row[a]) ++a;
    if (a > e.right) continue;
    int b = e.right;
    while (!row[b]) --b;
    const int a_end = w.RunEnd(y, a);
    int b_start = b;
    while (b_start - 1 >= 0 && row[b_start - 1]) --b_start;
    if (a_end >= b) ++filled_rows;
    const Stroke left = w.RowStroke(y, a, std::min(a_end, b));
    const Stroke right = w.RowStroke(y, std::max(b_start, a), b);
    ys.push_back(y + 0.5);
    ledge.push_back(-left.lo());  // mirrored so that the ink lies "inside"
    lcentre.push_back(-left.centre);
    lwidth.push_back(left.width);
    redge.push_back(right.hi());
    rcentre.push_back(right.centre);
    rwidth.push_back(right.width);
    pens.push_back(pen);
  }
  if (ys.size() < 8) {
    m.refusal = "no drawing found";
    return m;
  }
  const bool filled = filled_rows * 2 > static_cast<int>(ys.size());
  {
    double span = 0;
    for (size_t i = 0; i < ys.size(); ++i) span = std::max(span, redge[i] + ledge[i]);
    const int spikes =
        RemoveSpikes(ledge, lcentre, 0.03 * span) + RemoveSpikes(redge, rcentre, 0.03 * span);
    if (spikes > 0) {
      m.broken_rows = spikes;
      Warn(r, kWarnOpenOutline);
    }
  }
  std::vector<WallRow> left, right;
  Surfaces(ys, ledge, lcentre, lwidth, pen, -1, filled, p.surface, left);
  Surfaces(ys, redge, rcentre, rwidth, pen, -1, filled, p.surface, right);
  // The axis: the median midpoint of the middle rows.
  std::vector<double> mids, mids_alt;
  const size_t cut = ys.size() / 10;
  for (size_t i = cut; i + cut < ys.size(); ++i) {
    mids.push_back((right[i].x - left[i].x) / 2);  // left x is negated
    mids_alt.push_back((right[i].x_alt - left[i].x_alt) / 2);
  }
  m.axis = Median(mids);
  m.axis_alt = Median(mids_alt);
  double rmax = 0;
  for (size_t i = 0; i < ys.size(); ++i) rmax = std::max(rmax, (right[i].x + left[i].x) / 2);
  int asymmetric = 0;
  for (size_t i = 0; i < ys.size(); ++i) {
    const double rl = m.axis + left[i].x;  // axis - (-left) = distance
    const double rr = right[i].x - m.axis;
    const double rl_alt = m.axis_alt + left[i].x_alt;
    const double rr_alt = right[i].x_alt - m.axis_alt;
    WallRow row;
    row.y = ys[i];
    if (std::abs(rl - rr) <= 0.02 * rmax + 0.5) {
      row.x = m.axis + (rl + rr) / 2;
      row.x_alt = m.axis_alt + (rl_alt + rr_alt) / 2;
    } else {
      ++asymmetric;
      row.x = m.axis + std::min(rl, rr);
      row.x_alt = m.axis_alt + std::min(rl_alt, rr_alt);
    }
    m.outer.push_back(row);
  }
  if (asymmetric > 0.05 * static_cast<double>(ys.size())) Warn(r, kWarnAsymmetric);
  // Top and foot.
  const double top_edge = e.top;
  const double foot_edge = e.bottom + 1;
  {
    // Sub-pixel top edge in the column of the axis, when it holds ink.
    const int xa = std::clamp(static_cast<int>(m.axis), 0, w.mask.cols - 1);
    (void)xa;
  }
  const double half = filled ? 0 : pen / 2;
  m.top = middle ? top_edge + half : top_edge;
  m.top_alt = middle ? top_edge : top_edge + half;
  m.foot = middle ? foot_edge - half : foot_edge;
  m.foot_alt = middle ? foot_edge : foot_edge - half;
  m.brim = m.top;
  m.brim_alt = m.top_alt;
  m.floor = m.foot;
  m.floor_alt = m.foot_alt;
  m.edge_px = w.antialiased ? 0.25 : 0.5;
  m.axis_px = 0;
  m.ok = true;
  return m;
}

}  // namespace orvello::profile
