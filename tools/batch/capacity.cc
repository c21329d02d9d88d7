#include "batch/capacity.h"

#include <algorithm>
#include <cmath>

#include "common/mask.h"

namespace orvello::batch {
namespace {

// The area of a slab's disc, square pixels; 0 for a slab without a row.
double DiscArea(double radius) { return radius < 0 ? 0 : radius * radius * kPi; }

}  // namespace

double FillCapacity(const DiscProfile& profile, int percent) {
  const size_t level = static_cast<size_t>(static_cast<long long>(percent) * profile.height / 100);
  // Filled to the brim, the tool's own disc sum: the fill equals the volume
  // to the last bit.
  if (level >= profile.radii.size()) return VolumeCl(profile.pixel_size, profile.disc_sum);
  double below = 0;
  for (size_t slab = 0; slab < level; ++slab) below += DiscArea(profile.radii[slab]);
  return VolumeCl(profile.pixel_size, std::min(below, profile.disc_sum));
}

std::vector<CurvePoint> CapacityCurve(const DiscProfile& profile) {
  std::vector<CurvePoint> curve;
  curve.reserve(101);
  for (int percent = 0; percent <= 100; ++percent) {
    curve.push_back(
        {percent / 100.0 * profile.height * profile.pixel_size, FillCapacity(profile, percent)});
  }
  return curve;
}

CapacityRange CapacityRangeOf(const DiscProfile& profile, double scale_error) {
  double low = 0, high = 0;
  for (const double radius : profile.radii) {
    if (radius < 0) continue;  // no measured row: no disc either way
    low += DiscArea(std::max(radius - 0.5, 0.0));
    high += DiscArea(radius + 0.5);
  }
  return {VolumeCl(profile.pixel_size, low) / std::pow(1 + scale_error, 3.0),
          VolumeCl(profile.pixel_size, high) / std::pow(1 - scale_error, 3.0)};
}

}  // namespace orvello::batch
