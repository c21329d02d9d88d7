// A profile measured like a scan: the same integration, the body and its
// weight.

#include <algorithm>
#include <cmath>
#include <tuple>

#include "exchange/exchange.h"

namespace orvello::exchange {
namespace {

constexpr double kCm3PerCl = 10;
constexpr int kCurveSteps = 50;  // as the profile measurement's curve

double Top(std::span<const ProfilePoint> wall) {
  double top = wall.front().height_cm;
  for (const ProfilePoint& q : wall) top = std::max(top, q.height_cm);
  return top;
}

double Bottom(std::span<const ProfilePoint> wall) {
  double bottom = wall.front().height_cm;
  for (const ProfilePoint& q : wall) bottom = std::min(bottom, q.height_cm);
  return bottom;
}

}  // namespace

double BodyVolumeCl(std::span<const ProfilePoint> inner, std::span<const ProfilePoint> outer) {
  if (inner.size() < 2 || outer.size() < 2) return profile::kNaN;
  // The cavity: the interior up to its rim line, and above it, up to the rim
  // top, the opening at the interior's rim radius.
  std::vector<ProfilePoint> cavity(inner.begin(), inner.end());
  const double top = Top(outer);
  if (top > cavity.front().height_cm) {
    cavity.insert(cavity.begin(), {top, cavity.front().radius_cm});
  }
  return profile::RevolvedVolumeCl(outer) - profile::RevolvedVolumeCl(cavity);
}

std::pair<double, double> Weights(double body_cl, double capacity_cl, double density) {
  const double empty = body_cl * kCm3PerCl * density;
  return {empty, empty + capacity_cl * kCm3PerCl};
}

ProfileMeasure MeasureProfile(const VesselProfile& p, std::span<const int> fill_percents,
                              double density) {
  ProfileMeasure m;
  if (p.inner.size() >= 2) {
    m.capacity_cl = profile::RevolvedVolumeCl(p.inner);
    m.liquid_height_cm = Top(p.inner) - Bottom(p.inner);
    m.opening_cm = 2 * p.inner.front().radius_cm;
    if (m.liquid_height_cm > 0) {
      for (int percent : fill_percents) {
        m.fill_levels_cl.emplace_back(
            percent, profile::FilledVolumeCl(p.inner, m.liquid_height_cm * percent / 100));
      }
      for (int i = 0; i <= kCurveSteps; ++i) {
        const double h = m.liquid_height_cm * i / kCurveSteps;
        m.capacity_curve.push_back({h, profile::FilledVolumeCl(p.inner, h)});
      }
    }
  }
  if (p.outer.size() >= 2) {
    m.solid_cl = profile::RevolvedVolumeCl(p.outer);
    m.total_height_cm = Top(p.outer) - Bottom(p.outer);
    m.rim_cm = 2 * p.outer.front().radius_cm;
    m.base_cm = 2 * p.outer.back().radius_cm;
    double widest = 0;
    for (const ProfilePoint& q : p.outer) widest = std::max(widest, q.radius_cm);
    m.max_diameter_cm = 2 * widest;
  }
  m.body_cl = BodyVolumeCl(p.inner, p.outer);
  if (std::isfinite(m.body_cl)) {
    std::tie(m.weight_g, m.full_weight_g) = Weights(m.body_cl, m.capacity_cl, density);
  }
  return m;
}

}  // namespace orvello::exchange
