// A profile measured like a scan: the same integration, the body and its
// weight.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
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

profile::ProfileResult AsProfileResult(const VesselProfile& p, const ProfileMeasure& m) {
  profile::ProfileResult r;
  r.measured = true;
  r.capacity_cl = r.capacity_low_cl = r.capacity_high_cl = m.capacity_cl;
  r.solid_cl = r.solid_low_cl = r.solid_high_cl = m.solid_cl;
  r.liquid_height_cm = m.liquid_height_cm;
  r.total_height_cm = m.total_height_cm;
  r.opening_cm = m.opening_cm;
  r.rim_cm = m.rim_cm;
  r.max_diameter_cm = m.max_diameter_cm;
  r.base_cm = m.base_cm;
  r.inner = p.inner;
  r.outer = p.outer;
  r.fill_levels_cl = m.fill_levels_cl;
  r.capacity_curve = m.capacity_curve;
  auto descends = [](const std::vector<ProfilePoint>& wall) {
    for (size_t i = 1; i < wall.size(); ++i) {
      if (wall[i].height_cm > wall[i - 1].height_cm) return false;
    }
    return true;
  };
  const double volume = std::isfinite(m.capacity_cl) ? m.capacity_cl : m.solid_cl;
  bool ok = volume > 0 && descends(p.inner) && descends(p.outer);
  if (p.inner.size() >= 2 && p.outer.size() >= 2 && !(m.body_cl > 0)) ok = false;
  r.confidence = ok ? profile::Confidence::kOk : profile::Confidence::kCheck;
  return r;
}

Imported ReadProfileFile(const std::string& path) {
  Format format;
  Imported failed;
  if (!FormatOfPath(path, &format)) {
    failed.error = "not a .csv, .svg or .dxf profile: " + path;
    return failed;
  }
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    failed.error = "a folder, not a profile file: " + path;
    return failed;
  }
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) {
    failed.error = "cannot read " + path;
    return failed;
  }
  return Import(text, format);
}

}  // namespace orvello::exchange
