// The profile measurement: ink, skew, axis, rim, floor, walls, volume,
// range and confidence. See profile.h for the contract.

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <opencv2/imgproc.hpp>
#include <optional>
#include <stdexcept>

#include "profile/profile.h"
#include "profile/profile_internal.h"

namespace orvello::profile {
namespace {

constexpr double kPi = std::numbers::pi;

// Refusal messages.
constexpr char kBadParams[] = "dpi, scale or category out of range";
constexpr char kNoInk[] = "no drawing found";
constexpr char kNoAxis[] = "no axis line found";
constexpr char kNoInterior[] = "no closed interior found";
constexpr char kTooSmall[] = "the vessel is too small in the drawing";

// Grey levels of paper and ink, and the threshold halfway between them.
struct Levels {
  double paper = 255;
  double ink = 0;
  double threshold = 128;
};

Levels FindLevels(const cv::Mat& grey) {
  int hist[256] = {0};
  for (int y = 0; y < grey.rows; ++y) {
    const uchar* p = grey.ptr<uchar>(y);
    for (int x = 0; x < grey.cols; ++x) ++hist[p[x]];
  }
  // Otsu's threshold from the histogram.
  double total = static_cast<double>(grey.total());
  double sum = 0;
  for (int i = 0; i < 256; ++i) sum += i * static_cast<double>(hist[i]);
  double sum_b = 0, w_b = 0, best = -1;
  int otsu = 128;
  for (int t = 0; t < 256; ++t) {
    w_b += hist[t];
    if (w_b == 0) continue;
    const double w_f = total - w_b;
    if (w_f == 0) break;
    sum_b += t * static_cast<double>(hist[t]);
    const double m_b = sum_b / w_b;
    const double m_f = (sum - sum_b) / w_f;
    const double between = w_b * w_f * (m_b - m_f) * (m_b - m_f);
    if (between > best) {
      best = between;
      otsu = t;
    }
  }
  auto median_of = [&](int lo, int hi) {
    double n = 0;
    for (int i = lo; i <= hi; ++i) n += hist[i];
    double acc = 0;
    for (int i = lo; i <= hi; ++i) {
      acc += hist[i];
      if (acc >= n / 2) return static_cast<double>(i);
    }
    return static_cast<double>(hi);
  };
  Levels levels;
  levels.ink = median_of(0, otsu);
  levels.paper = median_of(otsu + 1, 255);
  levels.threshold = (levels.ink + levels.paper) / 2;
  return levels;
}

}  // namespace

// ---------------------------------------------------------------------------

Work::Work(const cv::Mat& grey_crop, const Levels2& lv) {
  grey = grey_crop;
  paper = lv.paper;
  ink = lv.ink;
  span = std::max(1.0, paper - ink);
  cv::threshold(grey, mask, (paper + ink) / 2 - 0.5, 255, cv::THRESH_BINARY_INV);
  // Edges drawn in grey levels give the ink's edge within a fraction of a
  // pixel; edges of pure black and white only to the pixel.
  const double lo = paper - 0.85 * span, hi = paper - 0.15 * span;
  double inked = 0, partial = 0;
  const int step = std::max(1, grey.rows / 1000);
  for (int y = 0; y < grey.rows; y += step) {
    const uchar* g = grey.ptr<uchar>(y);
    const uchar* m = mask.ptr<uchar>(y);
    for (int x = 0; x < grey.cols; ++x) {
      inked += m[x] ? 1 : 0;
      partial += g[x] > lo && g[x] < hi ? 1 : 0;
    }
  }
  antialiased = inked > 0 && partial > 0.1 * inked;
}

double Work::Coverage(int y, int x) const {
  return std::clamp((paper - grey.at<uchar>(y, x)) / span, 0.0, 1.0);
}

// The stroke of the run [a, b] of ink along a line, with its fringe pixels
// lo <= a and hi >= b: inside the run the ink is whole, only the pixels at
// its ends and the fringe add their grey.
template <typename CoverageAt>
Stroke RunStroke(int lo, int a, int b, int hi, CoverageAt coverage) {
  double w = 0, moment = 0;
  auto add = [&](int i) {
    const double v = coverage(i);
    w += v;
    moment += v * (i + 0.5);
  };
  for (int i = lo; i <= a; ++i) add(i);
  for (int i = std::max(b, a + 1); i <= hi; ++i) add(i);
  const double inside = b - a - 1;  // pixels a + 1 .. b - 1
  if (inside > 0) {
    w += inside;
    moment += inside * (a + b + 1) / 2.0;
  }
  Stroke s;
  s.width = w;
  s.centre = w > 0 ? moment / w : (a + b + 1) / 2.0;
  return s;
}

Stroke Work::RowStroke(int y, int x0, int x1) const {
  // The run [x0, x1] of threshold ink in row y, with one fringe pixel on
  // each side that is not itself part of another run.
  const uchar* m = mask.ptr<uchar>(y);
  const uchar* g = grey.ptr<uchar>(y);
  const int lo = (x0 - 1 >= 0 && !m[x0 - 1]) ? x0 - 1 : x0;
  const int hi = (x1 + 1 < mask.cols && !m[x1 + 1]) ? x1 + 1 : x1;
  return RunStroke(lo, x0, x1, hi,
                   [&](int x) { return std::clamp((paper - g[x]) / span, 0.0, 1.0); });
}

Stroke Work::ColumnStroke(int x, int y0, int y1) const {
  const int lo = (y0 - 1 >= 0 && !mask.at<uchar>(y0 - 1, x)) ? y0 - 1 : y0;
  const int hi = (y1 + 1 < mask.rows && !mask.at<uchar>(y1 + 1, x)) ? y1 + 1 : y1;
  return RunStroke(lo, y0, y1, hi, [&](int y) { return Coverage(y, x); });
}

int Work::RunEnd(int y, int x0) const {
  const uchar* m = mask.ptr<uchar>(y);
  int x = x0;
  while (x + 1 < mask.cols && m[x + 1]) ++x;
  return x;
}

int Work::RunEndDown(int x, int y0) const {
  int y = y0;
  while (y + 1 < mask.rows && mask.at<uchar>(y + 1, x)) ++y;
  return y;
}

double Work::PenWidth() const {
  // The median of the shorter of the horizontal and vertical run widths,
  // sampled over the ink.
  std::vector<double> h, v;
  const int row_step = std::max(1, mask.rows / 1500);
  const int col_step = std::max(1, mask.cols / 1500);
  for (int y = 0; y < mask.rows; y += row_step) {
    const uchar* m = mask.ptr<uchar>(y);
    for (int x = 0; x < mask.cols; ++x) {
      if (!m[x]) continue;
      const int e = RunEnd(y, x);
      h.push_back(RowStroke(y, x, e).width);
      x = e;
    }
  }
  for (int x = 0; x < mask.cols; x += col_step) {
    for (int y = 0; y < mask.rows; ++y) {
      if (!mask.at<uchar>(y, x)) continue;
      const int e = RunEndDown(x, y);
      v.push_back(ColumnStroke(x, y, e).width);
      y = e;
    }
  }
  const double a = Median(h), b = Median(v);
  if (std::isnan(a)) return b;
  if (std::isnan(b)) return a;
  return std::min(a, b);
}

// ---------------------------------------------------------------------------

namespace {

// The pieces of ink of the drawing: which belong to the vessel.
struct InkPieces {
  // Full size: kKept on the measured vessel's ink, kView on the separate
  // exterior view (category 1), kIgnored on ink left out, 0 on paper.
  cv::Mat kind;
  static constexpr uchar kKept = 1, kView = 2, kIgnored = 3;
  cv::Mat Of(uchar k, const cv::Rect& r) const {
    cv::Mat out;
    cv::compare(kind(r), k, out, cv::CMP_EQ);
    return out;
  }
  cv::Rect box;  // the measured ink's bounding box, full size
  cv::Rect view_box;
  bool any_ignored = false;
};

std::optional<InkPieces> FindPieces(const cv::Mat& mask, int category, double dots_per_mm) {
  const int side = std::max(mask.rows, mask.cols);
  const int s = std::max(1, (side + 2499) / 2500);
  cv::Mat pooled;
  if (s > 1) {
    cv::resize(mask, pooled, cv::Size((mask.cols + s - 1) / s, (mask.rows + s - 1) / s), 0, 0,
               cv::INTER_AREA);
    cv::threshold(pooled, pooled, 0, 255, cv::THRESH_BINARY);
  } else {
    pooled = mask;
  }
  cv::Mat labels, stats, centroids;
  const int n = cv::connectedComponentsWithStats(pooled, labels, stats, centroids, 8, CV_32S);
  if (n <= 1) return std::nullopt;
  auto rect = [&](int i) {
    return cv::Rect(stats.at<int>(i, cv::CC_STAT_LEFT), stats.at<int>(i, cv::CC_STAT_TOP),
                    stats.at<int>(i, cv::CC_STAT_WIDTH), stats.at<int>(i, cv::CC_STAT_HEIGHT));
  };
  // Size of a piece: its bounding box's diagonal (shape, not pixel count,
  // decides between a caption and the vessel).
  auto size = [&](int i) {
    const cv::Rect r = rect(i);
    return std::hypot(r.width, r.height);
  };
  // The vessel is the piece of largest extent (not of most ink: a scale
  // bar's filled segments hold more ink than a thin outline).
  int largest = 1;
  for (int i = 2; i < n; ++i) {
    if (rect(i).area() > rect(largest).area()) largest = i;
  }
  // Pieces of one outline broken by small gaps belong together: they are
  // linked across gaps shorter than 1.6 % of the vessel's height or 1.2 mm
  // of paper. A representative pixel of every piece finds its group.
  const double link_px = std::max(0.008 * rect(largest).height, 0.6 * dots_per_mm / s);
  const int link = std::max(1, static_cast<int>(std::lround(link_px)));
  cv::Mat grown_ink, groups;
  cv::dilate(pooled, grown_ink,
             cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * link + 1, 2 * link + 1)));
  cv::connectedComponents(grown_ink, groups, 8, CV_32S);
  std::vector<int> group(static_cast<size_t>(n), 0);
  for (int y = 0; y < labels.rows; ++y) {
    const int* l = labels.ptr<int>(y);
    const int* g = groups.ptr<int>(y);
    for (int x = 0; x < labels.cols; ++x) {
      if (l[x] > 0 && group[static_cast<size_t>(l[x])] == 0) {
        group[static_cast<size_t>(l[x])] = g[x];
      }
    }
  }
  int main = largest;
  int view = -1;
  if (category == 1) {
    // In the working frame the section is the rightmost of the tall pieces
    // (it stands right of the axis, the exterior view apart beyond the
    // axis); both are about as tall as the vessel.
    int tallest = 1;
    for (int i = 2; i < n; ++i) {
      if (rect(i).height > rect(tallest).height) tallest = i;
    }
    std::vector<int> big;
    for (int i = 1; i < n; ++i) {
      if (rect(i).height >= 0.6 * rect(tallest).height) big.push_back(i);
    }
    std::sort(big.begin(), big.end(), [&](int a, int b) { return rect(a).x > rect(b).x; });
    main = big.front();
    for (size_t i = 1; i < big.size(); ++i) {
      if (group[static_cast<size_t>(big[i])] != group[static_cast<size_t>(main)]) {
        view = big[i];
        break;
      }
    }
  }
  // The measured piece's box, with every piece of its group.
  cv::Rect mb = rect(main);
  for (int i = 1; i < n; ++i) {
    if (group[static_cast<size_t>(i)] == group[static_cast<size_t>(main)]) mb |= rect(i);
  }
  const int margin = static_cast<int>(std::ceil(0.02 * mb.height)) + 1;
  const cv::Rect grown(mb.x - margin, mb.y - margin, mb.width + 2 * margin, mb.height + 2 * margin);
  std::vector<uchar> lut(static_cast<size_t>(n), 0);
  for (int i = 1; i < n; ++i) {
    if (group[static_cast<size_t>(i)] == group[static_cast<size_t>(main)]) {
      lut[static_cast<size_t>(i)] = 1;
    } else if (view > 0 && group[static_cast<size_t>(i)] == group[static_cast<size_t>(view)]) {
      lut[static_cast<size_t>(i)] = 2;
    }
  }
  for (int i = 1; i < n; ++i) {
    if (lut[static_cast<size_t>(i)] != 0) continue;
    const cv::Rect r = rect(i);
    // A piece of the vessel (a broken outline, hatching, a handle's section):
    // inside the vessel's box and not tiny against the vessel.
    const bool inside = (r & grown) == r;
    if (inside && size(i) >= 0.015 * mb.height) lut[static_cast<size_t>(i)] = 1;
  }
  InkPieces pieces;
  for (int i = 1; i < n; ++i) {
    if (lut[static_cast<size_t>(i)] == 0) pieces.any_ignored = true;
  }
  // One pass over the drawing sorts its ink by the piece it belongs to.
  pieces.kind.create(mask.size(), CV_8U);
  for (int y = 0; y < mask.rows; ++y) {
    const uchar* m = mask.ptr<uchar>(y);
    const int* l = labels.ptr<int>(y / s);
    uchar* k = pieces.kind.ptr<uchar>(y);
    for (int x = 0; x < mask.cols; ++x) {
      if (!m[x]) {
        k[x] = 0;
        continue;
      }
      const int label = l[x / s];
      const uchar t = label > 0 ? lut[static_cast<size_t>(label)] : 0;
      k[x] = t == 1 ? InkPieces::kKept : t == 2 ? InkPieces::kView : InkPieces::kIgnored;
    }
  }
  auto full = [&](const cv::Rect& r) {
    return cv::Rect(r.x * s, r.y * s, r.width * s, r.height * s) &
           cv::Rect(0, 0, mask.cols, mask.rows);
  };
  pieces.box = full(mb);
  if (view > 0) {
    cv::Rect vb = rect(view);
    for (int i = 1; i < n; ++i) {
      if (lut[static_cast<size_t>(i)] == 2) vb |= rect(i);
    }
    pieces.view_box = full(vb);
  }
  return pieces;
}

// A line x = a + b y fitted to points robustly (least squares, then again
// without the points farther than three median deviations).
struct LineFit {
  double a = 0, b = 0;
  bool ok = false;
  double stray = 0;  // SymmetrySkew: the share of rows whose midpoint strays
};

LineFit FitLine(const std::vector<cv::Point2d>& pts) {
  LineFit fit;
  if (pts.size() < 8) return fit;
  std::vector<char> use(pts.size(), 1);
  for (int pass = 0; pass < 3; ++pass) {
    double n = 0, sy = 0, sx = 0, syy = 0, sxy = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
      if (!use[i]) continue;
      n += 1;
      sy += pts[i].y;
      sx += pts[i].x;
      syy += pts[i].y * pts[i].y;
      sxy += pts[i].x * pts[i].y;
    }
    const double d = n * syy - sy * sy;
    if (n < 8 || d <= 0) return fit;
    fit.b = (n * sxy - sy * sx) / d;
    fit.a = (sx - fit.b * sy) / n;
    fit.ok = true;
    std::vector<double> res;
    for (const auto& p : pts) res.push_back(std::abs(p.x - fit.a - fit.b * p.y));
    const double mad = Median(res);
    for (size_t i = 0; i < pts.size(); ++i) use[i] = res[i] <= 3 * mad + 0.5;
  }
  return fit;
}

// The skew of a symmetric silhouette: the slope of the midpoints of its rows.
LineFit SymmetrySkew(const cv::Mat& ink) {
  std::vector<cv::Point2d> mids;
  std::vector<double> widths;
  const int step = std::max(1, ink.rows / 2000);
  for (int y = 0; y < ink.rows; y += step) {
    const uchar* m = ink.ptr<uchar>(y);
    int l = -1, r = -1;
    for (int x = 0; x < ink.cols; ++x) {
      if (m[x]) {
        if (l < 0) l = x;
        r = x;
      }
    }
    if (l >= 0) {
      mids.emplace_back((l + r + 1) / 2.0, y + 0.5);
      widths.push_back(r + 1 - l);
    }
  }
  // Leave out the top and bottom tenth (rim and foot details).
  if (mids.size() > 20) {
    const size_t cut = mids.size() / 10;
    mids = std::vector<cv::Point2d>(mids.begin() + static_cast<std::ptrdiff_t>(cut),
                                    mids.end() - static_cast<std::ptrdiff_t>(cut));
  }
  LineFit fit = FitLine(mids);
  // A handle or a spout moves the midpoints of a block of rows: such a
  // silhouette's skew is not to be trusted.
  if (fit.ok) {
    const double tolerance = 0.015 * Median(widths);
    double stray = 0;
    for (const cv::Point2d& q : mids) stray += std::abs(q.x - fit.a - fit.b * q.y) > tolerance;
    fit.stray = stray / static_cast<double>(mids.size());
  }
  return fit;
}

// The rotation about the centre of a `size` image that makes a line of slope
// dx/dy = `slope` vertical.
cv::Mat Upright(double slope, cv::Size size) {
  const double a = std::atan(slope);
  const double c = std::cos(a), s = std::sin(a);
  const double cx = size.width / 2.0, cy = size.height / 2.0;
  return (cv::Mat_<double>(2, 3) << c, -s, cx - c * cx + s * cy, s, c, cy - s * cx - c * cy);
}

// The skew of a symmetric silhouette, refined: the midpoints of horizontal
// rows of a tilted silhouette lean a little less than its axis, so the
// silhouette is turned upright by the estimate and measured again.
double SymmetrySlope(const cv::Mat& ink, bool* asymmetric) {
  cv::Mat small = ink;
  const int side = std::max(ink.rows, ink.cols);
  if (side > 1500) {
    const double f = 1500.0 / side;
    cv::resize(ink, small, cv::Size(), f, f, cv::INTER_AREA);
    cv::threshold(small, small, 0, 255, cv::THRESH_BINARY);
  }
  // Room to turn without losing a corner.
  const int pad = std::max(small.rows, small.cols) / 8 + 2;
  cv::copyMakeBorder(small, small, pad, pad, pad, pad, cv::BORDER_CONSTANT, cv::Scalar(0));
  // The midpoints' slope b is nearly proportional to the remaining tilt, so
  // secant steps on b(angle) = 0 converge in a few turns.
  auto residual = [&](double angle, bool* ok) {
    cv::Mat turned;
    if (angle == 0) {
      turned = small;
    } else {
      cv::warpAffine(small, turned, Upright(std::tan(angle), small.size()), small.size(),
                     cv::INTER_NEAREST, cv::BORDER_CONSTANT, cv::Scalar(0));
    }
    const LineFit fit = SymmetrySkew(turned);
    *ok = fit.ok;
    return std::atan(fit.b);
  };
  bool ok = false;
  double a0 = 0;
  double b0 = residual(a0, &ok);
  if (!ok) return 0;
  double a1 = b0;
  for (int i = 0; i < 6; ++i) {
    const double b1 = residual(a1, &ok);
    if (!ok) break;
    if (std::abs(b1) < 2e-5) break;
    double gain = b0 != b1 ? (b0 - b1) / (a1 - a0) : 1;
    if (!(gain > 0.1 && gain < 3)) gain = 1;
    a0 = a1;
    b0 = b1;
    a1 = a1 + b1 / gain;
  }
  const LineFit last = [&] {
    cv::Mat turned;
    cv::warpAffine(small, turned, Upright(std::tan(a1), small.size()), small.size(),
                   cv::INTER_NEAREST, cv::BORDER_CONSTANT, cv::Scalar(0));
    return SymmetrySkew(turned);
  }();
  if (last.ok && last.stray > 0.1) {
    *asymmetric = true;
    return 0;
  }
  return std::tan(a1);
}

// The slope of the longest near-vertical straight line: the angle whose
// projection of the ink along it has the highest, narrowest peak.
double ProjectionSkew(const cv::Mat& ink) {
  std::vector<cv::Point> pts;
  const int step = std::max(1, static_cast<int>(cv::countNonZero(ink) / 300000));
  int k = 0;
  for (int y = 0; y < ink.rows; ++y) {
    const uchar* m = ink.ptr<uchar>(y);
    for (int x = 0; x < ink.cols; ++x) {
      if (m[x] && (k++ % step) == 0) pts.emplace_back(x, y);
    }
  }
  if (pts.empty()) return 0;
  const int pad = static_cast<int>(std::ceil(ink.rows * 0.11)) + 4;
  std::vector<double> bins(static_cast<size_t>(ink.cols + 2 * pad + 4));
  // The sharpness of the projection: the sum of the squared bin counts,
  // each point split between its two nearest bins.
  auto score = [&](double b) {
    std::fill(bins.begin(), bins.end(), 0.0);
    const double cy = ink.rows / 2.0;
    for (const cv::Point& p : pts) {
      const double x = p.x - b * (p.y - cy) + pad + 2;
      const int i = static_cast<int>(std::floor(x));
      const double f = x - i;
      if (i >= 0 && i + 1 < static_cast<int>(bins.size())) {
        bins[static_cast<size_t>(i)] += 1 - f;
        bins[static_cast<size_t>(i) + 1] += f;
      }
    }
    double sum = 0;
    for (double v : bins) sum += v * v;
    return sum;
  };
  double best_b = 0;
  double best_s = score(0);
  for (double deg = -6; deg <= 6.001; deg += 0.25) {
    const double b = std::tan(deg * kPi / 180);
    const double s = score(b);
    if (s > best_s) {
      best_s = s;
      best_b = b;
    }
  }
  const double centre = std::atan(best_b) * 180 / kPi;
  for (double deg = centre - 0.3; deg <= centre + 0.3001; deg += 0.02) {
    const double b = std::tan(deg * kPi / 180);
    const double s = score(b);
    if (s > best_s) {
      best_s = s;
      best_b = b;
    }
  }
  return best_b;
}

}  // namespace

// ---------------------------------------------------------------------------

ProfileResult MeasureProfileImpl(const cv::Mat& drawing_bgr, const ProfileParams& p) {
  ProfileResult result;
  if (drawing_bgr.empty() || !(p.dpi > 0) || !(p.scale > 0) || !std::isfinite(p.dpi) ||
      !std::isfinite(p.scale) || p.category < 1 || p.category > 3 || !(p.scale_error >= 0) ||
      !(p.scale_error < 1) || !(p.wall_cm >= 0) || !(p.base_cm >= 0)) {
    result.refusal = kBadParams;
    return result;
  }
  const double k = p.dpi * p.scale / 2.54;  // pixels per cm
  cv::Mat grey;
  if (drawing_bgr.channels() == 1) {
    grey = drawing_bgr.clone();
  } else if (drawing_bgr.channels() == 4) {
    cv::cvtColor(drawing_bgr, grey, cv::COLOR_BGRA2GRAY);
  } else {
    cv::cvtColor(drawing_bgr, grey, cv::COLOR_BGR2GRAY);
  }
  if (grey.depth() != CV_8U) grey.convertTo(grey, CV_8U);
  // The section stands right of the axis in the working frame.
  const bool flip = p.category != 3 && !p.mirror;
  if (flip) cv::flip(grey, grey, 1);

  const Levels lv = FindLevels(grey);
  if (lv.paper - lv.ink < 40) {
    result.refusal = kNoInk;
    return result;
  }
  cv::Mat mask;
  cv::threshold(grey, mask, lv.threshold - 0.5, 255, cv::THRESH_BINARY_INV);
  const std::optional<InkPieces> pieces = FindPieces(mask, p.category, p.dpi / 25.4);
  if (!pieces) {
    result.refusal = kNoInk;
    return result;
  }
  Frame frame;
  frame.flip = flip;
  frame.cols = grey.cols;
  if (pieces->any_ignored) Warn(result, kWarnInkIgnored);

  // The crop around the vessel, with the ink that is not the vessel's turned
  // to paper.
  const cv::Rect box = pieces->box;
  const int margin = static_cast<int>(std::ceil(0.05 * std::max(box.height, box.width))) + 3;
  const cv::Rect crop =
      cv::Rect(box.x - margin, box.y - margin, box.width + 2 * margin, box.height + 2 * margin) &
      cv::Rect(0, 0, grey.cols, grey.rows);
  frame.origin = crop.tl();
  // Ink of other pieces becomes paper, but not the grey edge of the vessel's
  // own ink beside it.
  mask.release();
  cv::Mat clean = grey(crop).clone();
  {
    const cv::Mat kind = pieces->kind(crop);
    const uchar paper = cv::saturate_cast<uchar>(lv.paper);
    // Whether pixel (y, x) of the crop touches the vessel's ink.
    auto near_kept = [&](int y, int x) {
      for (int yy = std::max(0, y - 1); yy <= std::min(kind.rows - 1, y + 1); ++yy) {
        const uchar* k = kind.ptr<uchar>(yy);
        for (int xx = std::max(0, x - 1); xx <= std::min(kind.cols - 1, x + 1); ++xx) {
          if (k[xx] == InkPieces::kKept) return true;
        }
      }
      return false;
    };
    for (int y = 0; y < clean.rows; ++y) {
      const uchar* k = kind.ptr<uchar>(y);
      uchar* c = clean.ptr<uchar>(y);
      for (int x = 0; x < clean.cols; ++x) {
        if (k[x] == InkPieces::kKept || c[x] >= paper) continue;
        if (k[x] != 0 || !near_kept(y, x)) c[x] = paper;
      }
    }
  }

  // Skew.
  double slope = 0;
  if (p.category == 3) {
    bool asymmetric = false;
    slope = SymmetrySlope(pieces->Of(InkPieces::kKept, crop), &asymmetric);
    if (asymmetric) Warn(result, kWarnAsymmetric);
  } else if (p.category == 1 && !pieces->view_box.empty()) {
    bool asymmetric = false;
    slope = SymmetrySlope(pieces->Of(InkPieces::kView, pieces->view_box), &asymmetric);
    if (asymmetric) Warn(result, kWarnAsymmetric);
  } else if (p.category == 2) {
    // The median line stands in the middle of the drawing's width, between
    // the section and the exterior view; slanted walls stand apart.
    const int band = std::max(1, box.width / 5);
    const cv::Rect middle =
        cv::Rect(box.x + box.width / 2 - band / 2, crop.y, band, crop.height) & crop;
    slope = ProjectionSkew(pieces->Of(InkPieces::kKept, middle));
  }
  const double angle = std::atan(slope);
  if (std::abs(angle) * 180 / kPi > 8) slope = 0;
  frame.rot = Upright(slope, clean.size());
  cv::invertAffineTransform(frame.rot, frame.inv);
  const double degrees = std::atan(slope) * 180 / kPi;
  if (std::abs(degrees) >= 0.05) {
    cv::Mat rotated;
    cv::warpAffine(clean, rotated, frame.rot, clean.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                   cv::Scalar(static_cast<int>(lv.paper)));
    clean = rotated;
    if (std::abs(degrees) >= 0.15) Warn(result, kWarnSkewCorrected);
    frame.rotated = true;
  }
  result.geometry.skew_degrees = frame.flip ? -degrees : degrees;

  Levels2 lv2{lv.paper, lv.ink};
  const Work work(clean, lv2);
  Measured m;
  if (p.category == 3) {
    m = MeasureSilhouette(work, p, k, result);
  } else {
    m = MeasureSection(work, p, k, result);
  }
  // The ink's kinds in the drawing's own frame, for the overlay.
  auto ink_map = [&](bool all_ignored) {
    uchar codes[256] = {0};
    codes[InkPieces::kKept] =
        all_ignored ? ProfileGeometry::kInkIgnored : ProfileGeometry::kInkKept;
    codes[InkPieces::kView] = codes[InkPieces::kKept];
    codes[InkPieces::kIgnored] = ProfileGeometry::kInkIgnored;
    cv::Mat ink = pieces->kind;
    cv::LUT(ink, cv::Mat(1, 256, CV_8U, codes), ink);
    if (flip) cv::flip(ink, ink, 1);
    return ink;
  };
  if (!m.ok) {
    result.refusal = m.refusal;
    result.geometry.ink = ink_map(true);
    return result;
  }
  if (p.dpi * p.scale < 75) Warn(result, kWarnLowResolution);
  Finish(m, p, k, frame, result);
  result.geometry.ink = ink_map(false);
  (void)kTooSmall;
  (void)kNoAxis;
  (void)kNoInterior;
  return result;
}

}  // namespace orvello::profile
