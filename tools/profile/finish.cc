// From the traced walls to the result: the profiles in centimetres, the
// volumes, the range, the capacity curve, the confidence and the geometry.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "profile/profile_internal.h"

namespace orvello::profile {
namespace {

constexpr double kPi = std::numbers::pi;

// One convention's reading of a traced wall.
struct Reading {
  double axis, top, bottom;  // rows of the top and bottom of the profile
  bool alt;
};

// Returns the profile of `rows` between `top` and `bottom` (rows, bottom
// below top), heights above `bottom` and radii from `axis`, in cm, from the
// top down; the end rows extend to `top` and `bottom`.
std::vector<ProfilePoint> ToProfile(const std::vector<WallRow>& rows, const Reading& rd, double k) {
  std::vector<ProfilePoint> out;
  auto radius = [&](const WallRow& w) { return std::max(0.0, (rd.alt ? w.x_alt : w.x) - rd.axis); };
  const WallRow* first = nullptr;
  const WallRow* last = nullptr;
  for (const WallRow& w : rows) {
    if (w.y <= rd.top || w.y >= rd.bottom) continue;
    if (!first) {
      first = &w;
      out.push_back({(rd.bottom - rd.top) / k, radius(w) / k});
    }
    out.push_back({(rd.bottom - w.y) / k, radius(w) / k});
    last = &w;
  }
  if (last) out.push_back({0, radius(*last) / k});
  return out;
}

// d V / d (every radius longer by 1 cm), in cL per cm.
double RadiusSensitivity(const std::vector<ProfilePoint>& pts) {
  double s = 0;
  for (size_t i = 1; i < pts.size(); ++i) {
    const double h = std::abs(pts[i].height_cm - pts[i - 1].height_cm);
    s += h * (pts[i].radius_cm + pts[i - 1].radius_cm);
  }
  return kPi * s / 10;  // 2 pi * mean r * h
}

struct Range {
  double value = kNaN, low = kNaN, high = kNaN;
};

// The range of a volume: both conventions, widened by the independent
// limits of the drawing.
Range VolumeRange(const std::vector<ProfilePoint>& pts, const std::vector<ProfilePoint>& alt,
                  const Measured& m, bool has_axis, double k, double scale_error) {
  Range r;
  if (pts.size() < 2) return r;
  r.value = RevolvedVolumeCl(pts);
  const double v_alt = alt.size() >= 2 ? RevolvedVolumeCl(alt) : r.value;
  const double a = RadiusSensitivity(pts);
  const double top_r = pts.front().radius_cm, bot_r = pts.back().radius_cm;
  const double px = 1 / k;  // cm
  const double edge = a * m.edge_px * px;
  const double axis = has_axis ? a * m.axis_px * px : 0;
  const double brim = kPi * top_r * top_r * m.brim_px * px / 10;
  const double floor = kPi * bot_r * bot_r * m.floor_px * px / 10;
  double half = std::sqrt(edge * edge + axis * axis + brim * brim + floor * floor);
  const double scale = r.value * (std::pow(1 - scale_error, -3) - 1);
  half += scale;
  r.low = std::min(r.value, v_alt) - half;
  r.high = std::max(r.value, v_alt) + half;
  return r;
}

// An interior of a silhouette: the wall `wall` cm thick inside it, the
// inner floor `base` cm above the foot; heights above the inner floor.
std::vector<ProfilePoint> Interior(const std::vector<ProfilePoint>& outer, double wall,
                                   double base) {
  std::vector<ProfilePoint> in;
  for (size_t i = 0; i < outer.size(); ++i) {
    const size_t a = i > 0 ? i - 1 : i;
    const size_t b = i + 1 < outer.size() ? i + 1 : i;
    const double dh = outer[a].height_cm - outer[b].height_cm;
    const double slope = dh != 0 ? (outer[a].radius_cm - outer[b].radius_cm) / dh : 0;
    const double h = outer[i].height_cm - base;
    if (h < 0) {
      if (!in.empty() && in.back().height_cm > 0) {
        in.push_back({0, in.back().radius_cm});
      }
      break;
    }
    in.push_back({h, std::max(0.0, outer[i].radius_cm - wall * std::sqrt(1 + slope * slope))});
  }
  return in;
}

}  // namespace

cv::Point2d Frame::ToDrawing(cv::Point2d u) const {
  cv::Point2d c = u;
  if (rotated) {
    c.x = inv.at<double>(0, 0) * u.x + inv.at<double>(0, 1) * u.y + inv.at<double>(0, 2);
    c.y = inv.at<double>(1, 0) * u.x + inv.at<double>(1, 1) * u.y + inv.at<double>(1, 2);
  }
  c += cv::Point2d(origin.x, origin.y);
  if (flip) c.x = cols - c.x;
  return c;
}

void Finish(const Measured& m, const ProfileParams& p, double k, const Frame& frame,
            ProfileResult& r) {
  const Reading outer_rd{m.axis, m.top, m.foot, false};
  const Reading outer_alt{m.axis_alt, m.top_alt, m.foot_alt, true};
  r.outer = ToProfile(m.outer, outer_rd, k);
  const std::vector<ProfilePoint> outer_alt_pts = ToProfile(m.outer, outer_alt, k);
  const Range solid = VolumeRange(r.outer, outer_alt_pts, m, p.category != 3, k, p.scale_error);
  r.solid_cl = solid.value;
  r.solid_low_cl = solid.low;
  r.solid_high_cl = solid.high;
  r.total_height_cm = (m.foot - m.top) / k;
  double max_r = 0;
  for (const ProfilePoint& q : r.outer) max_r = std::max(max_r, q.radius_cm);
  r.max_diameter_cm = 2 * max_r;
  if (!r.outer.empty()) {
    r.rim_cm = 2 * r.outer.front().radius_cm;
    r.base_cm = 2 * r.outer.back().radius_cm;
  }

  std::vector<ProfilePoint> interior;
  Range capacity;
  if (m.has_interior) {
    const Reading rd{m.axis, m.brim, m.floor, false};
    const Reading alt{m.axis_alt, m.brim_alt, m.floor_alt, true};
    r.inner = ToProfile(m.inner, rd, k);
    const std::vector<ProfilePoint> alt_pts = ToProfile(m.inner, alt, k);
    capacity = VolumeRange(r.inner, alt_pts, m, true, k, p.scale_error);
    r.liquid_height_cm = (m.floor - m.brim) / k;
    if (!r.inner.empty()) r.opening_cm = 2 * r.inner.front().radius_cm;
    // Outer heights above the inner floor.
    const double shift = (m.foot - m.floor) / k;
    for (ProfilePoint& q : r.outer) q.height_cm -= shift;
  } else if (p.wall_cm > 0) {
    const double base = p.base_cm > 0 ? p.base_cm : p.wall_cm;
    r.inner = Interior(r.outer, p.wall_cm, base);
    const std::vector<ProfilePoint> alt_in = Interior(outer_alt_pts, p.wall_cm, base);
    capacity = VolumeRange(r.inner, alt_in, m, false, k, p.scale_error);
    if (!r.inner.empty()) {
      r.liquid_height_cm = r.inner.front().height_cm;
      r.opening_cm = 2 * r.inner.front().radius_cm;
    }
    const double shift = base;
    for (ProfilePoint& q : r.outer) q.height_cm -= shift;
  } else {
    Warn(r, kWarnNoInterior);
  }
  r.capacity_cl = capacity.value;
  r.capacity_low_cl = capacity.low;
  r.capacity_high_cl = capacity.high;
  if (!std::isnan(r.capacity_cl) && r.liquid_height_cm > 0) {
    for (int percent : p.fill_percents) {
      r.fill_levels_cl.emplace_back(percent,
                                    FilledVolumeCl(r.inner, r.liquid_height_cm * percent / 100));
    }
    const int n = 50;
    for (int i = 0; i <= n; ++i) {
      const double h = r.liquid_height_cm * i / n;
      r.capacity_curve.push_back({h, FilledVolumeCl(r.inner, h)});
    }
  }

  // Confidence.
  const double value = p.category == 3 ? r.solid_cl : r.capacity_cl;
  const double low = p.category == 3 ? r.solid_low_cl : r.capacity_low_cl;
  const double high = p.category == 3 ? r.solid_high_cl : r.capacity_high_cl;
  bool ok = std::isfinite(value) && value > 0;
  if (ok && (high - low) / 2 > 0.05 * value) ok = false;
  for (std::string_view code : {kWarnOpenOutline, kWarnFloorUncertain, kWarnLowResolution,
                                kWarnAsymmetric, kWarnAxisUncertain, kWarnRimUncertain}) {
    if (r.HasWarning(code)) ok = false;
  }
  r.confidence = ok ? Confidence::kOk : Confidence::kCheck;
  r.measured = true;

  // Geometry in the drawing's pixels (continuous coordinates).
  ProfileGeometry& g = r.geometry;
  g.axis_top = frame.ToDrawing({m.axis, m.top});
  g.axis_bottom = frame.ToDrawing({m.axis, m.foot});
  if (m.has_interior) {
    for (const WallRow& w : m.inner) {
      if (w.y > m.brim && w.y < m.floor) g.inner.push_back(frame.ToDrawing({w.x, w.y}));
    }
    const double rim_x = m.inner.empty() ? m.axis : m.inner.front().x;
    const double floor_x = m.inner.empty() ? m.axis : m.inner.back().x;
    g.rim_left = frame.ToDrawing({m.axis, m.brim});
    g.rim_right = frame.ToDrawing({rim_x, m.brim});
    g.floor_left = frame.ToDrawing({m.axis, m.floor});
    g.floor_right = frame.ToDrawing({floor_x, m.floor});
  } else {
    const double rim_r = m.outer.empty() ? 0 : m.outer.front().x - m.axis;
    g.rim_left = frame.ToDrawing({m.axis - rim_r, m.top});
    g.rim_right = frame.ToDrawing({m.axis + rim_r, m.top});
    g.floor_left = g.floor_right = frame.ToDrawing({m.axis, m.foot});
  }
  for (const WallRow& w : m.outer) g.outer.push_back(frame.ToDrawing({w.x, w.y}));
}

}  // namespace orvello::profile
